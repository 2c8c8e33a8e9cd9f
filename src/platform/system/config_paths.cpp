#include "platform/system/config_paths.h"

#include <vector>

#include "platform/system/file_io.h"

namespace kestrix::system {

bool MakeFolders(const std::string& path, std::string& error) {
  if (path.empty() || IsFolder(path)) return true;
  // The folders to make, deepest first, back to one that exists: a root ("/", "C:/", a share
  // "//server/share") always does and is never made.
  std::vector<std::string> missing = {path};
  for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
       slash = path.rfind('/', slash - 1)) {
    std::string prefix = path.substr(0, slash);
    if (IsFolder(prefix)) break;
    missing.push_back(prefix);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    std::string reason;
    MakeStatus made = MakeFolder(*it, FolderAccess::kPersonal, reason);
    if (made == MakeStatus::kMade) continue;
    // Another process may have made it meanwhile; a file of that name is an error.
    if (made == MakeStatus::kExists && IsFolder(*it)) continue;
    if (made == MakeStatus::kExists) reason = "Not a directory";
    error = "cannot create folder " + *it + ": " + reason;
    return false;
  }
  return true;
}

}  // namespace kestrix::system
