// What the passes ask of the code module: a module is read once and written back a procedure
// body at a time, so that the calls grow with the procedures, not with the lines. In a real
// IDE every call crosses into its process.

#include <gtest/gtest.h>

#include "engine/clean_pass.h"
#include "engine/engine_test_support.h"
#include "engine/module_pass.h"
#include "engine/module_text.h"
#include "host/counting_code_module.h"
#include "platform/vbfiles/file_code_module.h"

namespace kestrix::engine {
namespace {

using host::CountingCodeModule;

// `procedures` procedures of every shape the walk treats apart: comments and blank lines in
// the body, continued statements and headers, Select Case, labels and user line numbers, a
// header declared again under #If … #Else, a procedure defined twice under #If … #Else, and
// properties.
std::string ManyProcedures(int procedures) {
  std::string code = "Option Explicit\r\nDim mCount As Long\r\n";
  for (int i = 0; i < procedures; ++i) {
    std::string n = std::to_string(i);
    switch (i % 5) {
      case 0:
        code += "' Adds one.\r\nPublic Sub Add" + n +
                "(ByVal a As Long)\r\n  Dim b As Long\r\n\r\n" +
                "  b = a + _\r\n    1\r\n  ' note\r\n  mCount = b\r\nEnd Sub\r\n";
        break;
      case 1:
        code += "Private Function Pick" + n +
                "(ByVal k As Long, _\r\n    ByVal d As Long) As Long\r\n" +
                "  Select Case k\r\n    Case 1\r\n      Pick" + n + " = d\r\n    Case Else\r\n" +
                "      Pick" + n + " = 0\r\n  End Select\r\nEnd Function\r\n";
        break;
      case 2:
        code += "#If Win16 Then\r\nSub Old" + n + "(ByVal a As Integer)\r\n#Else\r\nSub Old" + n +
                "(ByVal a As Long)\r\n#End If\r\n  On Error GoTo 0\r\n  mCount = a\r\nEnd Sub\r\n";
        break;
      case 3:
        code += "#If DEBUG_ Then\r\nSub Twice" + n + "()\r\n  mCount = 1\r\nEnd Sub\r\n#Else\r\n" +
                "Sub Twice" + n + "()\r\n  mCount = 2\r\nEnd Sub\r\n#End If\r\n";
        break;
      default:
        code += "Property Get Count" + n + "() As Long\r\n10 Count" + n +
                " = mCount\r\nRetry:\r\n  If mCount = 0 Then GoTo 10\r\nEnd Property\r\n";
        break;
    }
  }
  return code;
}

std::string Breakdown(const CountingCodeModule& counted) {
  std::string out;
  for (int m = 0; m < CountingCodeModule::kMemberCount; ++m) {
    auto member = static_cast<CountingCodeModule::Member>(m);
    if (counted.Calls(member) == 0) continue;
    out += std::string(CountingCodeModule::MemberName(member)) + " " +
           std::to_string(counted.Calls(member)) + "; ";
  }
  return out;
}

TEST(CallCount, PassesCostCallsPerProcedureNotPerLine) {
  constexpr int kProcedures = 100;  // 120 with the second definitions
  const std::string input = ManyProcedures(kProcedures);
  ModuleFixture module(input);
  CountingCodeModule counted(module.code());
  TestState state;
  ASSERT_TRUE(InstrumentModule(state, &counted));
  const int lines = module.code().CountOfLines();
  ASSERT_GT(lines, 12 * kProcedures);
  EXPECT_LE(counted.Calls(CountingCodeModule::kLines), 1);
  EXPECT_EQ(counted.Calls(CountingCodeModule::kReplaceLine), 0);
  // Reading where a procedure lies, and one DeleteLines and InsertLines per body: a few calls
  // a procedure (a second definition is walked a line at a time), against several a line.
  EXPECT_LE(counted.TotalCalls(), 10 * kProcedures + 20) << Breakdown(counted);
  const std::string instrumented = module.Text();
  EXPECT_NE(instrumented, input);

  counted.ResetCounts();
  TestState clean;
  ASSERT_TRUE(CleanModule(clean, &counted));
  EXPECT_EQ(module.Text(), input);
  EXPECT_EQ(counted.Calls(CountingCodeModule::kLines), 1);
  EXPECT_LE(counted.TotalCalls(), 3 * kProcedures + 10);
}

// Edits made to the text, then written back: the calls and what the module holds after.
TEST(CallCount, WriteBackWritesEachChangedStretchOnce) {
  const std::string input = L({"a", "b", "c", "d", "e"});
  struct Case {
    const char* what;
    void (*edit)(ModuleText&);
    int keep;  // 0: no line must stay where it is; 1: line "c" must; 2: every unchanged line
    std::string expected;
    int deletes, inserts;
  };
  const Case cases[] = {
      {"nothing changed", [](ModuleText&) {}, 0, input, 0, 0},
      {"two lines changed around an unchanged one",
       [](ModuleText& t) { t.Replace(2, "B"), t.Replace(4, "D"); }, 0, L({"a", "B", "c", "D", "e"}),
       1, 1},
      {"the unchanged line between them kept",
       [](ModuleText& t) { t.Replace(2, "B"), t.Replace(4, "D"); }, 1, L({"a", "B", "c", "D", "e"}),
       2, 2},
      {"lines inserted only", [](ModuleText& t) { t.Insert(3, "x\r\ny"); }, 2,
       L({"a", "b", "x", "y", "c", "d", "e"}), 0, 1},
      {"lines erased only", [](ModuleText& t) { t.Erase(2, 2); }, 2, L({"a", "d", "e"}), 1, 0},
      {"lines erased, the rest rewritten with them", [](ModuleText& t) { t.Erase(2, 2); }, 0,
       L({"a", "d", "e"}), 1, 1},
      {"the first and the last line changed",
       [](ModuleText& t) { t.Replace(1, "A"), t.Replace(5, "E"); }, 1, L({"A", "b", "c", "d", "E"}),
       2, 2},
      // Lines written one after the other go back as they lie; written in another order, or
      // mixed with lines as read, they are joined.
      {"every line changed, top down",
       [](ModuleText& t) {
         for (int32_t i = 1; i <= 5; ++i)
           t.Replace(i, std::string(1, static_cast<char>('A' + i - 1)));
       },
       0, L({"A", "B", "C", "D", "E"}), 1, 1},
      {"every line changed, bottom up",
       [](ModuleText& t) {
         for (int32_t i = 5; i >= 1; --i)
           t.Replace(i, std::string(i, static_cast<char>('A' + i - 1)));
       },
       0, L({"A", "BB", "CCC", "DDDD", "EEEEE"}), 1, 1},
      {"fronts cut from lines as read and written",
       [](ModuleText& t) { t.CutFront(4, 1), t.Replace(2, "20 B"), t.CutFront(2, 3); }, 0,
       L({"a", "B", "c", "", "e"}), 1, 1},
      // A line copied to the store stays a line as read: kept where it must stay, rewritten
      // with its neighbours where it need not.
      {"a line as read copied between written ones, kept",
       [](ModuleText& t) { t.Replace(2, "B"), t.CopyToStore(3), t.Replace(4, "D"); }, 1,
       L({"a", "B", "c", "D", "e"}), 2, 2},
      {"a line as read copied between written ones, rewritten with them",
       [](ModuleText& t) { t.Replace(2, "B"), t.CopyToStore(3), t.Replace(4, "D"); }, 0,
       L({"a", "B", "c", "D", "e"}), 1, 1},
      {"lines as read copied only", [](ModuleText& t) { t.CopyToStore(2), t.CopyToStore(3); }, 0,
       input, 0, 0},
      {"empty lines and lines as read between written ones",
       [](ModuleText& t) { t.Replace(2, ""), t.Replace(3, ""), t.Insert(5, "\r\n"); }, 0,
       L({"a", "", "", "d", "", "", "e"}), 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModuleFixture module(input);
    ModuleText text(module.code());
    c.edit(text);
    CountingCodeModule counted(module.code());
    text.WriteBack(counted, 1, text.Count(),
                   [&](int32_t i) { return c.keep == 2 || (c.keep == 1 && text.Line(i) == "c"); });
    EXPECT_EQ(module.Text(), c.expected);
    EXPECT_EQ(counted.Calls(CountingCodeModule::kDeleteLines), c.deletes);
    EXPECT_EQ(counted.Calls(CountingCodeModule::kInsertLines), c.inserts);
  }
}

// A conditional-compilation line inside a stretch stays where it is: taking it out, even for
// a moment, unbalances the #If blocks and makes the code module find every procedure below it
// again (a module of procedures with headers under #If grew with the square of its size).
TEST(CallCount, WriteBackLeavesDirectivesInPlace) {
  ModuleFixture module(L({"#If A Then", "Sub P()", "#End If", "x = 1", "End Sub"}));
  ModuleText text(module.code());
  text.Replace(2, "Sub Q()");
  text.Replace(4, "x = 2");
  CountingCodeModule counted(module.code());
  text.WriteBack(counted, 1, text.Count(), [](int32_t) { return false; });
  EXPECT_EQ(module.Text(), L({"#If A Then", "Sub Q()", "#End If", "x = 2", "End Sub"}));
  EXPECT_EQ(counted.Calls(CountingCodeModule::kDeleteLines), 2);
  EXPECT_EQ(counted.Calls(CountingCodeModule::kInsertLines), 2);
}

// The module is read with one Lines call and cut at its line breaks: a carriage return
// inside a line, or an empty line at either end, must not move a line.
TEST(CallCount, TextReadAtOnceKeepsEveryLine) {
  ModuleFixture module(L({"", "Sub A()", "End Sub", ""}));
  module.code().ReplaceLine(2, "Sub A() ' a\rb");
  ModuleText text(module.code());
  ASSERT_EQ(text.Count(), 4);
  EXPECT_EQ(text.Line(1), "");
  EXPECT_EQ(text.Line(2), "Sub A() ' a\rb");
  EXPECT_EQ(text.Line(4), "");
  EXPECT_EQ(text.Origin(3), 3);

  ModuleFixture empty("");
  ModuleText none(empty.code());
  EXPECT_EQ(none.Count(), 0);
  TestState state;
  ASSERT_TRUE(InstrumentModule(state, &empty.code()));
  EXPECT_EQ(empty.Text(),
            L({"'-------- Kestrix Begin --------", "Private Const MODULENAME_=\"Module1\"",
               "'-------- Kestrix End ----------"}));
}

TEST(CallCount, FileWithoutFinalLineBreakKeepsItThroughInstrumentAndClean) {
  const std::string input =
      "Sub A()\r\n  x = 1\r\nEnd Sub\r\n'last\r\nSub B()\r\n  y = 2\r\nEnd Sub";
  ModuleFixture module(input);
  auto& file = dynamic_cast<vbfiles::FileCodeModule&>(module.code());
  ASSERT_FALSE(file.FinalNewline());
  TestState state;
  ASSERT_TRUE(InstrumentModule(state, &module.code()));
  TestState clean;
  ASSERT_TRUE(CleanModule(clean, &module.code()));
  EXPECT_EQ(module.Text(), input + "\r\n");
  EXPECT_FALSE(file.FinalNewline());
}

}  // namespace
}  // namespace kestrix::engine
