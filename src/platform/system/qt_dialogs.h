#pragma once

// Message boxes on the desktop, with Qt Widgets. Kept out of kestrix_system so that the
// headless programs do not need Qt.

#include <memory>

#include "host/dialogs.h"

class QApplication;
class QWidget;

namespace kestrix::system {

class QtDialogs final : public host::Dialogs {
 public:
  // Uses the running QApplication, or starts one from the program's arguments (Qt takes its
  // own options out of them) when there is none. Needs a display.
  QtDialogs(int& argc, char** argv);
  // Uses the QApplication that is running (a desktop program's own).
  QtDialogs();
  ~QtDialogs() override;

  // True when Qt can show windows here. A display named in the environment may be gone (a
  // stale DISPLAY in an SSH session, say) and Qt aborts the program when it cannot reach it,
  // so the first start is tried in a child process. Call it before creating QtDialogs.
  static bool DesktopReachable();

  // The window a message box belongs to: the modal dialog that is open, else a visible window
  // kept on top (the active one first), else the active window, else any visible window; none
  // when nothing is shown.
  static QWidget* FrontWindow();

  // A modal QMessageBox with the icon, buttons and title asked for, owned by FrontWindow();
  // closing it with Escape answers Cancel or No where there is such a button, OK otherwise.
  host::MsgResult MsgBox(const std::string& text, host::MsgButtons buttons = host::MsgButtons::kOk,
                         host::MsgIcon icon = host::MsgIcon::kNone,
                         const std::string& title = "") override;

 private:
  std::unique_ptr<QApplication> own_app_;
};

}  // namespace kestrix::system
