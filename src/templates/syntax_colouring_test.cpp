#include "templates/syntax_colouring.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kestrix::templates {

void PrintTo(const ColourRange& range, std::ostream* out) {
  *out << "{" << range.offset << ", " << range.length << ", " << static_cast<int>(range.colour)
       << "}";
}

namespace {

// Expected output written inline: "[k]" black, "[b]" blue and "[g]" green open a coloured
// range and "[/]" closes it; everything else is text.
Colouring Marked(std::string_view marked) {
  Colouring out;
  size_t open = 0;
  Colour colour = Colour::kBlack;
  for (size_t i = 0; i < marked.size();) {
    std::string_view tag = marked.substr(i, 3);
    if (tag == "[/]") {
      out.ranges.push_back({open, out.text.size() - open, colour});
    } else if (tag == "[k]" || tag == "[b]" || tag == "[g]") {
      open = out.text.size();
      colour = tag[1] == 'k' ? Colour::kBlack : tag[1] == 'b' ? Colour::kBlue : Colour::kGreen;
    } else {
      out.text += marked[i++];
      continue;
    }
    i += 3;
  }
  return out;
}

std::string Show(const Colouring& colouring) {
  std::string shown;
  size_t at = 0;
  for (const ColourRange& range : colouring.ranges) {
    const char* tag = range.colour == Colour::kBlack  ? "[k]"
                      : range.colour == Colour::kBlue ? "[b]"
                                                      : "[g]";
    shown += colouring.text.substr(at, range.offset - at) + tag +
             colouring.text.substr(range.offset, range.length) + "[/]";
    at = range.offset + range.length;
  }
  return shown + colouring.text.substr(std::min(at, colouring.text.size()));
}

struct Case {
  const char* input;
  const char* expected;
};

TEST(HighlightSyntaxTest, ColoursAndRespellsAsExpected) {
  const Case cases[] = {
      {"", ""},
      {"dim x as integer ' count", "[b]Dim[/] x [b]As[/] [b]Integer[/] [g]' count[/]"},
      {"MsgBox \"dim\"", "MsgBox \"dim\""},
      {"x = \"a\"\"b\" : dim y", "x = \"a\"\"b\" : [b]Dim[/] y"},
      {"MsgBox \"it's\" : dim", "MsgBox \"it's\" : [b]Dim[/]"},
      {"MsgBox \"dim x", "MsgBox \"dim x"},
      // Comments keep their text as typed, REM comments included.
      {"REM Check This", "[g]REM Check This[/]"},
      {"x = 1: Rem note\r\ndim", "x = 1: [g]Rem note[/]\r\n[b]Dim[/]"},
      {"rem", "[g]rem[/]"},
      {"remark = 1", "remark = 1"},
      {"' say \"hi\r\nend", "[g]' say \"hi[/]\r\n[b]End[/]"},
      {"x = 1\r\n' last", "x = 1\r\n[g]' last[/]"},
      {"' one\ndim", "[g]' one\ndim[/]"},
      {"myVar = MsgBox(x)", "myVar = MsgBox(x)"},
      {"Text1.text", "[k]Text[/]1.[k]Text[/]"},
      {"dim2x my_dim _", "[b]Dim[/]2x my_dim _"},
      {"DOEVENTS: exit sub", "[k]DoEvents[/]: [b]Exit[/] [b]Sub[/]"},
      {"#end if", "#[b]End[/] [b]If[/]"},
      {"x\xE9 = \"\xE9\" \x80", "x\xE9 = \"\xE9\" \x80"},
      // A word goes on across a literal or comment right after it, but letters after a
      // literal start a word of their own.
      {"chr\"x\"", "[k]Chr[/]\"x\""},
      {"end'x\r\n", "[b]End[/][g]'x[/]\r\n"},
      {"REM'x\r\ny", "[g]REM'x[/]\r\ny"},
      {"le\"x\"n", "le\"x\"n"},
      {"dim\"x\"as", "[b]Dim[/]\"x\"[b]As[/]"},
      {"rem\"x\"dim\r\ndim", "[g]rem\"x\"dim[/]\r\n[b]Dim[/]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Colouring expected = Marked(c.expected);
    Colouring once = HighlightSyntax(c.input);
    EXPECT_EQ(Show(once), Show(expected));
    EXPECT_EQ(Show(HighlightSyntax(once.text)), Show(once)) << "a second run changes it";
  }
}

// The scans for a closing quote or a line end stop after kScanLimit bytes; what lies beyond
// counts as not found.
TEST(HighlightSyntaxTest, ScansStopAtTheLimit) {
  struct Limit {
    std::string head;
    std::string tail;
    size_t filler;
    bool dim_coloured;
  };
  const Limit cases[] = {
      {"\"", "\" dim", kScanLimit - 1, true},
      {"\"", "\" dim", kScanLimit, false},
      {"'", "\r\ndim", kScanLimit - 2, true},
      {"'", "\r\ndim", kScanLimit - 1, false},
  };
  for (const Limit& c : cases) {
    std::string text = c.head + std::string(c.filler, 'x') + c.tail;
    Colouring colouring = HighlightSyntax(text);
    EXPECT_EQ(colouring.text.ends_with("Dim"), c.dim_coloured) << c.head << c.filler;
  }
}

}  // namespace
}  // namespace kestrix::templates
