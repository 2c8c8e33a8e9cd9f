#include "checker/vb_checker.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "checker/vb_module_checker.h"

#include "support/test_support.h"

namespace kestrix::checker {
namespace {

using testing::Crlf;
using testing::TempDir;

std::vector<std::string> Split(std::string_view bars) {
  std::vector<std::string> lines(1);
  for (char c : bars) {
    if (c == '|') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// Checks "a|b|c" as a module of three code lines; gives "line: message" per problem.
std::string Check(std::string_view bars, const CondConstants& constants = {}) {
  std::vector<std::string> owned = Split(bars);
  std::vector<std::string_view> lines(owned.begin(), owned.end());
  std::string out;
  for (const CodeProblem& p : CheckModuleCode(lines, constants)) {
    out += (out.empty() ? "" : "\n") + std::to_string(p.line) + ": " +
           (p.warning ? "warning: " : "") + p.message;
  }
  return out;
}

// What the comments "'! message" in the code expect, in the form Check gives.
std::string Expected(std::string_view bars) {
  constexpr std::string_view kMark = "'! ";
  std::string out;
  std::vector<std::string> lines = Split(bars);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    for (size_t at = line.find(kMark); at != std::string_view::npos; at = line.find(kMark, at)) {
      at += kMark.size();
      size_t end = std::min(line.find(" '!", at), line.size());
      out += (out.empty() ? "" : "\n") + std::to_string(i + 1) + ": " +
             std::string(line.substr(at, end - at));
    }
  }
  return out;
}

// A module, its expected problems marked on their lines by a comment "'! message".
struct Case {
  const char* name;
  const char* code;
};

const Case kCases[] = {
    // Valid code that looks like trouble to a naive reader.
    {"single-line If with Else", "Sub A()|If x Then y = 1 Else y = 2: z = 3|End Sub"},
    {"single-line If after a colon", "Sub A()|x = 1: If x Then y = 2|End Sub"},
    {"If x Then: y", "Sub A()|If x Then: y = 1|End Sub"},
    {"If x Then: alone", "Sub A()|If x Then:|y = 1|End If|End Sub"},
    {"nested single-line Ifs", "Sub A()|If a Then If b Then c Else d|End Sub"},
    {"block If continued", "Sub A()|If a And _|   b Then|ElseIf c Then|Else|End If|End Sub"},
    {"EndIf", "Sub A()|If a Then|EndIf|End Sub"},
    {"Else followed by a statement", "Sub A()|If a Then|b|Else c = 1|End If|End Sub"},
    {"Next without counter and Next j, i",
     "Sub A()|For i = 1 To 2|For j = 1 To 2|Next j, I|For Each o In c|Next|End Sub"},
    {"loops on one line", "Sub A()|Do: DoEvents: Loop Until x|For i = 1 To 2: Next i|End Sub"},
    {"While Wend and With", "Sub A()|While x|With y: .z = 1: End With|Wend|End Sub"},
    {"Case Else:",
     "Sub A()|Select Case x|' first comes a comment|Case 1: y|Case Else:|End Select|"
     "End Sub"},
    {"Select Case and Case on one line", "Sub A()|Select Case x: Case 1|End Select|End Sub"},
    {"labels used by Resume and On Error",
     "Sub A()|On Error GoTo Handler|10 x = 1|Exit Sub|Handler:|"
     "If Erl = 10 Then Resume Retry|Resume Next|Retry: Resume 0|End Sub"},
    {"jumps that name no label",
     "Sub A()|On Error GoTo 0|On Error GoTo -1|On Error Resume Next|Resume|Resume Next|"
     "End Sub"},
    {"On n GoTo and GoSub",
     "Sub A()|On n GoTo 10, Two|On Local Error GoTo 10|GoSub 010|10 Return|Two: End Sub"},
    {"line numbers after If Then and Else", "Sub A()|If x Then 100 Else 200|100 a|200 b|End Sub"},
    {"line numbers on every kind of line",
     "Sub A()|10 If a Then|20 For i = 1 To 2|30 Next|40 Else|50 End If|End Sub"},
    {"the same label in branches of unknown fate, and a jump to it after them",
     "Sub A()|#If VBA6 Then|10 x = 1|#ElseIf VBA5 Then|10 x = 2|#Else|10 x = 3|#End If|GoTo 10|"
     "End Sub"},
    {"the same label in two #If branches",
     "Sub A()|#If A Then|10 x = 1|#ElseIf B Then|10 x = 2|#Else|10 x = 3|#End If|End Sub"},
    {"#If branches each closing their own blocks",
     "Sub A()|#If X Then|If a Then|#Else|If b Then|#End If|c|End If|End Sub"},
    {"one header in each #If branch, one body",
     "#If Win64 Then|Private Function P(ByVal p As LongPtr) As LongPtr|#Else|"
     "Private Function P(ByVal p As Long) As Long|#End If|P = p|End Function"},
    {"whole procedures in each #If branch",
     "Sub A()|End Sub|#If X Then|Sub B()|End Sub|#Else|Sub B()|End Sub|#End If|"
     "#Const Y = 1"},
    {"blocks opened and closed under the same condition",
     "Sub A()|#If X Then|With y|#End If|z|#If X Then|End With|#End If|End Sub"},
    {"one-line procedures",
     "Public Function NewEnum() As IUnknown: End Function|Sub B(): x = 1: End Sub|"
     "Property Get C(): C = 1: Exit Property: End Property"},
    {"keywords inside strings, comments and dates",
     "Sub A()|s = \"End If: Next \"\"Loop\"\" :\"|' End If|Rem Next|x = 1: Rem Wend|"
     "d = #1/1/2000 12:30:00 PM#: Print #1, d: Close #1|End Sub"},
    {"comment continued onto the next line", "Sub A()|' a comment _|  End If|End Sub"},
    {"type characters, bang and based numbers",
     "Sub A()|x! = rs!Field & &H1F& + &O17 + 1.5E+3#: y$ = Left$(s, 2)|End Sub"},
    {"methods called before a colon are no labels",
     "Sub A()|DoEvents: x = 1|DoEvents: x = 2|End Sub"},
    {"declarations in their order",
     "Option Explicit|DefInt A-Z|Private Declare Function F Lib \"k\" () As Long|Dim x|"
     "Public Type T|  Name As String * 8|  Items(1 To 3) As Long|End Type|Enum E|"
     "  [_First] = 0|  Second|End Enum|Implements IFoo|Event Changed()|Sub A()|End Sub"},
    {"member attributes and directives between procedures",
     "Sub A()|End Sub|Attribute A.VB_Description = \"x\"|#Const Z = 1|Sub B()|End Sub"},
    {"Exit matching the procedure",
     "Function F()|For i = 1 To 2|If x Then Exit For|Do|Exit Do|Loop|Next|Exit Function|"
     "End Function"},
    {"Else If opens a block of its own",
     "Sub A()|If a Then|Else If b Then|c|End If|End If|End Sub"},

    // Blocks.
    {"closing lines without their block",
     "Sub A()|Else '! Else without If|Next '! Next without For|Loop '! Loop without Do|"
     "Wend '! Wend without While|End Select '! End Select without Select Case|"
     "Case 1 '! Case without Select Case|End With '! End With without With|End Sub"},
    {"Block If without End If", "Sub A()|If x Then '! Block If without End If|y|End Sub"},
    {"End If after a single-line If",
     "Sub A()|If x Then y|End If '! End If without block If|End Sub"},
    {"ElseIf after Else", "Sub A()|If a Then|Else|ElseIf b Then '! Else without If|End If|End Sub"},
    {"For without Next", "Sub A()|For i = 1 To 2 '! For without Next|End Sub"},
    {"Next j, i with one loop", "Sub A()|For i = 1 To 2|Next i, j '! Next without For|End Sub"},
    {"Next naming another counter",
     "Sub A()|For i = 1 To 2|Next j '! Invalid Next control variable reference|End Sub"},
    {"Do without Loop", "Sub A()|Do While x '! Do without Loop|End Sub"},
    {"While without Wend", "Sub A()|While x '! While without Wend|End Sub"},
    {"Select Case without End Select",
     "Sub A()|Select Case x '! Select Case without End Select|Case 1|End Sub"},
    {"statement before the first Case",
     "Sub A()|Select Case x|"
     "y = 1 '! Statements and labels invalid between Select Case and first Case|Case 1|"
     "End Select|End Sub"},
    {"label before the first Case",
     "Sub A()|Select Case x|"
     "10 '! Statements and labels invalid between Select Case and first Case|Case 1|"
     "End Select|End Sub"},
    {"With without End With", "Sub A()|With x '! With without End With|End Sub"},
    {"blocks crossed",
     "Sub A()|If x Then|For i = 1 To 2|End If '! End If without block If|End Sub"},

    // Procedures and placement.
    {"procedure without End at the end", "Sub A() '! Expected End Sub|x = 1"},
    {"procedure without End before the next",
     "Function A()|x = 1|Sub B() '! Expected End Function|End Sub"},
    {"End of another kind, which VB corrects",
     "Property Get A()|Exit Property|End Function '! warning: End Function closes a Property: VB "
     "changes it to End Property when it loads the file|Sub B()|End Property '! warning: End "
     "Property closes a Sub: VB changes it to End Sub when it loads the file"},
    {"statement after End Sub",
     "Sub A()|End Sub|"
     "Dim x '! Only comments may appear after End Sub, End Function, or End Property"},
    {"statement after End on the same line",
     "Sub A()|"
     "End Sub: x = 1 '! Only comments may appear after End Sub, End Function, or End Property"},
    {"Option after a procedure",
     "Sub A()|End Sub|"
     "Option Explicit '! Only comments may appear after End Sub, End Function, or End Property|"
     "Dim y"},
    {"statement in the declarations",
     "Dim x|x = 1 '! Invalid outside procedure|End Sub '! Invalid outside procedure"},
    {"a diff's header left in a module",
     "--- a/M.bas '! Invalid outside procedure|+++ b/M.bas '! Invalid outside procedure|"
     "@@ -1,2 +1,3 @@ '! Invalid outside procedure|Sub A()|End Sub"},
    {"declarations inside a procedure",
     "Sub A()|Option Explicit '! Invalid inside procedure|"
     "DefLng A-Z '! Invalid inside procedure|"
     "Private Declare Sub S Lib \"k\" () '! Invalid inside procedure|"
     "Type T '! Invalid inside procedure|a As Long|End Type|End Sub"},
    {"Def after a declaration",
     "Option Explicit|Const k = 1|"
     "DefInt A-Z '! Deftype statements must precede declarations"},
    {"statement inside a Type",
     "Type T|a As Long|Dim b As Long '! Statement invalid inside Type block|End Type"},
    {"Type without End Type before a procedure",
     "Type T|a As Long|Sub A() '! Statement invalid inside Type block|End Sub"},
    {"Type without End Type at the end", "Private Type T '! Expected End Type|a As Long"},
    {"statement inside an Enum",
     "Enum E|a = 1|Const b = 2 '! Statement invalid inside Enum|End Enum"},
    {"End Type without Type",
     "End Type '! End Type without Type|Enum E|End Type '! End Type without Type|End Enum"},
    {"Exit of another kind of procedure",
     "Function F()|Exit Sub '! Exit Sub not allowed in Function or Property|End Function|"
     "Property Let P(v)|"
     "If v Then Exit Function '! Exit Function not allowed in Sub or Property|End Property|"
     "Sub A()|Exit Property '! Exit Property not allowed in Function or Sub|End Sub"},
    {"Exit For outside a loop",
     "Sub A()|Do|If x Then Exit For '! Exit For not within For...Next|Loop|End Sub"},
    {"Exit Do outside a loop",
     "Sub A()|For i = 1 To 2|Exit Do '! Exit Do not within Do...Loop|Next|End Sub"},

    // Labels.
    {"GoTo to nowhere", "Sub A()|GoTo Done '! Label not defined|End Sub|Sub B()|Done:|End Sub"},
    {"every kind of jump to nowhere",
     "Sub A()|On Error GoTo H '! Label not defined|Resume R '! Label not defined|"
     "GoSub 10 '! Label not defined|On n GoSub 20, 30 '! Label not defined|"
     "If x Then 40 '! Label not defined|If y GoTo 50 '! Label not defined|End Sub"},
    {"duplicate line number", "Sub A()|10 x = 1|010 x = 2 '! Duplicate label|End Sub"},
    {"line numbers in order, then one repeated, then out of order",
     "Sub A()|10 x|20 x|20 x '! Duplicate label|30 x|Goto 40 '! Label not defined|End Sub|"
     "Sub B()|30 x|10 x|20 x|10 x '! Duplicate label|40 x|End Sub|Sub C()|30 x|10 x|End Sub"},
    {"duplicate label, case ignored", "Sub A()|Again: x = 1|AGAIN: '! Duplicate label|End Sub"},
    {"the same label in two #If groups",
     "#Const A = 1|#Const B = 1|Sub A()|#If A Then|10 x|#End If|#If B Then|"
     "10 y '! Duplicate label|#End If|End Sub"},
    {"line number Erl cannot return",
     "Sub A()|65529 x = 1|"
     "65530 y = 2 '! warning: Line number above 65529 is not returned by Erl|End Sub"},

    // Conditional compilation.
    {"#If without #End If", "#If X Then '! #If without #End If|Sub A()|End Sub"},
    {"#Else without #If", "Sub A()|#Else '! #Else without #If|End Sub"},
    {"#ElseIf after #Else", "#If A Then|#Else|#ElseIf B Then '! #ElseIf without #If|#End If"},
    {"#End If without #If", "#End If '! #End If without #If"},
    {"errors in the branch that compiles only",
     "Sub A()|#If X Then|Loop|#Else|Wend '! Wend without While|#End If|"
     "#If True Then|Loop '! Loop without Do|#Else|Next|#End If|End Sub"},
    {"#If False Then inside an Enum",
     "Enum E|  eFirst|  eSecond|#If False Then|  Private eFirst, eSecond|#End If|End Enum"},
    {"syntax VB6 never compiles under #If Win64 or VBA7",
     "#If Win64 Then|Private Declare PtrSafe Function F Lib \"k\" () As LongPtr|x = 1|"
     "#ElseIf VBA7 Then|Loop|#Else|Private Declare Function F Lib \"k\" () As Long|#End If"},
    {"VB6's own constants",
     "#If Win32 Then|Sub A()|#Else|Loop|#End If|#If Win16 Or Not Win32 Then|Loop|#End If|"
     "End Sub"},
    {"#Const values, from where they are defined",
     "#If D Then|Loop|#End If|#Const D = 2 - 2|Sub A()|#If D Then|Loop|#Else|"
     "Wend '! Wend without While|#End If|#Const D = D + 1|#If D = 1 And (D <> 2) Then|"
     "Wend '! Wend without While|#End If|End Sub"},
    {"#Const in a branch that does not compile",
     "#If False Then|#Const Y = 1|#End If|#If Y Then|Loop|#End If"},
    {"#ElseIf and nested groups",
     "#Const V = 2|Sub A()|#If V = 1 Then|Loop|#ElseIf V = 2 Then|#If False Then|Loop|#Else|"
     "Wend '! Wend without While|#End If|#ElseIf V > 1 Then|Loop|#Else|Loop|#End If|End Sub"},
    {"directives paired in branches that do not compile",
     "#If False Then|#If X Then|#Else|#Else '! #Else without #If|#End If|#End If|"
     "#End If '! #End If without #If"},
    {"a condition of unknown value: nothing in its branches is reported",
     "Sub A()|#If VBA6 Then|Loop|#Else|Wend|#End If|Loop '! Loop without Do|End Sub"},
    {"unknown after false",
     "Sub A()|#If False Then|Loop|#ElseIf VBA6 Then|Wend|#ElseIf Len(x) Then|Next|#End If|"
     "End Sub"},
    {"blocks opened and closed under a condition of unknown value",
     "Sub A()|#If VBA6 Then|With y|#End If|z|#If VBA6 Then|End With|#End If|End Sub"},
    {"#Const in a branch of unknown fate",
     "#If VBA6 Then|#Const Z = 1|#End If|Sub A()|#If Z Then|Loop|#End If|End Sub"},

    // Shapes of real code.
    {"declarations before the first Case",
     "Sub A()|Select Case x|Dim y As Long|Static z: Const k = 1|Case 1|End Select|"
     "Select Case x|Dim w|ReDim v(1) '! Statements and labels invalid between Select Case and "
     "first Case|Case 1|End Select|End Sub"},
    {"Shift-JIS labels whose second bytes look like [ and \\",
     "Sub A()|On Error GoTo \x83G\x83\x89\x81[|GoSub \x83\\\x81[\x83g|Exit Sub|"
     "\x83\\\x81[\x83g: Return|\x83G\x83\x89\x81[:|Resume Next|"
     "\x83G\x83\x89\x81[: '! Duplicate label|End Sub"},
    {"double-byte letters whose second bytes differ in case only",
     "Sub A()|GoTo \x83g|\x83G:|\x83g:|End Sub"},
};

class CheckerTable : public ::testing::TestWithParam<Case> {};

TEST_P(CheckerTable, ReportsExactlyTheExpectedProblems) {
  EXPECT_EQ(Check(GetParam().code), Expected(GetParam().code)) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(Modules, CheckerTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           std::string name;
                           for (const char* c = param.param.name; *c; ++c)
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return name + "_" + std::to_string(param.index);
                         });

TEST(Checker, SizeLimits) {
  std::string line = "x = \"" + std::string(1017, 'a') + "\"";  // 1,023 characters
  EXPECT_EQ(Check("Sub A()|" + line + "|" + line + "b|End Sub"), "3: Line too long");

  std::string continued = "Sub A()|x = 1";
  for (int i = 0; i < 24; ++i)
    continued += " _| + 1";
  EXPECT_EQ(Check(continued + "|End Sub"), "");
  EXPECT_EQ(Check(continued + " _| + 1|End Sub"), "2: Too many line continuations");

  std::vector<std::string_view> lines(65535, "' note");
  std::vector<CodeProblem> problems = CheckModuleCode(lines);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].line, 65535);
  EXPECT_EQ(problems[0].message, "Too many lines in module");
  lines.pop_back();
  EXPECT_TRUE(CheckModuleCode(lines).empty());
}

// A continuation is a blank, "_", then only blanks or tabs; a name may end in "_".
TEST(Checker, LineContinuation) {
  EXPECT_EQ(Check("Sub A()|GoTo _ \t|  Nowhere|x = PROCNAME_|GoTo Done|Done:|End Sub"),
            "2: Label not defined");
  EXPECT_EQ(Check("Sub A()|If a And _  |   b Then|x = 1|End If|End Sub"), "");
}

// The problems of a module read both ways: passing over the statements that change nothing,
// and reading every token.
std::pair<std::string, std::string> BothWays(std::string_view bars,
                                             const CondConstants& constants = {}) {
  std::vector<std::string> owned = Split(bars);
  std::vector<std::string_view> lines(owned.begin(), owned.end());
  auto text = [](const std::vector<CodeProblem>& problems) {
    std::string out;
    for (const CodeProblem& p : problems)
      out += std::to_string(p.line) + ": " + (p.warning ? "warning: " : "") + p.message + "\n";
    return out;
  };
  return {text(ModuleChecker(constants, true).Run(lines)),
          text(ModuleChecker(constants, false).Run(lines))};
}

// Adds one to `differing` when the two readings of `code` disagree, failing the test with the
// first ten such codes.
void CountIfReadingsDiffer(const std::string& code, size_t& differing) {
  auto [fast, slow] = BothWays(code);
  if (fast != slow && ++differing <= 10) ADD_FAILURE() << code << "\n" << fast << "--\n" << slow;
}

// `place` with every "{}" in it replaced by `filling`.
std::string Filled(std::string_view place, std::string_view filling) {
  std::string code;
  for (size_t at = 0;;) {
    size_t hole = place.find("{}", at);
    code += place.substr(at, hole - at);
    if (hole == std::string_view::npos) return code;
    code += filling;
    at = hole + 2;
  }
}

// The same lines in every procedure, as instrumented code has them: each is found to mean
// what it meant where it stood first, and its labels count in its own procedure.
TEST(Checker, RepeatedLinesAreReadInTheirOwnPlace) {
  std::string handler =
      "On Error GoTo H|10\tx = 1|H:|Select Case Err|Case 1|Resume Next|End Select|";
  std::string code = "Sub A()|" + handler + "End Sub|Sub B()|" + handler +
                     "H:|End Sub|Sub C()|On Error GoTo H|10\tx = 1|10\tx = 1|End Sub";
  EXPECT_EQ(Check(code), "18: Duplicate label\n21: Label not defined\n23: Duplicate label");
  auto [fast, slow] = BothWays(code);
  EXPECT_EQ(fast, slow);
}

TEST(Checker, PassingOverStatementsFindsWhatReadingThemFinds) {
  for (const Case& c : kCases) {
    auto [fast, slow] = BothWays(c.code);
    EXPECT_EQ(fast, slow) << c.code;
  }
  // Every statement keyword, and a few other words, at the start of statements of every
  // shape, in every place a statement may stand.
  const char* kWords[] = {
      "AppActivate", "As",      "Attribute", "Beep",      "Call",          "Case",   "Close",
      "Const",       "Declare", "DefInt",    "DefLngPtr", "DeleteSetting", "Dim",    "Do",
      "DoEvents",    "Each",    "Else",      "ElseIf",    "End",           "EndIf",  "Enum",
      "Erase",       "Error",   "Event",     "Exit",      "False",         "For",    "Friend",
      "Function",    "Get",     "Global",    "GoSub",     "GoTo",          "If",     "Implements",
      "In",          "Input",   "Kill",      "Let",       "Line",          "Load",   "Local",
      "Lock",        "Loop",    "LSet",      "Mid",       "Name",          "Next",   "On",
      "Open",        "Option",  "Print",     "Private",   "Property",      "Public", "Put",
      "RaiseEvent",  "ReDim",   "Rem",       "Resume",    "Return",        "Select", "Set",
      "Static",      "Stop",    "Sub",       "Then",      "True",          "Type",   "Unload",
      "Wend",        "While",   "Width",     "With",      "Write",         "x",      "[End]",
      ".Caption",    "10",      "\"s\"",     "Sub1",      "END",           "eXiT"};
  const char* kRests[] = {"",
                          " x",
                          " Sub",
                          " Function",
                          " Property Get P()",
                          " Case x",
                          " If",
                          " Select",
                          " Next",
                          " 10",
                          " Each x In y",
                          " x = 1",
                          " Error GoTo 10",
                          " Error GoTo 0",
                          " Type",
                          " Enum",
                          " Do",
                          " For",
                          " x, 20",
                          " Sub A()",
                          " Then y",
                          " x Then",
                          " With",
                          " Else y = 1",
                          " y Then Rem: Loop",
                          " Else rem : Next"};
  const char* kPlaces[] = {
      "Sub A()|10 {}|End Sub",
      "Sub A()|{}: y = 1: GoTo 10|10 End Sub",
      "Sub A()|x = 1: {}|End Sub",
      "Sub A()|Select Case x|{}|Case 1|End Select|End Sub",
      "Function F()|If a Then {} Else {}|If b Then|{}|Else|{}|End If|End Function",
      "{}|Sub A()|End Sub",
      "Type T|{}|End Type|Sub A()|{}|End Sub|{}",
      "Sub A()|For i = 1 To 2|Do|{}|Loop|Next|End Sub|Sub B()|End Sub",
      "Sub A()|With y|While z|{} _|  , 2: GoTo 10|Wend|End With|End Sub",
      "Property Get P()|#If X Then|{}|#Else|{}: Loop|#End If|End Property",
      "Sub A()|#If False Then|{}|#ElseIf VBA6 Then|{}|#End If|End Sub",
      "Enum E|a|{}|End Enum|Sub A()|a = 1: {}: b = 2|End Sub",
      "Sub A()|{}|Next zz|End Sub",
      "Option Explicit: {}: Dim y|Sub A()|End Sub|Dim z: {}",
      "{}: Sub A()|End Sub|Private y As Long: {}: Type T|{}|End Type",
      "Sub A(): {}|End Sub|Sub B(): {}: End Sub|Private Sub C(x): {}: Next|End Sub",
  };
  size_t differing = 0;
  for (const char* word : kWords) {
    for (const char* rest : kRests) {
      std::string statement = std::string(word) + rest;
      for (std::string_view place : kPlaces) {
        CountIfReadingsDiffer(Filled(place, statement), differing);
      }
    }
  }
  EXPECT_EQ(differing, 0u);
}

// Outside procedures a header is read no further than its name: modifiers in any number,
// statements after it on its line, and what follows a Type or Enum opened on one line.
TEST(Checker, PassingOverHeadersFindsWhatReadingThemFinds) {
  const char* kHeads[] = {"Sub A()",
                          "Private Sub A(ByVal x As Long, Optional y = #1/1/2000#)",
                          "Public Static Function F(a() As [Long]) As Integer",
                          "Friend Public Private Global Static Property Get P(Rem) As Long",
                          "Property Let P(ByVal v As Long)",
                          "Public Property Set",
                          "Private Type T",
                          "Public Enum E",
                          "Public Declare Function F Lib \"k\" () As Long",
                          "Global Const X = 1",
                          "Public",
                          "Private: x = 1",
                          "Static x As Long",
                          "Public Function \x83G\x81[()"};
  const char* kAfters[] = {"",
                           ": End Sub",
                           ": x = 1: End Function",
                           ": Dim y: End Property",
                           ": a As Long: End Type",
                           ": If a Then GoTo 10",
                           ": GoTo 10: End Sub",
                           ": Sub B(): End Sub",
                           ": Public Sub C(x): Static Sub D(): Exit Sub",
                           " ' note: End Sub"};
  const char* kPlaces[] = {"{}", "{}|End Sub", "Sub Z()|End Sub|{}|x = 1|End Function",
                           "Type U|{}|End Type", "#If A Then|{}|#Else|{}|#End If|End Sub"};
  size_t differing = 0;
  for (const char* head : kHeads) {
    for (const char* after : kAfters) {
      for (std::string_view place : kPlaces) {
        CountIfReadingsDiffer(Filled(place, std::string(head) + after), differing);
      }
    }
  }
  EXPECT_EQ(differing, 0u);
}

// Lines made of random pieces: literals, comments, colons, brackets, Rem, keywords and
// double-byte letters cut and joined anyhow.
TEST(Checker, PassingOverRandomLinesFindsWhatReadingThemFinds) {
  const char* kPieces[] = {
      "x",       " ",     ":",      "\"",    "'",       "#",      "[",        "]",
      "Rem",     " Rem ", "rem",    "Then ", "Else ",   "If ",    "Loop",     "Next",
      "For ",    "i = 1", " To 2",  "End ",  "If",      "Select", " Case ",   "1",
      "GoTo ",   "10",    "a",      ":=",    " _",      "\x83[",  "\x83G",    "#10:30#",
      "Do",      "Wend",  "While ", "Exit ", "Resume ", "Next ",  "On Error", " GoTo 0",
      "Sub A()", "Sub",   "Type T", "Enum",  "With ",   ".",      "!",        "&H1F&",
      "Print #", "r",     "R",      "(",     ")",       ",",      "Each ",    "In "};
  std::mt19937 random(20261207);
  auto pick = [&random](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(random);
  };
  size_t differing = 0;
  for (int module = 0; module < 20000; ++module) {
    std::string code = module % 3 == 0 ? "" : "Sub A()|";
    for (size_t line = 0, lines = 1 + pick(6); line < lines; ++line) {
      for (size_t piece = 0, pieces = 1 + pick(10); piece < pieces; ++piece)
        code += kPieces[pick(std::size(kPieces))];
      code += "|";
    }
    code += module % 3 == 1 ? "End Sub" : "x";
    CountIfReadingsDiffer(code, differing);
  }
  EXPECT_EQ(differing, 0u);
}

}  // namespace
}  // namespace kestrix::checker
