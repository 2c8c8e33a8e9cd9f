#include "platform/vbfiles/text_io.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "host/ide_error.h"
#include "platform/system/file_io.h"

namespace kestrix::vbfiles {

using host::IdeError;

namespace {

IdeError CannotRead(const std::string& path, const std::string& reason) {
  return IdeError(host::kErrPathFileAccess, "Cannot read " + path + ": " + reason, "vbfiles");
}

constexpr std::string_view kReadOnly = "the file is read-only";  // system::WriteFileAtomic's word

void ThrowWriteError(const std::string& what, const std::string& reason) {
  int number = reason == kReadOnly ? host::kErrPermissionDenied : host::kErrPathFileAccess;
  throw IdeError(number, "Cannot " + what + ": " + reason, "vbfiles");
}

}  // namespace

TextLines SplitLines(std::string_view bytes) {
  TextLines out;
  if (bytes.starts_with(kUtf8Bom)) {
    out.bom = true;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  char end_char =
      bytes.find('\n') == std::string_view::npos && bytes.find('\r') != std::string_view::npos
          ? '\r'
          : '\n';
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find(end_char, pos);
    if (lf == std::string_view::npos) {
      out.lines.emplace_back(bytes.substr(pos));
      out.final_newline = false;
      return out;
    }
    size_t end = (end_char == '\n' && lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
    out.lines.emplace_back(bytes.substr(pos, end - pos));
    pos = lf + 1;
  }
  return out;
}

void AppendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

std::string JoinLines(const std::vector<std::string>& lines, bool final_newline) {
  size_t size = 0;
  for (const auto& line : lines)
    size += line.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& line : lines)
    AppendLine(out, line);
  if (!final_newline && !lines.empty()) out.resize(out.size() - 2);
  return out;
}

std::string ReadFileBytes(const std::string& path) {
  std::string reason;
  int fd = system::OpenRegularFile(path, reason);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      throw IdeError(host::kErrFileNotFound, "File not found: " + path, "vbfiles");
    }
    throw CannotRead(path, reason);
  }
  struct stat st {};
  ::fstat(fd, &st);
  if (static_cast<uint64_t>(st.st_size) > kMaxTextFileBytes) {
    ::close(fd);
    throw CannotRead(path, "the file is larger than " + std::to_string(kMaxTextFileBytes >> 20) +
                               " MiB, more than VB loads");
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) reason = std::strerror(errno);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
    // The file may grow while it is read.
    if (bytes.size() > kMaxTextFileBytes) reason = "the file grew past the limit while read";
    if (!reason.empty()) break;
  }
  ::close(fd);
  if (!reason.empty()) throw CannotRead(path, reason);
  return bytes;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  std::string reason;
  if (!system::WriteFileAtomic(path, bytes, reason)) ThrowWriteError("write " + path, reason);
}

void CopyFileAtomic(const std::string& from, const std::string& to) {
  std::string reason;
  if (!system::CopyFileAtomic(from, to, reason)) {
    ThrowWriteError("copy " + from + " to " + to, reason);
  }
}

}  // namespace kestrix::vbfiles
