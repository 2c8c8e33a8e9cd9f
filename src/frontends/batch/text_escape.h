#pragma once

// Writing the status window's text (Windows ANSI bytes, as the IDE holds them) into the
// batch program's machine-readable outputs.

#include <string>
#include <string_view>

namespace kestrix::batch {

// A cell of tab-separated output on one line: backslash becomes \\, a tab \t, a line break
// (CR LF or LF) \n and a CR on its own \r. Everything else is kept as it is.
std::string TsvCell(std::string_view text);

// `text` as a quoted JSON string. Quotes and backslashes are escaped, control bytes written
// as \u00XX, and bytes from 0x80 up read as Windows-1252 and written as UTF-8 (the five
// bytes that code page leaves unassigned become U+0081, U+008D, U+008F, U+0090, U+009D, as
// Windows itself converts them).
std::string JsonString(std::string_view text);

// A native file name as a quoted JSON string: file names on disk are UTF-8 and stay as they
// are (quotes, backslashes and control bytes escaped); a name that is not valid UTF-8 is read
// as Windows-1252, as JsonString reads it.
std::string JsonPath(std::string_view path);

// Appends one Windows-1252 byte to `out` as UTF-8.
void AppendCp1252AsUtf8(std::string& out, unsigned char byte);
// Windows-1252 text as UTF-8, for a terminal: names with accents read as they were written.
std::string Cp1252ToUtf8(std::string_view text);

}  // namespace kestrix::batch
