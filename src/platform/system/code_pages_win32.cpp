#include <windows.h>

#include "platform/system/code_pages.h"

namespace kestrix::system {

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

}  // namespace kestrix::system
