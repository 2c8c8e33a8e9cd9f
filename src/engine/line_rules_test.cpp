#include "engine/line_rules.h"

#include <gtest/gtest.h>

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

struct FlagCase {
  const char* line;
  bool expected;
};

TEST(LineRulesTest, NeedsNoLineNumber) {
  const FlagCase cases[] = {
      // Blank and comment lines; a Rem line is numbered.
      {"", true},
      {"   ", true},
      {"\t", true},
      {"   ' note", true},
      {"Rem note", false},
      // Case clauses, and any first word starting with CASE.
      {"  Case 1 To 5", true},
      {"case else", true},
      {"CaseCount = 0", true},
      {"Cas = 1", false},
      // Conditional compilation.
      {"#If DEBUG Then", true},
      {"\t#End If", true},
      // A line number or a label in front: a line holds one of them at most.
      {"10 x = 1", true},
      {"  20 y = 2", true},
      {"Retry:", true},
      {"Retry: x = 1", true},
      {"\tnext_try: x = 1", true},
      // Shift-JIS "エラー:" (its last letter's second byte is 0x5B, an ASCII '[').
      {"\x83\x47\x83\x89\x81\x5b:", true},
      // Named arguments and statement keywords before a colon are not labels.
      {"x := 1", false},
      {"Foo a:=1", false},
      {"Else: x = 1", false},
      {"loop: x = 1", false},
      {"Call Foo(1): Bar", false},
      // Plain statements.
      {"Dim x As Long", false},
      {"Exit Sub", false},
      {"x = 1 ' Case", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NeedsNoLineNumber(c.line), c.expected) << "line: " << c.line;
}

struct EndCase {
  const char* line;
  const char* exit_statement;  // nullptr: not a procedure end
};

TEST(LineRulesTest, IsProcedureEnd) {
  const EndCase cases[] = {
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
      {"End If", nullptr},
      {"End", nullptr},
      {"If a Then End", nullptr},
      {"x = 1 ' End Sub", nullptr},
      {"' End Sub", nullptr},
      {"SendData: End Sub", nullptr},  // the first END is inside SendData
      {"MsgBox \"End Sub\"", nullptr},
      {"Rem End Sub here", nullptr},
      {"x = 1: Rem End Sub", nullptr},
      {"If a Then Rem End Sub", nullptr},  // Rem starts a statement after Then, too
      {"", nullptr},
  };
  for (const auto& c : cases) {
    std::string exit_statement = "preset";
    bool is_end = IsProcedureEnd(c.line, exit_statement);
    EXPECT_EQ(is_end, c.exit_statement != nullptr) << "line: " << c.line;
    // The out argument keeps its value whenever the result is false.
    EXPECT_EQ(exit_statement, c.exit_statement ? c.exit_statement : "preset") << "line: " << c.line;
  }
}

}  // namespace
}  // namespace kestrix::engine
