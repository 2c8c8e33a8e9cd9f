#include <pwd.h>
#include <unistd.h>
#include <cstdlib>

#include "platform/system/config_paths.h"

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

}  // namespace

std::string ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Relative values are to be ignored: they would depend on the current folder.
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/kestrix";
  return HomeFolder() + "/.config/kestrix";
}

}  // namespace kestrix::system
