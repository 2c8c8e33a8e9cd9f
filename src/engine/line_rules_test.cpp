#include "engine/line_rules.h"
#include "engine/engine_test_support.h"
#include "engine/module_text.h"
#include "engine/text_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrix::engine {
namespace {

struct TextCase {
  const char* line;
  const char* expected;
};

TEST(LineRulesTest, StripLeadingBlanksRemovesBlanksAndTabsOnly) {
  const TextCase cases[] = {
      {"  \t \tx = 1", "x = 1"},  {"\t\t", ""}, {"", ""},
      {"x = 1  \t", "x = 1  \t"},  // trailing blanks stay
      {"\r\n x", "\r\n x"},        // line breaks are not blanks
      {"  a \t b", "a \t b"},      // inner blanks stay
  };
  for (const auto& c : cases)
    EXPECT_EQ(StripLeadingBlanks(c.line), c.expected) << "line: " << c.line;
}

TEST(LineRulesTest, NeedsNoLineNumber) {
  // Blank and comment lines; Case clauses and any first word starting with CASE; conditional
  // compilation; a line number or a label in front (a line holds one of them at most), also
  // Shift-JIS "エラー:", whose last letter's second byte is 0x5B, an ASCII '['.
  for (const char* line :
       {"", "   ", "\t", "   ' note", "  Case 1 To 5", "case else", "CaseCount = 0",
        "#If DEBUG Then", "\t#End If", "10 x = 1", "  20 y = 2", "Retry:", "Retry: x = 1",
        "\tnext_try: x = 1", "\x83\x47\x83\x89\x81\x5b:"}) {
    EXPECT_TRUE(NeedsNoLineNumber(line)) << "line: " << line;
  }
  // A Rem line is numbered; named arguments and statement keywords before a colon are no
  // labels; plain statements.
  for (const char* line :
       {"Rem note", "Cas = 1", "x := 1", "Foo a:=1", "Else: x = 1", "loop: x = 1",
        "Call Foo(1): Bar", "Dim x As Long", "Exit Sub", "x = 1 ' Case"}) {
    EXPECT_FALSE(NeedsNoLineNumber(line)) << "line: " << line;
  }
}

TEST(LineRulesTest, IsProcedureEnd) {
  const std::pair<const char*, const char*> ends[] = {
      {"End Sub", "Exit Sub"},
      {"  end function", "Exit Function"},
      {"End Property", "Exit Property"},
      {"\tEND SUB", "Exit Sub"},
      {"120 End Sub", "Exit Sub"},
      {"Done: End Function", "Exit Function"},
      {"End Subroutine", "Exit Sub"},  // a prefix test
      {"End Sub ' done", "Exit Sub"},
      // The apostrophe sits inside a literal; the first END outside literals is the real one.
      {"MsgBox \"it's\": End Sub", "Exit Sub"},
  };
  for (const auto& [line, exit] : ends) {
    std::string exit_statement = "preset";
    EXPECT_TRUE(IsProcedureEnd(line, exit_statement)) << "line: " << line;
    EXPECT_EQ(exit_statement, exit) << "line: " << line;
  }
  // The first END of "SendData: End Sub" is inside SendData; Rem starts a statement after
  // Then, too. The out argument keeps its value whenever the result is false.
  for (const char* line : {"End If", "End", "If a Then End", "x = 1 ' End Sub", "' End Sub",
                           "SendData: End Sub", "MsgBox \"End Sub\"", "Rem End Sub here",
                           "x = 1: Rem End Sub", "If a Then Rem End Sub", ""}) {
    std::string exit_statement = "preset";
    EXPECT_FALSE(IsProcedureEnd(line, exit_statement)) << "line: " << line;
    EXPECT_EQ(exit_statement, "preset") << "line: " << line;
  }
}

// Texts of every length up to past the longest copied without a call, as one text and as a
// head and a tail split anywhere: each line reads back as written, and its neighbours too.
TEST(ModuleTextTest, StoredTextsOfEveryLength) {
  std::string alphabet;
  for (int i = 0; i < 80; ++i)
    alphabet += static_cast<char>('!' + i);
  ModuleFixture fixture(L({"first", "second", "third"}));
  ModuleText text(fixture.code());
  for (size_t size = 0; size <= 70; ++size) {
    const std::string line = alphabet.substr(size % 7, size);
    text.Replace(2, line);
    ASSERT_EQ(text.Line(2), line) << size;
    for (size_t cut = 0; cut <= size; ++cut) {
      text.Replace(2, std::string_view(line).substr(0, cut), std::string_view(line).substr(cut),
                   false);
      ASSERT_EQ(text.Line(2), line) << size << " " << cut;
    }
    text.CopyToStore(3);
    ASSERT_EQ(text.Line(1), "first");
    ASSERT_EQ(text.Line(3), "third");
  }
}

// The lines holding a needle come from one search of the module, matched to their lines as
// the matches come: a few lines apart, far apart, several on one line, on the first and the
// last line.
TEST(ModuleTextTest, LinesHoldingNamesEveryLineOnce) {
  std::vector<std::string> lines;
  for (int gap : {0, 1, 2, 3, 4, 5, 9, 40, 0, 3})
    for (int i = 0; i <= gap; ++i)
      lines.push_back(i == gap ? "x = KeyWord + keyword ' KEYWORD" : "y = 1");
  lines.push_back("keyword");
  ModuleFixture fixture(L(lines));
  ModuleText text(fixture.code());
  std::vector<int32_t> expected;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (basic::FindNoCase(lines[k], "keyword") != std::string::npos) {
      expected.push_back(static_cast<int32_t>(k + 1));
    }
  }
  EXPECT_EQ(text.LinesHolding("keyWORD"), expected);
  EXPECT_EQ(text.KeptLinesHolding("keyword"), expected);
  EXPECT_TRUE(text.LinesHolding("absent").empty());
}

// A needle no line as read holds is looked for only in the lines written since, and in a range
// only where such lines may lie: after any mix of edits, every range gives what reading its
// lines gives.
TEST(ModuleTextTest, SearchesForWrittenTextAfterEdits) {
  std::vector<std::string> lines;
  for (int i = 0; i < 30; ++i)
    lines.push_back("x = " + std::to_string(i));
  ModuleFixture fixture(L(lines));
  uint32_t seed = 7;
  auto next = [&seed](int32_t below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(below));
  };
  for (int run = 0; run < 300; ++run) {
    ModuleText text(fixture.code());
    for (int step = 0; step < 6; ++step) {
      const int32_t count = text.Count();
      const int32_t at = 1 + next(count);
      switch (next(5)) {
        case 0:
          text.Insert(at, next(2) ? "y = 1" : "Fresh");
          break;
        case 1:
          text.Replace(at, next(2) ? "10 fresh" : "z = 2");
          break;
        case 2:
          text.Erase(at, std::min(1 + next(3), count - at));
          break;
        case 3:
          if (text.Line(at).size() > 2) text.CutFront(at, 2);
          break;
        default: {
          const std::string_view block[] = {"' a", "FRESH b"};
          text.InsertEach(at, block);
        }
      }
      for (int32_t from = 1; from <= text.Count(); ++from) {
        bool held = false;
        for (int32_t to = from; to <= text.Count(); ++to) {
          held = held || basic::FindNoCase(text.Line(to), "fresh") != std::string::npos;
          ASSERT_EQ(text.Contains("fresh", from, to), held) << run << " " << step << " " << from;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kestrix::engine

namespace kestrix::engine {
namespace {

// Cleaning keeps a line number that a jump names: the targets must come from code only, never
// from a literal, a comment or the line's own number in front.
TEST(TextUtilTest, JumpTargetsReadOnlyTheCode) {
  struct Case {
    std::string_view line;
    std::vector<long> targets;
  } cases[] = {
      {"GoTo 120", {120}},
      {"130\tIf x Then 140 Else 150", {140, 150}},
      {"On n GoSub 10, 20 ,30", {10, 20, 30}},
      {"Resume 0070", {70}},
      {"200\tx = y + 300", {}},                    // its own number and sums are no target
      {"s = \"GoTo 10\": GoTo 20", {20}},          // not inside a literal
      {"s = \"a\"\"GoTo 11\"\"\" ' GoTo 12", {}},  // doubled quotes, then a comment
      {"x = 1: Rem GoTo 13", {}},
      {"GoTo 14x", {}},  // a name, no number
      {"If a Then\"GoTo 15\"", {}},
      {"s = \"unclosed GoTo 16", {}},
      {"Resume Next", {}},
      {"GoTo 1234567890", {}},     // more digits than a line number holds
      {"If x Then \t160", {160}},  // blanks and tabs between
      {"Else 170: Resume 180", {170, 180}},
      {"x = MyGoTo 190", {}},  // the end of a longer name
      {"GoTo(195)", {}},
      {"If a > 105 Then Exit Sub", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JumpTargets(c.line), c.targets) << c.line;
    // The quick look may only ever pass over a line without targets, from wherever it starts
    // within the line number in front.
    const size_t word_at = ReadLineFacts(c.line).word_at;
    for (size_t from = 0; from <= word_at; ++from)
      EXPECT_TRUE(c.targets.empty() || MayHoldJump(c.line, from)) << c.line << " from " << from;
  }
  for (std::string_view line : {"x = 1", "120\tx = Array(1, 2)", "Then", "If a Then x = 2"})
    EXPECT_FALSE(MayHoldJump(line)) << line;
}

// MayHoldJump read byte by byte: some jump word, blanks, then a digit, from `from` on.
bool MayHoldJumpByteByByte(std::string_view line, size_t from) {
  for (size_t p = std::max<size_t>(from, 1); p < line.size(); ++p) {
    if (!basic::IsDigit(line[p]) || !basic::IsBlank(line[p - 1])) continue;
    size_t end = p - 1;
    while (end > 0 && basic::IsBlank(line[end - 1]))
      --end;
    for (std::string_view word : {"goto", "gosub", "resume", "then", "else"}) {
      if (end < word.size() || !EqualsNoCase(line.substr(end - word.size(), word.size()), word))
        continue;
      if (end == word.size() || !basic::IsIdentChar(line[end - word.size() - 1])) return true;
    }
  }
  return false;
}

// The quick look reads lines eight bytes at a time: words, blanks and digits set at every
// place against those boundaries must give what the byte-by-byte reading gives.
TEST(TextUtilTest, MayHoldJumpAnswersAsTheByteByByteReading) {
  const std::string_view pieces[] = {"GoTo",   " ",      "\t", "1", "x",  "Then", "else", "GOSUB",
                                     "Resume", "MyGoTo", "0",  ",", "7x", "  ",   ":"};
  uint64_t seed = 12345;
  int held = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int count = static_cast<int>(seed % 13);
    for (int k = 0; k < count; ++k) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      line += pieces[(seed >> 33) % std::size(pieces)];
    }
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    for (size_t from = 0; from <= line.size(); ++from) {
      const bool expected = MayHoldJumpByteByByte(line, from);
      held += expected ? 1 : 0;
      ASSERT_EQ(MayHoldJump(line, from), expected) << "[" << line << "] from " << from;
    }
  }
  EXPECT_GT(held, 1000);  // the lines are not all without jumps
}

// Whether a line ends its procedure, with a colon and without: what cleaning and
// instrumenting take for a procedure's last line.
TEST(TextUtilTest, HoldsProcedureEnd) {
  const std::pair<std::string_view, bool> cases[] = {
      {"End Sub", true},
      {"  end  function ' done", true},
      {"120 End Property", true},
      {"120\t  End Sub", true},
      {"10End Sub", false},  // no line number: digits glued to the word
      {"End Select", false},
      {"End", false},
      {"Endx Sub", false},
      {"x = 1: End Sub", true},
      {"Done: End Function", true},
      {"s = \"a:b\": End Sub", true},
      {"x = \"End Sub\": y = 1", false},
      {"SendData: x = 1", false},
      {"' End Sub: note", false},
      {"Rem End Sub", false},
      {"x = 1: Rem End Sub", false},
      {"", false},
  };
  for (const auto& [line, holds] : cases)
    EXPECT_EQ(HoldsProcedureEnd(line), holds) << line;
}

// The module's text tells most lines from their first words; whatever it decides so must be
// what the full reading of the line says, for lines as read and for lines written since.
TEST(ModuleTextTest, FirstWordsAnswerAsTheFullReading) {
  const std::vector<std::string> lines = {"End Sub",
                                          "  End   Sub ' done",
                                          "10 End Function",
                                          "10End Sub",
                                          "x: End Sub",
                                          "Endx Sub",
                                          "End Property",
                                          "End If",
                                          "End",
                                          "End\tSub",
                                          "End Select",
                                          "end sub",
                                          "Public Sub A()",
                                          "Private Function B() As Long",
                                          "Friend Property Get C()",
                                          "Static Sub D()",
                                          "Global Sub E()",
                                          "Sub F()",
                                          "s = 1",
                                          "Pub = 2",
                                          "Sub_x = 1",
                                          "10 Public Sub G()",
                                          "   Property Let H(v)",
                                          "Select Case x",
                                          "x = 1 _",
                                          "' note _",
                                          "x = PROCNAME_",
                                          "",
                                          "   ",
                                          "#If A Then",
                                          "ErrHandler:",
                                          "100",
                                          "Rem End Sub",
                                          "'End Sub",
                                          "Print \"End Sub\"",
                                          "x = 1: End Sub",
                                          "Case 1: End Function",
                                          "s = \"a:b\": End Sub",
                                          "Sub",
                                          "Public",
                                          "P",
                                          "Get x",
                                          "Function\tI()",
                                          "  20   Sub J()",
                                          "Private Declare Sub K Lib \"k\" ()",
                                          "Fr = 1",
                                          "Global_x = 2",
                                          "On Error GoTo 0",
                                          "on error goto 0: x = 1",
                                          "If a Then On Error GOTO 0",
                                          "GoTo 0",
                                          "GoTo  0",
                                          "GoTo 10",
                                          "x = \"goto 0\"",
                                          "GoTo0",
                                          "s = 1: GoTo 0 ' again"};
  std::vector<std::string> code = lines;
  ModuleFixture fixture(L(code));
  ModuleText text(fixture.code());
  ASSERT_EQ(text.Count(), static_cast<int32_t>(lines.size()));
  // Every line once more as written since (read when first asked, not with the module).
  for (const std::string& line : lines)
    text.Insert(text.Count() + 1, line);
  for (int32_t i = 1; i <= text.Count(); ++i) {
    const std::string line(text.Line(i));
    EXPECT_EQ(text.HoldsEnd(i), HoldsProcedureEnd(line)) << line;
    EXPECT_EQ(text.Continues(i), ContinuesOnNextLine(line)) << line;
    if (!MayBeHeader(text.Facts(i), line)) {
      EXPECT_TRUE(ParseHeader(line).name.empty()) << line;
    }
    EXPECT_EQ(text.Facts(i).colon, line.find(':') != std::string::npos) << line;
    if (text.Origin(i) != 0) {
      const std::vector<int32_t>& holding = text.KeptLinesHolding("GoTo 0");
      EXPECT_EQ(std::binary_search(holding.begin(), holding.end(), text.Origin(i)),
                basic::FindNoCase(line, "goto 0") != std::string::npos)
          << line;
    }
  }
}

}  // namespace
}  // namespace kestrix::engine
