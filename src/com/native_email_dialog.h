#pragma once
// frmEmail as a window of the system: the programmer's name and e-mail address, which the
// build writes into the error-report modules. Both are stored exactly as typed, on OK only.
#include <windows.h>

#include "host/dialogs.h"
#include "host/system.h"

namespace kestrix::com {

// Shows the dialog modally over `owner` with the stored values; OK (Enter) stores the name,
// then the address; Cancel, Escape and the close box store nothing. A value that cannot be
// stored is reported through `dialogs`, and the dialog stays open.
void ShowNameAndEmailNative(HWND owner, host::SettingsStore& settings, host::Dialogs& dialogs);

}  // namespace kestrix::com
