#include "com/test_host/window_tour.h"

#include <commctrl.h>

#include <cstdlib>

#include "com/test_host/screenshot.h"
#include "com/test_host/window_driver.h"

namespace kestrix::com::testing {
namespace {

constexpr DWORD kModalWait = 5000;
constexpr wchar_t kButton[] = L"Button";
constexpr wchar_t kLabel[] = L"Static";

// What each tab of the main window shows, in the order of its tabs.
struct TabLayout {
  const wchar_t* caption;
  const char* picture;
  std::vector<ExpectedControl> controls;
};

const std::vector<ExpectedControl>& ScopeGroup() {
  static const std::vector<ExpectedControl> controls = {
      {kButton, L"Work On"},
      {kButton, L"Group of projects"},
      {kButton, L"Active Project"},
      {kButton, L"Active Module"},
  };
  return controls;
}

std::vector<ExpectedControl> WithScope(std::vector<ExpectedControl> controls) {
  controls.insert(controls.begin(), ScopeGroup().begin(), ScopeGroup().end());
  return controls;
}

const std::vector<TabLayout>& MainTabs() {
  static const std::vector<TabLayout> tabs = {
      {L"Actions", "main-actions",
       WithScope({{kButton, L"Insert Error Handlers"},
                  {kButton, L"Build Project|Build Projects"},
                  {kButton, L"&GO !"},
                  {kButton, L"&Exit"}})},
      {L"Clean", "main-clean",
       WithScope({{kButton, L"Remove", 2},  // the frame and the button
                  {kButton, L"Line Numbers"},
                  {kButton, L"Error Handlers"},
                  {kButton, L"Kestrix Modules"}})},
      {L"Error Handler",
       "main-error-handler",
       {{kButton, L"Local"},
        {kButton, L"Global"},
        {L"RichEdit*", L"*", 2},
        {kButton, L"Load/Edit", 2},
        {kButton, L"Restore Original", 2}}},
      {L"Options",
       "main-options",
       {{kButton, L"Put Build Folder in :"}, {kButton, L"Put Project Name in Build Folder Name"}}},
  };
  return tabs;
}

const WindowExpectation& StatusLayout() {
  static const WindowExpectation layout = {"the status window",
                                           {{kButton, L"Working on"},
                                            {kLabel, L"Project:"},
                                            {kLabel, L"Module:"},
                                            {kLabel, L"Item:"},
                                            {L"Edit", L"*", 3},
                                            {PROGRESS_CLASSW, L"*", 2},
                                            {kButton, L"Status"},
                                            {WC_LISTVIEWW, L"*"},
                                            {kButton, L"OK"}},
                                           true};
  return layout;
}

// The menu bar, each menu's entries under it.
const std::vector<std::pair<std::wstring, std::vector<std::wstring>>>& MainMenus() {
  static const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> menus = {
      {L"&Admin", {L"&Website", L"&License Agreement"}},
      {L"&Configuration", {L"&Name and Email"}},
      {L"&Help", {L"&Help", L"-", L"&About Kestrix"}},
  };
  return menus;
}

std::string Join(const std::vector<std::wstring>& texts) {
  std::string joined;
  for (const std::wstring& text : texts)
    joined += (joined.empty() ? "\"" : ", \"") + Utf8(text) + "\"";
  return joined;
}

HWND TabControl(HWND main) {
  return FindControl(main, L"", WC_TABCONTROLW);
}

// The first visible control of `window` with one of the captions.
HWND ShownControl(HWND window, const std::vector<std::wstring>& captions) {
  for (const Control& control : VisibleControls(window)) {
    for (const std::wstring& caption : captions) {
      if (control.caption == caption) return control.handle;
    }
  }
  return nullptr;
}

}  // namespace

void WindowTour::ShowTabOf(HWND main, HWND control) {
  HWND tab = TabControl(main);
  if (tab == nullptr || control == nullptr || IsWindowVisible(control)) return;
  int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count && !IsWindowVisible(control); ++index)
    ClickTab(tab, index);
}

void WindowTour::Picture(HWND window, const std::string& picture) {
  std::string path = screens_ + "\\" + picture + ".png";
  std::string error = SaveScreenshot(window, path);
  if (!error.empty()) steps_.Check(false, "a picture of the window is kept in " + path, error);
}

void WindowTour::Check(HWND window, const WindowExpectation& expected, const std::string& picture) {
  // Drawn afresh, in front of the others, before it is looked at.
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpFor(300);
  std::vector<std::string> faults = CheckWindow(window, expected);
  steps_.Check(
      faults.empty(), expected.name + ": its controls are there, inside it, whole and apart",
      faults.empty() ? "picture " + picture + ".png"
                     : std::to_string(faults.size()) + " fault(s), picture " + picture + ".png");
  for (const std::string& fault : faults)
    steps_.Note(fault);
  Picture(window, picture);
}

void WindowTour::MainWindow(HWND main) {
  HWND tab = TabControl(main);
  if (tab == nullptr) {
    steps_.Skip("the main window's four tabs", "the main window has no tab control yet");
    Check(main, {"the main window", {{kButton, L"&GO !"}, {kButton, L"&Exit"}}, false}, "main");
  } else {
    Tabs(main, tab);
  }
  Menus(main);
}

void WindowTour::Tabs(HWND main, HWND tab) {
  std::vector<std::wstring> want;
  for (const TabLayout& layout : MainTabs())
    want.emplace_back(layout.caption);
  std::vector<std::wstring> captions = TabCaptions(tab);
  steps_.Check(captions == want, "the main window's tabs are " + Join(want), Join(captions));
  std::vector<RECT> frames;
  for (size_t index = 0; index < MainTabs().size() && index < captions.size(); ++index) {
    const TabLayout& layout = MainTabs()[index];
    if (!steps_.Check(ClickTab(tab, static_cast<int>(index)),
                      "a click on the tab \"" + Utf8(layout.caption) + "\" shows it")) {
      continue;
    }
    RECT frame{};
    GetWindowRect(main, &frame);
    frames.push_back(frame);
    Check(main, {"the main window on \"" + Utf8(layout.caption) + "\"", layout.controls, false},
          layout.picture);
  }
  ClickTab(tab, 0);
  if (frames.size() < 2) return;
  // The window is narrower on the first tab than on the others, about the same centre.
  auto width = [](const RECT& r) { return r.right - r.left; };
  bool ok = true;
  std::string widths;
  for (size_t i = 0; i < frames.size(); ++i) {
    widths += (i == 0 ? "" : ", ") + std::to_string(width(frames[i]));
    ok = ok && (i == 0 || width(frames[i]) == width(frames[1])) &&
         std::abs((frames[i].left + frames[i].right) - (frames[0].left + frames[0].right)) <= 2 &&
         frames[i].top == frames[0].top;
  }
  ok = ok && width(frames[0]) < width(frames[1]);
  steps_.Check(ok, "the main window is narrower on its first tab, about the same centre",
               "widths " + widths);
}

void WindowTour::Menus(HWND main) {
  HMENU bar = GetMenu(main);
  if (bar == nullptr) {
    steps_.Skip("the main window's menus", "the main window has no menu bar yet");
    return;
  }
  std::vector<std::wstring> want, entries;
  for (const auto& [menu, items] : MainMenus())
    want.push_back(menu);
  std::vector<std::wstring> have = MenuTexts(bar);
  bool ok = have == want;
  std::string detail = Join(have);
  for (size_t index = 0; ok && index < want.size(); ++index) {
    std::vector<std::wstring> items = MenuTexts(GetSubMenu(bar, static_cast<int>(index)));
    ok = items == MainMenus()[index].second;
    detail += "; " + Utf8(want[index]) + ": " + Join(items);
  }
  steps_.Check(ok, "the main window's menus are Admin, Configuration and Help with their entries",
               detail);
}

void WindowTour::StatusWindow(HWND status) {
  Check(status, StatusLayout(), "status");
  HWND list = FindControl(status, L"", WC_LISTVIEWW);
  std::vector<std::wstring> want = {L"Project", L"Module", L"Member", L"Lines", L"Notes"};
  steps_.Check(list != nullptr && ListHeaders(list) == want,
               "the status list's columns are " + Join(want),
               list != nullptr ? Join(ListHeaders(list)) : "no list");
  if (list == nullptr) return;
  // A note cut off must be readable some other way: a tip over the cell.
  DWORD extended = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  bool tips = (extended & (LVS_EX_INFOTIP | LVS_EX_LABELTIP)) != 0;
  steps_.Check(ColumnShowsWhole(list, 4) || tips, "every note of the status list can be read whole",
               tips ? "the list shows tips" : "the Notes column is as wide as its longest text");
}

void WindowTour::Modal(HWND main, const std::string& what, const std::function<void()>& open,
                       const WindowExpectation& expected, const std::string& picture,
                       const std::vector<std::wstring>& close) {
  std::wstring title = Wide(what);
  HWND seen = nullptr;
  bool closed_by_button = false;
  bool visited = VisitModal(
      open, title,
      [&](HWND window) {
        seen = window;
        Check(window, expected, picture);
        HWND button = ShownControl(window, close);
        closed_by_button = button != nullptr;
        if (button != nullptr) Click(button);
      },
      kModalWait);
  if (!steps_.Check(visited, expected.name + " opens, titled \"" + what + "\"")) return;
  steps_.Check(closed_by_button && !(IsWindow(seen) && IsWindowVisible(seen)),
               expected.name + " closes with " + Join(close));
  SetForegroundWindow(main);
}

void WindowTour::Dialogs(HWND main) {
  HWND edit = FindControl(main, L"Load/Edit");
  if (edit == nullptr) {
    steps_.Skip("the template editor", "the main window has no \"Load/Edit\" button yet");
  } else {
    ShowTabOf(main, edit);
    Modal(main, "Edit Local Error Handler", [&] { Click(edit); },
          {"the template editor",
           {{L"RichEdit*", L"*"}, {kButton, L"Save|&Save"}, {kButton, L"Cancel|&Cancel"}},
           true},
          "template-editor", {L"Cancel", L"&Cancel"});
    ShowTabOf(main, FindControl(main, L"&GO !"));
  }
  struct Entry {
    std::vector<std::wstring> path;
    const char* title;
    WindowExpectation expected;
    const char* picture;
    std::vector<std::wstring> close;
  };
  const Entry entries[] = {
      {{L"&Configuration", L"&Name and Email"},
       "Configuration",
       {"the name and e-mail dialog",
        {{kLabel,
          L"Your Name and Email Address will allow your customers to send you Bug "
          L"Reports directly from your program."},
         {kLabel, L"&Your Name:"},
         {kLabel, L"Your &Email Address:"},
         {L"Edit", L"*", 2},
         {kButton, L"OK"},
         {kButton, L"Cancel"}},
        false},
       "name-and-email",
       {L"Cancel"}},
      {{L"&Help", L"&About Kestrix"},
       "About Kestrix",
       {"the About box",
        {{kLabel, L"Version *"},
         {kLabel, L"or visit"},
         {kButton, L"OK"},
         {kButton, L"&System Info..."}},
        true},
       "about",
       {L"OK"}},
  };
  for (const Entry& entry : entries) {
    UINT command = MenuCommand(main, entry.path);
    if (command == 0) {
      steps_.Skip(entry.expected.name, "the main window has no menu entry " + Join(entry.path));
      continue;
    }
    Modal(
        main, entry.title, [&] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0); },
        entry.expected, entry.picture, entry.close);
  }
}

}  // namespace kestrix::com::testing
