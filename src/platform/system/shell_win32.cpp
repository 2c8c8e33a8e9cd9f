// windows.h comes first: the other system headers rely on its types.
#include <windows.h>

#include <shellapi.h>

#include "platform/system/shell.h"
#include "platform/system/win32_text.h"

namespace kestrix::system {

bool DisplayAvailable() {
  // A service runs on a desktop nobody sees.
  HDESK desktop = ::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (desktop == nullptr) return false;
  ::CloseDesktop(desktop);
  return true;
}

bool DesktopShell::OpenWithDesktop(const std::string& target) {
  bool url = target.find("://") != std::string::npos;
  std::wstring file = url ? win32::Widen(target) : win32::NativePath(target);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace kestrix::system
