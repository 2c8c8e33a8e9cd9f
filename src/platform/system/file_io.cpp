#include "platform/system/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

// Writes `bytes` into a fresh file beside `path`; returns its name, or "" with errno set.
std::string WriteTemporary(const std::string& path, std::string_view bytes, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return "";
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
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

bool WriteFileAtomic(const std::string& link_or_path, std::string_view bytes, std::string& error) {
  std::string path = RealTarget(link_or_path);
  struct stat st {};
  mode_t mode = 0644;
  if (::stat(path.c_str(), &st) == 0) {
    // The user marked it read-only on purpose; rename() would replace it all the same.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      error = "the file is read-only";
      return false;
    }
    mode = st.st_mode & 07777;
  }
  std::string temp = WriteTemporary(path, bytes, mode);
  if (temp.empty()) {
    error = Reason(errno);
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = Reason(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

FileLock::~FileLock() {
  // Closing the descriptor releases the lock.
  if (fd_ >= 0) ::close(fd_);
}

bool FileLock::Acquire(const std::string& path, std::string& error) {
  return Take(path, LOCK_EX, error);
}

bool FileLock::TryAcquire(const std::string& path, std::string& error) {
  return Take(path, LOCK_EX | LOCK_NB, error);
}

bool FileLock::Take(const std::string& path, int operation, std::string& error) {
  if (fd_ >= 0) return true;
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
  fd_ = fd;
  return true;
}

}  // namespace kestrix::system
