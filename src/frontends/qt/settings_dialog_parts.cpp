#include "frontends/qt/settings_dialog_parts.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include "host/ide_error.h"

namespace kestrix::ui {

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  ok->setObjectName("cmdOK");
  cancel->setObjectName("cmdCancel");
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

bool SavedOrSaid(host::Dialogs& dialogs, const std::string& what,
                 const std::function<void()>& save) {
  try {
    save();
    return true;
  } catch (const host::IdeError& error) {
    dialogs.MsgBox("Unable to save " + what + ":\n" + error.Description(), host::MsgButtons::kOk,
                   host::MsgIcon::kCritical);
    return false;
  }
}

}  // namespace kestrix::ui
