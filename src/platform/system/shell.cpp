#include "platform/system/shell.h"

#include "platform/system/environment.h"

namespace kestrix::system {

bool DesktopShell::OpenDocument(const std::string& path_or_url) {
  if (path_or_url.empty()) return false;
  // A name starting with '-' would be read as an option.
  return OpenWithDesktop(path_or_url.front() == '-' ? "./" + path_or_url : path_or_url);
}

std::string DesktopShell::ProgramFolder() const {
  std::string path = ExecutablePath();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace kestrix::system
