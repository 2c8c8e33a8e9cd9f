#include <iconv.h>

#include "platform/system/code_pages.h"

namespace kestrix::system {

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

}  // namespace kestrix::system
