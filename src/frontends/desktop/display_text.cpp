#include "frontends/desktop/display_text.h"

#include "platform/system/ansi_text.h"

namespace kestrix::desktop {
namespace {

constexpr char16_t kCarriageReturnSymbol = 0x240D;

char16_t CharOfByte(unsigned char byte) {
  if (byte == '\r') return kCarriageReturnSymbol;
  return system::AnsiCharOf(byte);
}

// The byte standing for `c`, or -1.
int ByteOfChar(char16_t c) {
  if (c == kCarriageReturnSymbol) return '\r';
  if (c == '\r') return -1;
  return system::AnsiByteOf(c);
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
