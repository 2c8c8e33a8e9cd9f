#include "platform/system/ini_document.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace kestrix::system {
namespace {

using testing::Crlf;

struct SetCase {
  const char* before;  // | for CR LF
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(IniDocumentTest, SetTouchesOnlyItsLine) {
  const SetCase cases[] = {
      {"", "S", "k", "v", "[S]|k=v"},
      {"[S]|A=1", "s", "a", "2", "[S]|A=2"},
      {"[S]|  A = 1", "S", "A", "2", "[S]|  A = 2"},
      {"[S]|A=", "S", "A", "x y", "[S]|A=x y"},
      {"[S]|A=1||; about T|[T]|B=2", "S", "C", "3", "[S]|A=1|C=3||; about T|[T]|B=2"},
      {"; head|[T]|B=2", "S", "C", "3", "; head|[T]|B=2||[S]|C=3"},
      {"[S]", "S", "k", "v", "[S]|k=v"},
      {"[S]|; k=1", "S", "k", "2", "[S]|k=2|; k=1"},
      {"[S]|A=1|[s]|A=9", "S", "A", "2", "[S]|A=2|[s]|A=9"},
      {"A=1|[S]", "S", "A", "2", "A=1|[S]|A=2"},
      {" [ Add-Ins32 ] |x.Connect=0", "add-ins32", "X.CONNECT", "1", " [ Add-Ins32 ] |x.Connect=1"},
      {"[K\\Settings]|Email=a", "k\\settings", "Programmer", "Me",
       "[K\\Settings]|Email=a|Programmer=Me"},
  };
  for (const SetCase& c : cases) {
    IniDocument doc(Crlf(c.before));
    doc.Set(c.section, c.key, c.value);
    std::string expected = Crlf(c.after);
    EXPECT_EQ(doc.Bytes(), expected) << c.before;
    // Setting the same value again changes nothing.
    IniDocument again(doc.Bytes());
    again.Set(c.section, c.key, c.value);
    EXPECT_EQ(again.Bytes(), expected) << c.before;
    EXPECT_EQ(TrimBlanks(again.Get(c.section, c.key).value_or("?")), c.value) << c.before;
  }
}

TEST(IniDocumentTest, LineEnds) {
  const std::pair<std::string, std::string> cases[] = {
      {"[S]\nA=1\n", "[S]\r\nA=1\r\n"},
      {"[S]\r\nA=1", "[S]\r\nA=1\r\n"},
      {"", ""},
      {"[S]\r\nA=a\rb\r\n", "[S]\r\nA=a\rb\r\n"},  // a bare CR stays inside its line
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(IniDocument(in).Bytes(), out);
  }
}

TEST(IniDocumentTest, Get) {
  struct Case {
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"[S]| a = 1 ", "S", "A", " 1 "},
      {"[S]|A=x=y", "S", "A", "x=y"},
      {"[S]|A=1|A=2", "S", "A", "1"},
      {"[S]|A", "S", "A", std::nullopt},
      {"[S]|;A=1", "S", "A", std::nullopt},
      {"A=1|[S]", "S", "A", std::nullopt},
      {"[S]|A=1", "T", "A", std::nullopt},
      {"[S]|[T]|A=1", "S", "A", std::nullopt},
      {"[S|A=1", "S", "A", "1"},  // a header without ']' still opens its section
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniDocument(Crlf(c.text)).Get(c.section, c.key), c.expected) << c.text;
  }
}

TEST(IniDocumentTest, EraseTakesEveryCopyOfTheKeyAndKeepsEverythingElse) {
  IniDocument doc(Crlf("; top|[S]|; keep|a=1|B=2|A = 2||[T]|a=3|[ s ]|x=4|a=5"));
  EXPECT_TRUE(doc.Erase("s", "A"));
  EXPECT_EQ(doc.Bytes(), Crlf("; top|[S]|; keep|B=2||[T]|a=3|[ s ]|x=4"));
  EXPECT_EQ(doc.Get("S", "a"), std::nullopt);
  EXPECT_FALSE(doc.Erase("S", "A"));
  EXPECT_FALSE(doc.Erase("U", "A"));
  EXPECT_EQ(doc.Bytes(), Crlf("; top|[S]|; keep|B=2||[T]|a=3|[ s ]|x=4"));
}

}  // namespace
}  // namespace kestrix::system
