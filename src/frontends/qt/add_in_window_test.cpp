// The main window as a user meets it: the scope groups kept in step, the width
// per tab, the settings kept, the commands and the keys.

#include "frontends/qt/add_in_window.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include "driver/status_model.h"
#include "frontends/qt/about_dialog.h"
#include "frontends/qt/click_label.h"
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

  template <typename T>
  T& Control(const char* name) {
    return Child<T>(window_, name);
  }
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

TEST_F(AddInWindowTest, FirstShowReadsTheModelIntoTheControls) {
  window_.Show();
  EXPECT_TRUE(window_.IsLoaded());
  EXPECT_TRUE(window_.MainWindowLoaded());
  EXPECT_TRUE(Control<QRadioButton>("Option1_1").isChecked());
  EXPECT_TRUE(Control<QRadioButton>("Option2_1").isChecked());
  EXPECT_TRUE(Control<QCheckBox>("Check1").isChecked());
  EXPECT_TRUE(Control<QCheckBox>("Check2").isChecked());
  EXPECT_FALSE(Control<QCheckBox>("Check3").isChecked());
  EXPECT_FALSE(Control<QCheckBox>("Check4").isChecked());
  EXPECT_EQ(Control<QLineEdit>("Dir1").text().toStdString(), program_);
  EXPECT_EQ(Control<QTabWidget>("SSTab1").currentIndex(), 0);
  EXPECT_TRUE(Control<QTextEdit>("Text1").toPlainText().contains("KestrixHandleError"));
  EXPECT_TRUE(Control<QTextEdit>("Text2").toPlainText().contains("KestrixErrorHandler"));
  EXPECT_TRUE(dialogs_.shown.empty());
}

// Tab runs down the Actions page as it reads: the scope, the check boxes, then the buttons.
// Within the scope it lands on the chosen option only.
TEST_F(AddInWindowTest, TabRunsFromTheScopeToTheButtons) {
  window_.Show();
  Control<QRadioButton>("Option1_0").click();
  QApplication::setActiveWindow(&window_);
  Control<QTabWidget>("SSTab1").tabBar()->setFocus();
  QStringList order;
  for (int i = 0; i < 5; ++i) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &tab);
    order << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(order.join(" ").toStdString(), "Option1_0 Check1 Check2 OKButton CancelButton");
}

// All four tabs fit whole on the narrowest page, Actions.
TEST_F(AddInWindowTest, EveryTabFitsOnTheActionsPage) {
  window_.Show();
  auto& tabs = Control<QTabWidget>("SSTab1");
  ASSERT_EQ(tabs.currentIndex(), 0);
  QTabBar& bar = *tabs.tabBar();
  EXPECT_LE(bar.tabRect(3).right(), tabs.width() - 1);
  EXPECT_LE(bar.sizeHint().width(), tabs.width());
}

// The controls and the window's model stay in step both ways (the rules themselves are the
// model's, checked on it).
TEST_F(AddInWindowTest, ControlsAndModelStayInStep) {
  window_.Show();
  Control<QRadioButton>("Option2_2").click();  // "Active Module" on the Clean tab
  EXPECT_TRUE(Control<QRadioButton>("Option1_2").isChecked());
  EXPECT_FALSE(Control<QCheckBox>("Check2").isEnabled());
  EXPECT_FALSE(Control<QCheckBox>("Check5_2").isEnabled());
  Control<QRadioButton>("Option1_0").click();  // "Group of projects" on the Actions tab
  EXPECT_TRUE(Control<QRadioButton>("Option2_0").isChecked());
  EXPECT_EQ(Control<QCheckBox>("Check2").text(), "Build Projects");
  EXPECT_TRUE(Control<QCheckBox>("Check2").isEnabled());
  EXPECT_TRUE(Control<QCheckBox>("Check5_2").isEnabled());

  Control<QCheckBox>("Check1").click();
  Control<QCheckBox>("Check5_1").click();
  Control<QCheckBox>("Check4").click();
  EXPECT_EQ(window_.form().options().Check1, 0);
  EXPECT_EQ(window_.form().options().Check5[1], 0);
  EXPECT_EQ(window_.form().options().Check4, 1);
}

// The window is as wide as the tab needs and keeps its height and centre when it changes.
TEST_F(AddInWindowTest, TheWidthFollowsTheTabAboutTheSameCentre) {
  window_.Show();
  const int height = window_.height();
  window_.setGeometry(400, 300, window_.width(), height);
  const int actions_width = window_.width();
  const QPointF centre = QRectF(window_.geometry()).center();
  auto& tabs = Control<QTabWidget>("SSTab1");
  tabs.setCurrentIndex(3);  // Options: wider
  EXPECT_GT(window_.width(), actions_width);
  EXPECT_EQ(window_.height(), height);
  EXPECT_EQ(QRectF(window_.geometry()).center(), centre);
  tabs.setCurrentIndex(0);
  EXPECT_EQ(window_.width(), actions_width);
  EXPECT_EQ(QRectF(window_.geometry()).center(), centre);
}

TEST_F(AddInWindowTest, TheFolderListFollowsCheck3) {
  window_.Show();
  auto& folder = Control<QLineEdit>("Dir1");
  const QPalette& system = QApplication::palette();
  EXPECT_FALSE(folder.isEnabled());
  EXPECT_FALSE(Control<QWidget>("Dir1Browse").isEnabled());
  EXPECT_EQ(folder.palette().color(QPalette::Base), system.color(QPalette::Button));
  Control<QCheckBox>("Check3").click();
  EXPECT_EQ(window_.form().options().Check3, 1);
  EXPECT_TRUE(folder.isEnabled());
  EXPECT_TRUE(Control<QWidget>("Dir1Browse").isEnabled());
  EXPECT_EQ(folder.palette().color(QPalette::Base), system.color(QPalette::Base));
}

TEST_F(AddInWindowTest, TheLogoTogglesAndIsRemembered) {
  window_.Show();
  const QImage initial = Control<QLabel>("Picture1").pixmap().toImage();
  Control<ClickLabel>("Picture1").clicked();
  EXPECT_EQ(Setting("picState"), "-1");
  EXPECT_NE(Control<QLabel>("Picture1").pixmap().toImage(), initial);
  window_.Unload();
  window_.Show();  // loads again: the toggled look comes back
  EXPECT_TRUE(window_.form().look().PictureState);
  EXPECT_NE(Control<QLabel>("Picture1").pixmap().toImage(), initial);
  Control<ClickLabel>("Picture1").clicked();
  EXPECT_EQ(Setting("picState"), "0");
  EXPECT_EQ(Control<QLabel>("Picture1").pixmap().toImage(), initial);
}

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

TEST_F(AddInWindowTest, TheCommandButtonsRunTheCommands) {
  window_.Show();
  window_.SetConnect(nullptr);  // not connected: both commands say so and do nothing else
  Control<QPushButton>("OKButton").click();
  Control<QPushButton>("Command2").click();
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>(2, "Kestrix: Addin not connected to IDE!!"));
  EXPECT_FALSE(progress_.Visible());
}

TEST_F(AddInWindowTest, F1ShowsTheHelpTopicOfTheSelectedTab) {
  window_.Show();
  const char* topics[] = {"mainw.htm", "CleanTab.htm", "ErrHand.htm", "options.htm"};
  for (int tab = 0; tab < 4; ++tab) {
    Control<QTabWidget>("SSTab1").setCurrentIndex(tab);
    // The key goes to whichever control has the focus.
    QWidget& focus = tab == 2 ? Control<QWidget>("Text1") : static_cast<QWidget&>(window_);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(&focus, &release);
    ASSERT_EQ(help_.requests.size(), static_cast<size_t>(tab + 1));
    EXPECT_EQ(help_.requests.back(), topics[tab]);
  }
  QKeyEvent other(QEvent::KeyRelease, Qt::Key_F2, Qt::NoModifier);
  QCoreApplication::sendEvent(&window_, &other);
  EXPECT_EQ(help_.requests.size(), 4u);
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

  QString opened;
  WhenModal([&opened](QWidget& dialog) {
    opened = dialog.objectName();
    dialog.close();
  });
  Child<QAction>(window_, "mnuBugReport").trigger();
  EXPECT_EQ(opened, "frmEmail");
  WhenModal([&opened](QWidget& dialog) {
    opened = dialog.objectName();
    dialog.close();
  });
  Child<QAction>(window_, "mnuAbout").trigger();
  EXPECT_EQ(opened, "frmAbout");
}

}  // namespace
}  // namespace kestrix::ui
