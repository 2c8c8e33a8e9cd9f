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

// A line number's value, read eight digits at a time where the line holds eight bytes: every
// count of digits and leading zeros, on lines that end soon after the number and on longer
// ones, against the value read digit by digit.
TEST(LexLine, LineNumberValues) {
  std::mt19937 random(7);
  const char* kAfter[] = {"", " ", "\t", ":", "'", "\tx = 1", ": x = 12345678", " ' 123"};
  for (int k = 0; k < 20000; ++k) {
    size_t zeros = random() % 4;
    size_t digits = 1 + random() % 22;
    std::string number(zeros, '0');
    number += static_cast<char>('1' + random() % 9);
    while (number.size() < zeros + digits)
      number += static_cast<char>('0' + random() % 10);
    std::string line = number + kAfter[random() % std::size(kAfter)];
    LexedLine lexed;
    LexLine(line, lexed);
    ASSERT_TRUE(lexed.numeric_label) << line;
    EXPECT_EQ(lexed.label, number.substr(zeros)) << line;
    uint64_t value = 0;
    for (char c : number)
      value = value * 10 + static_cast<uint64_t>(c - '0');
    if (digits <= 19) {
      EXPECT_EQ(lexed.label_number, value) << line;
    } else {
      EXPECT_FALSE(lexed.label_number.has_value()) << line;
    }
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

// Modules' lines read one after another, the same code coming back under other line numbers,
// indents and readings: the lexers that remember give what LexLine gives, for each line, across
// forgotten entries and clashing slots. Each line is lexed from one buffer, overwritten by the
// next, as a line joined from continued ones is; lexers follow one another, taking over what
// the last one remembered, and now and then one more is used while another is alive.
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
  size_t differing = 0;
  std::string buffer;
  auto check = [&](LineLexer& lexer, const std::string& line, WantsTokens wants) {
    buffer.assign(line);
    LexedLine expected;
    LexLine(line, expected, wants);
    LineLexer::Result got = lexer.Lex(buffer, wants);
    std::string want = Described(expected, expected.tokens);
    std::string have = Described(got.line, got.tokens);
    buffer.assign(buffer.size(), '?');
    if (want != have && ++differing <= 10) ADD_FAILURE() << line << "\n" << have << "\n" << want;
  };
  constexpr size_t kModuleLines = 5000;
  for (size_t first = 0; first < lines.size(); first += kModuleLines) {
    LineLexer lexer;
    for (size_t k = first; k < std::min(lines.size(), first + kModuleLines); ++k) {
      check(lexer, lines[k], pick(3) == 0 ? nullptr : pick(2) == 0 ? &Two : &One);
      if (pick(500) == 0) {
        LineLexer other;
        check(other, lines[pick(lines.size())], &One);
      }
    }
  }
  EXPECT_EQ(differing, 0u);
}

// Lines of one length that differ in one byte only, at every place, for every length up to
// well past the blocks a remembered line is compared in: most share their slot and tag with
// the line before (the slot is found from a few of their bytes), and each must still be lexed
// as itself, numbered or not (every token read: the string's text tells).
TEST(LineLexer, TellsApartLinesThatDifferInOneByte) {
  LineLexer lexer;
  for (size_t length = 1; length <= 90; ++length) {
    for (size_t at = 0; at < length; ++at) {
      for (const char* number : {"", "10 "}) {
        for (char byte : {'a', 'b'}) {
          std::string text(length, 'a');
          text[at] = byte;
          std::string line = std::string(number) + "x = \"" + text + "\"";
          LexedLine expected;
          LexLine(line, expected, nullptr);
          LineLexer::Result got = lexer.Lex(line, nullptr);
          ASSERT_EQ(Described(got.line, got.tokens), Described(expected, expected.tokens)) << line;
        }
      }
    }
  }
}

// More readings than one memory tells apart: the lines read with the ones past those are lexed
// each time, and every reading still gives what LexLine gives.
template <size_t kWanted>
size_t Wanted(const Token&) {
  return kWanted;
}
TEST(LineLexer, ManyReadings) {
  const WantsTokens kReadings[] = {nullptr,     &Wanted<1>,  &Wanted<2>,  &Wanted<3>,  &Wanted<4>,
                                   &Wanted<5>,  &Wanted<6>,  &Wanted<7>,  &Wanted<8>,  &Wanted<9>,
                                   &Wanted<10>, &Wanted<11>, &Wanted<12>, &Wanted<13>, &Wanted<14>,
                                   &Wanted<15>, &Wanted<16>, &Wanted<17>, &Wanted<18>, &Wanted<19>};
  const char* kLines[] = {"10 a b c d e f g: h i j k", "If a Then b c d: e f", "a b: c d e f g h"};
  LineLexer lexer;
  for (int round = 0; round < 3; ++round) {
    for (WantsTokens wants : kReadings) {
      for (const char* line : kLines) {
        LexedLine expected;
        LexLine(line, expected, wants);
        LineLexer::Result got = lexer.Lex(line, wants);
        EXPECT_EQ(Described(got.line, got.tokens), Described(expected, expected.tokens)) << line;
      }
    }
  }
}

// More code than a lexer keeps at once: what it forgot is lexed again, and the tokens it
// handed out before stay readable as long as it lives.
TEST(LineLexer, ForgetsWhenFull) {
  LineLexer lexer;
  std::vector<std::string> lines;
  for (int k = 0; k < 3000; ++k) {
    lines.push_back(std::to_string(k + 1) + "\tx" + std::to_string(k) + " = " +
                    std::string(900, 'a') + " + " + std::to_string(k) + ": y = 1");
  }
  std::vector<Token> kept;  // the first token of each line's second reading, as handed out
  for (int round = 0; round < 2; ++round) {
    for (const std::string& line : lines) {
      LexedLine expected;
      LexLine(line, expected, nullptr);
      for (int again = 0; again < 2; ++again) {  // lexed, then recalled
        LineLexer::Result got = lexer.Lex(line, nullptr);
        ASSERT_EQ(Described(got.line, got.tokens), Described(expected, expected.tokens)) << line;
        if (again == 1) kept.push_back(got.tokens[0]);
      }
    }
  }
  for (size_t k = 0; k < kept.size(); ++k)
    EXPECT_EQ(kept[k].text, "x" + std::to_string(k % lines.size()));
}

}  // namespace
}  // namespace kestrix::checker
