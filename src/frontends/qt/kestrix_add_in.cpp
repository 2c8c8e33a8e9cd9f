#include "frontends/qt/kestrix_add_in.h"

#include <QApplication>
#include <QMainWindow>
#include <QWindow>

#include "frontends/qt/add_in_window.h"
#include "frontends/qt/progress_window.h"

namespace kestrix::ui {
namespace {

// The IDE's main window, when one is shown: the add-in's window is kept above it, as the
// IDE's own tool windows are, so that a click into the IDE (opening a code window) does not
// bury it.
QWindow* IdeMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) {
      return widget->windowHandle();
    }
  }
  return nullptr;
}

}  // namespace

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
    if (QWindow* owner = IdeMainWindow()) {
      window_->winId();  // makes the native window, so that it can name its owner
      window_->windowHandle()->setTransientParent(owner);
    }
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
