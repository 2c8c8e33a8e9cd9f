#pragma once

// Text in the Windows ANSI code pages, converted to UTF-8: what file names written into
// project files on a Windows machine become on a Linux checkout. The conversion is the
// system's: iconv in code_pages_posix.cpp, the Windows API in code_pages_win32.cpp.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::system {

// The ANSI code pages of the Windows systems VB projects commonly come from, in the order they
// are tried: 1252 (Western), 1251 (Cyrillic), 932 (Japanese Shift-JIS), 936 (Simplified
// Chinese GBK), 949 (Korean), 950 (Traditional Chinese Big5).
const std::vector<int>& CommonAnsiCodePages();

// `bytes` read in Windows code page `code_page`, as UTF-8; nullopt when the code page is not
// known here or the bytes are not valid text in it.
std::optional<std::string> AnsiToUtf8(int code_page, std::string_view bytes);

}  // namespace kestrix::system
