#include <windows.h>

#include <filesystem>
#include <random>
#include <system_error>

#include "platform/system/environment.h"
#include "platform/system/file_io.h"
#include "platform/system/win32_text.h"

namespace kestrix::system {
namespace {

using win32::Handle;
using win32::NativePath;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Reason(DWORD code) {
  return win32::ErrorText(code);
}

bool IsMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH || code == ERROR_BAD_NET_NAME;
}

// The file's attributes; INVALID_FILE_ATTRIBUTES when it cannot be found.
DWORD Attributes(const std::string& path) {
  return ::GetFileAttributesW(NativePath(path).c_str());
}

// True when a file stands where a folder of `path` should be: the deepest part of it that
// exists is no folder. (The system says "path not found" then, as it does for a missing one.)
bool FileInTheWay(const std::string& path) {
  for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
       slash = path.rfind('/', slash - 1)) {
    DWORD attributes = Attributes(path.substr(0, slash));
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  return false;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Opens an existing regular file for reading, sharing it with every other reader and writer.
// An invalid handle with the reason in `error` and the system's code in `code` otherwise
// (ERROR_DIRECTORY for a folder, ERROR_BAD_FILE_TYPE for a device or pipe).
HANDLE OpenRegular(const std::string& path, std::string& error, DWORD& code) {
  DWORD attributes = Attributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = "it is a folder";
    code = ERROR_DIRECTORY;
    return INVALID_HANDLE_VALUE;
  }
  HANDLE file = ::CreateFileW(NativePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    code = ::GetLastError();
    error = Reason(code);
    return file;
  }
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    ::CloseHandle(file);
    error = "not a regular file";
    code = ERROR_BAD_FILE_TYPE;
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// Creates a fresh temporary file beside `path`, "<file>.kestrix-XXXXXX" with six random
// characters, exclusively (CREATE_NEW), so that nothing planted under any name is written
// through and two writers of one file never share one.
HANDLE CreateTemporary(const std::string& path, std::string& temp) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<int> pick(0, 35);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = path + ".kestrix-";
    for (int i = 0; i < 6; ++i)
      temp += kChars[pick(random)];
    HANDLE file = ::CreateFileW(NativePath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

// Moves `temp` over `path`. A virus scanner or indexer that has just opened the old file
// makes the move fail for a moment; it is tried again for a short while.
bool MoveOver(const std::string& temp, const std::string& path) {
  std::wstring from = NativePath(temp), to = NativePath(path);
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    DWORD code = ::GetLastError();
    if (attempt == 20 || (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION)) {
      ::SetLastError(code);
      return false;
    }
    ::Sleep(50);
  }
}

// What WriteFileAtomic and CopyFileAtomic share: a read-only file or a folder is refused, the
// temporary file filled by `fill` is flushed to disk and moved over the target in one step.
template <typename Fill>
bool ReplaceWith(const std::string& path, std::string& error, Fill fill) {
  DWORD attributes = Attributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      error = "not a regular file";
      return false;
    }
    // The user marked it read-only on purpose; the move would replace it all the same.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      error = "the file is read-only";
      return false;
    }
  }
  std::string temp;
  Handle file(CreateTemporary(path, temp));
  if (!file.valid()) {
    error = Reason(::GetLastError());
    return false;
  }
  bool ok = fill(file.get()) && ::FlushFileBuffers(file.get());
  DWORD code = ::GetLastError();
  file.Reset();
  if (ok && MoveOver(temp, path)) return true;
  if (ok) code = ::GetLastError();
  ::DeleteFileW(NativePath(temp).c_str());
  error = Reason(code);
  return false;
}

bool CopyAll(HANDLE from, HANDLE to) {
  std::string buffer(1 << 16, '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return false;
    }
    if (got == 0) return true;
    if (!WriteAll(to, std::string_view(buffer.data(), got))) return false;
  }
}

// Reads `file` to its end into `bytes`, stopping once it holds more than `max_bytes`.
bool ReadAll(HANDLE file, size_t max_bytes, std::string& bytes, DWORD& code) {
  std::string buffer(1 << 16, '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      code = ::GetLastError();
      return false;
    }
    if (got == 0) return true;
    bytes.append(buffer.data(), got);
    if (bytes.size() > max_bytes) return true;
  }
}

// Opens `path` for writing in place, emptied: never through a link (a reparse point), never
// anything but a file on disk, never a read-only one.
HANDLE OpenInPlace(const std::string& path, std::string& error) {
  DWORD attributes = Attributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      error = "not a regular file";
      return INVALID_HANDLE_VALUE;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      error = "the file is read-only";
      return INVALID_HANDLE_VALUE;
    }
  }
  HANDLE file = ::CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = Reason(::GetLastError());
    return file;
  }
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    ::CloseHandle(file);
    error = "not a regular file";
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// Closes what OpenInPlace opened after `ok` writes; a file that was not written whole is
// removed, so that no file cut short is taken for a whole one.
bool CloseInPlace(HANDLE file, const std::string& path, bool ok, std::string& error) {
  DWORD code = ::GetLastError();
  if (!::CloseHandle(file) && ok) {
    code = ::GetLastError();
    ok = false;
  }
  if (ok) return true;
  error = Reason(code);
  ::DeleteFileW(NativePath(path).c_str());
  return false;
}

}  // namespace

bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& error) {
  HANDLE file = OpenInPlace(path, error);
  if (file == INVALID_HANDLE_VALUE) return false;
  return CloseInPlace(file, path, WriteAll(file, bytes), error);
}

bool CopyNewFile(const std::string& from, const std::string& to, std::string& error) {
  DWORD code = 0;
  Handle source(OpenRegular(from, error, code));
  if (!source.valid()) return false;
  HANDLE file = OpenInPlace(to, error);
  if (file == INVALID_HANDLE_VALUE) return false;
  return CloseInPlace(file, to, CopyAll(source.get(), file), error);
}

// Windows flushes a file through a handle opened for writing; folder entries are written by
// the file system's own log, so the files are what needs flushing.
bool FlushWritten(const std::string& folder, const std::vector<std::string>& files,
                  std::string& error) {
  (void)folder;
  for (const std::string& path : files) {
    Handle file(::CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !::FlushFileBuffers(file.get())) {
      error = "Cannot flush " + path + " to disk: " + Reason(::GetLastError());
      return false;
    }
  }
  return true;
}

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  DWORD code = 0;
  Handle file(OpenRegular(path, error, code));
  // Reading a folder, or through a file, fails as on other systems: not as a missing file.
  if (code == ERROR_DIRECTORY) error = "Is a directory";
  if (!file.valid() && IsMissing(code) && FileInTheWay(path)) {
    error = "Not a directory";
    return ReadStatus::kFailed;
  }
  if (!file.valid()) return IsMissing(code) ? ReadStatus::kMissing : ReadStatus::kFailed;
  if (!ReadAll(file.get(), SIZE_MAX - (1 << 16), bytes, code)) {
    error = Reason(code);
    bytes.clear();
    return ReadStatus::kFailed;
  }
  return ReadStatus::kOk;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string& error) {
  return ReplaceWith(path, error, [&](HANDLE file) { return WriteAll(file, bytes); });
}

bool CopyFileAtomic(const std::string& from, const std::string& to, std::string& error) {
  DWORD code = 0;
  Handle source(OpenRegular(from, error, code));
  if (!source.valid()) return false;
  return ReplaceWith(to, error, [&](HANDLE file) { return CopyAll(source.get(), file); });
}

LoadStatus ReadRegularFile(const std::string& path, size_t max_bytes, std::string& bytes,
                           std::string& error) {
  bytes.clear();
  DWORD code = 0;
  Handle file(OpenRegular(path, error, code));
  if (!file.valid()) return IsMissing(code) ? LoadStatus::kMissing : LoadStatus::kFailed;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && static_cast<uint64_t>(size.QuadPart) > max_bytes) {
    error.clear();
    return LoadStatus::kTooLarge;
  }
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  if (!ReadAll(file.get(), max_bytes, bytes, code)) {
    error = Reason(code);
    bytes.clear();
    return LoadStatus::kFailed;
  }
  // The file may grow while it is read.
  if (bytes.size() > max_bytes) {
    error = "the file grew past the limit while read";
    bytes.clear();
    return LoadStatus::kTooLarge;
  }
  return LoadStatus::kOk;
}

LoadStatus CheckReadable(const std::string& path, std::string& error) {
  DWORD code = 0;
  Handle file(OpenRegular(path, error, code));
  if (!file.valid()) return IsMissing(code) ? LoadStatus::kMissing : LoadStatus::kFailed;
  return LoadStatus::kOk;
}

// Windows resolves a symbolic link only when it is opened: std::filesystem asks it to.
bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(FileSystemPath(path), ec);
}

FileKind KindOf(const std::string& path) {
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kFolder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::kOther;
  return FileKind::kRegular;
}

bool IsReadOnly(const std::string& path) {
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // Opening for writing changes nothing; it tells whether this user may write the file.
  Handle file(::CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file.valid() && ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool CanCreateIn(const std::string& folder, std::string& error) {
  std::string dir = folder.empty() ? "." : folder;
  DWORD attributes = Attributes(dir);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error = Reason(::GetLastError());
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error = "not a folder";
    return false;
  }
  // The folder's access rules decide; a file made and gone at once asks them.
  std::string probe;
  HANDLE file = CreateTemporary(dir + "/.probe", probe);
  if (file == INVALID_HANDLE_VALUE) {
    error = Reason(::GetLastError());
    return false;
  }
  ::CloseHandle(file);
  ::DeleteFileW(NativePath(probe).c_str());
  return true;
}

MakeStatus MakeFolder(const std::string& path, FolderAccess, std::string& error) {
  // A personal folder lies in the user's own profile, whose access rules it inherits.
  if (::CreateDirectoryW(NativePath(path).c_str(), nullptr)) return MakeStatus::kMade;
  DWORD code = ::GetLastError();
  if (code == ERROR_ALREADY_EXISTS) return MakeStatus::kExists;
  if (code == ERROR_ACCESS_DENIED && Attributes(path) != INVALID_FILE_ATTRIBUTES) {
    return MakeStatus::kExists;  // a drive's root ("C:/") refuses to be made
  }
  error = Reason(code);
  return MakeStatus::kFailed;
}

FileLock::~FileLock() {
  // Closing the handle releases the lock.
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool FileLock::Acquire(const std::string& path, std::string& error) {
  return Take(path, true, error);
}

bool FileLock::TryAcquire(const std::string& path, std::string& error) {
  return Take(path, false, error);
}

bool FileLock::Take(const std::string& path, bool wait, std::string& error) {
  if (handle_ != -1) return true;
  Handle file(::CreateFileW(NativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    error = Reason(::GetLastError());
    return false;
  }
  OVERLAPPED at{};
  DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (!::LockFileEx(file.get(), flags, 0, MAXDWORD, MAXDWORD, &at)) {
    DWORD code = ::GetLastError();
    // Another holder is no error: the caller tells the two apart by `error`.
    if (!wait && code == ERROR_LOCK_VIOLATION) return false;
    error = Reason(code);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file.Release());
  return true;
}

}  // namespace kestrix::system
