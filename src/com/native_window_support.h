#pragma once
// What the add-in's own windows share: they are made aware of the monitor's DPI where the
// system allows it and with the DLL's visual styles (common controls 6), they take the system's
// dialog font at their DPI, and their sizes are designed in twips.
//
// The IDE owns the process and its DPI awareness; the DLL sets the awareness of its own thread
// while it makes a window (Windows 10 and later), and activates its own manifest, which the
// system does not do for a DLL's windows by itself.
#include <windows.h>

#include <string>

namespace kestrix::com {

// Active while windows are made: the thread's DPI awareness (per monitor where the system has
// it) and the DLL's activation context. Both are put back when the scope ends.
class WindowMakingScope {
 public:
  WindowMakingScope();
  ~WindowMakingScope();
  WindowMakingScope(const WindowMakingScope&) = delete;
  WindowMakingScope& operator=(const WindowMakingScope&) = delete;

 private:
  void* old_awareness_ = nullptr;
  ULONG_PTR activation_cookie_ = 0;
  bool activated_ = false;
};

// The window's DPI (96 at 100 %).
UINT WindowDpi(HWND window);
// Twips (1440 to the inch) as pixels at `dpi`.
int TwipsToPixels(int twips, UINT dpi);
// The system's dialog font (the message font) at `dpi`; the font stays until the DLL unloads.
HFONT DialogFont(UINT dpi);
// Gives `window` and all its children `font`.
void UseFont(HWND window, HFONT font);

// A child control with its id, visible, in the dialog font of `parent`'s DPI.
HWND MakeControl(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id,
                 DWORD ex_style = 0);

// Registers a window class of this module once (a class that is there already is kept).
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure);

// Shows `window` modally: `owner` and the other windows of the thread take no input until
// `done` turns true or the window goes; keyboard navigation works as in a dialog. A WM_QUIT
// met on the way is put back for the caller's loop.
void RunModal(HWND window, HWND owner, const bool& done);

// Gives `window` a client area of `width` x `height` pixels, keeping its frame.
void SetClientSize(HWND window, int width, int height);

// Centres `window` over `over` (over the work area when `over` is nullptr), on screen.
void CentreWindow(HWND window, HWND over);

// A modal window of the add-in's, laid out in twips: the derived window makes its controls in
// MakeControls and places them in LayOut (again when the window's DPI changes). Escape, the
// close box and a command IDCANCEL end it.
class ModalWindow {
 public:
  virtual ~ModalWindow();
  ModalWindow(const ModalWindow&) = delete;
  ModalWindow& operator=(const ModalWindow&) = delete;

  HWND window() const { return window_; }

 protected:
  ModalWindow() = default;
  // Makes the window with a client area of `width` x `height` twips, centred over `owner`, and
  // shows it modally until Close; false when no window can be made.
  bool Run(const wchar_t* class_name, const std::string& caption, DWORD style, DWORD ex_style,
           HWND owner, int width, int height);
  void Close() { done_ = true; }
  // Places a control by its design rectangle in twips.
  void Place(HWND control, int left, int top, int width, int height) const;
  UINT Dpi() const { return dpi_; }

  virtual void MakeControls() = 0;
  virtual void LayOut() = 0;
  // The window's messages; what it does not handle goes to DefaultHandle.
  virtual LRESULT Handle(UINT message, WPARAM w, LPARAM l) { return DefaultHandle(message, w, l); }
  LRESULT DefaultHandle(UINT message, WPARAM w, LPARAM l);

  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);

  bool done_ = false;
  HWND focus_ = nullptr;
  UINT dpi_ = 96;
  int width_ = 0;
  int height_ = 0;
};

// The text of a window or control.
std::wstring TextOf(HWND window);

}  // namespace kestrix::com
