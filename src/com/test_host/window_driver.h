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

// Clicks a button, an option button or a check box as the mouse does; returns at once when
// the click only posts work, or when the click's command ends.
void Click(HWND control);
bool IsChecked(HWND control);
// Sets a check box (or an option button) to `checked` by clicking it when it is not.
void SetChecked(HWND control, bool checked);

// The rows of a report-view list, each cell's text.
std::vector<std::vector<std::wstring>> ListRows(HWND list);
int ListColumns(HWND list);

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
