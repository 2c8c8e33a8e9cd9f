#pragma once

// Template text is Windows ANSI (code page 1252) bytes with CR LF line ends; the widgets work
// in UTF-16. These conversions are the one place where the two meet.

#include <string>
#include <string_view>

namespace kestrix::system {

// Each byte becomes one UTF-16 unit. The five bytes that code page 1252 leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081 and so on, so that every byte comes back.
std::u16string AnsiToUtf16(std::string_view bytes);

// The reverse: every character that AnsiToUtf16 yields gives back its byte; any other
// character (a surrogate pair counts as one) becomes "?", as the system's conversion does.
std::string Utf16ToAnsi(std::u16string_view text);

// One byte's character, and one character's byte (-1 when code page 1252 has none).
char16_t AnsiCharOf(unsigned char byte);
int AnsiByteOf(char16_t c);

// What UTF8ToAnsi made of a text.
enum class Utf8Conversion {
  kDone,        // every character had its byte
  kNotUtf8,     // the text is no UTF-8; nothing was converted
  kUnmappable,  // a character has no byte in the code page (the first such is named)
};

// UTF-8 text (what a terminal gives) as Windows-1252 bytes (what VB source holds), into
// `ansi`. On kUnmappable `unmapped` holds the first character that has no byte, in UTF-8.
Utf8Conversion Utf8ToAnsi(std::string_view utf8, std::string& ansi, std::string& unmapped);

// The text with every line end (CR LF, a lone LF or a lone CR) written as CR LF.
std::string WithCrLf(std::string_view bytes);

}  // namespace kestrix::system
