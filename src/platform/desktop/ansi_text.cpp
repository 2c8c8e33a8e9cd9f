#include "platform/desktop/ansi_text.h"

#include <array>

namespace kestrix::desktop {
namespace {

// Windows-1252 bytes 0x80..0x9F; the undefined ones keep their own value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t kCarriageReturnSymbol = 0x240D;

char16_t CharOfByte(unsigned char byte) {
  if (byte == '\r') return kCarriageReturnSymbol;
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

// The byte standing for `c`, or -1.
int ByteOfChar(char16_t c) {
  if (c == kCarriageReturnSymbol) return '\r';
  if (c == '\r') return -1;
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

QString AnsiToDisplay(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (char byte : bytes)
    text.append(QChar(CharOfByte(static_cast<unsigned char>(byte))));
  return text;
}

QString AnsiLinesToDisplay(std::string_view crlf_joined) {
  QString text;
  text.reserve(static_cast<qsizetype>(crlf_joined.size()));
  for (size_t i = 0; i < crlf_joined.size(); ++i) {
    auto byte = static_cast<unsigned char>(crlf_joined[i]);
    // Lines hold no line feed, so each one ends a line together with the CR before it.
    if (byte == '\r' && i + 1 < crlf_joined.size() && crlf_joined[i + 1] == '\n') continue;
    text.append(byte == '\n' ? QChar(u'\n') : QChar(CharOfByte(byte)));
  }
  return text;
}

std::string DisplayToAnsi(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) {
    int byte = ByteOfChar(c.unicode());
    bytes.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return bytes;
}

}  // namespace kestrix::desktop
