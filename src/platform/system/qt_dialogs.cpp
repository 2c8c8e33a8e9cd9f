#include "platform/system/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <utility>

#include "platform/system/qt_ansi_text.h"

namespace kestrix::system {
namespace {

QMessageBox::Icon QtIcon(host::MsgIcon icon) {
  switch (icon) {
    case host::MsgIcon::kNone:
      return QMessageBox::NoIcon;
    case host::MsgIcon::kInformation:
      return QMessageBox::Information;
    case host::MsgIcon::kExclamation:
      return QMessageBox::Warning;
    case host::MsgIcon::kCritical:
      return QMessageBox::Critical;
    case host::MsgIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// The buttons, and the one that Escape and the window's close button press.
std::pair<QMessageBox::StandardButtons, QMessageBox::StandardButton> QtButtons(
    host::MsgButtons buttons) {
  switch (buttons) {
    case host::MsgButtons::kOk:
      return {QMessageBox::Ok, QMessageBox::Ok};
    case host::MsgButtons::kOkCancel:
      return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
    case host::MsgButtons::kYesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
  }
  return {QMessageBox::Ok, QMessageBox::Ok};
}

host::MsgResult Result(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return host::MsgResult::kCancel;
    case QMessageBox::Yes:
      return host::MsgResult::kYes;
    case QMessageBox::No:
      return host::MsgResult::kNo;
  }
  return host::MsgResult::kOk;
}

// Message texts are Windows ANSI bytes, as the add-in has them (a module named in its code).
QString Text(const std::string& bytes) {
  return AnsiToQString(bytes);
}

}  // namespace

QWidget* QtDialogs::FrontWindow() {
  // A modal dialog (the About box, the template editor) blocks every other window: the box
  // belongs to it.
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  // Then a window kept above the others (the status window during a build), the active one
  // first; then the active window; then any window that is shown.
  QWidget* on_top = nullptr;
  QWidget* shown = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible() || window->isMinimized()) continue;
    if (qobject_cast<QMessageBox*>(window) != nullptr) continue;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
      if (on_top == nullptr || window->isActiveWindow()) on_top = window;
    } else if (shown == nullptr && !window->windowFlags().testFlag(Qt::Popup)) {
      shown = window;
    }
  }
  if (on_top != nullptr) return on_top;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return shown;
}

QtDialogs::QtDialogs(int& argc, char** argv) {
  if (QApplication::instance() == nullptr) own_app_ = std::make_unique<QApplication>(argc, argv);
}

QtDialogs::QtDialogs() = default;
QtDialogs::~QtDialogs() = default;

host::MsgResult QtDialogs::MsgBox(const std::string& text, host::MsgButtons buttons,
                                  host::MsgIcon icon, const std::string& title) {
  auto [standard, escape] = QtButtons(buttons);
  // Owned by the window in front, so that the box opens above it and not hidden behind it.
  QMessageBox box(QtIcon(icon), Text(title.empty() ? host::kProgramTitle : title), Text(text),
                  standard, FrontWindow());
  box.setEscapeButton(escape);
  box.setDefaultButton(static_cast<QMessageBox::StandardButton>(
      buttons == host::MsgButtons::kYesNo ? QMessageBox::Yes : QMessageBox::Ok));
  return Result(box.exec());
}

}  // namespace kestrix::system
