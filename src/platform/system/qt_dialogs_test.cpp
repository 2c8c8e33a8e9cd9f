#include "platform/system/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "support/test_support.h"

namespace kestrix::system {
namespace {

using host::MsgButtons;
using host::MsgIcon;
using host::MsgResult;

std::unique_ptr<QtDialogs>& DialogsHeld() {
  static std::unique_ptr<QtDialogs> dialogs;
  return dialogs;
}

// Without a display: the boxes are real widgets all the same.
QtDialogs& Dialogs() {
  static int argc = 1;
  static char name[] = "system_qt_tests";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!DialogsHeld()) DialogsHeld() = std::make_unique<QtDialogs>(argc, argv);
  return *DialogsHeld();
}

// The application goes after the last test, while Qt's own objects (the input devices of the
// windows shown) are still there; at the program's exit they are gone already.
class EndTheApplication final : public ::testing::Environment {
 public:
  void TearDown() override { DialogsHeld().reset(); }
};
const ::testing::Environment* const kEndTheApplication =
    ::testing::AddGlobalTestEnvironment(new EndTheApplication);

// Runs before any test has started the application: the probe needs a process without Qt.
TEST(QtDialogsTest, DesktopReachable) {
  ASSERT_EQ(QApplication::instance(), nullptr);
  {
    // Qt stops the program when it cannot start its platform, as with a display that is gone;
    // a platform of this name exists nowhere, whatever else runs on the machine.
    testing::ScopedEnv platform("QT_QPA_PLATFORM", "kestrix-no-such-platform");
    EXPECT_FALSE(QtDialogs::DesktopReachable());
  }
  testing::ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
  EXPECT_TRUE(QtDialogs::DesktopReachable());
}

TEST(QtDialogsTest, ShowsTheBoxAskedForAndMapsTheAnswer) {
  struct Case {
    MsgButtons buttons;
    MsgIcon icon;
    std::string title;
    QMessageBox::StandardButton press;  // NoButton: the box is closed
    MsgResult expected;
  };
  const Case cases[] = {
      {MsgButtons::kOk, MsgIcon::kCritical, "Build", QMessageBox::NoButton, MsgResult::kOk},
      {MsgButtons::kOkCancel, MsgIcon::kExclamation, "", QMessageBox::Cancel, MsgResult::kCancel},
      {MsgButtons::kOkCancel, MsgIcon::kNone, "", QMessageBox::NoButton, MsgResult::kCancel},
      {MsgButtons::kYesNo, MsgIcon::kQuestion, "", QMessageBox::Yes, MsgResult::kYes},
      {MsgButtons::kYesNo, MsgIcon::kQuestion, "", QMessageBox::NoButton, MsgResult::kNo},
  };
  for (const Case& c : cases) {
    Dialogs();
    QString shown;
    QTimer::singleShot(0, [&shown, press = c.press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = box->text();
      if (press == QMessageBox::NoButton) {
        box->close();  // Escape, or the window's close button
      } else {
        box->button(press)->click();
      }
    });
    // "Café is READONLY" with the module's name as its code holds it, in Windows-1252.
    EXPECT_EQ(Dialogs().MsgBox("Caf\xE9 is READONLY", c.buttons, c.icon, c.title), c.expected);
    EXPECT_EQ(shown, QString::fromUtf8("Café is READONLY"));
  }
}

// A box opens above the window in front of the user, whatever window that is.
TEST(QtDialogsTest, TheBoxBelongsToTheWindowInFront) {
  Dialogs();
  QWidget main;
  main.show();
  QDialog status(&main, Qt::Tool | Qt::WindowStaysOnTopHint);
  QDialog about(&main, Qt::Dialog | Qt::WindowStaysOnTopHint);
  about.setModal(true);

  struct Case {
    bool status_shown;
    bool about_shown;
    QWidget* owner;
  };
  const Case cases[] = {
      {false, false, &main},
      {true, false, &status},
      {true, true, &about},
      {false, true, &about},
  };
  for (const Case& c : cases) {
    status.setVisible(c.status_shown);
    about.setVisible(c.about_shown);
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&parent] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      parent = box->parentWidget();
      box->close();
    });
    Dialogs().MsgBox("Build of Shop Failed!!!!");
    EXPECT_EQ(parent, c.owner) << c.status_shown << c.about_shown;
  }
}

}  // namespace
}  // namespace kestrix::system
