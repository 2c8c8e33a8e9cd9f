#include "engine/token_list.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/ide_error.h"
#include "support/test_support.h"

namespace kestrix::engine {
namespace {

using Tokens = std::vector<std::string>;

// Every token of a fresh scan of the list.
Tokens Scan(clsTokenList& list) {
  Tokens tokens;
  list.InitScan();
  while (!list.Done())
    tokens.push_back(list.NextToken());
  return tokens;
}

struct ScanCase {
  const char* value;
  const char* separator;
  bool trimmed;
  Tokens expected;
};

TEST(TokenListTest, ScanCutsValueIntoTokens) {
  const ScanCase cases[] = {
      // Lines as the engine cuts them: no trimming, CR LF between lines.
      {"A\r\n   B\r\n", "\r\n", false, {"A", "   B"}},
      {"A\r\n   B", "\r\n", false, {"A", "   B"}},  // a final break adds no token
      {"A\r\n\r\nB", "\r\n", false, {"A", "", "B"}},
      {"A\r\n   ", "\r\n", false, {"A"}},  // a remainder of blanks is dropped
      {"\tA \r\n", "\r\n", false, {"\tA "}},
      // The initial settings.
      {"x|y| z |", "|", true, {"x", "y", "z"}},
      {"|a", "|", true, {"", "a"}},
      {"a\t|", "|", true, {"a\t"}},  // only blanks are trimmed
      {"Ab<>aB<>", "<>", true, {"Ab", "aB"}},
      {"a|b", "", true, {"a|b"}},  // an empty separator must not loop forever
      {"", "|", true, {}},
      {"   ", "|", true, {}},
  };
  for (const auto& c : cases) {
    clsTokenList list;
    list.SetSeparator(c.separator);
    list.SetTrimmed(c.trimmed);
    list.SetValue(c.value);
    EXPECT_EQ(Scan(list), c.expected) << "value: " << c.value;
    EXPECT_EQ(list.Count(), static_cast<int32_t>(c.expected.size())) << "value: " << c.value;
  }
}

TEST(TokenListTest, AddsTokensWithTheInitialSettings) {
  clsTokenList list;
  list.AddToken("x");
  list.AddToken("y");
  list.AddToken(" z ");
  EXPECT_EQ(list.Value(), "x|y| z |");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(Scan(list), (Tokens{"x", "y", "z"}));

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  list.AddTokens("tk", {"a", "b"});
  EXPECT_EQ(list.Value(), "tk|a|b|");
}

// Runs `call` and checks that it raises the no-scan error from `source`.
template <typename Call>
void ExpectNoScan(Call call, const char* source) {
  try {
    call();
    ADD_FAILURE() << "no error from " << source;
  } catch (const host::IdeError& e) {
    EXPECT_EQ(e.Number(), -2147220454);
    EXPECT_EQ(e.Description(), "Initscan non effettuata");
    EXPECT_EQ(e.Source(), source);
  }
}

TEST(TokenListTest, TokensAreHandedOutOnlyDuringAScan) {
  clsTokenList list;
  ExpectNoScan([&] { list.NextToken(); }, "tkList.NextToken");
  ExpectNoScan([&] { list.PreviewToken(); }, "tkList.PreviewToken");

  list.SetValue("a|b|");
  list.InitScan();
  EXPECT_EQ(list.PreviewToken(), "a");
  EXPECT_EQ(list.NextToken(), "a");
  EXPECT_FALSE(list.Done());
  EXPECT_EQ(list.NextToken(), "b");
  EXPECT_TRUE(list.Done());
  ExpectNoScan([&] { list.NextToken(); }, "tkList.NextToken");
  ExpectNoScan([&] { list.PreviewToken(); }, "tkList.PreviewToken");

  list.InitScan();  // restarts from the current Value
  EXPECT_EQ(list.NextToken(), "a");
}

TEST(TokenListTest, TextFilesAndFileLinesRoundTrip) {
  testing::TempDir dir;
  std::string file = dir.Path("tokens.txt");
  clsTokenList list;
  list.SetTrimmed(false);
  list.SetValue("first| two words ||last|");
  list.ToTextFile(file);
  EXPECT_EQ(testing::ReadFile(file), "first\r\n two words \r\n\r\nlast\r\n");

  clsTokenList read;
  read.SetTrimmed(false);
  read.SetValue("replaced|");
  read.FromTextFile(file);
  EXPECT_EQ(Scan(read), (Tokens{"first", " two words ", "", "last"}));

  // A file written with LF only reads the same.
  read.FromTextFile(dir.Write("lf.txt", "first\n two words \n\nlast\n"));
  EXPECT_EQ(Scan(read), (Tokens{"first", " two words ", "", "last"}));

  // A failed read keeps the value; a failed write reaches the caller.
  EXPECT_THROW(read.FromTextFile(dir.Path("missing.txt")), host::IdeError);
  EXPECT_EQ(read.Value(), "first| two words ||last|");
  EXPECT_THROW(read.ToTextFile(dir.Path("no/such/folder/out.txt")), host::IdeError);

  // One line of a file holds the whole value.
  list.SetValue("a|b c|");
  std::stringstream lines;
  list.ToFileLine(lines);
  list.ToFileLine(lines);
  EXPECT_EQ(lines.str(), "a|b c|\r\na|b c|\r\n");
  read.FromFileLine(lines);
  EXPECT_EQ(read.Value(), "a|b c|");
}

}  // namespace
}  // namespace kestrix::engine
