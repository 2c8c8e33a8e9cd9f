#include "checker/vb_lexer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kestrix::checker {
namespace {

TEST(Keywords, FoundInAnyCaseAndOnlyWhole) {
  const std::pair<std::string_view, Keyword> kFound[] = {{"If", Keyword::kIf},
                                                         {"ELSEIF", Keyword::kElseIf},
                                                         {"eNd", Keyword::kEnd},
                                                         {"GoSub", Keyword::kGoSub},
                                                         {"property", Keyword::kProperty},
                                                         {"Implements", Keyword::kImplements},
                                                         {"Attribute", Keyword::kAttribute},
                                                         {"DefLngLng", Keyword::kDeftype},
                                                         {"DEFLNGPTR", Keyword::kDeftype},
                                                         {"defstr", Keyword::kDeftype},
                                                         {"Rem", Keyword::kRem},
                                                         {"ReDim", Keyword::kReDim}};
  for (const auto& [word, keyword] : kFound) {
    EXPECT_EQ(KeywordOf(word), keyword) << word;
    // The lexer reads a word's bytes at once where the line holds eight from its start, or
    // eight up to its end, and one by one where it holds neither.
    for (std::string line : {"(" + std::string(word) + ")", "a = " + std::string(word) + "(1)",
                             "abcdefgh.x = " + std::string(word), "x " + std::string(word)}) {
      LexedLine lexed;
      LexLine(line, lexed);
      auto it = std::find_if(lexed.tokens.begin(), lexed.tokens.end(),
                             [&](const Token& t) { return t.text == word; });
      ASSERT_NE(it, lexed.tokens.end()) << line;
      EXPECT_EQ(it->keyword, keyword) << line;
    }
  }

  // Near misses: longer, shorter, with digits, underscores or the code page's letters, and
  // bytes that become letters only when bit 0x20 is set.
  for (std::string_view word :
       {"",           "I",        "Iff",    "Ends",        "En",
        "Sub_",       "Sub1",     "_Sub",   "Implementss", "Implement",
        "Attributes", "DefLngLn", "Def",    "Properties",  "\xC9nd",
        "\x83G",      "E\x0En",   "En\x04", "Then\x7F",    "KestrixLocalHandler",
        "DefLngLngX"}) {
    EXPECT_EQ(KeywordOf(word), Keyword::kNone) << word;
  }
}

// The tokens of each statement, separators left out: what a reader of the line sees.
std::vector<std::vector<std::string>> Statements(const LexedLine& lexed) {
  std::vector<std::vector<std::string>> out(1);
  for (const Token& t : lexed.tokens) {
    if (t.kind == TokenKind::kSeparator) {
      out.emplace_back();
    } else {
      out.back().push_back(std::string(t.text) + (t.type_char ? std::string(1, t.type_char) : ""));
    }
  }
  return out;
}

size_t Two(const Token& first) {
  return first.Is(Keyword::kIf) ? kAllTokens : 2;
}

// With `wants`, each statement keeps the tokens it wants and nothing else changes: its
// separators, where its comment begins, the label. Lines that could mislead a reader that
// passes over a statement's rest: colons inside literals and names, comments, Rem.
TEST(LexLine, PassesOverWhatIsNotWantedOnly) {
  const char* kLines[] = {
      "x = \"a: b\" & c: y = 1",
      "x = \"\"\"\": y = 2 ' : z = 3",
      "d = #1/1/2000 10:30:00 PM#: e = 1",
      "Print #1, a: Close #1",
      "x# = a# / pm#: y = 1",
      "[a:b] = 1: c = [d:e]: f = 2",
      "x = y Else Rem: z = 1",
      "x = y Then Rem: z = 1",
      "x = rem: z = 1",
      "x = 1 Rem is no comment here: y = 2",
      "s = a Or b:Rem c: d",
      "x := 1: y:=2",
      "10 a = 1: b = 2",
      "Again: a = 1: b = 2",
      "a = \x83G\x81[\x83x: b = 1",
      "a = \x83[: b = [c]: d = 1",
      "If a Then b = 1: c = 2 Else d: e = 3",
      "x = 1: If a Then b: c",
      "a = \"unclosed: b = 1",
      "a = [unclosed: b = 1",
      "a$ = Left$(s, 2) _: b = 1",
      "rs!Field = 1: a&b = 2",
      "::x = 1:: y = 2::",
      "x = 1 'rem: y = 2",
      "x = \"r\" Rem",
      "x.Rem = 1: y = 2",
  };
  size_t kept_in_all = 0, found_in_all = 0;
  for (const char* line : kLines) {
    LexedLine all, some;
    LexLine(line, all);
    LexLine(line, some, &Two);
    found_in_all += all.tokens.size();
    kept_in_all += some.tokens.size();
    EXPECT_EQ(some.label, all.label) << line;
    std::vector<std::vector<std::string>> full = Statements(all);
    std::vector<std::vector<std::string>> kept = Statements(some);
    ASSERT_EQ(kept.size(), full.size()) << line;
    bool keep_all = false;
    for (size_t k = 0; k < full.size(); ++k) {
      // What is kept is the statement's first tokens, at least as many as wanted.
      size_t wanted = keep_all ? full[k].size() : std::min<size_t>(2, full[k].size());
      EXPECT_GE(kept[k].size(), wanted) << line;
      EXPECT_LE(kept[k].size(), full[k].size()) << line;
      kept[k].resize(std::min(kept[k].size(), full[k].size()));
      EXPECT_TRUE(std::equal(kept[k].begin(), kept[k].end(), full[k].begin())) << line;
      keep_all = keep_all || (!full[k].empty() && full[k].front() == "If");
    }
  }
  EXPECT_LT(kept_in_all, found_in_all);
}

TEST(LexLine, LabelsAndDirectives) {
  struct Case {
    const char* line;
    const char* label;
    bool numeric;
    Directive directive;
    size_t tokens;
  };
  const Case kCases[] = {
      {"  0100\tx = 1", "100", true, Directive::kNone, 3},
      {"000: x", "0", true, Directive::kNone, 2},  // the ':' stays as a separator
      {"10:= 1", "", false, Directive::kNone, 3},
      {"10x = 1", "", false, Directive::kNone, 4},
      {"10'note", "10", true, Directive::kNone, 0},
      {"Retry: x", "retry", false, Directive::kNone, 1},
      {"Loop: x", "", false, Directive::kNone, 3},
      {"  ' 10 x", "", false, Directive::kNone, 0},
      {"", "", false, Directive::kNone, 0},
      {" # If A Then", "", false, Directive::kIf, 2},
      {"#Const B = 1 ' note", "", false, Directive::kConst, 3},
  };
  for (const Case& c : kCases) {
    LexedLine lexed;
    lexed.label = "stale";
    LexLine(c.line, lexed);
    EXPECT_EQ(lexed.label, c.label) << c.line;
    EXPECT_EQ(lexed.numeric_label, c.numeric) << c.line;
    EXPECT_EQ(lexed.directive, c.directive) << c.line;
    EXPECT_EQ(lexed.tokens.size(), c.tokens) << c.line;
  }
}

// Everything a LexedLine says, its tokens given apart, as one text.
std::string Described(const LexedLine& line, std::span<const Token> tokens) {
  std::string out = std::string(line.label) + (line.numeric_label ? "#" : "") + "|" +
                    (line.label_number ? std::to_string(*line.label_number) : "-") + "|" +
                    std::to_string(static_cast<int>(line.directive));
  for (const Token& t : tokens) {
    out += "|" + std::to_string(static_cast<int>(t.kind)) + "," +
           std::to_string(static_cast<int>(t.keyword)) + "," + std::string(t.text) +
           (t.type_char ? std::string(1, t.type_char) : "") + (t.bracketed ? "[]" : "");
  }
  return out;
}

size_t One(const Token&) {
  return 1;
}

// A module's lines read one after another, the same code coming back under other line
// numbers, indents and readings: the lexer that remembers gives what LexLine gives, for each
// line, across forgotten entries, clashing slots and texts it must not remember.
TEST(LineLexer, GivesWhatLexLineGives) {
  const char* kNumbers[] = {"",     "10 ",      "0010\t",  "20:", "99999999999999999999 ",
                            "30x ", "40' note", "  50\t  "};
  const char* kCodes[] = {"x = 1",
                          "On Error GoTo KestrixLocalHandler",
                          "If a Then b: c Else d",
                          "Select Case KestrixHandleError(Err.Number, MODULENAME_, Erl)",
                          "Again: x = 1",
                          "Again:",
                          "KestrixLocalHandler:",
                          "#If A Then",
                          "# Const B = 1",
                          "' a comment",
                          "",
                          "Rem x: y",
                          "x = \"a: b\" & [c:d] ' e",
                          "Print #1, a: Close #1",
                          "Resume Next",
                          "End Sub",
                          "Dim s As String * 10",
                          "\x83G\x81[: x = 1",
                          "a = b Rem",
                          "12345678 = 1"};
  std::mt19937 random(20261207);
  auto pick = [&random](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(random);
  };
  std::vector<std::string> lines;
  for (int k = 0; k < 40000; ++k) {
    // Most codes come back often; a few are made unique, to fill and clash the slots.
    std::string code = kCodes[pick(std::size(kCodes))];
    if (pick(4) == 0) code += " + " + std::to_string(pick(100000));
    lines.push_back(kNumbers[pick(std::size(kNumbers))] + code);
  }
  LineLexer lexer;
  size_t differing = 0;
  for (const std::string& line : lines) {
    WantsTokens wants = pick(3) == 0 ? nullptr : pick(2) == 0 ? &Two : &One;
    bool lasting = pick(10) != 0;
    LexedLine expected;
    LexLine(line, expected, wants);
    LineLexer::Result got = lexer.Lex(line, wants, lasting);
    std::string want = Described(expected, expected.tokens);
    std::string have = Described(got.line, got.tokens);
    if (want != have && ++differing <= 10) ADD_FAILURE() << line << "\n" << have << "\n" << want;
  }
  EXPECT_EQ(differing, 0u);
}

}  // namespace
}  // namespace kestrix::checker
