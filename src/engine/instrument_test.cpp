// Instrumenting modules and cleaning them again, as (input, expected) pairs: every case also
// checks that a second run changes nothing and that cleaning gives back the input.

#include <gtest/gtest.h>

#include "engine/clean_pass.h"
#include "engine/engine_test_support.h"
#include "engine/module_pass.h"

#include <span>

namespace kestrix::engine {
namespace {

const std::string B = "'-------- Kestrix Begin --------";
const std::string E = "'-------- Kestrix End ----------";
const std::string kModuleConst = "Private Const MODULENAME_=\"Module1\"";
const std::string kOnError = "\t\tOn Error Goto KestrixLocalHandler";

std::vector<std::string> Head(const std::string& member) {
  return {B, kOnError, "\t\tConst PROCNAME_=\"" + member + "\"", E};
}
std::vector<std::string> Tail(const std::string& exit) {
  return {B,
          "\t" + exit,
          "KestrixLocalHandler:",
          "    LogError MODULENAME_, PROCNAME_, Erl",
          "    Resume Next",
          E};
}
std::vector<std::string> ModuleBlock() {
  return {B, kModuleConst, E};
}

// A module's lines, where "@M" stands for the module's block, "@H name" for a procedure's
// head block and "@T exit" for its handler block.
std::string X(const std::vector<std::string>& lines) {
  std::vector<std::string> all;
  for (const auto& line : lines) {
    std::vector<std::string> block = {line};
    if (line == "@M") {
      block = ModuleBlock();
    } else if (line.starts_with("@H ")) {
      block = Head(line.substr(3));
    } else if (line.starts_with("@T ")) {
      block = Tail(line.substr(3));
    }
    all.insert(all.end(), block.begin(), block.end());
  }
  return L(all);
}

std::string Instrument(TestState& state, const std::string& input) {
  ModuleFixture module(input);
  EXPECT_TRUE(InstrumentModule(state, &module.code()));
  std::string once = module.Text();
  TestState again;
  again.check1 = state.check1;
  EXPECT_TRUE(InstrumentModule(again, &module.code()));
  EXPECT_EQ(module.Text(), once) << "a second run changed the module";
  TestState clean;
  EXPECT_TRUE(CleanModule(clean, &module.code()));
  EXPECT_EQ(module.Text(), input) << "cleaning did not give back the input";
  return once;
}

struct Case {
  const char* what;
  std::string input;
  std::string expected;
  std::string notes;
};

void ExpectInstrumented(std::initializer_list<Case> cases) {
  for (const auto& c : cases) {
    TestState state;
    EXPECT_EQ(Instrument(state, c.input), c.expected) << c.what;
    EXPECT_EQ(state.status.Notes(), c.notes) << c.what;
  }
}

// Each input cleaned with the main window's initial options.
void ExpectCleaned(std::span<const Case> cases) {
  for (const auto& c : cases) {
    TestState state;
    ModuleFixture module(c.input);
    ASSERT_TRUE(CleanModule(state, &module.code()));
    EXPECT_EQ(module.Text(), c.expected) << c.what;
    EXPECT_EQ(state.status.Notes(), c.notes) << c.what;
  }
}

TEST(Instrument, Procedures) {
  ExpectInstrumented({
      {"statements numbered by position, continuation lines skipped",
       L({"Function Twice(x As Long) As Long", "    Dim y As Long", "    ' double it",
          "    y = x _", "        * 2", "    Twice = y", "End Function"}),
       X({"@M", "Function Twice(x As Long) As Long", "@H Twice", "101\t    Dim y As Long",
          "    ' double it", "103\t    y = x _", "        * 2", "104\t    Twice = y",
          "@T Exit Function", "End Function"}),
       "Ok"},
      {"empty body", L({"Sub X()", "End Sub"}),
       X({"@M", "Sub X()", "@H X", "@T Exit Sub", "End Sub"}), "Ok"},
      {"On Error GoTo 0 turned into a jump to the handler, except in literals and comments",
       L({"Sub E()", "    On Error Resume Next", "    x = 1: on error goto 0",
          "    MsgBox \"On Error GoTo 0\" ' On Error GoTo 0", "End Sub"}),
       X({"@M", "Sub E()", "@H E", "101\t    On Error Resume Next",
          "102\t    x = 1: on error goto KestrixLocalHandler",
          "103\t    MsgBox \"On Error GoTo 0\" ' On Error GoTo 0", "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"labels and user line numbers keep their lines; no number repeats a user's",
       L({"Sub R()", "Retry:", "    x = 1", "102 y = 2", "    z = 3", "    GoTo Retry", "End Sub"}),
       X({"@M", "Sub R()", "@H R", "Retry:", "103\t    x = 1", "102 y = 2", "104\t    z = 3",
          "105\t    GoTo Retry", "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"a number taken by a label later in the procedure is passed over",
       L({"Sub N()", "    a = 1", "    GoTo 102", "102 b = 2", "End Sub"}),
       X({"@M", "Sub N()", "@H N", "101\t    a = 1", "103\t    GoTo 102", "102 b = 2",
          "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"skip mark in a comment above the header",
       L({"' KestrixSkipProc: hot loop", "Sub Hot()", "x = 1", "End Sub"}),
       X({"@M", "' KestrixSkipProc: hot loop", "Sub Hot()", "x = 1", "End Sub"}),
       "Skipped (KestrixSkipProc)"},
      {"End sharing its line with statements: left alone",
       L({"Public Function NewEnum() As IUnknown: End Function", "Function F()",
          "x = 1: F = 2: End Function", "Sub Ok()", "End Sub"}),
       X({"@M", "Public Function NewEnum() As IUnknown: End Function", "Function F()",
          "x = 1: F = 2: End Function", "Sub Ok()", "@H Ok", "@T Exit Sub", "End Sub"}),
       "Skipped (End on a statement line) / Skipped (End on a statement line) / Ok"},
      {"header declared twice under #If: the head block goes after #End If",
       L({"Option Explicit", "#If Win64 Then",
          "Private Function Ptr(ByVal p As LongPtr) As LongPtr", "#Else",
          "Private Function Ptr(ByVal p As Long) As Long", "#End If", "    Ptr = p",
          "End Function"}),
       X({"@M", "Option Explicit", "#If Win64 Then",
          "Private Function Ptr(ByVal p As LongPtr) As LongPtr", "#Else",
          "Private Function Ptr(ByVal p As Long) As Long", "#End If", "@H Ptr", "101\t    Ptr = p",
          "@T Exit Function", "End Function"}),
       "Ok"},
      {"module constant after the last Def statement, even on the last declaration line",
       L({"Option Explicit", "DefInt A-Z", "Sub A()", "End Sub"}),
       X({"Option Explicit", "DefInt A-Z", "@M", "Sub A()", "@H A", "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"a Type member named DefaultValue is no Def statement",
       L({"Private Type T", "    DefaultValue As Long", "End Type", "Sub A()", "End Sub"}),
       X({"@M", "Private Type T", "    DefaultValue As Long", "End Type", "Sub A()", "@H A",
          "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"module constant already declared, with a blank before =",
       L({"Private Const MODULENAME_ = \"X\"", "Sub A()", "End Sub"}),
       X({"Private Const MODULENAME_ = \"X\"", "Sub A()", "@H A", "@T Exit Sub", "End Sub"}), "Ok"},
  });
}

// Shapes real code has: continuation rules, conditional headers, doubled procedures, long
// lines, End keywords that do not match the header.
TEST(Instrument, ShapesOfRealCode) {
  const std::string header = "Public Function InIDE(Optional ByRef B As Boolean = True) As Boolean";
  const std::string long_literal(1023 - 10, 'a');  // «    s = "…"» of 1,023 characters
  const std::string longest = "    s = \"" + long_literal + "\"";
  const std::string fits = "    s = \"" + std::string(1019 - 10, 'b') + "\"";  // 1,019 + 4
  // 1,010 characters: room for a number, not for the 18 more of the handler's name.
  const std::string jump_zero = "    s = \"" + std::string(1010 - 27, 'c') + "\": On Error GoTo 0";
  ASSERT_EQ(longest.size(), 1023u);
  ASSERT_EQ(jump_zero.size(), 1010u);
  ExpectInstrumented({
      {"a declaration between Select Case and the first Case takes no number",
       L({"Sub S()", "    Select Case x", "    Dim y As Long", "    Case 1", "        y = 1",
          "    End Select", "End Sub"}),
       X({"@M", "Sub S()", "@H S", "101\t    Select Case x", "    Dim y As Long", "    Case 1",
          "104\t        y = 1", "105\t    End Select", "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"a number starting a continuation line is no line number",
       L({"Sub C()", "    x = Array(1, _", "101, 102)", "    y = 2", "End Sub"}),
       X({"@M", "Sub C()", "@H C", "101\t    x = Array(1, _", "101, 102)", "102\t    y = 2",
          "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"the Exit statement follows the kind, not the End line",
       L({"Property Get V() As Long", "    V = 1", "End Function", "Function W()", "End Sub"}),
       X({"@M", "Property Get V() As Long", "@H V[Property Get]", "101\t    V = 1",
          "@T Exit Property", "End Function", "Function W()", "@H W", "@T Exit Function",
          "End Sub"}),
       "Ok / Ok"},
      {"the last procedure before a module-level #End If",
       L({"#If Debugging Then", "Sub P()", "    x = 1", "End Sub", "#End If"}),
       X({"@M", "#If Debugging Then", "Sub P()", "@H P", "101\t    x = 1", "@T Exit Sub", "End Sub",
          "#End If"}),
       "Ok"},
      {"procedures inside #If groups, one after the other",
       L({"#If A Then", "Sub P()", "End Sub", "#End If", "#If B Then", "Sub Q()", "End Sub",
          "#End If", "Sub R()", "End Sub"}),
       X({"@M", "#If A Then", "Sub P()", "@H P", "@T Exit Sub", "End Sub", "#End If", "#If B Then",
          "Sub Q()", "@H Q", "@T Exit Sub", "End Sub", "#End If", "Sub R()", "@H R", "@T Exit Sub",
          "End Sub"}),
       "Ok / Ok / Ok"},
      {"a header repeated under #Else with body lines in a branch: a head block in each",
       L({"#If Thunk Then", header, "    B = False", "#Else", header, "#End If", "    InIDE = B",
          "End Function"}),
       X({"@M", "#If Thunk Then", header, "@H InIDE", "101\t    B = False", "#Else", header,
          "@H InIDE", "#End If", "104\t    InIDE = B", "@T Exit Function", "End Function"}),
       "Ok"},
      {"a repeated header continued over two lines is never numbered",
       L({"#If Thunk Then", "Sub S(ByVal a As Long, _", "    ByVal b As Long)", "    a = 1",
          "#Else", "Sub S(ByVal a As Long, _", "    ByVal b As Long)", "    a = 2", "#End If",
          "End Sub"}),
       X({"@M", "#If Thunk Then", "Sub S(ByVal a As Long, _", "    ByVal b As Long)", "@H S",
          "101\t    a = 1", "#Else", "Sub S(ByVal a As Long, _", "    ByVal b As Long)", "@H S",
          "103\t    a = 2", "#End If", "@T Exit Sub", "End Sub"}),
       "Ok"},
      {"a procedure defined twice under #If/#Else: both copies instrumented",
       L({"#If A Then", "Function F() As Long", "    F = 1", "End Function", "#Else",
          "Function F() As Long", "    F = 2", "End Function", "#End If"}),
       X({"@M", "#If A Then", "Function F() As Long", "@H F", "101\t    F = 1", "@T Exit Function",
          "End Function", "#Else", "Function F() As Long", "@H F", "101\t    F = 2",
          "@T Exit Function", "End Function", "#End If"}),
       "Ok / Ok"},
      {"a line that a number would make longer than 1,023 characters keeps its text",
       L({"Sub Lg()", "    y = 1", longest, "End Sub", "Sub Fit()", fits, "End Sub"}),
       X({"@M", "Sub Lg()", "@H Lg", "101\t    y = 1", longest, "@T Exit Sub", "End Sub",
          "Sub Fit()", "@H Fit", "101\t" + fits, "@T Exit Sub", "End Sub"}),
       "Ok (line 3 too long to number) / Ok"},
      {"a jump to the handler that would pass 1,023 characters stays On Error GoTo 0",
       L({"Sub J()", jump_zero, "End Sub"}),
       X({"@M", "Sub J()", "@H J", "101\t" + jump_zero, "@T Exit Sub", "End Sub"}),
       "Ok (line 2 too long for the jump to the handler, On Error GoTo 0 kept)"},
      {"the user's line numbers, jumped to, stay through instrumenting and cleaning",
       L({"Sub U()", "10\tx = 1", "150\ty = 2", "    If x Then 150", "    GoTo 10", "End Sub"}),
       X({"@M", "Sub U()", "@H U", "10\tx = 1", "150\ty = 2", "103\t    If x Then 150",
          "104\t    GoTo 10", "@T Exit Sub", "End Sub"}),
       "Ok"},
  });
}

TEST(Instrument, WithoutHandlersOnlyNumbersAndThenHandlersAdded) {
  TestState numbers_only;
  numbers_only.check1 = 0;
  ModuleFixture module(L({"Sub A()", "    On Error GoTo 0", "End Sub"}));
  ASSERT_TRUE(InstrumentModule(numbers_only, &module.code()));
  EXPECT_EQ(module.Text(), X({"@M", "Sub A()", "101\t    On Error GoTo 0", "End Sub"}));
  TestState handlers;
  ASSERT_TRUE(InstrumentModule(handlers, &module.code()));
  EXPECT_EQ(module.Text(), X({"@M", "Sub A()", "@H A", "101\t    On Error GoTo KestrixLocalHandler",
                              "@T Exit Sub", "End Sub"}));
}

TEST(Instrument, LongProceduresGetFourDigitNumbersThatCleanOffWhole) {
  std::vector<std::string> lines = {"Sub Big()"};
  for (int i = 0; i < 1200; ++i)
    lines.push_back("    x = x + 1");
  lines.push_back("End Sub");
  TestState state;
  std::string out = Instrument(state, L(lines));
  EXPECT_NE(out.find("\r\n1000\t    x = x + 1\r\n"), std::string::npos);
  EXPECT_NE(out.find("\r\n1300\t    x = x + 1\r\n"), std::string::npos);
}

TEST(Instrument, SkipMarkedAndReadOnlyModules) {
  TestState state;
  ModuleFixture marked(L({"' KestrixSkipModule", "Sub A()", "End Sub"}));
  ASSERT_TRUE(InstrumentModule(state, &marked.code()));
  EXPECT_EQ(marked.Text(), L({"' KestrixSkipModule", "Sub A()", "End Sub"}));
  EXPECT_EQ(state.status.Notes(), "SKIPPED (found KestrixSkipModule)");

  // OK passes over the module; Cancel asks the command to end. No change either way.
  for (auto answer : {host::MsgResult::kOk, host::MsgResult::kCancel}) {
    TestState ro;
    ro.dialogs.answers = {answer};
    ModuleFixture locked(L({"Sub A()", "End Sub"}), true);
    EXPECT_EQ(InstrumentModule(ro, &locked.code()), answer == host::MsgResult::kOk);
    EXPECT_EQ(locked.Text(), L({"Sub A()", "End Sub"}));
    EXPECT_EQ(ro.dialogs.shown, std::vector<std::string>{"Warning: Module1 is READONLY. SKIPPED."});
    EXPECT_EQ(ro.status.Notes(), answer == host::MsgResult::kOk ? "Skipped (Read Only)" : "");
  }
}

TEST(Clean, OptionsChooseWhatGoes) {
  std::string input = L({"Sub A()", "    On Error GoTo 0", "    x = 1", "End Sub"});
  TestState build;
  ModuleFixture module(input);
  ASSERT_TRUE(InstrumentModule(build, &module.code()));
  std::string instrumented = module.Text();

  TestState numbers;
  numbers.check5[1] = 0;  // only "Line Numbers"
  ASSERT_TRUE(CleanModule(numbers, &module.code()));
  EXPECT_EQ(module.Text(), X({"@M", "Sub A()", "@H A", "    On Error GoTo KestrixLocalHandler",
                              "    x = 1", "@T Exit Sub", "End Sub"}));
  TestState handlers;
  handlers.check5[0] = 0;  // only "Error Handlers"
  ASSERT_TRUE(CleanModule(handlers, &module.code()));
  EXPECT_EQ(module.Text(), input);
  EXPECT_EQ(handlers.status.Notes(), "Cleaned.");

  TestState neither;
  neither.check5[0] = neither.check5[1] = 0;
  ModuleFixture untouched(instrumented);
  ASSERT_TRUE(CleanModule(neither, &untouched.code()));
  EXPECT_EQ(untouched.Text(), instrumented);
  EXPECT_EQ(neither.status.Notes(), "Cleaned.");
}

TEST(Clean, OnlyNumbersKestrixWrote) {
  const Case cases[] = {
      {"a comment mentioning a marker, text in literals",
       L({"Sub A()", "    ' see -- Kestrix Begin in the docs", "100 x = 1",
          "    MsgBox \"On Error GoTo KestrixLocalHandler\"", "End Sub", "' trailing"}),
       L({"Sub A()", "    ' see -- Kestrix Begin in the docs", "100 x = 1",
          "    MsgBox \"On Error GoTo KestrixLocalHandler\"", "End Sub", "' trailing"}),
       "Cleaned."},
      {"five-digit numbers come off whole",
       X({"Sub A()", "@H A", "12345\tx = 1", "@T Exit Sub", "End Sub", "' last"}),
       L({"Sub A()", "x = 1", "End Sub", "' last"}), "Cleaned."},
      {"nine digits and a tab come off; a leading zero, ten digits, a blank or no tab stay",
       X({"Sub A()", "@H A", "123456789\tx = 1", "0150\tx = 2", "1234567890\tx = 3", "150 x = 4",
          "150", "100\tx = 5", "101\t", "@T Exit Sub", "End Sub"}),
       L({"Sub A()", "x = 1", "0150\tx = 2", "1234567890\tx = 3", "150 x = 4", "150", "100\tx = 5",
          "", "End Sub"}),
       "Cleaned."},
      {"a project never built keeps its own numbers",
       L({"Sub A()", "10\tx = 1", "150\ty = 2", "    GoTo 10", "End Sub"}),
       L({"Sub A()", "10\tx = 1", "150\ty = 2", "    GoTo 10", "End Sub"}), "Cleaned."},
      {"in an instrumented procedure, a number that a jump names stays",
       X({"Sub A()", "@H A", "101\tx = 1", "102\tOn Error GoTo 101", "103\tResume 104",
          "104\ty = 2", "105\tOn k GoTo 107, 106", "106\tz = 1", "107\tGoSub 101", "@T Exit Sub",
          "End Sub"}),
       L({"Sub A()", "101\tx = 1", "On Error GoTo 101", "Resume 104", "104\ty = 2",
          "On k GoTo 107, 106", "106\tz = 1", "107\tGoSub 101", "End Sub"}),
       "Cleaned."},
      {"built without handlers: numbers come off, except in a procedure marked to be skipped",
       X({"@M", "' KestrixSkipProc", "Sub S()", "150\tx = 1", "End Sub", "Sub N()", "101\ty = 1",
          "End Sub"}),
       L({"' KestrixSkipProc", "Sub S()", "150\tx = 1", "End Sub", "Sub N()", "y = 1", "End Sub"}),
       "Cleaned."},
      {"built with handlers: a procedure without blocks keeps its numbers",
       X({"@M", "Sub S()", "150\tx = 1", "End Sub", "Sub A()", "@H A", "101\ty = 1", "@T Exit Sub",
          "End Sub"}),
       L({"Sub S()", "150\tx = 1", "End Sub", "Sub A()", "y = 1", "End Sub"}), "Cleaned."},
      {"a jump named on a continuation line; a continuation line keeps its number",
       X({"Sub A()", "@H A", "101	x = 1", "102	On k GoTo _", "  101, 104",
          "104	y = Array(1, _", "105	2)", "@T Exit Sub", "End Sub"}),
       L({"Sub A()", "101	x = 1", "On k GoTo _", "  101, 104", "104	y = Array(1, _",
          "105	2)", "End Sub"}),
       "Cleaned."},
      {"a header continued from a line holding only the mark",
       X({"_", "Sub A()", "@H A", "101\tx = 1", "@T Exit Sub", "End Sub"}),
       L({"_", "Sub A()", "x = 1", "End Sub"}), "Cleaned."},
  };
  ExpectCleaned(cases);
}

// The marks are told apart by what stands around their common word, in any case, wherever
// in the line it stands and however often.
TEST(Clean, MarksAreReadWhereverTheirWordStands) {
  const Case cases[] = {
      {"markers indented, in another case, with blanks after; a comment like one stays",
       L({"Sub A()", "  '-------- KESTRIX BEGIN --------  ",
          "\t\tOn Error Goto KestrixLocalHandler", "'-------- kestrix end ----------\t",
          "101\tx = 1", "' -------- Kestrix Begin --------", "End Sub"}),
       L({"Sub A()", "x = 1", "' -------- Kestrix Begin --------", "End Sub"}), "Cleaned."},
      {"the skip mark after another use of the word; jumps at the line's start, after another "
       "use of the word, in lower case; a jump cut short",
       X({"@M", "' Kestrix notes: kestrixskipproc", "Sub S()", "150\tx = 1", "End Sub", "Sub N()",
          "101\ty = 1", "On Error GoTo KestrixLocalHandler",
          "102\tMsgBox KestrixNote: on error goto kestrixlocalhandler", "On Error GoTo Kestrix",
          "x = \"On Error GoTo KestrixLocalHandler\"", "End Sub"}),
       L({"' Kestrix notes: kestrixskipproc", "Sub S()", "150\tx = 1", "End Sub", "Sub N()",
          "y = 1", "On Error GoTo 0", "MsgBox KestrixNote: on error goto 0",
          "On Error GoTo Kestrix", "x = \"On Error GoTo KestrixLocalHandler\"", "End Sub"}),
       "Cleaned."},
      {"the skip mark inside the procedure",
       X({"@M", "Sub S()", "150\tx = 1 ' KestrixSkipProc", "End Sub"}),
       L({"Sub S()", "150\tx = 1 ' KestrixSkipProc", "End Sub"}), "Cleaned."},
  };
  ExpectCleaned(cases);
}

// Jumps to the handler come back wherever they stand; numbers come off up to the module's end.
TEST(Clean, JumpsAndNumbersAwayFromTheUsualPlaces) {
  const Case cases[] = {
      {"a procedure whose End the module lacks",
       X({"@M", "Sub A()", "@H A", "101\tx = 1", "102\tOn Error GoTo KestrixLocalHandler",
          "103\ty = 2"}),
       L({"Sub A()", "x = 1", "On Error GoTo 0", "y = 2"}), "Cleaned."},
      {"a jump outside the procedures, one on a continuation line, one after a label",
       X({"@M", "On Error GoTo KestrixLocalHandler", "Sub A()", "@H A", "101\tIf a Then _",
          "  On Error GoTo KestrixLocalHandler", "102\tL1: On Error GoTo KestrixLocalHandler",
          "@T Exit Sub", "End Sub"}),
       L({"On Error GoTo 0", "Sub A()", "If a Then _", "  On Error GoTo 0", "L1: On Error GoTo 0",
          "End Sub"}),
       "Cleaned."},
      {"a jump in a block that lost its end marker stays, numbers in it too",
       X({"@M", "Sub A()", "'-------- Kestrix Begin --------",
          "101\tOn Error GoTo KestrixLocalHandler", "102\tx = 1", "End Sub", "Sub B()", "@H B",
          "101\ty = 1", "@T Exit Sub", "End Sub"}),
       X({"@M", "Sub A()", "'-------- Kestrix Begin --------",
          "101\tOn Error GoTo KestrixLocalHandler", "102\tx = 1", "End Sub", "Sub B()", "y = 1",
          "End Sub"}),
       "Begin marker without its end marker on line 5: the block was left in place / Cleaned."},
  };
  ExpectCleaned(cases);
}

TEST(Clean, BlockWithoutItsEndMarkerIsLeftInPlace) {
  std::vector<std::string> tail = Tail("Exit Sub");
  tail.pop_back();  // the handler block's end marker, lost in a merge
  ModuleFixture edited(
      X({"@M", "Sub A()", "@H A", "101\t    x = 1"}) + L(tail) +
      X({"End Sub", "Sub B()", "@H B", "101\t    y = 2", "@T Exit Sub", "End Sub"}));
  TestState clean;
  ASSERT_TRUE(CleanModule(clean, &edited.code()));
  // A keeps its blocks (and the module its constant) so that it still compiles; B is clean.
  EXPECT_EQ(edited.Text(), X({"@M", "Sub A()", "@H A", "    x = 1"}) + L(tail) +
                               L({"End Sub", "Sub B()", "    y = 2", "End Sub"}));
  EXPECT_EQ(clean.status.Notes(),
            "Begin marker without its end marker on line 10: the block was left in place / "
            "Cleaned.");
  EXPECT_EQ(clean.status.rows().front().member, "A");
}

TEST(ProcessModule, ModesAndMissingModule) {
  TestState state;
  ModuleFixture module(L({"Sub A()", "End Sub"}));
  EXPECT_FALSE(ProcessModule(state, 2, &module.code()));
  EXPECT_EQ(module.Text(), L({"Sub A()", "End Sub"}));
  EXPECT_FALSE(ProcessModule(state, 0, nullptr));
  EXPECT_FALSE(ProcessModule(state, 1, nullptr));
  EXPECT_TRUE(state.status.rows().empty());
  EXPECT_EQ(state.status.overflows(), 0);
}

}  // namespace
}  // namespace kestrix::engine
