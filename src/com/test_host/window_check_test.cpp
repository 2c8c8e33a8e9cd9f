// The layout check against windows made to be right and made to be wrong.
#include "com/test_host/window_check.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/test_host/host_support.h"
#include "com/test_host/window_driver.h"

namespace kestrix::com::testing {
namespace {

TEST(WindowCheck, MatchesClassesAndCaptionsByPattern) {
  struct Case {
    const wchar_t* pattern;
    const wchar_t* text;
    bool caption;  // a caption pattern, else a class pattern
    bool matches;
  };
  const Case cases[] = {
      {L"BUTTON", L"Button", false, true},
      {L"RichEdit*", L"RICHEDIT50W", false, true},
      {L"RichEdit*", L"Edit", false, false},
      {L"Edit", L"EditX", false, false},
      {L"&GO !", L"&GO !", true, true},
      {L"&GO !", L"GO !", true, false},
      {L"*", L"", true, true},
      {L"Version *", L"Version 0.1.0", true, true},
      {L"Version *", L"Versions", true, false},
      {L"Build Project|Build Projects", L"Build Projects", true, true},
      {L"Build Project|Build Projects", L"Build", true, false},
  };
  for (const Case& c : cases) {
    bool got = c.caption ? CaptionMatches(c.pattern, c.text) : ClassMatches(c.pattern, c.text);
    EXPECT_EQ(got, c.matches) << Utf8(c.pattern) << " / " << Utf8(c.text);
  }
}

// A window of the thread with controls placed by the test; destroyed at the end of the test.
class TestWindow {
 public:
  TestWindow(int width, int height) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExW(0, L"Static", L"Layout", WS_OVERLAPPEDWINDOW, 10, 10,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~TestWindow() { DestroyWindow(window_); }
  HWND Add(const wchar_t* kind, const wchar_t* text, DWORD style, RECT r, bool visible = true) {
    HWND child = CreateWindowExW(0, kind, text, WS_CHILD | (visible ? WS_VISIBLE : 0) | style,
                                 r.left, r.top, r.right - r.left, r.bottom - r.top, window_,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return child;
  }
  HWND Show() {
    ShowWindow(window_, SW_SHOW);
    PumpFor(50);
    return window_;
  }

 private:
  HWND window_ = nullptr;
};

// Finds each expected fault (by words it holds) among the faults, and nothing else.
void ExpectFaults(const std::vector<std::string>& faults,
                  const std::vector<std::vector<std::string>>& expected) {
  std::string all;
  for (const std::string& fault : faults)
    all += fault + "\n";
  EXPECT_EQ(faults.size(), expected.size()) << all;
  for (const auto& words : expected) {
    bool found = false;
    for (const std::string& fault : faults) {
      bool every = true;
      for (const std::string& word : words)
        every = every && fault.find(word) != std::string::npos;
      found = found || every;
    }
    EXPECT_TRUE(found) << "no fault with \"" << words[0] << "\" in:\n" << all;
  }
}

TEST(WindowCheck, PassesASoundLayoutWithGroupBoxesAndTabs) {
  if (!WindowsCanOpen()) GTEST_SKIP() << "no window can open here";
  TestWindow test(400, 300);
  test.Add(L"Button", L"Work On", BS_GROUPBOX, {8, 4, 200, 100});
  test.Add(L"Button", L"Group of projects", BS_AUTORADIOBUTTON, {20, 22, 180, 42});
  test.Add(L"Button", L"&GO !", BS_DEFPUSHBUTTON, {210, 10, 290, 38});
  HWND tab = test.Add(WC_TABCONTROLW, L"", 0, {8, 110, 392, 292});
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"Actions");
  SendMessageW(tab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  test.Add(L"Button", L"Remove", BS_PUSHBUTTON, {30, 180, 120, 208});
  test.Add(L"Button", L"Hidden over GO", BS_PUSHBUTTON, {200, 10, 300, 40}, false);
  HWND window = test.Show();
  WindowExpectation expected{"the test window",
                             {{L"BUTTON", L"Work On"},
                              {L"Button", L"Group of projects|Group"},
                              {L"SysTabControl32", L"*"}},
                             false};
  ExpectFaults(CheckWindow(window, expected), {});
}

TEST(WindowCheck, NamesEachFaultWithItsControls) {
  if (!WindowsCanOpen()) GTEST_SKIP() << "no window can open here";
  TestWindow test(300, 200);
  test.Add(L"Button", L"&GO !", BS_PUSHBUTTON, {10, 10, 90, 38});
  test.Add(L"Button", L"Line Numbers", BS_AUTOCHECKBOX, {60, 30, 200, 50});  // on GO
  test.Add(L"Button", L"&Exit", BS_PUSHBUTTON, {250, 170, 330, 198});        // past the edge
  test.Add(L"Static", L"A caption far too long for its box", SS_LEFT, {10, 100, 60, 114});
  test.Add(L"Button", L"Frame", BS_GROUPBOX, {100, 80, 200, 160});
  test.Add(L"Button", L"Half in", BS_PUSHBUTTON, {180, 120, 240, 140});  // across its edge
  test.Add(L"Button", L"On the title", BS_AUTOCHECKBOX, {104, 82, 196, 100});
  test.Add(L"Button", L"", BS_PUSHBUTTON, {10, 170, 10, 190});     // no width
  HWND tab = test.Add(WC_TABCONTROLW, L"", 0, {120, 0, 240, 30});  // too narrow for both tabs
  for (const wchar_t* caption : {L"Actions", L"Error Handler"}) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0),
                 reinterpret_cast<LPARAM>(&item));
  }
  HWND plain = test.Add(L"Edit", L"", 0, {10, 130, 60, 150});
  SendMessageW(plain, WM_SETFONT, 0, FALSE);  // back to the system font
  HWND window = test.Show();
  WindowExpectation expected{
      "the test window",
      {{L"Button", L"&GO !"}, {L"Button", L"Remove"}, {L"RichEdit*", L"*", 2}},
      true};
  ExpectFaults(CheckWindow(window, expected),
               {{"the test window: ", "not topmost"},
                {"no visible Button \"Remove\""},
                {"no visible RichEdit* \"*\" (0 of 2)"},
                {"\"&GO !\" (Button at 10,10 size 80x28) overlaps \"Line Numbers\""},
                {"\"&Exit\"", "outside the client area of the window (300x200)"},
                {"\"A caption far too long for its box\"", "cut off"},
                {"\"Frame\"", "overlaps \"Half in\""},
                {"\"\" (Button", "no size"},
                {"SysTabControl32", "does not show its tab \"Error Handler\" whole"},
                {"(Edit at 10,130", "no font set"},
                {"\"On the title\"", "covers the caption of the frame \"Frame\""}});
}

}  // namespace
}  // namespace kestrix::com::testing
