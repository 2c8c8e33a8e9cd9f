#pragma once
// frmAbout as a window of the system: the version of this build, where to get support (an
// e-mail address and the web page, opened with the shell), and the system-information program.
#include <windows.h>

#include <optional>
#include <string>

#include "driver/product_links.h"
#include "host/dialogs.h"
#include "host/system.h"

namespace kestrix::com {

using driver::kSupportAddress;
using driver::kWebAddress;

// "Version 1.0.12": this build's version, three numbers in decimal.
std::string VersionLabel();

// Shows the about box modally over `owner`. The links open with `shell`; what cannot be
// opened or started is told through `dialogs`.
void ShowAboutNative(HWND owner, host::Shell& shell, host::Dialogs& dialogs);

// Where the system-information program is, as the registry tells it: the path under
// SOFTWARE\Microsoft\Shared Tools\MSINFO (PATH), else MSINFO32.EXE in the folder under
// SOFTWARE\Microsoft\Shared Tools Location (MSINFO) when that file exists, both below `root`;
// nullopt when neither gives a program. The keys are only read.
std::optional<std::wstring> SysInfoProgram(HKEY root = HKEY_LOCAL_MACHINE);

// Starts the system-information program (without a command interpreter), or says "System
// Information Is Unavailable At This Time" when there is none or it cannot be started. True
// when it started.
bool StartSysInfo(host::Dialogs& dialogs, HKEY root = HKEY_LOCAL_MACHINE);

}  // namespace kestrix::com
