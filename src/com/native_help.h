#pragma once
// The help: HTML pages in the folder help\ beside the DLL, opened in the user's browser, and
// the licence agreement (license.rtf beside the DLL), opened with its program.
#include <windows.h>

#include <string>
#include <string_view>

#include "driver/product_links.h"
#include "host/system.h"

namespace kestrix::com {

using driver::HelpTopicOfTab;

// Opens one help page by its name ("ErrHand.htm"); false when it could not be opened (no
// such page, or nothing to open it with).
bool ShowHelpTopicNative(HWND owner, host::Shell& shell, std::string_view topic);
// Opens the help's contents page.
bool ShowHelpContentsNative(HWND owner, host::Shell& shell);
// Opens the licence agreement.
bool ShowLicenseNative(HWND owner, host::Shell& shell);

}  // namespace kestrix::com
