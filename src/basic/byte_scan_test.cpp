#include "basic/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace kestrix::basic {
namespace {

using Lines = std::vector<std::tuple<size_t, size_t, bool>>;

Lines Scanned(std::string_view text) {
  Lines lines;
  ForEachLine(text,
              [&](size_t begin, size_t end, bool colon) { lines.emplace_back(begin, end, colon); });
  return lines;
}

// What ForEachLine promises, one byte at a time.
Lines ReadByByte(std::string_view text) {
  Lines lines;
  size_t start = 0;
  bool colon = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ':') colon = true;
    if (text[i] != '\n') continue;
    lines.emplace_back(start, i, colon);
    start = i + 1;
    colon = false;
  }
  lines.emplace_back(start, text.size(), colon);
  return lines;
}

TEST(ByteScanTest, LinesAndColons) {
  EXPECT_EQ(Scanned(""), (Lines{{0, 0, false}}));
  EXPECT_EQ(Scanned("a:b"), (Lines{{0, 3, true}}));
  EXPECT_EQ(Scanned("a\r\nb:\r\n"), (Lines{{0, 2, false}, {3, 6, true}, {7, 7, false}}));
  EXPECT_EQ(Scanned("\n\n:"), (Lines{{0, 0, false}, {1, 1, false}, {2, 3, true}}));
}

// Line breaks and colons anywhere, next to each other and either side of every 16- and 32-byte
// boundary, in texts of every length up to a few blocks: as read byte by byte.
TEST(ByteScanTest, AgreesWithAByteByByteReading) {
  std::mt19937 random(7);
  const char bytes[] = {'a', ' ', ':', '\n', '\r', '\x80', '\xff', '_'};
  for (size_t size = 0; size <= 140; ++size) {
    for (int round = 0; round < 40; ++round) {
      std::string text(size, 'x');
      // Few special bytes in some texts, many in others.
      const auto every = 1 + random() % 24;
      for (char& c : text) {
        if (random() % every == 0) c = bytes[random() % sizeof bytes];
      }
      ASSERT_EQ(Scanned(text), ReadByByte(text)) << '"' << text << '"';
    }
  }
}

}  // namespace
}  // namespace kestrix::basic
