#pragma once
// Checks of a window's layout through the system's own view of it: the controls a user must
// find are there with their captions, every visible control lies inside its parent, shows its
// caption whole and covers no other, and the window itself is on the screen. Each fault is a
// line naming the window, the controls, their captions and rectangles.
#include <windows.h>

#include <string>
#include <vector>

namespace kestrix::com::testing {

// A control a window must show: `class_name` is compared without regard to case and matches
// any class beginning so when it ends in "*" ("RichEdit*"); `caption` is exact, with its &
// marks, and may be "*" (any text), end in "*" (any text beginning so) or list alternatives
// as "A|B". At least `count` visible controls must match.
struct ExpectedControl {
  std::wstring class_name;
  std::wstring caption;
  int count = 1;
};

struct WindowExpectation {
  std::string name;  // the window as the report names it ("the status window")
  std::vector<ExpectedControl> controls;
  bool topmost = false;  // the window must stay above the others
};

// A visible control, with its place in its parent's client area.
struct Control {
  HWND handle = nullptr;
  HWND parent = nullptr;
  std::wstring class_name;
  std::wstring caption;
  RECT rect{};
};

// The visible descendants of `window`, in the order the system lists them.
std::vector<Control> VisibleControls(HWND window);

// Whether the class and caption of a control meet an expectation's patterns.
bool ClassMatches(const std::wstring& pattern, const std::wstring& class_name);
bool CaptionMatches(const std::wstring& pattern, const std::wstring& caption);

// Every fault of `window` against `expected`; none when the window is as it should be.
//  - the window lies on a monitor, and is topmost when it should be;
//  - every expected control is visible, with its caption;
//  - every visible control has a size and lies inside its parent's client area;
//  - a button's or a label's caption fits the control (in the control's font), and a tab
//    control shows every tab whole; every control that shows text has a font set (else it
//    draws in the system's bold font);
//  - no two visible siblings overlap, unless one holds the other as designed: a group box
//    or a frame around the controls inside it (clear of the box's caption), a tab control
//    around those on its page.
std::vector<std::string> CheckWindow(HWND window, const WindowExpectation& expected);

}  // namespace kestrix::com::testing
