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

// A message box: a dialog of the system's class holding only labels and standard buttons (a
// dialog of the add-in's with OK and Cancel also holds fields or other controls).
bool IsMessageBox(HWND window) {
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return false;
  int buttons = 0;
  for (HWND child : Descendants(window)) {
    if (ClassOf(child) == L"Static") continue;
    if (ClassOf(child) != L"Button") return false;
    int id = GetDlgCtrlID(child);
    if (id < IDOK || id > IDCONTINUE) return false;
    ++buttons;
  }
  return buttons > 0;
}

}  // namespace

bool WindowsCanOpen() {
  HWND probe = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

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

HWND FindButton(HWND parent, const std::wstring& text) {
  for (HWND child : Descendants(parent)) {
    LONG_PTR type = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
    if (ClassOf(child) == L"Button" && WindowText(child) == text &&
        (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
      return child;
    }
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

std::vector<std::wstring> ListHeaders(HWND list) {
  std::vector<std::wstring> headers;
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  for (int column = 0; column < ListColumns(list); ++column) {
    wchar_t text[256] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&item));
    headers.emplace_back(text);
  }
  return headers;
}

bool ColumnShowsWhole(HWND list, int column) {
  // The list leaves a few pixels on each side of a cell's text.
  const int padding = 12;
  int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
  auto fits = [&](const std::wstring& text) {
    return static_cast<int>(
               SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str()))) +
               padding <=
           width;
  };
  std::vector<std::wstring> headers = ListHeaders(list);
  if (static_cast<size_t>(column) >= headers.size() || !fits(headers[column])) return false;
  for (const auto& cells : ListRows(list)) {
    if (!fits(cells[static_cast<size_t>(column)])) return false;
  }
  return true;
}

std::vector<std::wstring> TabCaptions(HWND tab) {
  std::vector<std::wstring> captions;
  int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    wchar_t text[256] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    captions.emplace_back(text);
  }
  return captions;
}

bool ClickTab(HWND tab, int index) {
  RECT item{};
  if (!SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&item))) {
    return false;
  }
  LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(tab, WM_LBUTTONUP, 0, at);
  PumpFor(100);
  return SendMessageW(tab, TCM_GETCURSEL, 0, 0) == index;
}

std::vector<std::wstring> MenuTexts(HMENU menu) {
  std::vector<std::wstring> texts;
  int count = GetMenuItemCount(menu);
  for (int index = 0; index < count; ++index) {
    wchar_t text[256] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 256;
    GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &item);
    texts.emplace_back((item.fType & MFT_SEPARATOR) != 0 ? L"-" : text);
  }
  return texts;
}

UINT MenuCommand(HWND window, const std::vector<std::wstring>& path) {
  HMENU menu = GetMenu(window);
  for (size_t step = 0; menu != nullptr && step < path.size(); ++step) {
    std::vector<std::wstring> texts = MenuTexts(menu);
    auto found = std::find(texts.begin(), texts.end(), path[step]);
    if (found == texts.end()) return 0;
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_SUBMENU;
    GetMenuItemInfoW(menu, static_cast<UINT>(found - texts.begin()), TRUE, &item);
    if (step + 1 == path.size()) return item.hSubMenu == nullptr ? item.wID : 0;
    menu = item.hSubMenu;
  }
  return 0;
}

// --- Modal windows ---

namespace {

struct ModalVisit {
  std::wstring title;
  std::vector<HWND> before;  // the thread's windows before the modal one opened
  const std::function<void(HWND)>* visit = nullptr;
  ULONGLONG deadline = 0;
  bool visited = false;
  bool busy = false;
};

thread_local ModalVisit* current_visit = nullptr;

std::vector<HWND> NewWindows(const ModalVisit& visit, const std::wstring& title) {
  std::vector<HWND> found = TopWindows(title);
  std::erase_if(found, [&](HWND window) {
    return std::find(visit.before.begin(), visit.before.end(), window) != visit.before.end();
  });
  return found;
}

// Runs inside the modal window's loop, which dispatches the thread's timer messages.
void CALLBACK VisitTimer(HWND, UINT, UINT_PTR, DWORD) {
  ModalVisit* visit = current_visit;
  if (visit == nullptr || visit->busy) return;
  visit->busy = true;
  std::vector<HWND> found = visit->visited ? std::vector<HWND>() : NewWindows(*visit, visit->title);
  if (!found.empty()) {
    (*visit->visit)(found[0]);
    visit->visited = true;
    if (IsWindow(found[0]) && IsWindowVisible(found[0])) PostMessageW(found[0], WM_CLOSE, 0, 0);
  } else if (GetTickCount64() > visit->deadline) {
    // Whatever holds the loop goes, so that the run goes on.
    for (HWND window : NewWindows(*visit, L""))
      PostMessageW(window, WM_CLOSE, 0, 0);
  }
  visit->busy = false;
}

}  // namespace

bool VisitModal(const std::function<void()>& open, const std::wstring& title,
                const std::function<void(HWND)>& visit, DWORD milliseconds) {
  ModalVisit state;
  state.title = title;
  state.before = TopWindows(L"");
  state.visit = &visit;
  state.deadline = GetTickCount64() + milliseconds;
  ModalVisit* outer = std::exchange(current_visit, &state);
  UINT_PTR timer = SetTimer(nullptr, 0, 50, VisitTimer);
  open();
  // A window that is not modal after all is visited here.
  PumpUntil([&] { return state.visited; }, state.visited ? 0 : 500);
  KillTimer(nullptr, timer);
  current_visit = outer;
  return state.visited;
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
