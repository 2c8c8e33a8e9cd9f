// The add-in's session and windows, driven in the test program without the DLL: the toolbar's
// failures kept for the report, a whole build through the windows over the file-backed IDE,
// and the windows' controls. Where no window can be made (Wine without an X server) the
// windows' own checks are left out and the rest runs on the models.

// windows.h comes first: the other system headers rely on its types.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "com/add_in_session.h"
#include "com/window_test_support.h"
#include "com/watched_ide.h"
#include "host/settings_keys.h"
#include "platform/vbfiles/file_ide.h"
#include "platform/vbfiles/headless_command_bars.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::com {
namespace {

using testing::ScriptedDialogs;
using testing::TempDir;

// An IDE whose toolbar calls fail at one step (none for ""); the rest of its model is not used.
class ToolbarIde final : public host::Ide {
 public:
  explicit ToolbarIde(std::string failing) : failing_(std::move(failing)), bars_(*this) {}

  std::string FullName() const override { return "VB6.EXE"; }
  host::Projects& VBProjects() override { throw std::logic_error("not used"); }
  host::Project* ActiveVBProject() override { return nullptr; }
  host::CodePane& ActiveCodePane() override { throw std::logic_error("not used"); }
  host::CommandBars& GetCommandBars() override {
    Fail("CommandBars");
    return bars_;
  }
  void Fail(const std::string& step) const {
    if (step == failing_) throw host::IdeError(438, "No " + step + " here.", "VBE");
  }

  struct Button final : host::CommandBarButton {
    explicit Button(ToolbarIde& owner) : ide(owner) {}
    void SetCaption(const std::string&) override { ide.Fail("Caption"); }
    std::string Caption() const override { return ""; }
    void SetToolTipText(const std::string&) override {}
    std::string ToolTipText() const override { return ""; }
    void SetStyle(host::ButtonStyle) override {}
    void SetFace(const std::string& bmp) override { face = bmp; }
    void SetClickHandler(ClickHandler handler) override {
      ide.Fail("Click");
      click = std::move(handler);
    }
    ToolbarIde& ide;
    std::string face;
    ClickHandler click;
  };
  struct Bar final : host::CommandBar {
    explicit Bar(ToolbarIde& owner) : ide(owner), button(owner) {}
    std::string Name() const override { return "Kestrix"; }
    host::CommandBarButton& AddButton() override {
      ide.Fail("AddButton");
      return button;
    }
    void SetVisible(bool) override { ide.Fail("Visible"); }
    bool Visible() const override { return true; }
    void Delete() override {}
    ToolbarIde& ide;
    Button button;
  };
  struct Bars final : host::CommandBars {
    explicit Bars(ToolbarIde& owner) : ide(owner), bar(owner) {}
    host::CommandBar* Add(const std::string&, host::BarPosition, bool, bool) override {
      ide.Fail("Add");
      return ide.failing_ == "AddNothing" ? nullptr : &bar;
    }
    int32_t Count() const override { return 1; }
    host::CommandBar* Find(const std::string&) override { return &bar; }
    ToolbarIde& ide;
    Bar bar;
  };

  std::string failing_;
  Bars bars_;
};

// The toolbar steps without which the button is missing or dead are kept for the report; a
// button without its caption still opens the window, and its failure is only logged.
TEST(WatchedIde, KeepsTheFirstFailureOfAStepTheToolbarCannotDoWithout) {
  struct Case {
    const char* failing;
    const char* reported;  // "" for nothing
    int32_t number;
  };
  const Case cases[] = {
      {"", "", 0},
      {"Caption", "", 0},
      {"CommandBars", "VBE.CommandBars", 438},
      {"Add", "CommandBars.Add", 438},
      {"AddNothing", "CommandBars.Add", host::kErrInvalidCall},
      {"AddButton", "CommandBarControls.Add", 438},
      {"Click", "CommandBarEvents.Click", 438},
      {"Visible", "CommandBar.Visible", 438},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    TempDir settings_folder;
    system::FileSettingsStore settings(settings_folder.path());
    ScriptedDialogs dialogs;
    ToolbarIde inner(c.failing);
    int guarded = 0;
    WatchedIde ide(inner, "FACE", [&](const std::function<void()>& handler) {
      ++guarded;
      try {
        handler();
      } catch (const std::runtime_error&) {
      }
    });
    host::Connect connect(
        {settings, dialogs, []() -> host::MainWindow& { throw std::runtime_error("no window"); }});
    connect.OnConnection(ide, host::ConnectMode::kStartup);
    std::optional<ToolbarFailure> failure = ide.TakeFailure();
    EXPECT_EQ(failure ? failure->step : "", c.reported);
    if (failure) {
      EXPECT_EQ(failure->number, c.number);
    }
    EXPECT_FALSE(ide.TakeFailure());
    if (*c.reported != '\0') continue;
    // The face is the one the DLL carries, and a click that fails stays inside the guard.
    ToolbarIde::Button& button = inner.bars_.bar.button;
    EXPECT_EQ(button.face, "FACE");
    bool handled = false, cancel = false;
    ASSERT_TRUE(button.click);
    button.click(button, handled, cancel);
    EXPECT_EQ(guarded, 1);
  }
}

// The session over the file-backed IDE with the example project: the button opens the main
// window, "&GO !" builds into BUILD 1 with the rows in the status window's list, a message
// box opens over the topmost status window, and the disconnection takes the toolbar away and
// remembers that the window was open.
TEST(AddInSession, BuildsThroughItsWindowsAndRemovesItsToolbar) {
  TempDir temp;
  const std::string project =
      testing::CopyTree(testing::SourceDir() + "/examples/Single", temp.Path("Single"));
  vbfiles::FileIde ide;
  ide.Open(project + "/Hello.vbp");
  AddInSession session({temp.Path("settings"), testing::SourceDir()});
  const bool desktop = DesktopAvailable();
  BoxAnswerer answerer;

  ASSERT_EQ(session.ConnectTo(ide, ext_cm_AfterStartup), S_OK);
  auto* bar = dynamic_cast<vbfiles::HeadlessBar*>(ide.GetCommandBars().Find("Kestrix"));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->ButtonCount(), 1);
  EXPECT_EQ(bar->Button(0).Caption(), "Kestrix");
  bar->Button(0).Click();
  NativeMainWindow* main = session.main_window();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->MainWindowLoaded());

  if (desktop) {
    ASSERT_NE(main->window(), nullptr);
    EXPECT_TRUE(IsWindowVisible(main->window()));
    EXPECT_EQ(WindowText(main->window()).rfind(L"Kestrix ", 0), 0u);
    for (const wchar_t* caption :
         {L"Group of projects", L"Active Project", L"Active Module", L"Insert Error Handlers",
          L"Build Project", L"Line Numbers", L"Error Handlers", L"Kestrix Modules", L"&GO !",
          L"Remove", L"&Exit"}) {
      EXPECT_NE(FindChild(main->window(), caption), nullptr) << caption;
    }
    SendMessageW(FindChild(main->window(), L"&GO !"), BM_CLICK, 0, 0);
  } else {
    main->form().RunCommand(driver::kModeBuild);
  }
  const driver::StatusModel& status = session.status().model();
  EXPECT_EQ(status.Caption(), "Project Hello BUILD 1 OK!!!");
  EXPECT_TRUE(testing::FileExists(project + "/BUILD 1/Hello.vbp"));
  ASSERT_FALSE(status.Rows().empty());
  if (desktop) {
    HWND window = session.status().window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(WindowText(window), L"Project Hello BUILD 1 OK!!!");
    HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0),
              static_cast<LRESULT>(status.Rows().size()));
    session.dialogs().MsgBox("Over the status window");
    std::vector<BoxAnswerer::Box> boxes = answerer.Seen();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, L"Over the status window");
    EXPECT_EQ(boxes.back().owner, window);
  }

  EXPECT_EQ(session.Disconnect(ext_dm_UserClosed), S_OK);
  EXPECT_EQ(ide.GetCommandBars().Find("Kestrix"), nullptr);
  EXPECT_FALSE(main->MainWindowLoaded());
  system::FileSettingsStore settings(temp.Path("settings"));
  EXPECT_EQ(
      settings.GetSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyDisplayOnConnect),
      "1");
  // Connected again, the window comes back by itself.
  ASSERT_EQ(session.ConnectTo(ide, ext_cm_AfterStartup), S_OK);
  EXPECT_TRUE(main->MainWindowLoaded());
  EXPECT_EQ(session.Disconnect(ext_dm_HostShutdown), S_OK);
  if (desktop) {
    EXPECT_EQ(answerer.Seen().size(), 1u);  // no box but the one asked for
  }
}

// An IDE that lets the add-in go in the middle of a command (from a message box's loop, say):
// the command finishes on the objects it started with, and the add-in connects again.
TEST(AddInSession, OutlivesADisconnectionInTheMiddleOfACommand) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  struct LeavingIde final : host::Ide {
    host::Ide* inner = nullptr;
    std::function<void()> leave;
    std::string FullName() const override { return inner->FullName(); }
    host::Projects& VBProjects() override { return inner->VBProjects(); }
    host::Project* ActiveVBProject() override { return inner->ActiveVBProject(); }
    host::CodePane& ActiveCodePane() override {
      if (leave) std::exchange(leave, nullptr)();
      return inner->ActiveCodePane();
    }
    host::CommandBars& GetCommandBars() override { return inner->GetCommandBars(); }
  };
  TempDir temp;
  const std::string project =
      testing::CopyTree(testing::SourceDir() + "/examples/Single", temp.Path("Single"));
  vbfiles::FileIde files;
  files.Open(project + "/Hello.vbp");
  files.SetActiveCodePane(&testing::ComponentNamed(*files.ActiveVBProject(), "modHello"));
  LeavingIde ide;
  ide.inner = &files;
  AddInSession session({temp.Path("settings"), testing::SourceDir()});
  BoxAnswerer answerer;
  ASSERT_EQ(session.ConnectTo(ide, ext_cm_AfterStartup), S_OK);
  dynamic_cast<vbfiles::HeadlessBar&>(*files.GetCommandBars().Find("Kestrix")).Button(0).Click();
  // The module alone: the command asks the IDE for the project after the module.
  HWND window = session.main_window()->window();
  SendMessageW(FindChild(window, L"Active Module"), BM_CLICK, 0, 0);
  ide.leave = [&] { session.Disconnect(ext_dm_UserClosed); };
  SendMessageW(FindChild(window, L"&GO !"), BM_CLICK, 0, 0);
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.status().model().Caption(), "Done.");
  ASSERT_EQ(session.ConnectTo(ide, ext_cm_AfterStartup), S_OK);
  EXPECT_NE(files.GetCommandBars().Find("Kestrix"), nullptr);
}

// The controls follow the window model: the module scope turns off the build of the project
// and the removal of the added modules, the group scope renames the build; "&Exit" unloads
// the window and keeps its settings.
TEST(NativeMainWindow, ControlsFollowTheModel) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  TempDir temp;
  temp.Write("config/LocalHandler.txt", "' local\r\n");
  temp.Write("config/Kestrix.bas", "' global\r\n");
  system::FileSettingsStore settings(temp.path());
  ScriptedDialogs dialogs;
  testing::FakeShell shell(temp.path());
  NativeStatusWindow status;
  NativeMainWindow main({settings, dialogs, shell, status, {}, {}});
  main.Show();
  HWND window = main.window();
  ASSERT_NE(window, nullptr);
  auto click = [&](const wchar_t* caption) {
    HWND control = FindChild(window, caption);
    ASSERT_NE(control, nullptr) << caption;
    SendMessageW(control, BM_CLICK, 0, 0);
  };
  auto enabled = [&](const wchar_t* caption) {
    return IsWindowEnabled(FindChild(window, caption)) != FALSE;
  };
  click(L"Active Module");
  EXPECT_EQ(main.form().options().Option1, driver::kScopeActiveModule);
  EXPECT_FALSE(enabled(L"Build Project"));
  EXPECT_FALSE(enabled(L"Kestrix Modules"));
  click(L"Group of projects");
  EXPECT_EQ(main.form().options().Option1, driver::kScopeGroup);
  EXPECT_TRUE(enabled(L"Build Projects"));
  EXPECT_TRUE(enabled(L"Kestrix Modules"));
  click(L"Insert Error Handlers");
  click(L"Line Numbers");
  EXPECT_EQ(main.form().options().Check1, engine::kUnchecked);
  EXPECT_EQ(main.form().options().Check5[engine::kRemoveLineNumbers], engine::kUnchecked);
  // Not connected: the command says so and changes nothing.
  click(L"&GO !");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "Kestrix: Addin not connected to IDE!!");
  click(L"&Exit");
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_FALSE(main.MainWindowLoaded());
  EXPECT_EQ(settings.GetSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyBuildPath),
            temp.path());
}

// The fields and rows show whole, Windows-ANSI text included; the OK button unloads the
// window, and the list starts empty again.
TEST(NativeStatusWindow, ShowsTheModelAndForgetsItOnUnload) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  NativeStatusWindow status;
  status.Show();
  HWND window = status.window();
  ASSERT_NE(window, nullptr);
  status.SetText(host::StatusOutput::kModuleField, "modZo\xEB");
  for (int i = 0; i < 300; ++i)
    status.AddRow({"Hello", "modHello", "Main", "12", "Ok"});
  status.AddRow({"Hello", "modZo\xEB", "", "", "caf\xE9 not found"});
  status.SetCaption("Done.");
  HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 301);
  wchar_t cell[64] = {};
  LVITEMW item{};
  item.iSubItem = 4;
  item.pszText = cell;
  item.cchTextMax = 64;
  SendMessageW(list, LVM_GETITEMTEXTW, 300, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(cell, L"caf\u00E9 not found");
  EXPECT_NE(FindChild(window, L"modZo\u00EB"), nullptr);
  EXPECT_EQ(WindowText(window), L"Done.");
  SendMessageW(FindChild(window, L"OK"), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(status.model().Rows().empty());
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
}

}  // namespace
}  // namespace kestrix::com
