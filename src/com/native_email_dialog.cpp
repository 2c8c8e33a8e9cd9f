#include "com/native_email_dialog.h"

namespace kestrix::com {

void ShowNameAndEmailNative(HWND, host::SettingsStore&, host::Dialogs&) {}

}  // namespace kestrix::com
