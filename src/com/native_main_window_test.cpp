// The main window as a window of the system: its pages and the width that goes with each, the
// scope groups kept in step through the model, the keys (F1, Enter, Escape), the menus and the
// Error Handler page's template views. Every test needs a window; where none can be made it
// is skipped.

// windows.h comes first: the other system headers rely on its types.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/native_main_window.h"
#include "com/native_rich_text.h"
#include "com/native_status_window.h"
#include "com/native_text.h"
#include "com/native_window_support.h"
#include "com/window_test_support.h"
#include "host/settings_keys.h"
#include "platform/system/settings_store.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::com {
namespace {

using testing::ScriptedDialogs;
using testing::TempDir;
using W = NativeMainWindow;

// Lets the window handle what was posted to it, keys included (they pass the window's hook).
void Pump() {
  MSG message;
  for (int round = 0; round < 5; ++round) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

void PressKey(HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  Pump();
}

// A main window over a program folder of the test's own, holding the two templates and their
// originals.
struct Window {
  explicit Window(bool with_local_template = true) : shell(temp.path()) {
    if (with_local_template) temp.Write("config/LocalHandler.txt", kLocal);
    temp.Write("config/Kestrix.bas", kGlobal);
    temp.Write("config/Backup/LocalHandler.txt", kLocalOriginal);
    temp.Write("config/Backup/Kestrix.bas", kGlobal);
  }

  HWND operator[](int id) const { return main.Control(id); }
  void Click(int id) const { SendMessageW(main.Control(id), BM_CLICK, 0, 0); }
  bool Checked(int id) const {
    return SendMessageW(main.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  bool Enabled(int id) const { return IsWindowEnabled(main.Control(id)) != FALSE; }
  // The page chosen as a click on its tab chooses it.
  void ChooseTab(int tab) const {
    HWND tabs = main.Control(W::kTabs);
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    NMHDR note{tabs, static_cast<UINT_PTR>(W::kTabs), TCN_SELCHANGE};
    SendMessageW(main.window(), WM_NOTIFY, W::kTabs, reinterpret_cast<LPARAM>(&note));
  }
  std::string Setting(const char* key) const {
    return settings.GetSetting(host::kSettingsApp, host::kSettingsSection, key, "<none>");
  }

  static constexpr const char* kLocal = "' the local handler\r\nErrHandler:\r\n";
  static constexpr const char* kLocalOriginal = "' the original local handler\r\n";
  static constexpr const char* kGlobal = "' the global module\r\nPublic Sub Report()\r\n";

  TempDir temp;
  system::FileSettingsStore settings{temp.Path("settings")};
  ScriptedDialogs dialogs;
  testing::FakeShell shell;
  testing::FakeConnection connection;
  NativeStatusWindow status;
  HWND owner = nullptr;  // the IDE's window, when the test makes one
  NativeMainWindow main{{settings, dialogs, shell, status, {}, [this] { return owner; }}};
};

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

BOOL CALLBACK CountMainWindows(HWND top, LPARAM count) {
  wchar_t type[32] = {};
  GetClassNameW(top, type, 32);
  if (std::wstring(type) == L"KestrixMainWindow") ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Controls of each page, by which the page's visibility is seen.
const std::vector<std::vector<int>> kPageControls = {
    {W::kScope, W::kInsertHandlers, W::kGo, W::kExit, W::kPicture},
    {W::kCleanScope, W::kRemoveWhat, W::kRemove},
    {W::kLocalView, W::kGlobalView, W::kTemplateButton, W::kTemplateButton + 3},
    {W::kBuildFolderOn, W::kDrives, W::kFolder, W::kChooseFolder, W::kAppendProjectName},
};

// Actions is narrow, every other page wide, and the window keeps its centre and its height;
// only the page chosen shows, all of it inside the window. The toolbar button clicked again
// brings the same window back.
TEST(NativeMainWindow, PagesChangeTheWidthAboutTheCentre) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w;
  w.main.Show();
  HWND window = w.main.window();
  ASSERT_NE(window, nullptr);
  const UINT dpi = WindowDpi(window);
  const RECT first = ScreenRect(window);
  EXPECT_NEAR(first.right - first.left, TwipsToPixels(3744, dpi), 1);
  for (int tab : {3, 2, 0, 1, 0}) {
    SCOPED_TRACE(tab);
    w.ChooseTab(tab);
    EXPECT_EQ(w.main.form().look().Tab, tab);
    const RECT now = ScreenRect(window);
    EXPECT_NEAR(now.right - now.left, TwipsToPixels(tab == 0 ? 3744 : 4944, dpi), 1);
    EXPECT_EQ(now.bottom - now.top, first.bottom - first.top);
    EXPECT_NEAR(now.left + now.right, first.left + first.right, 2);
    EXPECT_NEAR(now.top + now.bottom, first.top + first.bottom, 2);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (int page = 0; page < W::kPages; ++page) {
      for (int id : kPageControls[static_cast<size_t>(page)]) {
        HWND control = w[id];
        ASSERT_NE(control, nullptr) << id;
        EXPECT_EQ(IsWindowVisible(control) != FALSE, page == tab) << id;
        if (page != tab) continue;
        RECT inside = ScreenRect(control);
        EXPECT_TRUE(inside.left >= client.left && inside.right <= client.right &&
                    inside.top >= client.top && inside.bottom <= client.bottom)
            << id;
      }
    }
  }
  w.main.Show();
  EXPECT_EQ(w.main.window(), window);
  EXPECT_TRUE(IsWindowVisible(window));
  int windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountMainWindows, reinterpret_cast<LPARAM>(&windows));
  EXPECT_EQ(windows, 1);
}

// The window belongs to the IDE's window and outlives its minimising; a second click on the
// toolbar button brings it in front of another window.
TEST(NativeMainWindow, OutlivesItsOwnerMinimisedAndComesToTheFront) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w;
  auto top = [](const wchar_t* title) {
    return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 300,
                           nullptr, nullptr, nullptr, nullptr);
  };
  w.owner = top(L"IDE");
  w.main.Show();
  HWND window = w.main.window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindow(window, GW_OWNER), w.owner);
  ShowWindow(w.owner, SW_MINIMIZE);
  Pump();
  ShowWindow(w.owner, SW_RESTORE);
  Pump();
  HWND other = top(L"Another window");
  SetForegroundWindow(other);
  Pump();
  w.main.Show();
  Pump();
  EXPECT_EQ(w.main.window(), window);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetForegroundWindow(), window);
  EXPECT_TRUE(w.main.MainWindowLoaded());
  w.main.Unload();
  DestroyWindow(other);
  DestroyWindow(w.owner);
}

// A scope chosen on either page is chosen on both, with what it enables; the check boxes and
// the logo write into the model and the settings.
TEST(NativeMainWindow, ScopeGroupsStayInStepAndChoicesReachTheModel) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w;
  w.main.Show();
  ASSERT_NE(w.main.window(), nullptr);
  const driver::Options& o = w.main.form().options();
  w.ChooseTab(1);
  w.Click(W::kCleanScope + driver::kScopeActiveModule);
  EXPECT_TRUE(w.Checked(W::kScope + driver::kScopeActiveModule));
  EXPECT_EQ(o.Option1, driver::kScopeActiveModule);
  EXPECT_FALSE(w.Enabled(W::kBuildProject));
  EXPECT_FALSE(w.Enabled(W::kRemoveWhat + engine::kRemoveAddedModules));
  w.ChooseTab(0);
  w.Click(W::kScope + driver::kScopeGroup);
  EXPECT_TRUE(w.Checked(W::kCleanScope + driver::kScopeGroup));
  EXPECT_FALSE(w.Checked(W::kCleanScope + driver::kScopeActiveModule));
  EXPECT_EQ(WindowText(w[W::kBuildProject]), L"Build Projects");
  EXPECT_TRUE(w.Enabled(W::kBuildProject));
  EXPECT_TRUE(w.Enabled(W::kRemoveWhat + engine::kRemoveAddedModules));

  // The build folder: shown in the system's form, chosen only while its box is checked.
  w.ChooseTab(3);
  std::wstring folder = WindowText(w[W::kFolder]);
  EXPECT_EQ(folder.find(L'/'), std::wstring::npos) << folder;
  EXPECT_FALSE(folder.empty());
  for (int id : {W::kDrives, W::kFolder, W::kChooseFolder})
    EXPECT_FALSE(w.Enabled(id)) << id;
  w.Click(W::kBuildFolderOn);
  EXPECT_EQ(o.Check3, engine::kChecked);
  for (int id : {W::kDrives, W::kFolder, W::kChooseFolder})
    EXPECT_TRUE(w.Enabled(id)) << id;
  w.Click(W::kAppendProjectName);
  EXPECT_EQ(o.Check4, engine::kChecked);
  // A drive chosen in the list moves the folder to that drive's current folder.
  HWND drives = w[W::kDrives];
  LRESULT c = SendMessageW(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(L"C:"));
  ASSERT_NE(c, CB_ERR);
  SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(c), 0);
  SendMessageW(GetParent(drives), WM_COMMAND, MAKEWPARAM(W::kDrives, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(drives));
  EXPECT_EQ(o.Dir1.rfind("C:/", 0), 0u) << o.Dir1;
  EXPECT_EQ(WindowText(w[W::kFolder]).rfind(L"C:\\", 0), 0u);
  SendMessageW(w[W::kPicture], WM_COMMAND, 0, 0);  // not a click: nothing changes
  w.ChooseTab(0);
  SendMessageW(GetParent(w[W::kPicture]), WM_COMMAND, MAKEWPARAM(W::kPicture, STN_CLICKED),
               reinterpret_cast<LPARAM>(w[W::kPicture]));
  EXPECT_TRUE(w.main.form().look().PictureState);
  EXPECT_EQ(w.Setting(host::kKeyPicState), "-1");
  w.Click(W::kExit);
  EXPECT_EQ(w.Setting(host::kKeyAppendProjectName), "1");
}

// F1 opens the help page of the page shown; Enter builds on the Actions page only; Escape is
// "&Exit", which tells the connection that the window is no longer shown.
TEST(NativeMainWindow, KeysWorkAsInADialog) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w;
  w.main.SetConnect(&w.connection);
  w.main.Show();
  ASSERT_NE(w.main.window(), nullptr);
  // Tab starts at the chosen scope, goes down the Actions page to the tabs, and round again.
  EXPECT_EQ(GetFocus(), w[W::kScope + driver::kScopeActiveProject]);
  std::vector<int> order;
  for (int i = 0; i < 6; ++i) {
    PressKey(GetFocus(), VK_TAB);
    order.push_back(GetDlgCtrlID(GetFocus()));
  }
  EXPECT_EQ(order, (std::vector<int>{W::kInsertHandlers, W::kBuildProject, W::kGo, W::kExit,
                                     W::kTabs, W::kScope + driver::kScopeActiveProject}));
  const char* topics[W::kPages] = {"mainw.htm", "CleanTab.htm", "ErrHand.htm", "options.htm"};
  const int focus_on[W::kPages] = {W::kScope + 1, W::kRemove, W::kLocalView, W::kBuildFolderOn};
  for (int tab = 0; tab < W::kPages; ++tab) {
    SCOPED_TRACE(tab);
    w.ChooseTab(tab);
    w.shell.opened.clear();
    PressKey(w[focus_on[tab]], VK_F1);
    ASSERT_EQ(w.shell.opened.size(), 1u);
    EXPECT_EQ(w.shell.opened[0], w.temp.path() + "/help/" + topics[tab]);
  }
  // Enter on the Options page does not start a build (the main window would say that it is
  // not connected to the IDE); on the Actions page it is "&GO !".
  w.ChooseTab(3);
  SetFocus(w[W::kAppendProjectName]);
  PressKey(w[W::kAppendProjectName], VK_RETURN);
  EXPECT_TRUE(w.dialogs.shown.empty());
  // Nor does Alt+G there: the access keys of a page out of sight do nothing.
  PostMessageW(w[W::kAppendProjectName], WM_SYSCHAR, 'g', 1 << 29);
  Pump();
  EXPECT_TRUE(w.dialogs.shown.empty());
  w.ChooseTab(0);
  SetFocus(w[W::kInsertHandlers]);
  PressKey(w[W::kInsertHandlers], VK_RETURN);
  PostMessageW(w[W::kInsertHandlers], WM_SYSCHAR, 'g', 1 << 29);
  Pump();
  // Enter on a push button clicks that button: "Remove" on the Clean page.
  w.ChooseTab(1);
  SetFocus(w[W::kRemove]);
  PressKey(w[W::kRemove], VK_RETURN);
  ASSERT_EQ(w.dialogs.shown.size(), 3u);
  for (const std::string& shown : w.dialogs.shown)
    EXPECT_EQ(shown, "Kestrix: Addin not connected to IDE!!");
  // Tab leads out of a template view to its buttons.
  w.ChooseTab(2);
  SetFocus(w[W::kLocalView]);
  PressKey(w[W::kLocalView], VK_TAB);
  EXPECT_EQ(GetFocus(), w[W::kTemplateButton]);
  PressKey(w[W::kLocalView], VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(w.main.window()));
  EXPECT_FALSE(w.main.MainWindowLoaded());
  EXPECT_EQ(w.connection.hides, 1);
}

// The menus and their entries; the documents open through the shell, and one that cannot be
// opened is told.
TEST(NativeMainWindow, MenusOpenTheHelpAndTheDocuments) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w;
  w.main.Show();
  HWND window = w.main.window();
  ASSERT_NE(window, nullptr);
  HMENU bar = GetMenu(window);
  ASSERT_NE(bar, nullptr);
  const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> menus = {
      {L"&Admin", {L"&Website", L"&License Agreement"}},
      {L"&Configuration", {L"&Name and Email"}},
      {L"&Help", {L"&Help", L"", L"&About Kestrix"}},
  };
  auto text = [](HMENU menu, int position) {
    wchar_t buffer[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), buffer, 64, MF_BYPOSITION);
    return std::wstring(buffer);
  };
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  for (int i = 0; i < 3; ++i) {
    const auto& [title, entries] = menus[static_cast<size_t>(i)];
    EXPECT_EQ(text(bar, i), title);
    HMENU menu = GetSubMenu(bar, i);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(entries.size())) << i;
    for (size_t e = 0; e < entries.size(); ++e)
      EXPECT_EQ(text(menu, static_cast<int>(e)), entries[e]);
  }
  for (int id : {W::kMenuWebsite, W::kMenuLicense, W::kMenuHelp})
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  const std::vector<std::string> opened = {"https://kestrix.example/",
                                           w.temp.path() + "/license.rtf",
                                           w.temp.path() + "/help/index.htm"};
  EXPECT_EQ(w.shell.opened, opened);
  EXPECT_TRUE(w.dialogs.shown.empty());
  w.shell.open_result = false;
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(W::kMenuLicense, 0), 0);
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0], "Kestrix: Unable to open " + w.temp.path() + "/license.rtf");
}

// The Error Handler page shows both templates; Load/Edit writes what the editor saved (and
// nothing after Cancel); Restore Original puts the original back; the page shows each file as
// it then is.
TEST(NativeMainWindow, ErrorHandlerPageShowsEditsAndRestoresTheTemplates) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w;
  std::vector<std::string> edited;
  bool save = false;
  w.main.SetTemplateEditor([&](HWND, const std::string& caption, std::string& text) {
    edited.push_back(caption + "|" + text);
    text = "' edited";
    return save;
  });
  w.main.Show();
  ASSERT_NE(w.main.window(), nullptr);
  w.ChooseTab(2);
  const std::string local = w.temp.Path("config/LocalHandler.txt");
  const std::string global = w.temp.Path("config/Kestrix.bas");
  EXPECT_NE(RichTextPlainText(w[W::kLocalView]).find("' the local handler"), std::string::npos);
  EXPECT_NE(RichTextPlainText(w[W::kGlobalView]).find("' the global module"), std::string::npos);

  w.Click(W::kTemplateButton + 0);  // Load/Edit, Cancel
  ASSERT_EQ(edited.size(), 1u);
  EXPECT_EQ(edited[0].rfind("Edit Local Error Handler|' the local handler", 0), 0u) << edited[0];
  EXPECT_EQ(testing::ReadFile(local), Window::kLocal);
  save = true;
  w.Click(W::kTemplateButton + 1);  // Load/Edit the global module, Save
  EXPECT_EQ(testing::ReadFile(global), "' edited\r\n");
  EXPECT_NE(RichTextPlainText(w[W::kGlobalView]).find("' edited"), std::string::npos);
  w.Click(W::kTemplateButton + 2);  // Restore Original, local
  EXPECT_EQ(testing::ReadFile(local), Window::kLocalOriginal);
  EXPECT_NE(RichTextPlainText(w[W::kLocalView]).find("' the original local handler"),
            std::string::npos);
  EXPECT_NE(RichTextPlainText(w[W::kGlobalView]).find("' edited"), std::string::npos);
  EXPECT_TRUE(w.dialogs.shown.empty());
  // An original that is gone is told, and the template stays as it is.
  ASSERT_TRUE(DeleteFileW(WideText(w.temp.Path("config/Backup/Kestrix.bas")).c_str()));
  w.Click(W::kTemplateButton + 3);
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0].rfind("Kestrix: Unable to restore the original of " + global, 0), 0u)
      << w.dialogs.shown[0];
  EXPECT_EQ(testing::ReadFile(global), "' edited\r\n");
}

// A local template that cannot be read is told when the window loads, and neither view is
// filled; the window opens all the same.
TEST(NativeMainWindow, MissingTemplateIsToldAtLoad) {
  if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  Window w(false);
  w.main.Show();
  ASSERT_NE(w.main.window(), nullptr);
  EXPECT_TRUE(IsWindowVisible(w.main.window()));
  ASSERT_EQ(w.dialogs.shown.size(), 1u);
  EXPECT_EQ(w.dialogs.shown[0],
            "Kestrix: Unable to read file " + w.temp.path() + "/config/LocalHandler.txt");
  EXPECT_EQ(RichTextPlainText(w[W::kLocalView]), "");
  EXPECT_EQ(RichTextPlainText(w[W::kGlobalView]), "");
}

}  // namespace
}  // namespace kestrix::com
