#pragma once

// Whole-file reads and atomic replacement of small files, and an exclusive lock between
// processes: what the settings store and the profile files are built on.

#include <string>
#include <string_view>

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

// Opens a file for reading, never blocking (a FIFO nobody writes to would wait forever): the
// descriptor, or -1 with the reason in `error` when it cannot be opened or is not a regular
// file (a FIFO, a device, a folder; errno is then EINVAL, else open's). The caller closes it.
int OpenRegularFile(const std::string& path, std::string& error);

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
  bool Held() const { return fd_ >= 0; }

 private:
  bool Take(const std::string& path, int operation, std::string& error);

  int fd_ = -1;
};

}  // namespace kestrix::system
