#include "platform/system/file_io.h"

#include <algorithm>

namespace kestrix::system {
namespace {

// The live NewFolderWrites objects, newest last.
std::mutex registry_mutex;
std::vector<NewFolderWrites*> registry;

}  // namespace

NewFolderWrites::NewFolderWrites(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/')
    folder_.pop_back();
  std::lock_guard lock(registry_mutex);
  registry.push_back(this);
}

NewFolderWrites::~NewFolderWrites() {
  std::lock_guard lock(registry_mutex);
  registry.erase(std::find(registry.begin(), registry.end(), this));
}

NewFolderWrites* NewFolderWrites::Covering(const std::string& path) {
  // A path that climbs ("BUILD 1/../Main.bas") may lead out of the folder: never in place.
  if (path.find("/..") != std::string::npos) return nullptr;
  std::lock_guard lock(registry_mutex);
  for (auto it = registry.rbegin(); it != registry.rend(); ++it) {
    const std::string& folder = (*it)->folder_;
    if (!folder.empty() && path.size() > folder.size() + 1 && path.starts_with(folder) &&
        path[folder.size()] == '/') {
      return *it;
    }
  }
  return nullptr;
}

void NewFolderWrites::Record(const std::string& path) {
  std::lock_guard lock(mutex_);
  files_.push_back(path);
}

bool NewFolderWrites::Flush(std::string& error) {
  std::lock_guard lock(mutex_);
  std::sort(files_.begin(), files_.end());
  files_.erase(std::unique(files_.begin(), files_.end()), files_.end());
  if (!FlushWritten(folder_, files_, error)) return false;
  files_.clear();
  return true;
}

bool SaveFile(const std::string& path, std::string_view bytes, std::string& error) {
  NewFolderWrites* fresh = NewFolderWrites::Covering(path);
  if (fresh == nullptr) return WriteFileAtomic(path, bytes, error);
  fresh->Record(path);
  return WriteNewFile(path, bytes, error);
}

bool SaveCopy(const std::string& from, const std::string& to, std::string& error) {
  NewFolderWrites* fresh = NewFolderWrites::Covering(to);
  if (fresh == nullptr) return CopyFileAtomic(from, to, error);
  fresh->Record(to);
  return CopyNewFile(from, to, error);
}

std::optional<std::string> WhyNotWritable(const std::string& path) {
  FileKind kind = KindOf(path);
  if (kind == FileKind::kFolder) return "Cannot write " + path + ": it is a folder";
  if (kind != FileKind::kMissing) {
    if (IsReadOnly(path)) return "Cannot write " + path + ": the file is read-only";
    return std::nullopt;
  }
  // The folder that would hold the file, never less than its root: "/" for "/x", "C:/" for
  // "C:/x" (plain "C:" would be the current folder of drive C).
  size_t slash = path.find_last_of('/');
  bool at_root = slash == 0 || (slash == 2 && path[1] == ':');
  std::string folder = slash == std::string::npos ? "."
                       : at_root                  ? path.substr(0, slash + 1)
                                                  : path.substr(0, slash);
  std::string reason;
  if (!CanCreateIn(folder, reason)) return "Cannot write into " + folder + ": " + reason;
  return std::nullopt;
}

}  // namespace kestrix::system
