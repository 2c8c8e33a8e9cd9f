#include "platform/vbfiles/text_io.h"

#include <cstdint>
#include <cstring>

#include "basic/byte_scan.h"
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

TextLineViews SplitLineViews(std::string_view bytes) {
  TextLineViews out;
  if (bytes.starts_with(kUtf8Bom)) {
    out.bom = true;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  char end_char =
      bytes.find('\n') == std::string_view::npos && bytes.find('\r') != std::string_view::npos
          ? '\r'
          : '\n';
  const char* line = bytes.data();  // where the next line begins
  const char* const end = line + bytes.size();
  // Room for lines of 16 bytes on average, which code lines seldom are shorter than: a vector
  // that grows copies itself.
  out.lines.reserve(bytes.size() / 16 + 1);
  basic::ForEachByte(line, end, end_char, [&](const char* lf) {
    const char* line_end = (end_char == '\n' && lf > line && lf[-1] == '\r') ? lf - 1 : lf;
    out.lines.emplace_back(line, static_cast<size_t>(line_end - line));
    line = lf + 1;
  });
  if (line < end) {
    out.lines.emplace_back(line, static_cast<size_t>(end - line));
    out.final_newline = false;
  }
  return out;
}

TextLines SplitLines(std::string_view bytes) {
  TextLineViews views = SplitLineViews(bytes);
  TextLines out;
  out.final_newline = views.final_newline;
  out.bom = views.bom;
  out.lines.reserve(views.lines.size());
  for (std::string_view line : views.lines)
    out.lines.emplace_back(line);
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
  std::string bytes;
  ReadFileBytes(path, bytes);
  return bytes;
}

void ReadFileBytes(const std::string& path, std::string& bytes) {
  std::string reason;
  switch (system::ReadRegularFile(path, kMaxTextFileBytes, bytes, reason)) {
    case system::LoadStatus::kOk:
      return;
    case system::LoadStatus::kMissing:
      throw IdeError(host::kErrFileNotFound, "File not found: " + path, "vbfiles");
    case system::LoadStatus::kTooLarge:
      if (reason.empty()) {
        reason = "the file is larger than " + std::to_string(kMaxTextFileBytes >> 20) +
                 " MiB, more than VB loads";
      }
      break;
    case system::LoadStatus::kFailed:
      break;
  }
  throw CannotRead(path, reason);
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  std::string reason;
  if (!system::SaveFile(path, bytes, reason)) ThrowWriteError("write " + path, reason);
}

void CopyFileAtomic(const std::string& from, const std::string& to) {
  std::string reason;
  if (!system::SaveCopy(from, to, reason)) {
    ThrowWriteError("copy " + from + " to " + to, reason);
  }
}

}  // namespace kestrix::vbfiles
