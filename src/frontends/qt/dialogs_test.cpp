// The name and e-mail dialog.

#include <QLineEdit>

#include "frontends/qt/email_dialog.h"
#include "frontends/qt/ui_test_support.h"
#include "platform/system/settings_store.h"

namespace kestrix::ui {
namespace {

class EmailDialogTest : public ::testing::Test {
 protected:
  EmailDialogTest() : settings_(dir_.Path("settings")) {}

  std::string Stored(const char* key) {
    return settings_.GetSetting("Kestrix", "Settings", key, "<none>");
  }
  // Opens the dialog, types into it and closes it with `close` ("OK", "Cancel" or "").
  void Edit(const QString& name, const QString& email, const QString& close) {
    WhenModal([&](QWidget& dialog) {
      shown_name_ = Child<QLineEdit>(dialog, "Text1_0").text();
      Child<QLineEdit>(dialog, "Text1_0").setText(name);
      Child<QLineEdit>(dialog, "Text1_1").setText(email);
      if (close.isEmpty()) {
        dialog.close();  // the close box
      } else {
        ButtonCalled(dialog, close).click();
      }
    });
    ShowEmailDialog(settings_, dialogs_, nullptr);
  }

  testing::TempDir dir_;
  system::FileSettingsStore settings_;
  ScriptedDialogs dialogs_;
  QString shown_name_;
};

TEST_F(EmailDialogTest, OkStoresBothExactlyAsTyped) {
  Edit("  Ann Smith ", "ann@example.com ", "OK");
  EXPECT_EQ(shown_name_, "");  // first use: empty
  EXPECT_EQ(Stored("Programmer"), "  Ann Smith ");
  EXPECT_EQ(Stored("Email"), "ann@example.com ");
}

TEST_F(EmailDialogTest, CancelAndTheCloseBoxStoreNothing) {
  Edit("Ann", "ann@example.com", "OK");
  Edit("Bob", "bob@example.com", "Cancel");
  Edit("Eve", "eve@example.com", "");
  EXPECT_EQ(Stored("Programmer"), "Ann");
  EXPECT_EQ(Stored("Email"), "ann@example.com");
}

}  // namespace
}  // namespace kestrix::ui
