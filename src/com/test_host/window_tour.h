#pragma once
// A walk through every window of the add-in as a user would open them: the main window's tabs
// and menus, the status window, the template editor, the name and e-mail dialog and the About
// box. Each window's layout is checked (window_check.h) and its picture kept as a PNG file.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "com/test_host/host_support.h"
#include "com/test_host/window_check.h"

namespace kestrix::com::testing {

class WindowTour {
 public:
  // Pictures go to the folder `screens` (a Windows path), one `<name>.png` per window.
  WindowTour(Steps& steps, std::string screens) : steps_(steps), screens_(std::move(screens)) {}

  // The main window: each tab checked and pictured, the window's width on each, its menus.
  // Ends on the first tab.
  void MainWindow(HWND main);
  // The status window, once a command has filled it.
  void StatusWindow(HWND status);
  // The windows the main window opens: the template editor (and its Cancel), the name and
  // e-mail dialog (Cancel) and the About box (OK).
  void Dialogs(HWND main);

  // Selects the tab of the main window on which `control` shows; nothing without tabs.
  static void ShowTabOf(HWND main, HWND control);

 private:
  void Check(HWND window, const WindowExpectation& expected, const std::string& picture);
  void Picture(HWND window, const std::string& picture);
  void Menus(HWND main);
  void Tabs(HWND main, HWND tab);
  void Modal(HWND main, const std::string& what, const std::function<void()>& open,
             const WindowExpectation& expected, const std::string& picture,
             const std::vector<std::wstring>& close);

  Steps& steps_;
  std::string screens_;
};

}  // namespace kestrix::com::testing
