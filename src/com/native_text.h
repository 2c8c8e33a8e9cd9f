#pragma once
// Text between Kestrix and the windows: Kestrix keeps Windows-ANSI bytes (code page 1252, as
// the IDE's modules hold them), the windows take UTF-16. Every byte comes back unchanged.
#include <string>
#include <string_view>

#include "platform/system/ansi_text.h"

namespace kestrix::com {

inline std::wstring WideText(std::string_view ansi) {
  std::u16string text = system::AnsiToUtf16(ansi);
  return std::wstring(text.begin(), text.end());
}

inline std::string AnsiText(std::wstring_view wide) {
  return system::Utf16ToAnsi(std::u16string(wide.begin(), wide.end()));
}

}  // namespace kestrix::com
