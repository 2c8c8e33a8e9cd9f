// windows.h comes first: the other system headers rely on its types.
#include <windows.h>

#include <shlobj.h>

#include "platform/system/config_paths.h"
#include "platform/system/environment.h"
#include "platform/system/win32_text.h"

namespace kestrix::system {
namespace {

bool IsAbsoluteWindowsPath(const std::string& path) {
  bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  bool share = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && path[1] == path[0];
  return drive || share;
}

// The user's roaming application-data folder, in the internal form.
std::string AppDataFolder() {
  // %APPDATA% first, as Windows programs do, so that it can be pointed elsewhere.
  std::optional<std::string> appdata = EnvironmentValue("APPDATA");
  if (appdata && IsAbsoluteWindowsPath(*appdata)) return FromNativePath(*appdata);
  wchar_t* known = nullptr;
  std::string folder = ".";
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known))) {
    folder = win32::InternalPath(known);
  }
  ::CoTaskMemFree(known);
  return folder;
}

}  // namespace

std::string ConfigFolder() {
  return AppDataFolder() + "/Kestrix";
}

}  // namespace kestrix::system
