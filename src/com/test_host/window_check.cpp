#include "com/test_host/window_check.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "com/test_host/host_support.h"
#include "com/test_host/window_driver.h"

namespace kestrix::com::testing {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

LONG_PTR StyleOf(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE);
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM found) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::string Describe(const Control& control) {
  const RECT& r = control.rect;
  return "\"" + Utf8(control.caption) + "\" (" + Utf8(control.class_name) + " at " +
         std::to_string(r.left) + "," + std::to_string(r.top) + " size " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + ")";
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool IsGroupBox(const Control& control) {
  return Lower(control.class_name) == L"button" &&
         (StyleOf(control.handle) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool IsFrame(const Control& control) {
  if (Lower(control.class_name) != L"static") return false;
  LONG_PTR type = StyleOf(control.handle) & SS_TYPEMASK;
  return type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME ||
         type == SS_ETCHEDFRAME;
}

// Whether `inner` lies where `outer` is meant to hold other controls: inside a group box or a
// frame, or on a tab control's page (below its tabs).
bool Holds(const Control& outer, const Control& inner) {
  if (IsGroupBox(outer) || IsFrame(outer)) return Inside(inner.rect, outer.rect);
  if (Lower(outer.class_name) != Lower(std::wstring(WC_TABCONTROLW))) return false;
  RECT page = outer.rect;
  SendMessageW(outer.handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  return Inside(inner.rect, page);
}

// The extent of `text` in the control's font: on one line, or broken into lines `wrap` wide.
SIZE TextExtent(HWND control, const std::wstring& text, UINT format, int wrap) {
  HDC dc = GetDC(control);
  auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
  RECT box = {0, 0, wrap, 0};
  DrawTextW(dc, text.c_str(), -1, &box,
            DT_CALCRECT | format | (wrap > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  if (old != nullptr) SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {box.right - box.left, box.bottom - box.top};
}

// The room a caption takes in its control beside the text (the box of a check box, a push
// button's edges); -1 for controls whose caption is not text drawn by the system.
int CaptionMargin(const Control& control, bool& wraps) {
  const LONG_PTR style = StyleOf(control.handle);
  const std::wstring kind = Lower(control.class_name);
  wraps = false;
  if (kind == L"button") {
    if ((style & (BS_BITMAP | BS_ICON)) != 0) return -1;
    wraps = (style & BS_MULTILINE) != 0;
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return 4 * GetSystemMetrics(SM_CXEDGE);
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        return GetSystemMetrics(SM_CXMENUCHECK) + 4;
      case BS_GROUPBOX:
        wraps = false;
        return 16;
      default:
        return -1;
    }
  }
  if (kind != L"static" || (style & SS_ELLIPSISMASK) != 0) return -1;
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
      wraps = true;
      return 0;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return 0;
    default:
      return -1;
  }
}

// A fault when the control's caption does not fit it.
std::string CaptionCutOff(const Control& control) {
  if (control.caption.empty()) return "";
  bool wraps = false;
  int margin = CaptionMargin(control, wraps);
  if (margin < 0) return "";
  RECT client{};
  GetClientRect(control.handle, &client);
  const int width = client.right - margin;
  const UINT format =
      Lower(control.class_name) == L"static" && (StyleOf(control.handle) & SS_NOPREFIX) != 0
          ? DT_NOPREFIX
          : 0;
  SIZE text = TextExtent(control.handle, control.caption, format, wraps ? std::max(width, 1) : 0);
  bool group_box = IsGroupBox(control);
  if (text.cx <= width && (group_box || text.cy <= client.bottom)) return "";
  return Describe(control) + " shows its caption cut off: the text needs " +
         std::to_string(text.cx + margin) + "x" + std::to_string(text.cy);
}

// Whether the control draws text of its own (a label, not a picture; a field, a list).
bool DrawsText(const Control& control) {
  static const wchar_t* const kTextClasses[] = {
      L"edit", L"combobox", L"listbox", L"syslistview32", L"systabcontrol32", L"systreeview32"};
  const std::wstring kind = Lower(control.class_name);
  for (const wchar_t* text_class : kTextClasses) {
    if (kind == text_class) return true;
  }
  bool wraps = false;
  return (kind == L"button" || kind == L"static") && CaptionMargin(control, wraps) >= 0;
}

void CheckPlacement(const Control& control, std::vector<std::string>& faults) {
  const RECT& r = control.rect;
  if (r.right <= r.left || r.bottom <= r.top) {
    faults.push_back(Describe(control) + " is visible but has no size");
    return;
  }
  RECT room{};
  GetClientRect(control.parent, &room);
  if (!Inside(r, room)) {
    faults.push_back(Describe(control) + " reaches outside the client area of " +
                     (control.parent == GetAncestor(control.handle, GA_ROOT)
                          ? std::string("the window")
                          : "its parent \"" + Utf8(WindowText(control.parent)) + "\"") +
                     " (" + std::to_string(room.right) + "x" + std::to_string(room.bottom) + ")");
  }
  std::string cut = CaptionCutOff(control);
  if (!cut.empty()) faults.push_back(cut);
  // Without a font of its own a control draws in the system's bold font, not the dialog font.
  if (DrawsText(control) && SendMessageW(control.handle, WM_GETFONT, 0, 0) == 0) {
    faults.push_back(Describe(control) + " has no font set: it draws in the system font");
  }
}

// A tab control's tabs must all show: a tab cut off or scrolled away (behind the arrows the
// control then shows) is one the user may never find.
void CheckTabs(const Control& control, std::vector<std::string>& faults) {
  if (Lower(control.class_name) != Lower(std::wstring(WC_TABCONTROLW))) return;
  RECT client{};
  GetClientRect(control.handle, &client);
  HWND arrows = FindWindowExW(control.handle, nullptr, UPDOWN_CLASSW, nullptr);
  if (arrows != nullptr && IsWindowVisible(arrows)) {
    RECT covered{};
    GetWindowRect(arrows, &covered);
    MapWindowPoints(nullptr, control.handle, reinterpret_cast<POINT*>(&covered), 2);
    client.right = std::min(client.right, covered.left);
  }
  int count = static_cast<int>(SendMessageW(control.handle, TCM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    RECT tab{};
    SendMessageW(control.handle, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&tab));
    if (tab.left >= client.left && tab.right <= client.right) continue;
    wchar_t text[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(control.handle, TCM_GETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    faults.push_back(Describe(control) + " does not show its tab \"" + Utf8(text) +
                     "\" whole (the tab spans " + std::to_string(tab.left) + " to " +
                     std::to_string(tab.right) + ", the room for tabs " +
                     std::to_string(client.left) + " to " + std::to_string(client.right) + ")");
  }
}

// A control inside a group box must leave the box's caption clear.
void CheckFrameCaption(const Control& frame, const Control& inner,
                       std::vector<std::string>& faults) {
  if (!IsGroupBox(frame) || frame.caption.empty() || !Inside(inner.rect, frame.rect)) return;
  SIZE text = TextExtent(frame.handle, frame.caption, 0, 0);
  // The caption sits on the box's top edge, a few pixels in from its left.
  RECT caption = {frame.rect.left, frame.rect.top, frame.rect.left + 10 + text.cx,
                  frame.rect.top + text.cy};
  RECT common{};
  if (!IntersectRect(&common, &caption, &inner.rect)) return;
  faults.push_back(Describe(inner) + " covers the caption of the frame " + Describe(frame));
}

void CheckOverlaps(const std::vector<Control>& controls, std::vector<std::string>& faults) {
  for (size_t a = 0; a < controls.size(); ++a) {
    for (size_t b = a + 1; b < controls.size(); ++b) {
      const Control& one = controls[a];
      const Control& other = controls[b];
      RECT common{};
      if (one.parent != other.parent || !IntersectRect(&common, &one.rect, &other.rect)) continue;
      if (Holds(one, other) || Holds(other, one)) {
        CheckFrameCaption(one, other, faults);
        CheckFrameCaption(other, one, faults);
        continue;
      }
      faults.push_back(Describe(one) + " overlaps " + Describe(other));
    }
  }
}

void CheckExpected(const std::vector<Control>& controls, const WindowExpectation& expected,
                   std::vector<std::string>& faults) {
  for (const ExpectedControl& want : expected.controls) {
    int found = static_cast<int>(std::count_if(controls.begin(), controls.end(), [&](auto& c) {
      return ClassMatches(want.class_name, c.class_name) && CaptionMatches(want.caption, c.caption);
    }));
    if (found >= want.count) continue;
    faults.push_back("no visible " + Utf8(want.class_name) + " \"" + Utf8(want.caption) + "\"" +
                     (want.count > 1
                          ? " (" + std::to_string(found) + " of " + std::to_string(want.count) + ")"
                          : ""));
  }
}

void CheckFrame(HWND window, const WindowExpectation& expected, std::vector<std::string>& faults) {
  RECT frame{};
  GetWindowRect(window, &frame);
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONULL);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info) || !Inside(frame, info.rcMonitor)) {
    faults.push_back("the window (" + std::to_string(frame.left) + "," + std::to_string(frame.top) +
                     " size " + std::to_string(frame.right - frame.left) + "x" +
                     std::to_string(frame.bottom - frame.top) + ") is not whole on a screen");
  }
  if (!IsWindowVisible(window)) faults.push_back("the window is not visible");
  if (expected.topmost && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
    faults.push_back("the window is not topmost");
  }
}

}  // namespace

std::vector<Control> VisibleControls(HWND window) {
  std::vector<HWND> handles;
  EnumChildWindows(window, CollectVisible, reinterpret_cast<LPARAM>(&handles));
  std::vector<Control> controls;
  for (HWND handle : handles) {
    Control control;
    control.handle = handle;
    control.parent = GetParent(handle);
    control.class_name = ClassOf(handle);
    control.caption = WindowText(handle);
    GetWindowRect(handle, &control.rect);
    MapWindowPoints(nullptr, control.parent, reinterpret_cast<POINT*>(&control.rect), 2);
    controls.push_back(std::move(control));
  }
  return controls;
}

bool ClassMatches(const std::wstring& pattern, const std::wstring& class_name) {
  std::wstring want = Lower(pattern), have = Lower(class_name);
  if (!want.empty() && want.back() == L'*') {
    want.pop_back();
    return have.compare(0, want.size(), want) == 0;
  }
  return want == have;
}

bool CaptionMatches(const std::wstring& pattern, const std::wstring& caption) {
  if (pattern == L"*") return true;
  for (size_t at = 0; at <= pattern.size();) {
    size_t bar = std::min(pattern.find(L'|', at), pattern.size());
    std::wstring one = pattern.substr(at, bar - at);
    if (one.size() > 1 && one.back() == L'*') {
      one.pop_back();
      if (caption.compare(0, one.size(), one) == 0) return true;
    } else if (one == caption) {
      return true;
    }
    at = bar + 1;
  }
  return false;
}

std::vector<std::string> CheckWindow(HWND window, const WindowExpectation& expected) {
  std::vector<std::string> faults;
  CheckFrame(window, expected, faults);
  std::vector<Control> controls = VisibleControls(window);
  CheckExpected(controls, expected, faults);
  for (const Control& control : controls) {
    CheckPlacement(control, faults);
    CheckTabs(control, faults);
  }
  CheckOverlaps(controls, faults);
  for (std::string& fault : faults)
    fault = expected.name + ": " + fault;
  return faults;
}

}  // namespace kestrix::com::testing
