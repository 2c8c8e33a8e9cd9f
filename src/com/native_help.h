#pragma once
// The help: HTML pages in the folder help\ beside the DLL, opened in the user's browser, and
// the licence agreement (license.rtf beside the DLL), opened with its program.
#include <windows.h>

#include <string>
#include <string_view>

#include "host/system.h"

namespace kestrix::com {

// The help page of each page of the main window, by tab index; "" past the last.
std::string HelpTopicOfTab(int tab);

// Opens one help page by its name ("ErrHand.htm"); false when it could not be opened (no
// such page, or nothing to open it with).
bool ShowHelpTopicNative(HWND owner, host::Shell& shell, std::string_view topic);
// Opens the help's contents page.
bool ShowHelpContentsNative(HWND owner, host::Shell& shell);
// Opens the licence agreement.
bool ShowLicenseNative(HWND owner, host::Shell& shell);

}  // namespace kestrix::com
