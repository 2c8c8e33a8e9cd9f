#include "basic/byte_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace kestrix::basic {
namespace {

// The block-wise split must find the lines and the ':' in them that searching each line
// alone finds, wherever the line breaks and colons fall against the 64-byte blocks: at a
// block's first or last byte, on both sides of its end, in lines longer than a block, in
// texts that end inside, at or just after a block.
TEST(ByteScanTest, LinesSplitAsSearchingEachLineAlone) {
  using Line = std::tuple<size_t, size_t, bool, bool>;  // begin, end, has_colon, last
  auto slowly = [](std::string_view text) {
    std::vector<Line> lines;
    for (size_t begin = 0;;) {
      const size_t lf = text.find('\n', begin);
      const size_t end = lf == std::string_view::npos ? text.size() : lf;
      const bool colon = text.substr(begin, end - begin).find(':') != std::string_view::npos;
      lines.emplace_back(begin, end, colon, lf == std::string_view::npos);
      if (lf == std::string_view::npos) return lines;
      begin = lf + 1;
    }
  };
  auto check = [&](const std::string& text) {
    std::vector<Line> lines;
    ForEachLine(text, [&](size_t begin, size_t end, bool colon, bool last) {
      lines.emplace_back(begin, end, colon, last);
    });
    ASSERT_EQ(lines, slowly(text)) << ::testing::PrintToString(text);
  };
  for (size_t size : {0, 1, 2, 63, 64, 65, 127, 128, 129, 200}) {
    for (size_t at : {size_t{0}, size_t{1}, size_t{62}, size_t{63}, size_t{64}, size_t{65},
                      size_t{127}, size_t{128}, size / 2, size - 1}) {
      if (at >= size) continue;
      for (const char* marks : {"\n", ":", ":\n", "\n:", "\r\n", ":\r\n"}) {
        std::string text(size, 'x');
        text.replace(at, std::min(std::strlen(marks), size - at), marks);
        check(text);
      }
    }
    check(std::string(size, '\n'));
    check(std::string(size, ':'));
  }
  std::mt19937 random(11);
  const char alphabet[] = {'a', ' ', ':', '\n', '\r', '"', 'b', 'c'};
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 400, ' ');
    // Some texts dense with line breaks and colons, some with few.
    const uint32_t spread = round % 2 == 0 ? 8 : 64;
    for (char& c : text) {
      const auto pick = static_cast<uint32_t>(random() % spread);
      c = pick < 8 ? alphabet[pick] : 'x';
    }
    check(text);
  }
}


// Every digit after a blank or tab is found, in order, from any start, whether it lies in a
// sixteen-byte block or the bytes after the last one; and the search stops where asked to.
TEST(ByteScanTest, DigitsAfterBlanksAsReadByteByByte) {
  const char alphabet[] = {' ', '\t', '0', '7', '9', 'a', '/', ':', '\xB0'};
  uint64_t seed = 99;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto size = static_cast<size_t>((seed >> 33) % 70);
    for (size_t k = 0; k < size; ++k) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      text += alphabet[(seed >> 33) % std::size(alphabet)];
    }
    for (size_t from = 0; from <= size; from += 1 + size / 8) {
      std::vector<size_t> expected, found;
      for (size_t p = std::max<size_t>(from, 1); p < size; ++p) {
        const bool digit = text[p] >= '0' && text[p] <= '9';
        if (digit && (text[p - 1] == ' ' || text[p - 1] == '\t')) expected.push_back(p);
      }
      EXPECT_FALSE(AnyDigitAfterBlank(text, from, [&](size_t p) {
        found.push_back(p);
        return false;
      }));
      ASSERT_EQ(found, expected) << "[" << text << "] from " << from;
      if (expected.empty()) continue;
      size_t calls = 0;
      EXPECT_TRUE(AnyDigitAfterBlank(text, from, [&](size_t p) {
        ++calls;
        return p == expected.back();
      }));
      EXPECT_EQ(calls, expected.size());
    }
  }
}

}  // namespace
}  // namespace kestrix::basic
