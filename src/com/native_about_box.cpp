#include "com/native_about_box.h"

namespace kestrix::com {

std::string VersionLabel() {
  return "Version " + std::to_string(KESTRIX_VERSION_MAJOR) + "." +
         std::to_string(KESTRIX_VERSION_MINOR) + "." + std::to_string(KESTRIX_VERSION_PATCH);
}

void ShowAboutNative(HWND, host::Shell&, host::Dialogs&) {}

std::optional<std::wstring> SysInfoProgram() {
  return std::nullopt;
}

bool StartSysInfo(host::Dialogs& dialogs) {
  dialogs.MsgBox("System Information Is Unavailable At This Time");
  return false;
}

}  // namespace kestrix::com
