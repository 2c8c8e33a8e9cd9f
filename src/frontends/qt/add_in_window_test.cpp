// The main window as a user meets it: the settings kept on every way out, and the menus.

#include "frontends/qt/add_in_window.h"

#include <QAction>

#include "driver/status_model.h"
#include "frontends/qt/about_dialog.h"
#include "frontends/qt/ui_test_support.h"
#include "platform/system/settings_store.h"

namespace kestrix::ui {
namespace {

class AddInWindowTest : public ::testing::Test {
 protected:
  AddInWindowTest()
      : program_(MakeProgramFolder(dir_)),
        settings_(dir_.Path("settings")),
        shell_(program_),
        window_({settings_, dialogs_, shell_, progress_, &help_}) {
    window_.SetConnect(&connection_);
  }
  ~AddInWindowTest() override { window_.Unload(); }

  std::string Setting(const std::string& key) {
    return settings_.GetSetting("Kestrix", "Settings", key, "<none>");
  }

  testing::TempDir dir_;
  std::string program_;
  system::FileSettingsStore settings_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  driver::StatusModel progress_;
  RecordingHelp help_;
  FakeConnection connection_;
  AddInWindow window_;
};

// Every way out unloads the window and saves its settings; only "&Exit" (and Escape, which
// clicks it) tells the connection that the window is no longer shown.
TEST_F(AddInWindowTest, LeavingUnloadsAndSavesOnlyExitTellsTheConnection) {
  struct Case {
    const char* how;
    std::function<void(AddInWindow&)> exit;
    int hides;
  };
  const Case cases[] = {
      {"&Exit", [](AddInWindow& w) { Child<QPushButton>(w, "CancelButton").click(); }, 1},
      {"close box", [](AddInWindow& w) { w.close(); }, 0},
      {"Escape", [](AddInWindow& w) { w.reject(); }, 1},
  };
  for (const Case& c : cases) {
    connection_.hides = 0;
    settings_.DeleteSetting("Kestrix", "Settings", "BuildPath");
    window_.Show();
    c.exit(window_);
    EXPECT_EQ(connection_.hides, c.hides) << c.how;
    EXPECT_FALSE(window_.isVisible()) << c.how;
    EXPECT_FALSE(window_.IsLoaded()) << c.how;
    EXPECT_FALSE(window_.MainWindowLoaded()) << c.how;
    EXPECT_EQ(Setting("BuildPath"), program_) << c.how;
    EXPECT_EQ(Setting("AppendProjectName"), "0") << c.how;
  }
}

TEST_F(AddInWindowTest, TheMenusOpenDocumentsHelpAndDialogs) {
  window_.Show();
  Child<QAction>(window_, "mnuAdminHomePage").trigger();
  Child<QAction>(window_, "mnuLicenseAgreement").trigger();
  EXPECT_EQ(shell_.opened, (std::vector<std::string>{kWebAddress, program_ + "/license.rtf"}));
  shell_.open_result = false;  // no desktop to open it on: said, not passed over
  Child<QAction>(window_, "mnuLicenseAgreement").trigger();
  EXPECT_EQ(dialogs_.shown,
            std::vector<std::string>{"Kestrix: Unable to open " + program_ + "/license.rtf"});
  Child<QAction>(window_, "mnuHelp").trigger();
  EXPECT_EQ(help_.requests, std::vector<std::string>{"contents"});
}

}  // namespace
}  // namespace kestrix::ui
