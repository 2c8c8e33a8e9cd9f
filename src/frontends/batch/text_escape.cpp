#include "frontends/batch/text_escape.h"

#include <cstdint>
#include <cstdio>

namespace kestrix::batch {

namespace {

// The code points of Windows-1252 bytes 0x80 to 0x9F; from 0xA0 on the byte is the code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    size_t extra = b < 0x80           ? 0
                   : (b >> 5) == 0x6  ? 1
                   : (b >> 4) == 0xE  ? 2
                   : (b >> 3) == 0x1E ? 3
                                      : 9;
    if (extra == 9 || i + extra >= text.size()) return false;
    uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// `text` as a JSON string: quotes and backslashes escaped, control bytes as \u00XX, every
// other byte given to `append`.
template <typename Append>
std::string JsonQuoted(std::string_view text, Append append) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04X", byte);
      out += code;
    } else {
      append(out, byte);
    }
  }
  return out + '"';
}

}  // namespace

std::string JsonPath(std::string_view path) {
  if (!IsUtf8(path)) return JsonString(path);
  return JsonQuoted(path,
                    [](std::string& out, unsigned char byte) { out += static_cast<char>(byte); });
}

void AppendCp1252AsUtf8(std::string& out, unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return AppendUtf8(out, kCp1252High[byte - 0x80]);
  AppendUtf8(out, byte);
}

std::string Cp1252ToUtf8(std::string_view text) {
  // Most text is ASCII, which reads the same in both: copied as it is up to the first byte
  // that is not.
  size_t ascii = 0;
  while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
    ++ascii;
  std::string out(text.substr(0, ascii));
  if (ascii == text.size()) return out;
  out.reserve(text.size() + (text.size() - ascii) * 2);
  for (char c : text.substr(ascii))
    AppendCp1252AsUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string TsvCell(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\\n";
      ++i;
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string JsonString(std::string_view text) {
  return JsonQuoted(text, AppendCp1252AsUtf8);
}

}  // namespace kestrix::batch
