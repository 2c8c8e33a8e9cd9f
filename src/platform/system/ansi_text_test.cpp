#include "platform/system/ansi_text.h"

#include <gtest/gtest.h>

namespace kestrix::system {
namespace {

TEST(AnsiTextTest, EveryByteComesBack) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte)
    all += static_cast<char>(byte);
  std::u16string text = AnsiToUtf16(all);
  ASSERT_EQ(text.size(), all.size());
  EXPECT_EQ(Utf16ToAnsi(text), all);
}

TEST(AnsiTextTest, MapsTheCodePage) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"Dim x", u"Dim x"},
      {"\x80\x9f\xa0\xe9\xff", u"\u20ac\u0178\u00a0\u00e9\u00ff"},
      {"\x81\x8d\x8f\x90\x9d", u"\u0081\u008d\u008f\u0090\u009d"},
      {"\x93q\x94 \x85", u"\u201cq\u201d \u2026"},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(AnsiToUtf16(bytes), text) << bytes;
    EXPECT_EQ(Utf16ToAnsi(text), bytes) << bytes;
  }
  // What the code page lacks: a C1 control it redefines, a snowman, an emoji (two units).
  EXPECT_EQ(Utf16ToAnsi(u"\u0080|\u2603|\U0001F600|\xD800"), "?|?|?|?");
}

TEST(AnsiTextTest, LineEndsBecomeCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\rb", "a\r\nb"},
      {"a\n\r\n\r\rb\n\r", "a\r\n\r\n\r\n\r\nb\r\n\r\n"},
  };
  for (const auto& [input, expected] : cases)
    EXPECT_EQ(WithCrLf(input), expected) << input;
}

TEST(AnsiTextTest, Utf8BecomesCodePageBytes) {
  struct Case {
    std::string utf8;
    Utf8Conversion result;
    std::string ansi, unmapped;
  } cases[] = {
      {"Ann Lee", Utf8Conversion::kDone, "Ann Lee", ""},
      {"Jos\xc3\xa9 \xe2\x82\xac\xc5\xb8", Utf8Conversion::kDone, "Jos\xe9 \x80\x9f", ""},
      {"\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd", Utf8Conversion::kUnmappable, "", "\xd0\x98"},
      {"a \xf0\x9f\x98\x80", Utf8Conversion::kUnmappable, "", "\xf0\x9f\x98\x80"},
      {"Jos\xe9", Utf8Conversion::kNotUtf8, "", ""},       // Windows-1252 already
      {"\xc0\xaf", Utf8Conversion::kNotUtf8, "", ""},      // overlong
      {"\xed\xa0\x80", Utf8Conversion::kNotUtf8, "", ""},  // a surrogate
      {"\xe2\x82", Utf8Conversion::kNotUtf8, "", ""},      // cut short
  };
  for (const auto& c : cases) {
    std::string ansi = "x", unmapped;
    EXPECT_EQ(Utf8ToAnsi(c.utf8, ansi, unmapped), c.result) << c.utf8;
    EXPECT_EQ(ansi, c.ansi) << c.utf8;
    EXPECT_EQ(unmapped, c.unmapped) << c.utf8;
  }
}

}  // namespace
}  // namespace kestrix::system
