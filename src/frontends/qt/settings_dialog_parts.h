#pragma once

// What the dialogs that store settings (name and e-mail, compiler command) share.

#include <QDialog>
#include <functional>
#include <string>

#include "host/dialogs.h"

class QDialogButtonBox;

namespace kestrix::ui {

// OK (the default button) and Cancel, named cmdOK and cmdCancel, wired to the dialog's accept()
// and reject().
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

// Runs `save`; when the settings store refuses, says "Unable to save <what>:" with the reason
// and returns false.
bool SavedOrSaid(host::Dialogs& dialogs, const std::string& what,
                 const std::function<void()>& save);

}  // namespace kestrix::ui
