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
bool WindowsCanOpen() {
  HWND probe = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

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

}  // namespace
}  // namespace kestrix::com::testing
