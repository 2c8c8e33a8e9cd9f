#include "frontends/qt/kestrix_add_in.h"

#include "frontends/qt/add_in_window.h"
#include "frontends/qt/progress_window.h"

namespace kestrix::ui {

KestrixAddIn::KestrixAddIn() : KestrixAddIn(Overrides{}) {}

KestrixAddIn::KestrixAddIn(Overrides overrides)
    : dialogs_(overrides.dialogs ? *overrides.dialogs : qt_dialogs_),
      shell_(overrides.shell ? *overrides.shell : desktop_shell_),
      progress_window_(std::make_unique<ProgressWindow>(progress_)),
      connect_(
          {settings_, dialogs_, [this]() -> host::MainWindow& { return MainWindowInstance(); }}) {}

// The windows go before the services they use.
KestrixAddIn::~KestrixAddIn() {
  window_.reset();
  progress_window_.reset();
}

host::MainWindow& KestrixAddIn::MainWindowInstance() {
  if (!window_) {
    window_ = std::make_unique<AddInWindow>(
        AddInWindow::Services{settings_, dialogs_, shell_, progress_, nullptr});
  }
  return *window_;
}

void KestrixAddIn::OnConnection(host::Ide& ide, host::ConnectMode mode) {
  connect_.OnConnection(ide, mode);
}

void KestrixAddIn::OnDisconnection(host::DisconnectMode mode) {
  connect_.OnDisconnection(mode);
  progress_.Unload();
}

}  // namespace kestrix::ui
