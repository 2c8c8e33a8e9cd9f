#include "platform/vbfiles/vb_checker.h"

#include <gtest/gtest.h>

#include <cctype>

#include "platform/vbfiles/compiler.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using testing::Crlf;
using testing::TempDir;

// Checks "a|b|c" as a module of three code lines; gives "line: message" per problem.
std::string Check(std::string_view bars) {
  std::vector<std::string> owned(1);
  for (char c : bars) {
    if (c == '|') {
      owned.emplace_back();
    } else {
      owned.back() += c;
    }
  }
  std::vector<std::string_view> lines(owned.begin(), owned.end());
  std::string out;
  for (const CodeProblem& p : CheckModuleCode(lines)) {
    out += (out.empty() ? "" : "\n") + std::to_string(p.line) + ": " +
           (p.warning ? "warning: " : "") + p.message;
  }
  return out;
}

struct Case {
  const char* name;
  const char* code;
  const char* expected;  // "line: message" lines; "" for a clean module
};

const Case kCases[] = {
    // Valid code that looks like trouble to a naive reader.
    {"single-line If with Else", "Sub A()|If x Then y = 1 Else y = 2: z = 3|End Sub", ""},
    {"If x Then Exit Sub", "Sub A()|If x Then Exit Sub|End Sub", ""},
    {"single-line If after a colon", "Sub A()|x = 1: If x Then y = 2|End Sub", ""},
    {"If x Then: y", "Sub A()|If x Then: y = 1|End Sub", ""},
    {"If x Then: alone", "Sub A()|If x Then:|y = 1|End If|End Sub", ""},
    {"nested single-line Ifs", "Sub A()|If a Then If b Then c Else d|End Sub", ""},
    {"block If continued", "Sub A()|If a And _|   b Then|ElseIf c Then|Else|End If|End Sub", ""},
    {"EndIf", "Sub A()|If a Then|EndIf|End Sub", ""},
    {"Else followed by a statement", "Sub A()|If a Then|b|Else c = 1|End If|End Sub", ""},
    {"Next without counter and Next j, i",
     "Sub A()|For i = 1 To 2|For j = 1 To 2|Next j, I|For Each o In c|Next|End Sub", ""},
    {"loops on one line", "Sub A()|Do: DoEvents: Loop Until x|For i = 1 To 2: Next i|End Sub", ""},
    {"While Wend and With", "Sub A()|While x|With y: .z = 1: End With|Wend|End Sub", ""},
    {"Case Else:",
     "Sub A()|Select Case x|' first comes a comment|Case 1: y|Case Else:|End Select|End Sub", ""},
    {"Select Case and Case on one line", "Sub A()|Select Case x: Case 1|End Select|End Sub", ""},
    {"labels used by Resume and On Error",
     "Sub A()|On Error GoTo Handler|10 x = 1|Exit Sub|Handler:|If Erl = 10 Then Resume Retry|"
     "Resume Next|Retry: Resume 0|End Sub",
     ""},
    {"jumps that name no label",
     "Sub A()|On Error GoTo 0|On Error GoTo -1|On Error Resume Next|Resume|Resume Next|End Sub",
     ""},
    {"On n GoTo and GoSub",
     "Sub A()|On n GoTo 10, Two|On Local Error GoTo 10|GoSub 010|10 Return|"
     "Two: End Sub",
     ""},
    {"line numbers after If Then and Else", "Sub A()|If x Then 100 Else 200|100 a|200 b|End Sub",
     ""},
    {"line numbers on every kind of line",
     "Sub A()|10 If a Then|20 For i = 1 To 2|30 Next|40 Else|50 End If|End Sub", ""},
    {"the same label in two #If branches",
     "Sub A()|#If A Then|10 x = 1|#ElseIf B Then|10 x = 2|#Else|10 x = 3|#End If|End Sub", ""},
    {"#If branches each closing their own blocks",
     "Sub A()|#If X Then|If a Then|#Else|If b Then|#End If|c|End If|End Sub", ""},
    {"one header in each #If branch, one body",
     "#If Win64 Then|Private Function P(ByVal p As LongPtr) As LongPtr|#Else|"
     "Private Function P(ByVal p As Long) As Long|#End If|P = p|End Function",
     ""},
    {"whole procedures in each #If branch",
     "Sub A()|End Sub|#If X Then|Sub B()|End Sub|#Else|Sub B()|End Sub|#End If|#Const Y = 1", ""},
    {"blocks opened and closed under the same condition",
     "Sub A()|#If X Then|With y|#End If|z|#If X Then|End With|#End If|End Sub", ""},
    {"one-line procedures",
     "Public Function NewEnum() As IUnknown: End Function|Sub B(): x = 1: End Sub|"
     "Property Get C(): C = 1: Exit Property: End Property",
     ""},
    {"keywords inside strings, comments and dates",
     "Sub A()|s = \"End If: Next \"\"Loop\"\" :\"|' End If|Rem Next|x = 1: Rem Wend|"
     "d = #1/1/2000 12:30:00 PM#: Print #1, d: Close #1|End Sub",
     ""},
    {"comment continued onto the next line", "Sub A()|' a comment _|  End If|End Sub", ""},
    {"type characters, bang and based numbers",
     "Sub A()|x! = rs!Field & &H1F& + &O17 + 1.5E+3#: y$ = Left$(s, 2)|End Sub", ""},
    {"methods called before a colon are no labels",
     "Sub A()|DoEvents: x = 1|DoEvents: x = 2|End Sub", ""},
    {"declarations in their order",
     "Option Explicit|DefInt A-Z|Private Declare Function F Lib \"k\" () As Long|Dim x|"
     "Public Type T|  Name As String * 8|  Items(1 To 3) As Long|End Type|Enum E|  [_First] = 0|"
     "  Second|End Enum|Implements IFoo|Event Changed()|Sub A()|End Sub",
     ""},
    {"member attributes and directives between procedures",
     "Sub A()|End Sub|Attribute A.VB_Description = \"x\"|#Const Z = 1|Sub B()|End Sub", ""},
    {"Exit matching the procedure",
     "Function F()|For i = 1 To 2|If x Then Exit For|Do|Exit Do|Loop|Next|Exit Function|End "
     "Function",
     ""},
    {"Else If opens a block of its own", "Sub A()|If a Then|Else If b Then|c|End If|End If|End Sub",
     ""},

    // Blocks.
    {"Block If without End If", "Sub A()|If x Then|y|End Sub", "2: Block If without End If"},
    {"End If after a single-line If", "Sub A()|If x Then y|End If|End Sub",
     "3: End If without block If"},
    {"Else without If", "Sub A()|Else|End Sub", "2: Else without If"},
    {"ElseIf after Else", "Sub A()|If a Then|Else|ElseIf b Then|End If|End Sub",
     "4: Else without If"},
    {"For without Next", "Sub A()|For i = 1 To 2|End Sub", "2: For without Next"},
    {"Next without For", "Sub A()|Next|End Sub", "2: Next without For"},
    {"Next j, i with one loop", "Sub A()|For i = 1 To 2|Next i, j|End Sub", "3: Next without For"},
    {"Next naming another counter", "Sub A()|For i = 1 To 2|Next j|End Sub",
     "3: Invalid Next control variable reference"},
    {"Do without Loop", "Sub A()|Do While x|End Sub", "2: Do without Loop"},
    {"Loop without Do", "Sub A()|Loop|End Sub", "2: Loop without Do"},
    {"While without Wend", "Sub A()|While x|End Sub", "2: While without Wend"},
    {"Wend without While", "Sub A()|Wend|End Sub", "2: Wend without While"},
    {"Select Case without End Select", "Sub A()|Select Case x|Case 1|End Sub",
     "2: Select Case without End Select"},
    {"End Select without Select Case", "Sub A()|End Select|End Sub",
     "2: End Select without Select Case"},
    {"Case without Select Case", "Sub A()|Case 1|End Sub", "2: Case without Select Case"},
    {"statement before the first Case", "Sub A()|Select Case x|y = 1|Case 1|End Select|End Sub",
     "3: Statements and labels invalid between Select Case and first Case"},
    {"label before the first Case", "Sub A()|Select Case x|10|Case 1|End Select|End Sub",
     "3: Statements and labels invalid between Select Case and first Case"},
    {"With without End With", "Sub A()|With x|End Sub", "2: With without End With"},
    {"End With without With", "Sub A()|End With|End Sub", "2: End With without With"},
    {"blocks crossed", "Sub A()|If x Then|For i = 1 To 2|End If|End Sub",
     "4: End If without block If"},

    // Procedures and placement.
    {"procedure without End at the end", "Sub A()|x = 1", "1: Expected End Sub"},
    {"procedure without End before the next", "Function A()|x = 1|Sub B()|End Sub",
     "3: Expected End Function"},
    {"End of another kind", "Property Get A()|End Sub", "2: Expected End Property"},
    {"statement after End Sub", "Sub A()|End Sub|Dim x",
     "3: Only comments may appear after End Sub, End Function, or End Property"},
    {"statement after End on the same line", "Sub A()|End Sub: x = 1",
     "2: Only comments may appear after End Sub, End Function, or End Property"},
    {"Option after a procedure", "Sub A()|End Sub|Option Explicit|Dim y",
     "3: Only comments may appear after End Sub, End Function, or End Property"},
    {"statement in the declarations", "Dim x|x = 1|End Sub",
     "2: Invalid outside procedure\n"
     "3: Invalid outside procedure"},
    {"declarations inside a procedure",
     "Sub A()|Option Explicit|DefLng A-Z|Private Declare Sub S Lib \"k\" ()|Type T|a As Long|"
     "End Type|End Sub",
     "2: Invalid inside procedure\n3: Invalid inside procedure\n4: Invalid inside procedure\n"
     "5: Invalid inside procedure"},
    {"Def after a declaration", "Option Explicit|Const k = 1|DefInt A-Z",
     "3: Deftype statements must precede declarations"},
    {"statement inside a Type", "Type T|a As Long|Dim b As Long|End Type",
     "3: Statement invalid inside Type block"},
    {"Type without End Type before a procedure", "Type T|a As Long|Sub A()|End Sub",
     "3: Statement invalid inside Type block"},
    {"Type without End Type at the end", "Private Type T|a As Long", "1: Expected End Type"},
    {"statement inside an Enum", "Enum E|a = 1|Const b = 2|End Enum",
     "3: Statement invalid inside Enum"},
    {"End Type without Type", "End Type|Enum E|End Type|End Enum",
     "1: End Type without Type\n3: End Type without Type"},
    {"Exit Sub in a Function", "Function F()|Exit Sub|End Function",
     "2: Exit Sub not allowed in Function or Property"},
    {"Exit Function in a Property", "Property Let P(v)|If v Then Exit Function|End Property",
     "2: Exit Function not allowed in Sub or Property"},
    {"Exit Property in a Sub", "Sub A()|Exit Property|End Sub",
     "2: Exit Property not allowed in Function or Sub"},
    {"Exit For outside a loop", "Sub A()|Do|If x Then Exit For|Loop|End Sub",
     "3: Exit For not within For...Next"},
    {"Exit Do outside a loop", "Sub A()|For i = 1 To 2|Exit Do|Next|End Sub",
     "3: Exit Do not within Do...Loop"},

    // Labels.
    {"GoTo to nowhere", "Sub A()|GoTo Done|End Sub|Sub B()|Done:|End Sub", "2: Label not defined"},
    {"every kind of jump to nowhere",
     "Sub A()|On Error GoTo H|Resume R|GoSub 10|On n GoSub 20, 30|If x Then 40|If y GoTo 50|End "
     "Sub",
     "2: Label not defined\n3: Label not defined\n4: Label not defined\n5: Label not defined\n"
     "6: Label not defined\n7: Label not defined"},
    {"duplicate line number", "Sub A()|10 x = 1|010 x = 2|End Sub", "3: Duplicate label"},
    {"duplicate label, case ignored", "Sub A()|Again: x = 1|AGAIN:|End Sub", "3: Duplicate label"},
    {"the same label in two #If groups",
     "Sub A()|#If A Then|10 x|#End If|#If B Then|10 y|#End If|End Sub", "6: Duplicate label"},
    {"line number Erl cannot return", "Sub A()|65529 x = 1|65530 y = 2|End Sub",
     "3: warning: Line number above 65529 is not returned by Erl"},

    // Conditional compilation.
    {"#If without #End If", "#If X Then|Sub A()|End Sub", "1: #If without #End If"},
    {"#Else without #If", "Sub A()|#Else|End Sub", "2: #Else without #If"},
    {"#ElseIf after #Else", "#If A Then|#Else|#ElseIf B Then|#End If", "3: #ElseIf without #If"},
    {"#End If without #If", "#End If", "1: #End If without #If"},
    {"errors in either branch", "Sub A()|#If X Then|Loop|#Else|Wend|#End If|End Sub",
     "3: Loop without Do\n5: Wend without While"},
};

class CheckerTable : public ::testing::TestWithParam<Case> {};

TEST_P(CheckerTable, ReportsExactlyTheExpectedProblems) {
  EXPECT_EQ(Check(GetParam().code), GetParam().expected) << GetParam().code;
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

// Problems name the line of the file, past its header, module attributes and the member
// attributes VB keeps out of the code window; warnings do not fail the compile.
TEST(Checker, SavedProjectReportsFileLines) {
  TempDir dir;
  dir.Write("P.vbp", Crlf("Type=Exe|Class=Item; Item.cls|Module=M; M.bas|Name=\"P\""));
  dir.Write("Item.cls", Crlf("VERSION 1.0 CLASS|BEGIN|  MultiUse = -1  'True|END|"
                             "Attribute VB_Name = \"Item\"|Attribute VB_Exposed = False|"
                             "Public Property Get Value() As Long|"
                             "Attribute Value.VB_UserMemId = 0|  GoTo Nowhere|End Property"));
  dir.Write("M.bas", Crlf("Attribute VB_Name = \"M\"|Sub A()|65530 x = 1|End Sub"));
  std::vector<CheckProblem> problems = CheckSavedProject(dir.Path("P.vbp"));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(FormatProblem(problems[0]), dir.Path("Item.cls") + "(9): Label not defined");
  EXPECT_EQ(FormatProblem(problems[1]),
            dir.Path("M.bas") + "(3): warning: Line number above 65529 is not returned by Erl");
  CompileResult failed = CheckInsteadOfCompiling(dir.Path("P.vbp"));
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.report, FormatProblem(problems[0]) + "\n" + FormatProblem(problems[1]));

  dir.Write("Item.cls", Crlf("VERSION 1.0 CLASS|BEGIN|  MultiUse = -1  'True|END|"
                             "Attribute VB_Name = \"Item\""));
  CompileResult warned = CheckInsteadOfCompiling(dir.Path("P.vbp"));
  EXPECT_TRUE(warned.ok);
  EXPECT_EQ(warned.report, FormatProblem(problems[1]) +
                               "\nchecked; no compiler configured, no executable written");
}

}  // namespace
}  // namespace kestrix::vbfiles
