#include "platform/system/file_io.h"

namespace kestrix::system {

std::optional<std::string> WhyNotWritable(const std::string& path) {
  FileKind kind = KindOf(path);
  if (kind == FileKind::kFolder) return "Cannot write " + path + ": it is a folder";
  if (kind != FileKind::kMissing) {
    if (IsReadOnly(path)) return "Cannot write " + path + ": the file is read-only";
    return std::nullopt;
  }
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string reason;
  if (!CanCreateIn(folder, reason)) return "Cannot write into " + folder + ": " + reason;
  return std::nullopt;
}

}  // namespace kestrix::system
