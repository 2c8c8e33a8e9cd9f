#include "com/native_window_support.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "com/module.h"
#include "com/native_text.h"

namespace kestrix::com {
namespace {

// The DPI functions of Windows 10, looked up where they exist.
using SetAwarenessFunction = void*(WINAPI*)(void*);
using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using InfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

template <class Function>
Function UserFunction(const char* name) {
  HMODULE user = GetModuleHandleW(L"user32.dll");
  if (user == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name)));
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, and the first version's where the second is not
// known (Windows 10 before 1703).
void* const kPerMonitorV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
void* const kPerMonitor = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));

// The DLL's manifest (resource 2, as for any DLL) as an activation context, made once; nullptr
// where the module has none (the tests' executable).
HANDLE ActivationContext() {
  static HANDLE context = [] {
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = ThisModule();
    request.lpResourceName = MAKEINTRESOURCEW(2);
    HANDLE made = CreateActCtxW(&request);
    if (made != INVALID_HANDLE_VALUE) return made;
    if (FindResourceW(ThisModule(), MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24)) != nullptr) {
      Log("The windows' manifest cannot be activated: error " + std::to_string(GetLastError()));
    }
    return static_cast<HANDLE>(nullptr);
  }();
  return context;
}

UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

// The windows a modal window keeps waiting.
struct Waiting {
  HWND modal;
  std::vector<HWND> windows;
};

BOOL CALLBACK AddWaiting(HWND other, LPARAM data) {
  auto* waiting = reinterpret_cast<Waiting*>(data);
  if (other != waiting->modal && IsWindowVisible(other) && IsWindowEnabled(other)) {
    waiting->windows.push_back(other);
  }
  return TRUE;
}

}  // namespace

WindowMakingScope::WindowMakingScope() {
  if (auto set = UserFunction<SetAwarenessFunction>("SetThreadDpiAwarenessContext")) {
    old_awareness_ = set(kPerMonitorV2);
    if (old_awareness_ == nullptr) old_awareness_ = set(kPerMonitor);
  }
  if (HANDLE context = ActivationContext()) {
    activated_ = ActivateActCtx(context, &activation_cookie_) != FALSE;
  }
}

WindowMakingScope::~WindowMakingScope() {
  if (activated_) DeactivateActCtx(0, activation_cookie_);
  if (old_awareness_ != nullptr) {
    if (auto set = UserFunction<SetAwarenessFunction>("SetThreadDpiAwarenessContext")) {
      set(old_awareness_);
    }
  }
}

UINT WindowDpi(HWND window) {
  static auto dpi_for_window = UserFunction<DpiForWindowFunction>("GetDpiForWindow");
  if (window != nullptr && dpi_for_window != nullptr) {
    if (UINT dpi = dpi_for_window(window); dpi != 0) return dpi;
  }
  return ScreenDpi();
}

int TwipsToPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

HFONT DialogFont(UINT dpi) {
  static std::vector<std::pair<UINT, HFONT>> fonts;
  for (const auto& [made_for, font] : fonts) {
    if (made_for == dpi) return font;
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  static auto info_for_dpi = UserFunction<InfoForDpiFunction>("SystemParametersInfoForDpi");
  bool scaled = info_for_dpi != nullptr &&
                info_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != FALSE;
  if (!scaled) {
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE) {
      return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    // The system's metrics are for the screen's DPI.
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(ScreenDpi()));
  }
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (font == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts.emplace_back(dpi, font);
  return font;
}

void UseFont(HWND window, HFONT font) {
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EnumChildWindows(window, &SetChildFont, reinterpret_cast<LPARAM>(font));
}

HWND MakeControl(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id,
                 DWORD ex_style) {
  HWND control =
      CreateWindowExW(ex_style, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (control != nullptr) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(WindowDpi(parent))),
                 FALSE);
  }
  return control;
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  if (GetClassInfoExW(ThisModule(), name, &type)) return;
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = ThisModule();
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = name;
  RegisterClassExW(&type);
}

void RunModal(HWND window, HWND owner, const bool& done) {
  // As the IDE's own modal windows do, every other window of the thread waits (the IDE's, the
  // main window), so that nothing can unload or start anything under the modal window.
  Waiting waiting{window, {}};
  EnumThreadWindows(GetCurrentThreadId(), &AddWaiting, reinterpret_cast<LPARAM>(&waiting));
  if (owner != nullptr && IsWindowEnabled(owner) &&
      std::find(waiting.windows.begin(), waiting.windows.end(), owner) == waiting.windows.end()) {
    waiting.windows.push_back(owner);
  }
  for (HWND other : waiting.windows)
    EnableWindow(other, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  MSG message;
  while (!done && IsWindow(window)) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The others take input again before the window goes, so that its owner is activated in its
  // place.
  for (HWND other : waiting.windows) {
    if (IsWindow(other)) EnableWindow(other, TRUE);
  }
}

void SetClientSize(HWND window, int width, int height) {
  RECT frame{}, client{};
  GetWindowRect(window, &frame);
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, 0, 0, width + (frame.right - frame.left) - client.right,
               height + (frame.bottom - frame.top) - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreWindow(HWND window, HWND over) {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  if (HMONITOR monitor =
          MonitorFromWindow(over != nullptr ? over : window, MONITOR_DEFAULTTONEAREST)) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) area = info.rcWork;
  }
  RECT around = area;
  if (over != nullptr && IsWindowVisible(over) && !IsIconic(over)) GetWindowRect(over, &around);
  RECT frame{};
  GetWindowRect(window, &frame);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  // Kept on the screen.
  if (x + width > area.right) x = area.right - width;
  if (y + height > area.bottom) y = area.bottom - height;
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ModalWindow::~ModalWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool ModalWindow::Run(const wchar_t* class_name, const std::string& caption, DWORD style,
                      DWORD ex_style, HWND owner, int width, int height) {
  width_ = width;
  height_ = height;
  {
    WindowMakingScope scope;
    RegisterWindowClass(class_name, &ModalWindow::Procedure);
    std::wstring title = WideText(caption);
    window_ = CreateWindowExW(ex_style | WS_EX_CONTROLPARENT, class_name, title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | style, 0, 0, 100, 100, owner,
                              nullptr, ThisModule(), this);
    if (window_ == nullptr) {
      Log("A window cannot be made: error " + std::to_string(GetLastError()));
      return false;
    }
    dpi_ = WindowDpi(window_);
    MakeControls();
  }
  SetClientSize(window_, TwipsToPixels(width_, dpi_), TwipsToPixels(height_, dpi_));
  LayOut();
  CentreWindow(window_, owner);
  RunModal(window_, owner, done_);
  return true;
}

void ModalWindow::Place(HWND control, int left, int top, int width, int height) const {
  SetWindowPos(control, nullptr, TwipsToPixels(left, dpi_), TwipsToPixels(top, dpi_),
               TwipsToPixels(width, dpi_), TwipsToPixels(height, dpi_),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT ModalWindow::DefaultHandle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(w) == IDCANCEL) Close();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      // The control that had the focus gets it back (at first, the first that takes it).
      if (LOWORD(w) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
      } else {
        HWND focus = focus_ != nullptr && IsWindow(focus_)
                         ? focus_
                         : GetNextDlgTabItem(window_, nullptr, FALSE);
        if (focus != nullptr) SetFocus(focus);
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      UseFont(window_, DialogFont(dpi_));
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetClientSize(window_, TwipsToPixels(width_, dpi_), TwipsToPixels(height_, dpi_));
      LayOut();
      return 0;
    }
    case WM_NCDESTROY: {
      HWND going = window_;
      window_ = nullptr;
      done_ = true;
      return DefWindowProcW(going, message, w, l);
    }
    default:
      return DefWindowProcW(window_, message, w, l);
  }
}

LRESULT CALLBACK ModalWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    auto* self = static_cast<ModalWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<ModalWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, w, l);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  // Nothing may escape into the system's dispatch of the message.
  try {
    return self->Handle(message, w, l);
  } catch (...) {
    LogFailure("window", "a message could not be handled");
    return 0;
  }
}

std::wstring TextOf(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace kestrix::com
