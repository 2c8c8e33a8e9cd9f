#include "platform/system/code_pages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

namespace kestrix::system {

const std::vector<int>& CommonAnsiCodePages() {
  static const std::vector<int> kCodePages = {1252, 1251, 932, 936, 949, 950};
  return kCodePages;
}

#ifdef _WIN32

std::optional<std::string> AnsiToUtf8(int code_page, std::string_view bytes) {
  if (bytes.empty()) return std::string();
  auto size = static_cast<int>(bytes.size());
  int wide_size = ::MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS,
                                        bytes.data(), size, nullptr, 0);
  if (wide_size <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, bytes.data(), size,
                        wide.data(), wide_size);
  int out_size =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(out_size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, out.data(), out_size, nullptr, nullptr);
  return out;
}

#else

std::optional<std::string> AnsiToUtf8(int code_page, std::string_view bytes) {
  std::string name = "CP" + std::to_string(code_page);
  iconv_t cd = ::iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(bytes.size() * 4 + 4, '\0');
  std::string in(bytes);
  char* in_ptr = in.data();
  size_t in_left = in.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  size_t rc = ::iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  ::iconv_close(cd);
  // Every byte of these code pages takes at most 3 bytes of UTF-8, so the buffer never runs out.
  if (rc == static_cast<size_t>(-1) || in_left != 0) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

#endif

}  // namespace kestrix::system
