#include "platform/system/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kestrix::system {
namespace {

std::string Reason(int err) {
  return std::strerror(err);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Creates a fresh temporary file beside `path`, named "<file>.kestrix-XXXXXX" with six random
// characters. mkostemp opens it with O_CREAT | O_EXCL, so a file or symbolic link planted
// under any name is never opened, and two writers of the same file never share one. Returns
// the descriptor (and the name in `temp`), or -1 with errno set.
int CreateTemporary(const std::string& path, std::string& temp) {
  temp = path + ".kestrix-XXXXXX";
  return ::mkostemp(temp.data(), O_CLOEXEC);
}

// Fills a fresh temporary file beside `path` through `fill`, gives it `mode` and flushes it to
// disk; returns its name, or "" with errno set (and the temporary file gone).
template <typename Fill>
std::string WriteTemporary(const std::string& path, mode_t mode, Fill fill) {
  std::string temp;
  int fd = CreateTemporary(path, temp);
  if (fd < 0) return "";
  bool ok = ::fchmod(fd, mode) == 0 && fill(fd) && ::fsync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok) return temp;
  ::unlink(temp.c_str());
  errno = err;
  return "";
}

// Flushes the folder's entries to disk, so that a rename in it survives a power cut. Not every
// file system lets a folder be synced; that is no reason to fail a write already in place.
void SyncFolder(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Where the file's bytes lie: a symbolic link (a dotfile manager's, say) is followed, so that
// replacing the file keeps the link.
std::string RealTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string target = real;
  std::free(real);
  return target;
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadStatus::kMissing;
    error = Reason(errno);
    return ReadStatus::kFailed;
  }
  char buffer[1 << 14];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (n < 0) {
      error = Reason(errno);
      ::close(fd);
      return ReadStatus::kFailed;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return ReadStatus::kOk;
}

namespace {

// Opens a regular file for reading without blocking on a FIFO: the descriptor, or -1 with the
// reason in `error` and errno set (EINVAL when it is not a regular file). `size` gets the
// file's size. The caller closes it.
int OpenRegular(const std::string& path, std::string& error, off_t* size = nullptr) {
  // O_NONBLOCK: opening a FIFO that nobody writes to would otherwise wait forever. It is left
  // set: reads of a regular file never block, and the descriptor goes to no other reader.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    error = Reason(err);
    errno = err;
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "it is a folder" : "not a regular file";
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  if (size != nullptr) *size = st.st_size;
  return fd;
}

// What WriteFileAtomic and CopyFileAtomic share: the target is resolved through a symbolic
// link, a read-only file is refused, the mode is kept, and the temporary file filled by `fill`
// replaces the target by a rename.
template <typename Fill>
bool ReplaceFile(const std::string& link_or_path, std::string& error, Fill fill) {
  std::string path = RealTarget(link_or_path);
  struct stat st {};
  mode_t mode = 0644;
  if (::stat(path.c_str(), &st) == 0) {
    // The user marked it read-only on purpose; rename() would replace it all the same.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      error = "the file is read-only";
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      error = "not a regular file";
      return false;
    }
    mode = st.st_mode & 07777;
  }
  std::string temp = WriteTemporary(path, mode, fill);
  if (temp.empty()) {
    error = Reason(errno);
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = Reason(errno);
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(path);
  return true;
}

// Copies every byte of `from` (an open regular file) into `to`.
bool CopyAll(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, std::string_view(buffer, static_cast<size_t>(n)))) return false;
  }
}

}  // namespace

bool WriteFileAtomic(const std::string& link_or_path, std::string_view bytes, std::string& error) {
  return ReplaceFile(link_or_path, error, [&](int fd) { return WriteAll(fd, bytes); });
}

bool CopyFileAtomic(const std::string& from, const std::string& to, std::string& error) {
  int source = OpenRegular(from, error);
  if (source < 0) return false;
  bool ok = ReplaceFile(to, error, [&](int fd) { return CopyAll(source, fd); });
  ::close(source);
  return ok;
}

namespace {

// Opens the regular file `path` for writing in place, emptied, with the mode a new file gets
// (0644); never through a symbolic link, never anything but a regular file.
int OpenInPlace(const std::string& path, std::string& error) {
  // O_TRUNC empties only a regular file, which is emptied anyway once it is known to be one.
  // O_NONBLOCK stays set: writes to a regular file never block.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  0644);
  if (fd < 0) {
    error = Reason(errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "not a regular file";
    ::close(fd);
    return -1;
  }
  // A new file has its mode already unless the umask took something from it.
  if ((st.st_mode & 07777) != 0644 && ::fchmod(fd, 0644) != 0) {
    error = Reason(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

// Closes what OpenInPlace opened after `ok` writes; a close that fails is a write that failed.
bool CloseInPlace(int fd, bool ok, std::string& error) {
  if (!ok) error = Reason(errno);
  if (::close(fd) != 0 && ok) {
    error = Reason(errno);
    ok = false;
  }
  return ok;
}

#ifndef __linux__
// Flushes the file or folder at `path`.
bool SyncPath(const std::string& path, int flags, std::string& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0 || ::fsync(fd) != 0) {
    error = "Cannot flush " + path + " to disk: " + Reason(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
}
#endif

}  // namespace

bool WriteNewFile(const std::string& path, std::string_view bytes, std::string& error) {
  int fd = OpenInPlace(path, error);
  if (fd < 0) return false;
  if (CloseInPlace(fd, WriteAll(fd, bytes), error)) return true;
  ::unlink(path.c_str());  // no file cut short is left to be taken for a whole one
  return false;
}

bool CopyNewFile(const std::string& from, const std::string& to, std::string& error) {
  int source = OpenRegular(from, error);
  if (source < 0) return false;
  int fd = OpenInPlace(to, error);
  bool ok = fd >= 0 && CloseInPlace(fd, CopyAll(source, fd), error);
  if (fd >= 0 && !ok) ::unlink(to.c_str());
  ::close(source);
  return ok;
}

bool FlushWritten(const std::string& folder, const std::vector<std::string>& files,
                  std::string& error) {
#ifdef __linux__
  // One call flushes the file system the folder lies on, every file and folder entry written
  // below it included, and reports a write back that failed and was not reported yet.
  (void)files;
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || ::syncfs(fd) != 0) {
    error = "Cannot flush " + folder + " to disk: " + Reason(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
#else
  std::vector<std::string> folders = {folder};
  for (const std::string& file : files) {
    if (!SyncPath(file, 0, error)) return false;
    folders.push_back(file.substr(0, file.rfind('/')));
  }
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& dir : folders) {
    if (!SyncPath(dir, O_DIRECTORY, error)) return false;
  }
  return true;
#endif
}

namespace {

bool IsMissing(int err) {
  return err == ENOENT || err == ENOTDIR;
}

}  // namespace

namespace {

// Reads the rest of `fd` into `bytes`, straight into the string: the file's size is its first
// guess, and the read goes on to the end whatever the size turns out to be. kTooLarge (with
// `error` set) once it holds more than `max_bytes`.
LoadStatus ReadToEnd(int fd, size_t expected, size_t max_bytes, std::string& bytes,
                     std::string& error) {
  constexpr size_t kFirstGrowth = size_t{1} << 16;
  // One byte more than expected: the read that finds the end then needs no growth first. What
  // `bytes` held is written over, not emptied first: a string read into again is filled only
  // where it grows.
  const size_t room = std::min(expected, max_bytes) + 1;
  if (bytes.size() < room) bytes.resize(room);
  size_t size = 0;
  for (;;) {
    if (size == bytes.size()) {
      bytes.resize(std::min(std::max(size * 2, kFirstGrowth), max_bytes + 1));
    }
    ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Reason(errno);
      return LoadStatus::kFailed;
    }
    if (n == 0) break;
    size += static_cast<size_t>(n);
    // The file may grow while it is read.
    if (size > max_bytes) {
      error = "the file grew past the limit while read";
      return LoadStatus::kTooLarge;
    }
  }
  bytes.resize(size);
  return LoadStatus::kOk;
}

}  // namespace

LoadStatus ReadRegularFile(const std::string& path, size_t max_bytes, std::string& bytes,
                           std::string& error) {
  off_t size = 0;
  int fd = OpenRegular(path, error, &size);
  if (fd < 0) {
    bytes.clear();
    return IsMissing(errno) ? LoadStatus::kMissing : LoadStatus::kFailed;
  }
  if (static_cast<uint64_t>(size) > max_bytes) {
    ::close(fd);
    bytes.clear();
    error.clear();
    return LoadStatus::kTooLarge;
  }
  LoadStatus status = ReadToEnd(fd, static_cast<size_t>(size), max_bytes, bytes, error);
  ::close(fd);
  if (status != LoadStatus::kOk) bytes.clear();
  return status;
}

LoadStatus CheckReadable(const std::string& path, std::string& error) {
  int fd = OpenRegular(path, error);
  if (fd < 0) return IsMissing(errno) ? LoadStatus::kMissing : LoadStatus::kFailed;
  ::close(fd);
  return LoadStatus::kOk;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

FileKind KindOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FileKind::kMissing;
  if (S_ISREG(st.st_mode)) return FileKind::kRegular;
  if (S_ISDIR(st.st_mode)) return FileKind::kFolder;
  return FileKind::kOther;
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(path.c_str(), W_OK) != 0;
}

bool CanCreateIn(const std::string& folder, std::string& error) {
  if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0) return true;
  error = Reason(errno);
  return false;
}

MakeStatus MakeFolder(const std::string& path, FolderAccess access, std::string& error) {
  mode_t mode = access == FolderAccess::kPersonal ? 0700 : 0777;
  if (::mkdir(path.c_str(), mode) == 0) return MakeStatus::kMade;
  if (errno == EEXIST) return MakeStatus::kExists;
  error = Reason(errno);
  return MakeStatus::kFailed;
}

FileLock::~FileLock() {
  // Closing the descriptor releases the lock.
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool FileLock::Acquire(const std::string& path, std::string& error) {
  return Take(path, true, error);
}

bool FileLock::TryAcquire(const std::string& path, std::string& error) {
  return Take(path, false, error);
}

bool FileLock::Take(const std::string& path, bool wait, std::string& error) {
  if (handle_ >= 0) return true;
  int operation = wait ? LOCK_EX : LOCK_EX | LOCK_NB;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = Reason(errno);
    return false;
  }
  int rc;
  do {
    rc = ::flock(fd, operation);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    // Another holder is no error: the caller tells the two apart by `error`.
    int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK && (operation & LOCK_NB) != 0) return false;
    error = Reason(err);
    return false;
  }
  handle_ = fd;
  return true;
}

}  // namespace kestrix::system
