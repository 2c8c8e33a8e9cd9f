// The window driver against windows of its own thread: message boxes answered by the watcher,
// controls found by caption and clicked, the rows of a report-view list read back.
#include "com/test_host/window_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrix::com::testing {
namespace {

// Wine without an X server makes no window at all; scripts/test-windows runs these tests
// again under the test host's X server.

TEST(MessageBoxWatcher, AnswersAndRecordsEveryBox) {
  if (!WindowsCanOpen()) GTEST_SKIP() << "no window can open here";
  MessageBoxWatcher watcher(GetCurrentThreadId());
  struct Case {
    UINT buttons;
    std::vector<int> prefer;
    int expected;
  };
  const Case cases[] = {
      {MB_YESNO, {IDYES, IDOK}, IDYES},
      {MB_YESNOCANCEL, {IDNO}, IDNO},
      {MB_OK, {IDYES}, IDOK},  // no preferred button: the first there is
      {MB_OKCANCEL, {IDCANCEL}, IDCANCEL},
  };
  for (const Case& c : cases) {
    watcher.Prefer(c.prefer);
    EXPECT_EQ(MessageBoxW(nullptr, L"Build 3 of Shop is done.", L"Kestrix", c.buttons), c.expected);
  }
  std::vector<MessageRecord> records = watcher.Take();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].title, L"Kestrix");
  EXPECT_NE(records[0].text.find(L"Build 3 of Shop is done."), std::wstring::npos);
  EXPECT_TRUE(watcher.Take().empty());
}

LRESULT CALLBACK RecordClicks(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
    auto* clicks = reinterpret_cast<std::vector<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (clicks != nullptr) clicks->push_back(LOWORD(w));
  }
  return DefWindowProcW(window, message, w, l);
}

TEST(WindowDriver, FindsClicksAndReads) {
  if (!WindowsCanOpen()) GTEST_SKIP() << "no window can open here";
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  WNDCLASSW type = {};
  type.lpfnWndProc = RecordClicks;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"WindowDriverTest";
  RegisterClassW(&type);
  HWND main = CreateWindowExW(0, L"WindowDriverTest", L"Kestrix 1.0", WS_OVERLAPPEDWINDOW, 0, 0,
                              400, 300, nullptr, nullptr, type.hInstance, nullptr);
  std::vector<int> clicks;
  SetWindowLongPtrW(main, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&clicks));
  auto child = [&](const wchar_t* kind, const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, main,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), type.hInstance,
                           nullptr);
  };
  HWND check = child(L"Button", L"Line Numbers", BS_AUTOCHECKBOX, 101);
  child(L"Button", L"&GO !", BS_PUSHBUTTON, 102);
  HWND list = child(WC_LISTVIEWW, L"", LVS_REPORT, 103);
  for (int column = 0; column < 5; ++column) {
    LVCOLUMNW header = {};
    header.mask = LVCF_TEXT | LVCF_WIDTH;
    header.cx = 60;
    header.pszText = const_cast<wchar_t*>(L"c");
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
  }
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"Shop");
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  item.iSubItem = 4;
  item.pszText = const_cast<wchar_t*>(L"Ok");
  SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  ShowWindow(main, SW_SHOW);

  EXPECT_EQ(FindTopWindow(L"Kestrix", L"&GO !"), main);
  EXPECT_EQ(FindTopWindow(L"Kestrix", L"Remove"), nullptr);
  EXPECT_EQ(FindTopWindow(L"Other", L"&GO !"), nullptr);
  SetChecked(check, true);
  SetChecked(check, true);  // already checked: not clicked again
  EXPECT_TRUE(IsChecked(check));
  Click(FindControl(main, L"&GO !"));
  PumpFor(50);
  EXPECT_EQ(clicks, (std::vector<int>{101, 102}));
  EXPECT_EQ(FindControl(main, L"", WC_LISTVIEWW), list);
  EXPECT_EQ(ListColumns(list), 5);
  EXPECT_EQ(ListRows(list),
            (std::vector<std::vector<std::wstring>>{{L"Shop", L"", L"", L"", L"Ok"}}));
  DestroyWindow(main);
}

// The window of the menu test: its command opens a modal window of its own loop, and its tab
// control's changes are recorded.
struct MenuTestState {
  std::vector<int> tab_changes;
  bool modal_returned = false;
};

LRESULT CALLBACK MenuTestProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<MenuTestState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == TCN_SELCHANGE) {
    HWND tab = reinterpret_cast<NMHDR*>(l)->hwndFrom;
    state->tab_changes.push_back(static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0)));
  }
  if (message == WM_COMMAND && LOWORD(w) == 42) {
    HWND dialog =
        CreateWindowExW(0, L"#32770", L"Configuration", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50,
                        200, 100, window, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, dialog, nullptr,
                    nullptr, nullptr);
    CreateWindowExW(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE, 10, 40, 60, 24, dialog,
                    reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    EnableWindow(window, FALSE);
    MSG message_in_loop;
    while (IsWindow(dialog) && GetMessageW(&message_in_loop, nullptr, 0, 0) > 0) {
      if (message_in_loop.hwnd == dialog && message_in_loop.message == WM_CLOSE) break;
      if (!IsDialogMessageW(dialog, &message_in_loop)) DispatchMessageW(&message_in_loop);
    }
    EnableWindow(window, TRUE);
    DestroyWindow(dialog);
    state->modal_returned = true;
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

// Menu entries found by their texts, a modal window visited from inside its loop (and left
// alone by the message-box watcher: it has a field), tabs clicked.
TEST(WindowDriver, ReachesMenusModalWindowsAndTabs) {
  if (!WindowsCanOpen()) GTEST_SKIP() << "no window can open here";
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  MessageBoxWatcher watcher(GetCurrentThreadId());
  WNDCLASSW type = {};
  type.lpfnWndProc = MenuTestProcedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"MenuTest";
  RegisterClassW(&type);
  HMENU bar = CreateMenu(), help = CreatePopupMenu(), configuration = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, 41, L"&Help");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(configuration, MF_STRING, 42, L"&Name and Email");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(configuration), L"&Configuration");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  HWND main = CreateWindowExW(0, L"MenuTest", L"Kestrix 1.0", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, bar, type.hInstance, nullptr);
  MenuTestState state;
  SetWindowLongPtrW(main, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
  HWND tab = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE, 10, 10, 300, 200, main,
                             nullptr, type.hInstance, nullptr);
  for (const wchar_t* caption : {L"Actions", L"Clean"}) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0),
                 reinterpret_cast<LPARAM>(&item));
  }
  ShowWindow(main, SW_SHOW);
  PumpFor(50);

  EXPECT_EQ(MenuTexts(GetMenu(main)), (std::vector<std::wstring>{L"&Configuration", L"&Help"}));
  EXPECT_EQ(MenuTexts(help), (std::vector<std::wstring>{L"&Help", L"-"}));
  EXPECT_EQ(MenuCommand(main, {L"&Configuration", L"&Name and Email"}), 42u);
  EXPECT_EQ(MenuCommand(main, {L"&Help", L"&About Kestrix"}), 0u);
  EXPECT_EQ(MenuCommand(main, {L"&Configuration"}), 0u);  // a submenu, not a command

  std::wstring seen;
  bool visited = VisitModal([&] { SendMessageW(main, WM_COMMAND, 42, 0); }, L"Config",
                            [&](HWND dialog) {
                              PumpFor(200);  // time for the watcher to (wrongly) answer it
                              seen = WindowText(dialog);
                              EXPECT_FALSE(IsWindowEnabled(main));
                            },
                            3000);
  EXPECT_TRUE(visited);
  EXPECT_TRUE(state.modal_returned);
  EXPECT_EQ(seen, L"Configuration");
  EXPECT_TRUE(watcher.Take().empty());

  EXPECT_EQ(TabCaptions(tab), (std::vector<std::wstring>{L"Actions", L"Clean"}));
  EXPECT_TRUE(ClickTab(tab, 1));
  EXPECT_TRUE(ClickTab(tab, 0));
  EXPECT_EQ(state.tab_changes, (std::vector<int>{1, 0}));
  DestroyWindow(main);
}

}  // namespace
}  // namespace kestrix::com::testing
