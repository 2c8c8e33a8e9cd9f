#include "com/test_host/window_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace kestrix::com::testing {
namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

BOOL CALLBACK Collect(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD thread_id) {
  std::vector<HWND> windows;
  EnumThreadWindows(thread_id, Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&children));
  return children;
}

// A message box: a dialog of the system's class whose buttons are all standard ones.
bool IsMessageBox(HWND window) {
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return false;
  int buttons = 0;
  for (HWND child : Descendants(window)) {
    if (ClassOf(child) != L"Button") continue;
    int id = GetDlgCtrlID(child);
    if (id < IDOK || id > IDCONTINUE) return false;
    ++buttons;
  }
  return buttons > 0;
}

}  // namespace

void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20)), QS_ALLINPUT);
  }
}

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

std::vector<HWND> TopWindows(const std::wstring& prefix) {
  std::vector<HWND> found;
  for (HWND window : ThreadWindows(GetCurrentThreadId())) {
    if (IsWindowVisible(window) && StartsWith(WindowText(window), prefix)) found.push_back(window);
  }
  return found;
}

HWND FindTopWindow(const std::wstring& prefix, const std::wstring& control) {
  for (HWND window : TopWindows(prefix)) {
    if (FindControl(window, control) != nullptr) return window;
  }
  return nullptr;
}

HWND FindControl(HWND parent, const std::wstring& text, const wchar_t* class_name) {
  for (HWND child : Descendants(parent)) {
    if (!text.empty() ? WindowText(child) == text : ClassOf(child) == class_name) return child;
  }
  return nullptr;
}

void Click(HWND control) {
  SendMessageW(control, BM_CLICK, 0, 0);
}

bool IsChecked(HWND control) {
  return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND control, bool checked) {
  if (IsChecked(control) != checked) Click(control);
}

int ListColumns(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  return header == nullptr ? 0 : static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

std::vector<std::vector<std::wstring>> ListRows(HWND list) {
  std::vector<std::vector<std::wstring>> rows;
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  int columns = ListColumns(list);
  for (int row = 0; row < count; ++row) {
    std::vector<std::wstring> cells;
    for (int column = 0; column < columns; ++column) {
      wchar_t text[1024] = {};
      LVITEMW item = {};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = 1024;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
      cells.emplace_back(text);
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

// --- MessageBoxWatcher ---

MessageBoxWatcher::MessageBoxWatcher(DWORD thread_id)
    : thread_id_(thread_id), preferred_({IDYES, IDOK}), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  thread_.join();
}

void MessageBoxWatcher::Prefer(std::vector<int> buttons) {
  std::lock_guard lock(mutex_);
  preferred_ = std::move(buttons);
}

std::vector<MessageRecord> MessageBoxWatcher::Take() {
  std::lock_guard lock(mutex_);
  return std::exchange(records_, {});
}

void MessageBoxWatcher::Run() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
    }
    {
      std::lock_guard lock(mutex_);
      std::erase_if(answered_, [](const auto& entry) { return !IsWindow(entry.first); });
    }
    for (HWND window : ThreadWindows(thread_id_)) {
      if (IsMessageBox(window)) Answer(window);
    }
    Sleep(30);
  }
}

// Records the box once and presses its button; a box still there after a while (the press
// was lost) is pressed again.
void MessageBoxWatcher::Answer(HWND dialog) {
  ULONGLONG now = GetTickCount64();
  std::lock_guard lock(mutex_);
  auto seen = std::find_if(answered_.begin(), answered_.end(),
                           [dialog](const auto& entry) { return entry.first == dialog; });
  if (seen != answered_.end() && now - seen->second < 1000) return;
  HWND button = nullptr;
  for (int id : preferred_) {
    if ((button = GetDlgItem(dialog, id)) != nullptr) break;
  }
  if (button == nullptr) button = FindControl(dialog, L"", L"Button");
  if (seen == answered_.end()) {
    MessageRecord record{WindowText(dialog), L"", WindowText(button)};
    for (HWND child : Descendants(dialog)) {
      if (ClassOf(child) == L"Static" && !WindowText(child).empty()) {
        record.text += (record.text.empty() ? L"" : L"\n") + WindowText(child);
      }
    }
    records_.push_back(std::move(record));
    answered_.emplace_back(dialog, now);
  } else {
    seen->second = now;
  }
  // Posted, as the box's own loop runs on the watched thread.
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

}  // namespace kestrix::com::testing
