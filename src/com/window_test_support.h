#pragma once
// For the tests that open windows. Under Wine without an X server no window can be made (the
// tests then check what works without one); with one, message boxes are answered from a
// thread of the test's own, which keeps what each box said and which window owned it.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrix::com {

// True when this process can make windows.
inline bool DesktopAvailable() {
  HWND probe =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

inline std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

struct ChildSearch {
  const std::wstring* text;
  HWND found;
};

inline BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (WindowText(child) != *search->text) return TRUE;
  search->found = child;
  return FALSE;
}

// The child of `parent` whose text is `text`, nullptr when there is none.
inline HWND FindChild(HWND parent, const std::wstring& text) {
  ChildSearch search{&text, nullptr};
  EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Answers every message box of this process with `button` (IDOK, IDYES, …; a box without it
// gets its OK, Yes or first button) while it lives.
class BoxAnswerer {
 public:
  struct Box {
    std::wstring title;
    std::wstring text;
    HWND owner;
  };

  explicit BoxAnswerer(int button = IDOK) : button_(button), thread_([this] { Run(); }) {}
  ~BoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  std::vector<Box> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  void Run() {
    while (!stop_) {
      EnumWindows(&LookAt, reinterpret_cast<LPARAM>(this));
      Sleep(20);
    }
  }

  static BOOL CALLBACK LookAt(HWND window, LPARAM data) {
    reinterpret_cast<BoxAnswerer*>(data)->Look(window);
    return TRUE;
  }
  static BOOL CALLBACK AddStaticText(HWND child, LPARAM data) {
    wchar_t kind[16] = {};
    GetClassNameW(child, kind, 16);
    if (_wcsicmp(kind, L"Static") == 0) *reinterpret_cast<std::wstring*>(data) += WindowText(child);
    return TRUE;
  }

  void Look(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t type[16] = {};
    GetClassNameW(window, type, 16);
    if (process != GetCurrentProcessId() || std::wstring(type) != L"#32770" ||
        !IsWindowVisible(window)) {
      return;
    }
    for (HWND answered : answered_) {
      if (answered == window) return;
    }
    answered_.push_back(window);
    Box box{WindowText(window), {}, GetWindow(window, GW_OWNER)};
    EnumChildWindows(window, &AddStaticText, reinterpret_cast<LPARAM>(&box.text));
    {
      std::lock_guard lock(mutex_);
      seen_.push_back(box);
    }
    int answer = button_;
    for (int fallback : {button_, IDOK, IDYES, IDCANCEL, IDNO}) {
      if (GetDlgItem(window, fallback) != nullptr) {
        answer = fallback;
        break;
      }
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, answer)));
  }

  int button_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Box> seen_;
  std::vector<HWND> answered_;
  std::thread thread_;
};

}  // namespace kestrix::com
