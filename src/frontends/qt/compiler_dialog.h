#pragma once

// The compiler command: the program line a build runs to compile the instrumented project
// (the "Compiler" setting, which `kestrix-batch config Compiler ...` also writes). Without
// one a build checks the project and writes no executable.

#include <QDialog>

#include "host/dialogs.h"
#include "host/system.h"

class QLineEdit;

namespace kestrix::ui {

class CompilerDialog final : public QDialog {
  Q_OBJECT

 public:
  // Shows the stored command. The settings and the dialogs must outlive the dialog.
  CompilerDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent = nullptr);

  // OK: stores the command as typed (empty: no compiler) and closes. A command that cannot be
  // split into words (an unclosed quote) or settings that cannot be written are reported and
  // the dialog stays open, the setting as it was.
  void accept() override;

  QLineEdit* command() const { return command_; }

 private:
  host::SettingsStore& settings_;
  host::Dialogs& dialogs_;
  QLineEdit* command_;
};

// Shows the dialog modally; Cancel, Escape or the close box store nothing.
void ShowCompilerDialog(host::SettingsStore& settings, host::Dialogs& dialogs, QWidget* parent);

}  // namespace kestrix::ui
