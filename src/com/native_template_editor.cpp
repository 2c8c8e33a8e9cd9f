#include "com/native_template_editor.h"

#include <richedit.h>

#include "com/module.h"
#include "com/native_rich_text.h"
#include "com/native_text.h"
#include "com/native_window_support.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixTemplateEditor";
constexpr int kSaveId = 101;  // Cancel is IDCANCEL, so that Escape presses it

// The window as designed, in twips of the client area; resizing keeps the distances of the
// buttons and of the text area's bottom-right corner to the window's bottom-right corner.
constexpr int kDesignWidth = 7800;
constexpr int kDesignHeight = 5400;
constexpr RECT kDesignText = {120, 120, 7680, 4680};
constexpr RECT kDesignButtons[2] = {{5040, 4830, 6300, 5250}, {6420, 4830, 7680, 5250}};
constexpr int kMinimumTwips = 2800;  // the whole window, frame included

class Editor {
 public:
  Editor(HWND owner, const std::string& caption, COLORREF back_colour)
      : owner_(owner), caption_(WideText(caption)), back_colour_(back_colour) {}
  ~Editor() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  bool Run(std::string& text) {
    {
      WindowMakingScope scope;
      RegisterWindowClass(kClassName, &Editor::Procedure);
      window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_CONTROLPARENT, kClassName, caption_.c_str(),
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 100, 100,
                                owner_, nullptr, ThisModule(), this);
      if (window_ == nullptr) {
        Log("The template editor cannot be made: error " + std::to_string(GetLastError()));
        return false;
      }
      text_ = MakeRichTextView(window_, kEditorTextId, false);
      buttons_[0] = MakeControl(window_, L"BUTTON", L"&Save", BS_PUSHBUTTON | WS_TABSTOP, kSaveId);
      buttons_[1] =
          MakeControl(window_, L"BUTTON", L"&Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
    }
    if (text_ == nullptr) return false;
    if (back_colour_ != CLR_INVALID) SendMessageW(text_, EM_SETBKGNDCOLOR, 0, back_colour_);
    UINT dpi = WindowDpi(window_);
    SetClientSize(window_, TwipsToPixels(kDesignWidth, dpi), TwipsToPixels(kDesignHeight, dpi));
    CentreWindow(window_, owner_);
    ShowColouredText(text_, text);
    RunModal(window_, owner_, done_);
    if (saved_) text = edited_;
    return saved_;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Editor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, w, l);
    try {
      return self->Handle(window, message, w, l);
    } catch (...) {
      LogFailure("template editor", "a message could not be handled");
      return 0;
    }
  }

  LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_SIZE:
        LayOut();
        return 0;
      case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(l);
        int minimum = TwipsToPixels(kMinimumTwips, WindowDpi(window));
        limits->ptMinTrackSize = {minimum, minimum};
        return 0;
      }
      case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(l);
        UseFont(window, DialogFont(HIWORD(w)));
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      case WM_COMMAND:
        if (LOWORD(w) == kSaveId) {
          edited_ = RichTextPlainText(text_);
          saved_ = true;
          done_ = true;
        } else if (LOWORD(w) == IDCANCEL) {
          done_ = true;
        }
        return 0;
      case WM_CLOSE:
        done_ = true;  // as Cancel
        return 0;
      case WM_ACTIVATE:
        // Back in front, the control that had the focus (at first the text) gets it again.
        if (LOWORD(w) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus != nullptr && IsChild(window, focus)) focus_ = focus;
        } else {
          SetFocus(focus_ != nullptr && IsWindow(focus_) ? focus_ : text_);
        }
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        done_ = true;
        return DefWindowProcW(window, message, w, l);
      default:
        return DefWindowProcW(window, message, w, l);
    }
  }

  // Margins in pixels at the window's DPI, from the design.
  void LayOut() {
    if (text_ == nullptr) return;
    UINT dpi = WindowDpi(window_);
    auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
    RECT client{};
    GetClientRect(window_, &client);
    const int right_margin = px(kDesignWidth - kDesignText.right);
    const int bottom_margin = px(kDesignHeight - kDesignText.bottom);
    HDWP moves = BeginDeferWindowPos(3);
    auto place = [&moves](HWND control, int x, int y, int width, int height) {
      if (moves != nullptr) {
        moves = DeferWindowPos(moves, control, nullptr, x, y, width > 0 ? width : 0,
                               height > 0 ? height : 0, SWP_NOZORDER | SWP_NOACTIVATE);
      }
    };
    place(text_, px(kDesignText.left), px(kDesignText.top),
          client.right - right_margin - px(kDesignText.left),
          client.bottom - bottom_margin - px(kDesignText.top));
    for (int i = 0; i < 2; ++i) {
      const RECT& design = kDesignButtons[i];
      place(buttons_[i], client.right - px(kDesignWidth - design.left),
            client.bottom - px(kDesignHeight - design.top), px(design.right - design.left),
            px(design.bottom - design.top));
    }
    if (moves != nullptr) EndDeferWindowPos(moves);
  }

  HWND owner_;
  std::wstring caption_;
  COLORREF back_colour_;
  HWND window_ = nullptr;
  HWND text_ = nullptr;
  HWND buttons_[2] = {};
  HWND focus_ = nullptr;
  bool done_ = false;
  bool saved_ = false;
  std::string edited_;
};

}  // namespace

bool EditTemplateNative(HWND owner, const std::string& caption, std::string& text,
                        COLORREF back_colour) {
  Editor editor(owner, caption, back_colour);
  return editor.Run(text);
}

}  // namespace kestrix::com
