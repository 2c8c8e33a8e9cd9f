// The name and e-mail dialog, the about box and the help viewer.

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTextBrowser>
#include <chrono>
#include <filesystem>
#include <thread>

#include "frontends/qt/about_dialog.h"
#include "frontends/qt/click_label.h"
#include "frontends/qt/email_dialog.h"
#include "frontends/qt/help_viewer.h"
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
  Edit("", "", "OK");  // empty values are stored too
  EXPECT_EQ(shown_name_, "  Ann Smith ");
  EXPECT_EQ(Stored("Programmer"), "");
  EXPECT_EQ(Stored("Email"), "");
}

TEST_F(EmailDialogTest, CancelAndTheCloseBoxStoreNothing) {
  Edit("Ann", "ann@example.com", "OK");
  Edit("Bob", "bob@example.com", "Cancel");
  Edit("Eve", "eve@example.com", "");
  EXPECT_EQ(Stored("Programmer"), "Ann");
  EXPECT_EQ(Stored("Email"), "ann@example.com");
}

TEST_F(EmailDialogTest, EnterMeansOk) {
  EmailDialog dialog(settings_, dialogs_);
  EXPECT_TRUE(Child<QPushButton>(dialog, "cmdOK").isDefault());
}

class AboutDialogTest : public ::testing::Test {
 protected:
  AboutDialogTest() : shell_(dir_.path()), about_(dialogs_, shell_) {}

  testing::TempDir dir_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  AboutDialog about_;
};

TEST_F(AboutDialogTest, LinksOpenWhenClicked) {
  Child<ClickLabel>(about_, "Label1_0").clicked();
  Child<ClickLabel>(about_, "Label1_1").clicked();
  EXPECT_EQ(shell_.opened,
            (std::vector<std::string>{std::string("mailto:") + kSupportAddress, kWebAddress}));
}

// A folder with executable files of the given names.
std::string FolderWithPrograms(const testing::TempDir& dir, const std::string& sub,
                               std::initializer_list<const char*> names) {
  std::filesystem::create_directories(dir.Path(sub));
  for (const char* name : names)
    dir.WriteScript(sub + "/" + name, "echo started > \"$0.ran\"\n");
  return dir.Path(sub);
}

TEST(SysInfoTest, FindsTheFirstInformationProgramOnThePath) {
  testing::TempDir dir;
  std::string none = FolderWithPrograms(dir, "none", {"xfce4-taskmanager"});
  std::string some = FolderWithPrograms(dir, "some", {"lshw-gtk", "hardinfo"});
  std::string kde = FolderWithPrograms(dir, "kde", {"kinfocenter"});
  dir.Write("plain/kinfocenter", "not executable");
  struct Case {
    std::string path;
    std::string found;
  };
  const Case cases[] = {
      {"", ""},
      {none, ""},
      {dir.Path("plain"), ""},
      {none + ":" + some, some + "/hardinfo"},
      {some + "::" + kde, kde + "/kinfocenter"},  // earlier in the list beats earlier on PATH
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindSysInfoProgram(c.path), c.found) << c.path;
}

TEST(SysInfoTest, StartsTheProgramOrSaysItIsUnavailable) {
  testing::TempDir dir;
  ScriptedDialogs dialogs;
  {
    testing::ScopedEnv path("PATH", FolderWithPrograms(dir, "empty", {}).c_str());
    StartSysInfo(dialogs);
  }
  EXPECT_EQ(dialogs.shown,
            std::vector<std::string>{"Kestrix: System Information Is Unavailable At This Time"});

  std::string folder = FolderWithPrograms(dir, "bin", {"gnome-system-monitor"});
  {
    testing::ScopedEnv path("PATH", folder.c_str());
    StartSysInfo(dialogs);
  }
  // Started without waiting for it: give it a moment to leave its mark.
  const std::string mark = folder + "/gnome-system-monitor.ran";
  for (int i = 0; i < 100 && !testing::FileExists(mark); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(testing::FileExists(mark));
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

class HelpViewerTest : public ::testing::Test {
 protected:
  HelpViewerTest() : viewer_(testing::SourceDir() + "/help") {}
  ~HelpViewerTest() override { viewer_.close(); }
  HelpViewer viewer_;
};

TEST_F(HelpViewerTest, EveryTabHasItsTopicAndTheContentsLinkEveryTopic) {
  const std::string index = testing::ReadFile(testing::SourceDir() + "/help/index.htm");
  for (const char* topic : {"mainw.htm", "CleanTab.htm", "ErrHand.htm", "options.htm"}) {
    EXPECT_NE(index.find(std::string("href=\"") + topic + "\""), std::string::npos) << topic;
  }
  for (int tab = 0; tab < 4; ++tab) {
    std::string topic = HelpTopicForTab(tab);
    viewer_.ShowHelpTopic(topic);
    EXPECT_EQ(viewer_.Browser().source().fileName().toStdString(), topic);
    EXPECT_FALSE(viewer_.Browser().documentTitle().isEmpty()) << topic;
  }
  EXPECT_EQ(HelpTopicForTab(4), "");
  viewer_.ShowHelpContents();
  EXPECT_EQ(viewer_.Browser().source().fileName(), "index.htm");
  EXPECT_TRUE(viewer_.isVisible());
}

TEST_F(HelpViewerTest, AMissingPageIsSaidInTheWindow) {
  viewer_.ShowHelpTopic("nothere.htm");
  EXPECT_TRUE(viewer_.Browser().toPlainText().contains("nothere.htm"));
  EXPECT_TRUE(viewer_.Browser().toPlainText().contains("Page not found"));
}

// The help opens over the window that asked for it, wholly on the screen, and Escape closes it.
TEST(HelpViewerPlaceTest, OpensOverItsOwnerOnTheScreenAndClosesWithEscape) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint places[] = {room.center(), room.topLeft(), room.bottomRight()};
  for (const QPoint& centre : places) {
    QWidget owner;
    owner.resize(300, 200);
    QRect where(QPoint(), owner.size());
    where.moveCenter(centre);
    owner.move(where.topLeft());
    owner.show();
    HelpViewer viewer(testing::SourceDir() + "/help", &owner);
    viewer.ShowHelpContents();
    ASSERT_TRUE(viewer.isVisible());
    EXPECT_TRUE(viewer.isWindow());
    EXPECT_EQ(viewer.parentWidget(), &owner);
    EXPECT_TRUE(room.contains(viewer.frameGeometry())) << centre.x() << "," << centre.y();
    if (centre == room.center()) {
      EXPECT_EQ(viewer.frameGeometry().center(), owner.frameGeometry().center());
    }
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&viewer.Browser(), &escape);
    EXPECT_FALSE(viewer.isVisible());
  }
}

}  // namespace
}  // namespace kestrix::ui
