#pragma once

// The Kestrix add-in as a desktop IDE creates it by its identifier "Kestrix.Connect": the
// connection object with everything it works with: the settings, message boxes, the status
// window and the main window, made when first shown.

#include <memory>

#include "driver/status_model.h"
#include "host/connect.h"
#include "host/extensibility.h"
#include "platform/system/qt_dialogs.h"
#include "platform/system/settings_store.h"
#include "platform/system/shell.h"

namespace kestrix::ui {

class AddInWindow;
class ProgressWindow;

class KestrixAddIn final : public host::Extensibility {
 public:
  // What a caller may put in place of the desktop's own: message boxes, and the shell that
  // names the program folder (config/, help/). nullptr: the desktop's.
  struct Overrides {
    host::Dialogs* dialogs = nullptr;
    host::Shell* shell = nullptr;
  };
  KestrixAddIn();
  explicit KestrixAddIn(Overrides overrides);
  ~KestrixAddIn() override;

  void OnConnection(host::Ide& ide, host::ConnectMode mode) override;
  void OnDisconnection(host::DisconnectMode mode) override;
  void OnStartupComplete() override { connect_.OnStartupComplete(); }
  void OnAddInsUpdate() override { connect_.OnAddInsUpdate(); }

  host::Connect& connect() { return connect_; }
  // The main window, when it was made.
  AddInWindow* window() const { return window_.get(); }
  ProgressWindow* progress_window() const { return progress_window_.get(); }
  driver::StatusModel& progress() { return progress_; }

 private:
  host::MainWindow& MainWindowInstance();

  system::FileSettingsStore settings_;
  system::QtDialogs qt_dialogs_;
  system::DesktopShell desktop_shell_;
  host::Dialogs& dialogs_;
  host::Shell& shell_;
  driver::StatusModel progress_;
  std::unique_ptr<ProgressWindow> progress_window_;
  std::unique_ptr<AddInWindow> window_;
  host::Connect connect_;
};

}  // namespace kestrix::ui
