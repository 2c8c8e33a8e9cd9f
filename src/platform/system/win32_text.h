#pragma once

// What the Windows siblings of this layer share: UTF-8 <-> UTF-16, internal paths <-> the
// system's wide paths, and the system's error texts. Only *_win32.cpp files include it.

#include <windows.h>

#include <string>
#include <string_view>

namespace kestrix::system::win32 {

// UTF-8 as UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 as UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view wide);

// An internal path ('/' separators, "C:/x", "//server/share/x", relative) as the wide path the
// file functions take: backslashes, and for a path too long for the classic limit the full
// path with the "\\?\" (or "\\?\UNC\") prefix that lifts it.
std::wstring NativePath(std::string_view internal);
// A path the system gave (backslashes, perhaps "\\?\"-prefixed) in the internal form.
std::string InternalPath(std::wstring_view native);

// The text for a system error code: the common file errors in the words POSIX systems use
// ("No such file or directory", "Permission denied", ...), others in the system's words.
std::string ErrorText(DWORD code);

// Closes a handle when it goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (valid()) ::CloseHandle(h_);
    h_ = h;
  }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace kestrix::system::win32
