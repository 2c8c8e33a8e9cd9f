#include "com/native_status_window.h"

#include <commctrl.h>

#include <algorithm>

#include "com/module.h"
#include "com/native_text.h"
#include "com/native_window_support.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixStatusWindow";
constexpr wchar_t kLoadedTitle[] = L"Processing......";
constexpr UINT_PTR kUpdateTimer = 1;
constexpr ULONGLONG kUpdateMilliseconds = 33;
constexpr int kOkButton = 1;  // IDOK: Enter presses it too

enum Column { kProject, kModule, kMember, kLines, kNotes, kColumns };

// The client area as designed, in twips; the window keeps it at every DPI.
constexpr int kWidth = 11400;
constexpr int kHeight = 5640;
// The columns' widths at first, in twips; the notes' column grows to its longest note.
constexpr int kColumnWidths[kColumns] = {1200, 1500, 3000, 750, 4200};
// What a cell needs beside its text's width, in pixels at 96 DPI.
constexpr int kCellPadding = 16;

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id = 0) {
  return MakeControl(parent, type, text, style, id);
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
  WindowMakingScope scope;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  RegisterWindowClass(kClassName, &NativeStatusWindow::Procedure);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD ex_style = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
  window_ = CreateWindowExW(ex_style, kClassName, kLoadedTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            100, 100, nullptr, nullptr, ThisModule(), this);
  if (window_ == nullptr) {
    tried_ = true;
    Log("The status window cannot be made: error " + std::to_string(GetLastError()));
    return false;
  }
  MakeControls();
  LayOut();
  Place();
  return true;
}

// Beside the window to keep in view (the main window) where the screen has room: below it,
// above it, right or left of it; centred on the screen otherwise, or when there is none.
void NativeStatusWindow::Place() {
  HWND beside = beside_ ? beside_() : nullptr;
  if (beside != nullptr && (!IsWindowVisible(beside) || IsIconic(beside))) beside = nullptr;
  CentreWindow(window_, nullptr);
  if (beside == nullptr) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(beside, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT area = monitor.rcWork;
  RECT other{}, own{};
  GetWindowRect(beside, &other);
  GetWindowRect(window_, &own);
  const int width = own.right - own.left, height = own.bottom - own.top;
  const int gap = TwipsToPixels(120, WindowDpi(window_));
  // Centred along the other window's edge, kept on the screen.
  auto clamp = [](int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
  };
  const int x = clamp((other.left + other.right - width) / 2, static_cast<int>(area.left),
                      static_cast<int>(area.right) - width);
  const int y = clamp((other.top + other.bottom - height) / 2, static_cast<int>(area.top),
                      static_cast<int>(area.bottom) - height);
  POINT places[] = {{x, other.bottom + gap},
                    {x, other.top - gap - height},
                    {other.right + gap, y},
                    {other.left - gap - width, y}};
  // The first place where it fits on the screen; where it fits nowhere, the place (moved onto
  // the screen) where it covers the least of the other window.
  POINT best = {x, y};
  LONGLONG least = -1;
  for (POINT at : places) {
    const bool fits = at.x >= area.left && at.y >= area.top && at.x + width <= area.right &&
                      at.y + height <= area.bottom;
    if (fits) {
      best = at;
      break;
    }
    at.x = clamp(at.x, static_cast<int>(area.left), static_cast<int>(area.right) - width);
    at.y = clamp(at.y, static_cast<int>(area.top), static_cast<int>(area.bottom) - height);
    RECT moved = {at.x, at.y, at.x + width, at.y + height}, common{};
    LONGLONG covered = 0;
    if (IntersectRect(&common, &moved, &other)) {
      covered = static_cast<LONGLONG>(common.right - common.left) * (common.bottom - common.top);
    }
    if (least < 0 || covered < least) {
      least = covered;
      best = at;
    }
  }
  SetWindowPos(window_, nullptr, best.x, best.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeStatusWindow::MakeControls() {
  frames_[0] = Child(window_, L"BUTTON", L"Working on", BS_GROUPBOX);
  const wchar_t* labels[3] = {L"Project:", L"Module:", L"Item:"};
  for (int i = 0; i < 3; ++i) {
    labels_[i] = Child(window_, L"STATIC", labels[i], SS_LEFT);
    text_[i] = Child(window_, L"EDIT", L"", WS_BORDER | ES_READONLY | ES_AUTOHSCROLL);
  }
  for (HWND& bar : bar_)
    bar = Child(window_, PROGRESS_CLASSW, L"", 0);
  frames_[1] = Child(window_, L"BUTTON", L"Status", BS_GROUPBOX);
  list_ = Child(
      window_, WC_LISTVIEWW, L"",
      WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER);
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_LABELTIP);
  const wchar_t* headers[kColumns] = {L"Project", L"Module", L"Member", L"Lines", L"Notes"};
  const UINT dpi = WindowDpi(window_);
  for (int c = 0; c < kColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(headers[c]);
    column.cx = TwipsToPixels(kColumnWidths[c], dpi);
    column.iSubItem = c;
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  ok_ = Child(window_, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kOkButton);
}

// Places the controls at the window's DPI, the client area at its designed size.
void NativeStatusWindow::LayOut() {
  const UINT dpi = WindowDpi(window_);
  auto place = [dpi](HWND control, int left, int top, int width, int height) {
    SetWindowPos(control, nullptr, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi),
                 TwipsToPixels(width, dpi), TwipsToPixels(height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  };
  SetClientSize(window_, TwipsToPixels(kWidth, dpi), TwipsToPixels(kHeight, dpi));
  place(frames_[0], 120, 60, kWidth - 240, 1560);
  for (int i = 0; i < 3; ++i) {
    const int top = 360 + 390 * i;
    place(labels_[i], 300, top + 45, 840, 270);
    place(text_[i], 1200, top, i == 2 ? kWidth - 1560 : 2700, 330);
  }
  for (int i = 0; i < 2; ++i)
    place(bar_[i], 4080, 390 + 390 * i, kWidth - 4440, 270);
  place(frames_[1], 120, 1680, kWidth - 240, 3300);
  place(list_, 270, 1980, kWidth - 540, 2850);
  place(ok_, kWidth - 1440, 5100, 1320, 420);
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
    widest_note_ = 0;
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
    std::wstring notes = WideText(row.notes);
    int width = static_cast<int>(
        SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(notes.c_str())));
    if (width > widest_note_) widest_note_ = width;
  }
  FitNotes();
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  if (shown_rows_ > 0) SendMessageW(list_, LVM_ENSUREVISIBLE, shown_rows_ - 1, FALSE);
  InvalidateRect(list_, nullptr, TRUE);
}

// The notes' column as wide as its longest note (never narrower than designed), so that no
// note is cut off; the tip of a row shows its note too.
void NativeStatusWindow::FitNotes() {
  const UINT dpi = WindowDpi(window_);
  int wanted = widest_note_ + MulDiv(kCellPadding, static_cast<int>(dpi), 96);
  wanted = std::max(wanted, TwipsToPixels(kColumnWidths[kNotes], dpi));
  if (SendMessageW(list_, LVM_GETCOLUMNWIDTH, kNotes, 0) != wanted) {
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, kNotes, MAKELPARAM(wanted, 0));
  }
}

void NativeStatusWindow::Update() {
  if (window_ == nullptr) return;
  if (pending_ && GetTickCount64() - last_update_ >= kUpdateMilliseconds) Flush();
  // The visual styles move a bar to its new value step by step, on a timer of its own.
  MSG message;
  for (HWND bar : bar_) {
    for (int i = 0; i < 8 && PeekMessageW(&message, bar, WM_TIMER, WM_TIMER, PM_REMOVE); ++i) {
      DispatchMessageW(&message);
    }
  }
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
  const bool made = window_ != nullptr;
  if (visible && !MakeWindow()) return;
  if (window_ == nullptr) return;
  // Each time it comes up from hidden, it moves beside the main window again.
  if (visible && made && !IsWindowVisible(window_)) Place();
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
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      if (header->hwndFrom == list_ && header->code == LVN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(l);
        const auto& rows = model_.Rows();
        if (tip->iItem >= 0 && static_cast<size_t>(tip->iItem) < rows.size() &&
            tip->cchTextMax > 0) {
          std::wstring notes = WideText(rows[static_cast<size_t>(tip->iItem)].notes);
          wcsncpy_s(tip->pszText, static_cast<size_t>(tip->cchTextMax), notes.c_str(), _TRUNCATE);
        }
        return 0;
      }
      return DefWindowProcW(window_, message, w, l);
    }
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      UseFont(window_, DialogFont(HIWORD(w)));
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      LayOut();
      for (int c = 0; c < kNotes; ++c) {
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c),
                     MAKELPARAM(TwipsToPixels(kColumnWidths[c], HIWORD(w)), 0));
      }
      // The notes as wide as they are in the new font.
      widest_note_ = 0;
      for (const host::StatusRow& row : model_.Rows()) {
        std::wstring notes = WideText(row.notes);
        widest_note_ = std::max(
            widest_note_, static_cast<int>(SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0,
                                                        reinterpret_cast<LPARAM>(notes.c_str()))));
      }
      FitNotes();
      return 0;
    }
    case WM_DESTROY:
      window_ = nullptr;
      list_ = nullptr;
      shown_rows_ = 0;
      widest_note_ = 0;
      return 0;
    default:
      return DefWindowProcW(window_, message, w, l);
  }
}

}  // namespace kestrix::com
