#include "com/native_status_window.h"

#include <commctrl.h>

#include "com/module.h"
#include "com/native_text.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixStatusWindow";
constexpr wchar_t kLoadedTitle[] = L"Processing......";
constexpr UINT_PTR kUpdateTimer = 1;
constexpr ULONGLONG kUpdateMilliseconds = 33;
constexpr int kOkButton = 1;  // IDOK: Enter presses it too

enum Column { kProject, kModule, kMember, kLines, kNotes, kColumns };

// Layout in pixels of the client area.
constexpr int kWidth = 900;
constexpr int kHeight = 400;

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int x, int y,
           int width, int height, int id = 0) {
  HWND child =
      CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (child != nullptr) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  }
  return child;
}

void SetTextIfChanged(HWND control, const std::wstring& text) {
  int length = GetWindowTextLengthW(control);
  std::wstring now(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(control, now.data(), length + 1);
  now.resize(static_cast<size_t>(length));
  if (now != text) SetWindowTextW(control, text.c_str());
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  std::wstring wide = WideText(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

NativeStatusWindow::NativeStatusWindow() {
  model_.AddListener(this);
}

NativeStatusWindow::~NativeStatusWindow() {
  model_.RemoveListener(this);
  if (window_ != nullptr) DestroyWindow(window_);
  UnregisterClassW(kClassName, ThisModule());
}

bool NativeStatusWindow::MakeWindow() {
  if (window_ != nullptr) return true;
  if (tried_) return false;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = &NativeStatusWindow::Procedure;
  type.hInstance = ThisModule();
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);  // fails harmlessly when the class is there already
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  const DWORD ex_style = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  RECT frame = {0, 0, kWidth, kHeight};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  window_ = CreateWindowExW(ex_style, kClassName, kLoadedTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            ThisModule(), this);
  if (window_ == nullptr) {
    tried_ = true;
    Log("The status window cannot be made: error " + std::to_string(GetLastError()));
    return false;
  }
  MakeControls();
  // A centred place, as the system leaves a pop-up window at the screen's corner.
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void NativeStatusWindow::MakeControls() {
  Child(window_, L"BUTTON", L"Working on", BS_GROUPBOX, 8, 4, kWidth - 16, 104);
  const wchar_t* labels[3] = {L"Project:", L"Module:", L"Item:"};
  for (int i = 0; i < 3; ++i) {
    int y = 24 + 26 * i;
    Child(window_, L"STATIC", labels[i], SS_LEFT, 20, y + 3, 56, 18);
    text_[i] = Child(window_, L"EDIT", L"", WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 80, y,
                     i == 2 ? 796 : 220, 22);
  }
  for (int i = 0; i < 2; ++i) {
    bar_[i] = Child(window_, PROGRESS_CLASSW, L"", 0, 316, 26 + 26 * i, 560, 18);
  }
  Child(window_, L"BUTTON", L"Status", BS_GROUPBOX, 8, 112, kWidth - 16, 244);
  list_ = Child(window_, WC_LISTVIEWW, L"",
                WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 18,
                132, kWidth - 36, 214);
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const wchar_t* headers[kColumns] = {L"Project", L"Module", L"Member", L"Lines", L"Notes"};
  const int widths[kColumns] = {80, 100, 200, 50, 400};
  for (int c = 0; c < kColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(headers[c]);
    column.cx = widths[c];
    column.iSubItem = c;
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  Child(window_, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 96, 364, 88, 28,
        kOkButton);
}

// A change waits for the next update, unless the last one is long enough ago.
void NativeStatusWindow::Changed() {
  if (window_ == nullptr) return;
  pending_ = true;
  if (GetTickCount64() - last_update_ >= kUpdateMilliseconds) {
    Flush();
  } else {
    SetTimer(window_, kUpdateTimer, static_cast<UINT>(kUpdateMilliseconds), nullptr);
  }
}

void NativeStatusWindow::Flush() {
  if (window_ == nullptr) return;
  pending_ = false;
  last_update_ = GetTickCount64();
  KillTimer(window_, kUpdateTimer);
  for (int i = 0; i < 3; ++i) {
    SetTextIfChanged(text_[i], WideText(model_.Text(static_cast<Field>(i))));
  }
  for (int i = 0; i < 2; ++i) {
    auto bar = static_cast<Bar>(i);
    // A bar with a maximum of 0 shows empty.
    int32_t max = model_.ProgressMax(bar);
    SendMessageW(bar_[i], PBM_SETRANGE32, 0, max > 0 ? max : 1);
    SendMessageW(bar_[i], PBM_SETPOS, static_cast<WPARAM>(model_.ProgressValue(bar)), 0);
  }
  AddRows();
}

// Adds the rows the model gained since the last update, in one redraw; starts again when the
// model forgot rows.
void NativeStatusWindow::AddRows() {
  const auto& rows = model_.Rows();
  const int count = static_cast<int>(rows.size());
  if (count == shown_rows_) return;
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  if (count < shown_rows_) {
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    shown_rows_ = 0;
  }
  for (int r = shown_rows_; r < count; ++r) {
    const host::StatusRow& row = rows[static_cast<size_t>(r)];
    std::wstring project = WideText(row.project);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = project.data();
    int index =
        static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) break;
    SetCell(list_, index, kModule, row.module);
    SetCell(list_, index, kMember, row.member);
    SetCell(list_, index, kLines, row.lines);
    SetCell(list_, index, kNotes, row.notes);
    shown_rows_ = r + 1;
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  if (shown_rows_ > 0) SendMessageW(list_, LVM_ENSUREVISIBLE, shown_rows_ - 1, FALSE);
  InvalidateRect(list_, nullptr, TRUE);
}

void NativeStatusWindow::OnCaption(const std::string& caption) {
  if (window_ == nullptr) return;
  Flush();  // the caption tells the outcome: the rows that led to it show with it
  SetWindowTextW(window_, WideText(caption).c_str());
}

void NativeStatusWindow::OnText(Field, const std::string&) {
  Changed();
}

void NativeStatusWindow::OnProgress(Bar, int32_t, int32_t) {
  Changed();
}

void NativeStatusWindow::OnRow(const host::StatusRow&) {
  Changed();
}

void NativeStatusWindow::OnVisible(bool visible) {
  if (visible && !MakeWindow()) return;
  if (window_ == nullptr) return;
  Flush();
  SetWindowTextW(window_, WideText(model_.Caption()).c_str());
  if (!visible) {
    ShowWindow(window_, SW_HIDE);
    return;
  }
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  UpdateWindow(window_);
}

void NativeStatusWindow::OnUnload() {
  if (window_ == nullptr) return;
  Flush();
  SetWindowTextW(window_, kLoadedTitle);
  ShowWindow(window_, SW_HIDE);
}

LRESULT CALLBACK NativeStatusWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<NativeStatusWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) return DefWindowProcW(window, message, w, l);
  // Nothing may escape into the system's dispatch of the message.
  try {
    return self->Handle(message, w, l);
  } catch (...) {
    LogFailure("status window", "a message could not be handled");
    return 0;
  }
}

LRESULT NativeStatusWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_TIMER:
      if (w == kUpdateTimer) Flush();
      return 0;
    case WM_COMMAND:
      if (LOWORD(w) == kOkButton || LOWORD(w) == IDCANCEL) model_.Unload();
      return 0;
    case WM_CLOSE:
      // Closing the window any way unloads it, as its OK button does.
      model_.Unload();
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      list_ = nullptr;
      shown_rows_ = 0;
      return 0;
    default:
      return DefWindowProcW(window_, message, w, l);
  }
}

}  // namespace kestrix::com
