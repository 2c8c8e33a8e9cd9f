#include "platform/system/config_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kestrix::system {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  // A service or cron job may run without HOME; the password database still knows it.
  const passwd* entry = ::getpwuid(::getuid());
  if (entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
  return ".";
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Relative values are to be ignored: they would depend on the current folder.
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/kestrix";
  return HomeFolder() + "/.config/kestrix";
}

bool MakeFolders(const std::string& path, std::string& error) {
  if (path.empty() || IsFolder(path)) return true;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    std::string prefix = path.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0700) == 0) continue;
    // Another process may have made it meanwhile; a file of that name is an error.
    if (errno == EEXIST && IsFolder(prefix)) continue;
    if (errno == EEXIST) errno = ENOTDIR;
    error = "cannot create folder " + prefix + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace kestrix::system
