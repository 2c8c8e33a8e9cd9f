#include "platform/vbfiles/line_scan.h"

#include <gtest/gtest.h>

#include <vector>

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
      // First words told apart by their first two characters.
      "en = 1",
      "En",
      "E",
      "r",
      "Re",
      "Rem",
      "Su",
      "St = 1",
      "sT",
      "pR = 1",
      "Pu",
      "Fu: End Sub",
      "fR",
      "gL",
      "Gx = 1",
      "s_ = 1",
      "R\x81 = 1",
      "E\x81: End Sub",
      "10 en",
      "10 Private Sub A()",
      "10 ' note",
      "#",
      "'",
      // Indents of spaces and tabs, shorter and longer than eight.
      "\t \t x = 1: End Sub",
      "10\t\t  End Sub",
      "        \tEnd Sub",
      "                  \t  \t End Function",
      "12345678\t        \tPrivate Sub A()",
      "1\t",
      "        ",
      "\t\t\t\t\t\t\t\t\t'",
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

// A finder runs ahead to the next ':' of the buffer; whatever order the lines are asked in, it
// must say what a search of each line says, and the flags given with its answer must be those
// found by searching the line itself.
TEST(ScanStatementTest, ColonFinderAnswersAsEachLineSearchedAlone) {
  // Lines separated by '|' with ':' in them, between them (in a line break's place, as an
  // attribute line between code lines would hold one) and at the buffer's ends.
  const std::string buffer = ":a|b|c: d|||Retry:|x = \"a:b\"|:|e|f|' g: h|i:|j|k::|l|m:";
  std::vector<std::string_view> lines;
  for (size_t at = 0; at <= buffer.size();) {
    size_t bar = buffer.find('|', at);
    if (bar == std::string::npos) bar = buffer.size();
    lines.push_back(std::string_view(buffer).substr(at, bar - at));
    at = bar + 1;
  }
  // The same lines with a ':' in place of every second line break.
  std::string with_colons = buffer;
  bool odd = false;
  for (char& c : with_colons) {
    if (c == '|' && (odd = !odd)) c = ':';
  }
  auto check = [](const std::string& text, std::vector<std::string_view> views,
                  const std::vector<size_t>& order) {
    for (size_t reach : {size_t{0}, size_t{16}, size_t{300}, ColonFinder::kWholeBuffer}) {
      ColonFinder colons(text.data() + text.size(), reach);
      for (size_t k : order) {
        std::string_view view = views[k];
        const bool expected = view.find(':') != std::string_view::npos;
        ASSERT_EQ(colons.In(view), expected) << "[" << view << "], reach " << reach;
        uint8_t quick = 0, alone = 0;
        const bool quick_ok = QuickStatementFlags(view, expected, quick);
        EXPECT_EQ(quick_ok, QuickStatementFlags(view, alone)) << "[" << view << "]";
        if (quick_ok) {
          EXPECT_EQ(quick, alone) << "[" << view << "]";
        }
      }
    }
  };
  std::vector<size_t> in_order(lines.size());
  for (size_t k = 0; k < lines.size(); ++k)
    in_order[k] = k;
  std::vector<size_t> reversed(in_order.rbegin(), in_order.rend());
  std::vector<size_t> mixed = {3, 0, 5, 5, 1, 9, 2, 14, 7, 6, 13, 8, 4};
  for (const auto& order : {in_order, reversed, mixed}) {
    check(buffer, lines, order);
    std::vector<std::string_view> moved;
    for (std::string_view line : lines)
      moved.push_back(
          std::string_view(with_colons).substr(line.data() - buffer.data(), line.size()));
    check(with_colons, moved, order);
  }
  // A buffer far longer than one search looks ahead: lines with a ':' now and then, long
  // stretches without, asked in order, backwards, and as two runs taken in turn (as the lines
  // of an edited module lie: some where they were loaded, some where they were inserted).
  std::string long_buffer;
  std::vector<std::pair<size_t, size_t>> spans;
  for (int k = 0; k < 3000; ++k) {
    std::string line = "x" + std::to_string(k) + std::string(static_cast<size_t>(k % 70), ' ');
    if (k % 97 == 0 || (k > 1500 && k < 1510)) line[static_cast<size_t>(k) % line.size()] = ':';
    spans.emplace_back(long_buffer.size(), line.size());
    long_buffer += line + "\r\n";
  }
  std::vector<std::string_view> long_lines;
  for (const auto& [at, size] : spans)
    long_lines.push_back(std::string_view(long_buffer).substr(at, size));
  std::vector<size_t> forward(long_lines.size()), backward, in_turn;
  for (size_t k = 0; k < forward.size(); ++k)
    forward[k] = k;
  backward.assign(forward.rbegin(), forward.rend());
  for (size_t k = 0; k < forward.size() / 2; ++k) {
    in_turn.push_back(k);
    in_turn.push_back(forward.size() / 2 + k);
  }
  for (const auto& order : {forward, backward, in_turn})
    check(long_buffer, long_lines, order);
}

}  // namespace
}  // namespace kestrix::vbfiles
