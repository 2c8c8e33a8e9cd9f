#include "platform/system/ansi_text.h"

#include <array>

namespace kestrix::system {

namespace {

// Bytes 0x80 to 0x9F; the others stand for the Unicode character of the same number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

char16_t AnsiCharOf(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

int AnsiByteOf(char16_t c) {
  bool direct = c < 0x80 || (c >= 0xA0 && c <= 0xFF);
  if (direct) return c;
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

namespace {

// The byte for `c`, or '?' when code page 1252 has none.
char ByteOf(char16_t c) {
  int byte = AnsiByteOf(c);
  return byte < 0 ? '?' : static_cast<char>(byte);
}

char16_t CharOf(unsigned char byte) {
  return AnsiCharOf(byte);
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char byte : bytes)
    text += CharOf(static_cast<unsigned char>(byte));
  return text;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    bytes += ByteOf(text[i]);
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
  }
  return bytes;
}

std::string WithCrLf(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c != '\r' && c != '\n') {
      text += c;
      continue;
    }
    text += "\r\n";
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  return text;
}

namespace {

// The code point of the UTF-8 sequence at `at` (advanced past it), or -1 for a sequence that
// is not well formed (overlong, a surrogate, beyond U+10FFFF, cut short).
long NextCodePoint(std::string_view text, size_t& at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  int extra = -1;
  if (lead < 0x80) {
    extra = 0;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    extra = 1;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    extra = 2;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    extra = 3;
  }
  if (extra < 0) return -1;
  long code = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if (at + static_cast<size_t>(k) >= text.size()) return -1;
    unsigned char next = byte(at + static_cast<size_t>(k));
    if ((next & 0xC0) != 0x80) return -1;
    code = (code << 6) | (next & 0x3F);
  }
  static const long kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return -1;
  at += static_cast<size_t>(extra) + 1;
  return code;
}

}  // namespace

Utf8Conversion Utf8ToAnsi(std::string_view utf8, std::string& ansi, std::string& unmapped) {
  ansi.clear();
  unmapped.clear();
  std::string out;
  Utf8Conversion result = Utf8Conversion::kDone;
  for (size_t at = 0; at < utf8.size();) {
    size_t start = at;
    long code = NextCodePoint(utf8, at);
    if (code < 0) return Utf8Conversion::kNotUtf8;
    int byte = code <= 0xFFFF ? AnsiByteOf(static_cast<char16_t>(code)) : -1;
    if (byte < 0 && result == Utf8Conversion::kDone) {
      result = Utf8Conversion::kUnmappable;
      unmapped = std::string(utf8.substr(start, at - start));
    }
    out += static_cast<char>(byte < 0 ? '?' : byte);
  }
  if (result == Utf8Conversion::kDone) ansi = std::move(out);
  return result;
}

}  // namespace kestrix::system
