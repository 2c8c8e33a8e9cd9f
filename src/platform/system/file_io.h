#pragma once

// Files and folders as the rest of Kestrix sees them: whole-file reads, atomic replacement of
// files, what a path names, whether a file is read-only, making folders, and an exclusive lock
// between processes. Paths are in the internal form (see platform/vbfiles/paths.h); turning
// them into the system's form is this layer's business. file_io_posix.cpp implements it on
// POSIX systems.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::system {

enum class ReadStatus { kOk, kMissing, kFailed };

// Reads the whole file into `bytes`. kMissing when it does not exist; kFailed (with the reason
// in `error`) when it exists but cannot be read, so that callers never mistake an unreadable
// file for an empty one and overwrite it.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

// Replaces the file's contents: creates a new temporary file "<path>.kestrix-XXXXXX" (random
// characters; created exclusively, so that no file or symbolic link planted beforehand is ever
// written through and two writers never share one), writes it, flushes it to disk, renames it
// over `path` and flushes the folder, so that a reader sees the old contents or the new, never
// a mix. A process killed before the rename leaves the old file and at most that uniquely named
// temporary file, which replaces nothing. An existing file keeps its mode; a new one gets 0644.
// A symbolic link is followed and stays a link. A file without any write permission is
// read-only and stays as it is (even for root); what is not a regular file is not replaced.
// False with the reason in `error` when the file could not be replaced.
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string& error);

// The same with the bytes of the regular file `from`, streamed (never held in memory whole).
bool CopyFileAtomic(const std::string& from, const std::string& to, std::string& error);

// Durability. A file that replaces one the user has (a component or project saved in place,
// the settings, the add-in list) goes through WriteFileAtomic: whatever happens, the old file
// or the new one is there whole. A file written into a folder made new for it (a build
// folder) replaces nothing, so nothing can be lost there: it is written in place, and all of
// them are flushed to disk together once the folder is complete (NewFolderWrites). A build
// that cannot be flushed has failed.

// Writes the file in place (created, or emptied first): no temporary file, no flush. A
// symbolic link is not followed. False with the reason in `error` when any write, or closing
// the file, fails.
bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& error);
// The same with the bytes of the regular file `from`, streamed.
bool CopyNewFile(const std::string& from, const std::string& to, std::string& error);
// Flushes to disk the files at `files` (all below `folder`) and the folders that hold them.
// False with the reason in `error` when the system reports that any of it could not be
// written.
bool FlushWritten(const std::string& folder, const std::vector<std::string>& files,
                  std::string& error);

// While an object of this class lives, SaveFile and SaveCopy write a file below `folder` (a
// folder this process has just made, holding nothing but what it writes) with WriteNewFile
// and CopyNewFile, and keep its name for Flush; any other file as WriteFileAtomic does.
class NewFolderWrites {
 public:
  explicit NewFolderWrites(std::string folder);
  ~NewFolderWrites();
  NewFolderWrites(const NewFolderWrites&) = delete;
  NewFolderWrites& operator=(const NewFolderWrites&) = delete;

  // The live object whose folder holds `path`, or null.
  static NewFolderWrites* Covering(const std::string& path);
  void Record(const std::string& path);
  // Flushes every file written so far (FlushWritten). False with the reason in `error`.
  bool Flush(std::string& error);

 private:
  std::string folder_;
  std::mutex mutex_;
  std::vector<std::string> files_;
};

// WriteFileAtomic, or WriteNewFile for a file below the folder of a live NewFolderWrites.
bool SaveFile(const std::string& path, std::string_view bytes, std::string& error);
// CopyFileAtomic, or CopyNewFile likewise.
bool SaveCopy(const std::string& from, const std::string& to, std::string& error);

enum class LoadStatus { kOk, kMissing, kTooLarge, kFailed };

// Reads the whole regular file `path` into `bytes`, never blocking (a FIFO nobody writes to
// would wait forever). kMissing when it or a folder on its way does not exist; kTooLarge when
// it holds more than `max_bytes` (`error` is then empty, or says that the file grew past the
// limit while it was read); kFailed with the reason in `error` when it cannot be read or is
// not a regular file (a FIFO, a device, a folder). `bytes` is empty unless kOk; its storage is
// reused, so that one string read into again and again is allocated once.
LoadStatus ReadRegularFile(const std::string& path, size_t max_bytes, std::string& bytes,
                           std::string& error);

// Whether `path` is a regular file that can be opened for reading, by the rules of
// ReadRegularFile (kTooLarge aside), without reading it.
LoadStatus CheckReadable(const std::string& path, std::string& error);

// Whether anything is at `path` (a symbolic link counts as what it points to); false when
// that cannot be found out. As std::filesystem::exists, without taking the path apart.
bool PathExists(const std::string& path);

// What a path names, symbolic links followed.
enum class FileKind { kMissing, kRegular, kFolder, kOther };
FileKind KindOf(const std::string& path);
inline bool IsRegularFile(const std::string& path) {
  return KindOf(path) == FileKind::kRegular;
}
inline bool IsFolder(const std::string& path) {
  return !path.empty() && KindOf(path) == FileKind::kFolder;
}

// True when the file exists and is read-only as Windows sees it: it carries no write
// permission at all (the read-only attribute), or this user may not write it.
bool IsReadOnly(const std::string& path);

// True when files may be made in the existing folder `folder`; otherwise false, with the
// reason in `error`.
bool CanCreateIn(const std::string& folder, std::string& error);

// Why a file cannot be written at `path` (a folder there, a read-only file, a folder that
// takes no new files), or nothing when it can. The messages name the path.
std::optional<std::string> WhyNotWritable(const std::string& path);

enum class MakeStatus { kMade, kExists, kFailed };
enum class FolderAccess { kShared, kPersonal };

// Makes the one folder `path`, whose parent exists: kMade when this call made it (nobody else,
// not even another process at the same moment), kExists when something of that name is there
// already, kFailed with the reason in `error`. A personal folder is for this user alone (mode
// 0700 on POSIX); a shared one gets the usual access.
MakeStatus MakeFolder(const std::string& path, FolderAccess access, std::string& error);

// An exclusive lock on a lock file, shared by every process that locks the same file; held
// until the object goes away. Meant for short read-modify-write sequences.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens (creating) the lock file and waits until no other holder has it. False with the
  // reason in `error` when the file cannot be opened or locked.
  bool Acquire(const std::string& path, std::string& error);
  // The same without waiting: false (with `error` empty) while another holder has it.
  bool TryAcquire(const std::string& path, std::string& error);
  bool Held() const { return handle_ >= 0; }

 private:
  bool Take(const std::string& path, bool wait, std::string& error);

  std::intptr_t handle_ = -1;  // the system's handle of the open lock file; -1 when none
};

}  // namespace kestrix::system
