#include "platform/vbfiles/text_io.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/ide_error.h"

namespace kestrix::vbfiles {

using host::IdeError;

TextLines SplitLines(std::string_view bytes) {
  TextLines out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    if (lf == std::string_view::npos) {
      out.lines.emplace_back(bytes.substr(pos));
      out.final_newline = false;
      return out;
    }
    size_t end = (lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
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
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    int err = errno;
    if (err == ENOENT || err == ENOTDIR) {
      throw IdeError(host::kErrFileNotFound, "File not found: " + path, "vbfiles");
    }
    throw IdeError(host::kErrPathFileAccess, "Cannot read " + path + ": " + std::strerror(err),
                   "vbfiles");
  }
  std::string bytes;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.append(buffer, n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    throw IdeError(host::kErrPathFileAccess, "Cannot read " + path, "vbfiles");
  }
  return bytes;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  // A file marked read-only stays as it is, as on Windows; otherwise the copy keeps its mode.
  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    throw IdeError(host::kErrPermissionDenied, "Cannot write " + path + ": the file is read-only",
                   "vbfiles");
  }
  std::string temp = path + ".kestrix-tmp";
  auto fail = [&](const char* what) {
    int err = errno;
    std::remove(temp.c_str());
    throw IdeError(host::kErrPathFileAccess,
                   std::string("Cannot ") + what + " " + path + ": " + std::strerror(err),
                   "vbfiles");
  };
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) fail("write");
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fflush(f) == 0) && ok;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) fail("write");
  if (exists) ::chmod(temp.c_str(), st.st_mode & 07777);
  if (std::rename(temp.c_str(), path.c_str()) != 0) fail("replace");
}

void CopyFileAtomic(const std::string& from, const std::string& to) {
  WriteFileAtomic(to, ReadFileBytes(from));
}

}  // namespace kestrix::vbfiles
