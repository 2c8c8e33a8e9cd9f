#pragma once
// Driving an add-in's windows as a user would, from the thread that owns them: finding a
// window and its controls by their text, clicking buttons, reading a report-view list, and
// answering message boxes from a watcher thread that records what each one said.
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrix::com::testing {

// Whether this process can make windows: Wine without an X server makes none.
bool WindowsCanOpen();

// Lets the thread's windows run: dispatches every waiting message, for `milliseconds`.
void PumpFor(DWORD milliseconds);
// Pumps until `done` holds or `milliseconds` pass; returns `done()`'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds);

// Visible top-level windows of the calling thread whose title begins with `prefix`.
std::vector<HWND> TopWindows(const std::wstring& prefix);
// A visible top-level window of the calling thread whose title begins with `prefix` and that
// holds a control captioned `control`; null when there is none.
HWND FindTopWindow(const std::wstring& prefix, const std::wstring& control);
// The first descendant of `parent` captioned `text` (exactly, with its & marks), or of class
// `class_name` when `text` is empty; null when there is none.
HWND FindControl(HWND parent, const std::wstring& text, const wchar_t* class_name = nullptr);
std::wstring WindowText(HWND window);
// The first push button of `parent` captioned `text` (a group box of that caption aside).
HWND FindButton(HWND parent, const std::wstring& text);

// Clicks a button, an option button or a check box as the mouse does; returns at once when
// the click only posts work, or when the click's command ends.
void Click(HWND control);
bool IsChecked(HWND control);
// Sets a check box (or an option button) to `checked` by clicking it when it is not.
void SetChecked(HWND control, bool checked);

// The rows of a report-view list, each cell's text.
std::vector<std::vector<std::wstring>> ListRows(HWND list);
int ListColumns(HWND list);
std::vector<std::wstring> ListHeaders(HWND list);
// Whether the list's column is wide enough for its header and for its text in every row.
bool ColumnShowsWhole(HWND list, int column);

// A tab control's tab captions, and a click on a tab as the mouse does it (the control then
// tells its parent); true once the tab is the selected one.
std::vector<std::wstring> TabCaptions(HWND tab);
bool ClickTab(HWND tab, int index);

// The texts of a menu's entries ("-" for a separator), and the command of the entry reached
// through `path` (a top-level entry, then entries of its submenus, each by its text with its &
// marks); 0 when there is none.
std::vector<std::wstring> MenuTexts(HMENU menu);
UINT MenuCommand(HWND window, const std::vector<std::wstring>& path);

// Calls `open`, which may not return before a modal window it opens is closed. From the modal
// loop, `visit` is given the first new visible window of the thread whose title begins with
// `title`, then the window is closed if it is still there (closing is the visit's job; this is
// a safety net). False when no such window came within `milliseconds`.
bool VisitModal(const std::function<void()>& open, const std::wstring& title,
                const std::function<void(HWND)>& visit, DWORD milliseconds);

// A message box seen by the watcher.
struct MessageRecord {
  std::wstring title;
  std::wstring text;
  std::wstring answer;  // the caption of the button pressed
};

// Watches the given thread's windows from a thread of its own: every message box (a dialog of
// the system's kind holding only the standard buttons) is recorded and answered with the first
// of the preferred buttons it has (Yes, then OK, unless told otherwise).
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(DWORD thread_id);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // The button IDs (IDYES, IDOK, …) to press, in order of preference.
  void Prefer(std::vector<int> buttons);
  // The message boxes answered since the last call.
  std::vector<MessageRecord> Take();

 private:
  void Run();
  void Answer(HWND dialog);

  DWORD thread_id_;
  std::mutex mutex_;
  std::vector<int> preferred_;
  std::vector<MessageRecord> records_;
  std::vector<std::pair<HWND, ULONGLONG>> answered_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace kestrix::com::testing
