#pragma once

// frmEmail: the programmer's name and e-mail address, which every build writes into the
// error-report form it adds, so that the finished program's users can send bug reports.

#include <QDialog>

#include "host/dialogs.h"
#include "host/system.h"

class QLineEdit;

namespace kestrix::ui {

class EmailDialog final : public QDialog {
  Q_OBJECT

 public:
  // Shows the stored values (empty when never stored). The settings and the dialogs must
  // outlive the dialog.
  EmailDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent = nullptr);

  // OK: stores "Programmer" and then "Email" exactly as typed (blanks kept, empty allowed,
  // Windows ANSI as the report form holds them) and closes. When the settings cannot be
  // written the user is told why and the dialog stays open.
  void accept() override;

 private:
  host::SettingsStore& settings_;
  host::Dialogs& dialogs_;
  QLineEdit* name_;
  QLineEdit* email_;
};

// Shows the dialog modally; Cancel, Escape or the close box store nothing.
void ShowEmailDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent);

}  // namespace kestrix::ui
