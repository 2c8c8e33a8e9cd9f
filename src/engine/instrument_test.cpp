// Instrumenting modules and cleaning them again, as (input, expected) pairs: every case also
// checks that a second run changes nothing and that cleaning gives back the input.

#include <gtest/gtest.h>

#include "engine/clean_pass.h"
#include "engine/engine_test_support.h"
#include "engine/module_pass.h"

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

// Concatenates groups of lines.
std::string Join(std::initializer_list<std::vector<std::string>> groups) {
  std::vector<std::string> all;
  for (const auto& g : groups)
    all.insert(all.end(), g.begin(), g.end());
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

TEST(Instrument, Procedures) {
  const Case cases[] = {
      {"statements numbered by position, continuation lines skipped",
       L({"Function Twice(x As Long) As Long", "    Dim y As Long", "    ' double it",
          "    y = x _", "        * 2", "    Twice = y", "End Function"}),
       Join({ModuleBlock(),
             {"Function Twice(x As Long) As Long"},
             Head("Twice"),
             {"101\t    Dim y As Long", "    ' double it", "103\t    y = x _", "        * 2",
              "104\t    Twice = y"},
             Tail("Exit Function"),
             {"End Function"}}),
       "Ok"},
      {"empty body", L({"Sub X()", "End Sub"}),
       Join({ModuleBlock(), {"Sub X()"}, Head("X"), Tail("Exit Sub"), {"End Sub"}}), "Ok"},
      {"header continued over lines; Select Case numbered, its Case lines not",
       L({"Option Explicit", "Public Sub Pick(ByVal a As Long, _", "    ByVal b As Long)",
          "    Select Case a", "        Case 1", "            b = 2", "        Case Else",
          "    End Select", "End Sub"}),
       Join({ModuleBlock(),
             {"Option Explicit"},
             {"Public Sub Pick(ByVal a As Long, _", "    ByVal b As Long)"},
             Head("Pick"),
             {"101\t    Select Case a", "        Case 1", "103\t            b = 2",
              "        Case Else", "105\t    End Select"},
             Tail("Exit Sub"),
             {"End Sub"}}),
       "Ok"},
      {"On Error GoTo 0 turned into a jump to the handler, except in literals and comments",
       L({"Sub E()", "    On Error Resume Next", "    x = 1: on error goto 0",
          "    MsgBox \"On Error GoTo 0\" ' On Error GoTo 0", "End Sub"}),
       Join({ModuleBlock(),
             {"Sub E()"},
             Head("E"),
             {"101\t    On Error Resume Next", "102\t    x = 1: on error goto KestrixLocalHandler",
              "103\t    MsgBox \"On Error GoTo 0\" ' On Error GoTo 0"},
             Tail("Exit Sub"),
             {"End Sub"}}),
       "Ok"},
      {"labels and user line numbers keep their lines; no number repeats a user's",
       L({"Sub R()", "Retry:", "    x = 1", "102 y = 2", "    z = 3", "    GoTo Retry", "End Sub"}),
       Join({ModuleBlock(),
             {"Sub R()"},
             Head("R"),
             {"Retry:", "103\t    x = 1", "102 y = 2", "104\t    z = 3", "105\t    GoTo Retry"},
             Tail("Exit Sub"),
             {"End Sub"}}),
       "Ok"},
      {"a number taken by a label later in the procedure is passed over",
       L({"Sub N()", "    a = 1", "    GoTo 102", "102 b = 2", "End Sub"}),
       Join({ModuleBlock(),
             {"Sub N()"},
             Head("N"),
             {"101\t    a = 1", "103\t    GoTo 102", "102 b = 2"},
             Tail("Exit Sub"),
             {"End Sub"}}),
       "Ok"},
      {"property triple: three procedures, three labels",
       L({"Private m", "Property Let V(x)", "m = x", "End Property", "Property Set V(x)",
          "Set m = x", "End Property", "Property Get V()", "V = m", "End Property"}),
       Join({ModuleBlock(),
             {"Private m"},
             {"Property Let V(x)"},
             Head("V[Property Let]"),
             {"101\tm = x"},
             Tail("Exit Property"),
             {"End Property", "Property Set V(x)"},
             Head("V[Property Set]"),
             {"101\tSet m = x"},
             Tail("Exit Property"),
             {"End Property", "Property Get V()"},
             Head("V[Property Get]"),
             {"101\tV = m"},
             Tail("Exit Property"),
             {"End Property"}}),
       "Ok / Ok / Ok"},
      {"skip mark in a comment above the header",
       L({"' KestrixSkipProc: hot loop", "Sub Hot()", "x = 1", "End Sub"}),
       Join({ModuleBlock(), {"' KestrixSkipProc: hot loop", "Sub Hot()", "x = 1", "End Sub"}}),
       "Skipped (KestrixSkipProc)"},
      {"End sharing its line with statements: left alone",
       L({"Public Function NewEnum() As IUnknown: End Function", "Function F()",
          "x = 1: F = 2: End Function", "Sub Ok()", "End Sub"}),
       Join({ModuleBlock(),
             {"Public Function NewEnum() As IUnknown: End Function", "Function F()",
              "x = 1: F = 2: End Function", "Sub Ok()"},
             Head("Ok"),
             Tail("Exit Sub"),
             {"End Sub"}}),
       "Skipped (End on a statement line) / Skipped (End on a statement line) / Ok"},
      {"End Sub in a literal or a Rem does not end the procedure",
       L({"Sub M()", "    MsgBox \"End Sub\"", "    Rem End Sub here", "End Sub"}),
       Join({ModuleBlock(),
             {"Sub M()"},
             Head("M"),
             {"101\t    MsgBox \"End Sub\"", "102\t    Rem End Sub here"},
             Tail("Exit Sub"),
             {"End Sub"}}),
       "Ok"},
      {"header declared twice under #If: the head block goes after #End If",
       L({"Option Explicit", "#If Win64 Then",
          "Private Function Ptr(ByVal p As LongPtr) As LongPtr", "#Else",
          "Private Function Ptr(ByVal p As Long) As Long", "#End If", "    Ptr = p",
          "End Function"}),
       Join({ModuleBlock(),
             {"Option Explicit"},
             {"#If Win64 Then", "Private Function Ptr(ByVal p As LongPtr) As LongPtr", "#Else",
              "Private Function Ptr(ByVal p As Long) As Long", "#End If"},
             Head("Ptr"),
             {"101\t    Ptr = p"},
             Tail("Exit Function"),
             {"End Function"}}),
       "Ok"},
  };
  for (const auto& c : cases) {
    TestState state;
    EXPECT_EQ(Instrument(state, c.input), c.expected) << c.what;
    EXPECT_EQ(state.status.Notes(), c.notes) << c.what;
  }
}

TEST(Instrument, ModuleNameConstantPlacement) {
  const Case cases[] = {
      {"after the last Def statement, even on the last declaration line",
       L({"Option Explicit", "DefInt A-Z", "Sub A()", "End Sub"}),
       Join({{"Option Explicit", "DefInt A-Z"},
             ModuleBlock(),
             {"Sub A()"},
             Head("A"),
             Tail("Exit Sub"),
             {"End Sub"}}),
       ""},
      {"a Type member named DefaultValue is no Def statement",
       L({"Private Type T", "    DefaultValue As Long", "End Type", "Sub A()", "End Sub"}),
       Join({ModuleBlock(),
             {"Private Type T", "    DefaultValue As Long", "End Type", "Sub A()"},
             Head("A"),
             Tail("Exit Sub"),
             {"End Sub"}}),
       ""},
      {"a constant already declared, with a blank before =",
       L({"Private Const MODULENAME_ = \"X\"", "Sub A()", "End Sub"}),
       Join({{"Private Const MODULENAME_ = \"X\"", "Sub A()"},
             Head("A"),
             Tail("Exit Sub"),
             {"End Sub"}}),
       ""},
  };
  for (const auto& c : cases) {
    TestState state;
    ModuleFixture module(c.input);
    ASSERT_TRUE(InstrumentModule(state, &module.code()));
    EXPECT_EQ(module.Text(), c.expected) << c.what;
  }
}

TEST(Instrument, WithoutHandlersOnlyNumbersAndThenHandlersAdded) {
  TestState numbers_only;
  numbers_only.check1 = 0;
  ModuleFixture module(L({"Sub A()", "    On Error GoTo 0", "End Sub"}));
  ASSERT_TRUE(InstrumentModule(numbers_only, &module.code()));
  EXPECT_EQ(module.Text(),
            Join({ModuleBlock(), {"Sub A()", "101\t    On Error GoTo 0", "End Sub"}}));
  TestState handlers;
  ASSERT_TRUE(InstrumentModule(handlers, &module.code()));
  EXPECT_EQ(module.Text(), Join({ModuleBlock(),
                                 {"Sub A()"},
                                 Head("A"),
                                 {"101\t    On Error GoTo KestrixLocalHandler"},
                                 Tail("Exit Sub"),
                                 {"End Sub"}}));
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
  EXPECT_EQ(module.Text(), Join({ModuleBlock(),
                                 {"Sub A()"},
                                 Head("A"),
                                 {"    On Error GoTo KestrixLocalHandler", "    x = 1"},
                                 Tail("Exit Sub"),
                                 {"End Sub"}}));
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

TEST(Clean, LeavesWhatTheUserWrote) {
  // A comment that merely mentions a marker, a user's line numbers, text in literals.
  std::string input =
      L({"Sub A()", "    ' see -- Kestrix Begin in the docs", "100 x = 1",
         "    MsgBox \"On Error GoTo KestrixLocalHandler\"", "End Sub", "' trailing"});
  TestState state;
  ModuleFixture module(input);
  ASSERT_TRUE(CleanModule(state, &module.code()));
  EXPECT_EQ(module.Text(), input);
  // Numbers come off every line, the last one too, and whole.
  ModuleFixture numbered(L({"Sub A()", "12345\tx = 1", "End Sub", "101\t' last"}));
  ASSERT_TRUE(CleanModule(state, &numbered.code()));
  EXPECT_EQ(numbered.Text(), L({"Sub A()", "x = 1", "End Sub", "' last"}));
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
