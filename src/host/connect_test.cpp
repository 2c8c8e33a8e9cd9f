// The connection class against the headless IDE's command bars and the real settings store.

#include "host/connect.h"

#include <gtest/gtest.h>

#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_ide.h"
#include "platform/vbfiles/headless_command_bars.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::host {
namespace {

// The main window's single instance, recording what the connection asks of it.
class RecordingWindow final : public MainWindow {
 public:
  void SetVbInstance(Ide* ide) override { vbinstance = ide; }
  void SetConnect(Connection* c) override { connect = c; }
  void Show() override {
    ++shows;
    visible = true;
    loaded = true;
  }
  void Hide() override { visible = false; }
  void Unload() override {
    ++unloads;
    visible = false;
    loaded = false;
  }
  bool MainWindowLoaded() const override { return loaded; }
  Ide* vbinstance = nullptr;
  Connection* connect = nullptr;
  int shows = 0, unloads = 0;
  bool visible = false;
  bool loaded = false;
};

class ConnectTest : public ::testing::Test {
 protected:
  ConnectTest() : settings_(dir_.Path("settings")) {}

  std::unique_ptr<Connect> NewConnect() {
    return std::make_unique<Connect>(
        Connect::Services{settings_, dialogs_, [this]() -> MainWindow& { return window_; }});
  }
  std::string Stored() { return settings_.GetSetting("Kestrix", "Settings", "DisplayOnConnect"); }
  vbfiles::HeadlessBar* Bar() {
    return static_cast<vbfiles::HeadlessBar*>(ide_.GetCommandBars().Find("Kestrix"));
  }

  testing::TempDir dir_;
  system::FileSettingsStore settings_;
  testing::ScriptedDialogs dialogs_;
  RecordingWindow window_;
  vbfiles::FileIde ide_;
};

TEST_F(ConnectTest, ToolbarWithOneButtonThatOpensTheWindow) {
  auto connect = NewConnect();
  connect->OnConnection(ide_, ConnectMode::kAfterStartup);
  ASSERT_NE(Bar(), nullptr);
  EXPECT_TRUE(Bar()->Visible());
  ASSERT_EQ(Bar()->ButtonCount(), 1);
  vbfiles::HeadlessButton& button = Bar()->Button(0);
  EXPECT_EQ(window_.shows, 0);  // nothing stored: the window stays closed
  button.Click();
  button.Click();  // the same single instance is shown again
  EXPECT_EQ(window_.shows, 2);
  EXPECT_EQ(window_.vbinstance, &ide_);
  EXPECT_EQ(window_.connect, connect.get());
  connect->OnDisconnection(DisconnectMode::kHostShutdown);
  EXPECT_EQ(Bar(), nullptr);
  EXPECT_EQ(Stored(), "1");
  EXPECT_EQ(window_.unloads, 1);
}

TEST_F(ConnectTest, ShownStateCarriesOverToTheNextConnection) {
  // Shown, then closed with Exit: "0"; shown and left open: "1", reopened next time.
  auto first = NewConnect();
  first->OnConnection(ide_, ConnectMode::kAfterStartup);
  first->ShowForm();
  first->HideForm();
  first->OnDisconnection(DisconnectMode::kUserClosed);
  EXPECT_EQ(Stored(), "0");
  EXPECT_EQ(window_.unloads, 1);  // still loaded though hidden

  settings_.SaveSetting("Kestrix", "Settings", "DisplayOnConnect", "1");
  auto at_startup = NewConnect();
  at_startup->OnConnection(ide_, ConnectMode::kStartup);
  EXPECT_EQ(window_.shows, 1);  // from the ShowForm above only
  at_startup->OnStartupComplete();
  EXPECT_EQ(window_.shows, 2);
  at_startup->OnDisconnection(DisconnectMode::kHostShutdown);

  auto later = NewConnect();
  later->OnConnection(ide_, ConnectMode::kAfterStartup);
  EXPECT_EQ(window_.shows, 3);
  EXPECT_TRUE(later->FormDisplayed);
}

TEST_F(ConnectTest, ToolbarThatCannotBeAddedLeavesNoButton) {
  // A bar of that name already there: the IDE adds none, the connection goes on.
  ide_.GetCommandBars().Add("Kestrix", BarPosition::kTop, false, false);
  auto connect = NewConnect();
  connect->OnConnection(ide_, ConnectMode::kAfterStartup);
  EXPECT_EQ(Bar()->ButtonCount(), 0);
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(connect->AddToAddInCommandBar("NONE"), nullptr);
  connect->OnDisconnection(DisconnectMode::kHostShutdown);
}

}  // namespace
}  // namespace kestrix::host
