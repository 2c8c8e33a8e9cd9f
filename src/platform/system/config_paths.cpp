#include "platform/system/config_paths.h"

#include "platform/system/file_io.h"

namespace kestrix::system {

bool MakeFolders(const std::string& path, std::string& error) {
  if (path.empty() || IsFolder(path)) return true;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    std::string prefix = path.substr(0, pos);
    std::string reason;
    MakeStatus made = MakeFolder(prefix, FolderAccess::kPersonal, reason);
    if (made == MakeStatus::kMade) continue;
    // Another process may have made it meanwhile; a file of that name is an error.
    if (made == MakeStatus::kExists && IsFolder(prefix)) continue;
    if (made == MakeStatus::kExists) reason = "Not a directory";
    error = "cannot create folder " + prefix + ": " + reason;
    return false;
  }
  return true;
}

}  // namespace kestrix::system
