#include "platform/vbfiles/line_scan.h"

#include <gtest/gtest.h>

#include "vb_generator.h"

namespace kestrix::vbfiles {
namespace {

// ScanStatement answers most lines from their first word; whatever it answers must be what
// reading the line statement by statement gives.
void ExpectSameAsFullReading(std::string_view line) {
  StatementInfo quick = ScanStatement(line);
  StatementInfo full = ScanStatementFully(line);
  EXPECT_EQ(quick.flags, full.flags) << "[" << line << "]";
  EXPECT_EQ(quick.name, full.name) << "[" << line << "]";
  if (quick.flags & kHeader) {
    EXPECT_EQ(quick.kind, full.kind) << "[" << line << "]";
  }
}

TEST(ScanStatementTest, ShortcutsAgreeWithTheFullReading) {
  // Lines a shortcut could get wrong: a first word like a header's or an End's, a ':' inside
  // or outside literals and comments, line numbers, Rem, directives, double-byte letters.
  const char* const lines[] = {
      "",
      "   ",
      "\t",
      "' comment: End Sub",
      "  Rem End Sub",
      "10 Rem x: End Sub",
      "Remark = 1",
      "REM",
      "x = 1",
      "123",
      "123\t    x = x + 1",
      "123abc = 1",
      "10: End Sub",
      "007 End Sub",
      "End",
      "End If",
      "End  Sub",
      "end\tfunction",
      "END PROPERTY",
      "End Select ' End Sub",
      "EndSub = 1",
      "End_ = 2",
      "Exit Sub",
      "Else",
      "ElseIf a Then",
      "End(Sub)",
      "MsgBox \"a: End Sub\"",
      "MsgBox \"a\"\"\": End Sub",
      "MsgBox \"open: End Sub",
      "x = 1 ' a: End Sub",
      "x = 1: End Sub",
      "If a Then Rem b: End Sub",
      "If a Then Rem \"b: End Sub",
      "Foo Bar:=1",
      "Foo Bar:=1: End Sub",
      "Retry: y = 2",
      "DoEvents: End Sub",
      "Sub A()",
      "sub a(): end sub",
      "Subtotal = 1",
      "s = s & \"x\"",
      "Set x = Nothing",
      "Private Sub A()",
      "Private m As Long",
      "Public Function F() As Long",
      "Friend Property Get P()",
      "Static Sub S()",
      "Global g As Long",
      "Property Let P(v)",
      "Property = 1",
      "Public Static Function Count%()",
      "Private Declare Sub A Lib \"k\" ()",
      "Function [Odd Name]()",
      "GoTo 10",
      "Print: Sub B()",
      "#If A Then",
      "#Else",
      "#End If",
      "#Const A = 1",
      "  #  If x Then",
      "\x81\x5B = 1",
      "End Sub ' done",
      "10 End Function",
      "End Property: x = 1",
      "End Sub \"",
      "Sub \x81\x5B\x83\x80()",
      "f = 2",
      "p",
      "g: End Function",
      "e = \"End Sub\"",
      "x = \"\" : End Property",
      "Call x ' \" : y",
  };
  for (const char* line : lines)
    ExpectSameAsFullReading(line);
  // And every line of generated modules, which have most shapes real code has.
  std::string code = bench::GenerateModule("Gen", 3000, 11);
  for (size_t at = 0; at < code.size();) {
    size_t lf = code.find('\n', at);
    if (lf == std::string::npos) lf = code.size();
    size_t end = lf > at && code[lf - 1] == '\r' ? lf - 1 : lf;
    ExpectSameAsFullReading(std::string_view(code).substr(at, end - at));
    at = lf + 1;
  }
}

}  // namespace
}  // namespace kestrix::vbfiles
