#include "basic/source_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestrix::basic {
namespace {

// The scanners that read eight bytes at a time agree with a plain loop wherever the byte
// they look for (the first byte that is no blank, a digit) stands, whatever the bytes around it
// (high bytes and the characters either side of a blank and a tab included), in texts shorter
// than, as long as and longer than a word.
TEST(SourceLineTest, WordScannersAgreeWithAPlainLoop) {
  const std::string fillers[] = {" ", "\t", "a", "\x80", "\xff", "!", ")", "\x08", "\n", "1"};
  for (size_t size = 0; size <= 70; ++size) {
    for (size_t at = 0; at <= size; ++at) {
      for (const std::string& filler : fillers) {
        for (char c : {':', '0', '9', ' ', '\t', 'x', '\x89', '/'}) {
          std::string text;
          for (size_t i = 0; i < size; ++i)
            text += i < at ? filler : std::string(1, i == at ? c : 'q');
          size_t blanks = 0;
          while (blanks < text.size() && IsBlank(text[blanks]))
            ++blanks;
          ASSERT_EQ(BlanksEnd(text), blanks) << size << " " << at;
          ASSERT_EQ(BlanksEnd(text, at), std::min(text.size(), at + (at < size && IsBlank(c))))
              << size << " " << at;
          ASSERT_EQ(IsAscii(text), std::all_of(text.begin(), text.end(), [](char b) {
                      return static_cast<unsigned char>(b) < 0x80;
                    })) << size << " " << at;
        }
      }
    }
  }
}

TEST(SourceLineTest, CodeOnlyBlanksLiteralsAndCutsComments) {
  struct Case {
    std::string_view line, code;
  } cases[] = {
      {"x = 1 ' note", "x = 1 "},
      {"s = \"it's\" ' note", "s = \"    \" "},
      {"s = \"a\"\"b\"", "s = \" \"\" \""},  // a doubled quote stays a quote
      {"s = \"open", "s = \"    "},          // an unclosed literal runs to the end
      {"Rem all of it", ""},
      {"  rem\tall of it", "  "},
      {"Rem", ""},
      {"Rem: still a comment", ""},
      {"Retry: Rem after a label", "Retry: "},
      {"10 Rem after a line number", "10 "},
      {"x = 1: Rem after a colon", "x = 1: "},
      {"If a Then Rem after Then", "If a Then "},
      {"If a Then b Else Rem after Else", "If a Then b Else "},
      {"Remove x", "Remove x"},              // a longer word is no Rem
      {"x = Rem", "x = Rem"},                // Rem only where a statement starts
      {"Call f(a:=Rem)", "Call f(a:=Rem)"},  // ":=" names an argument, it separates nothing
      {"x = [Rem]", "x = [Rem]"},
      {"x = \"a\"\"'b\" ' c", "x = \" \"\"  \" "},  // an apostrophe in a literal is no comment
      {"MsgBox \"a: Rem b\"", "MsgBox \"        \""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodeOnly(c.line), c.code) << c.line;
    EXPECT_EQ(CodeOnly(CodeOnly(c.line)), CodeOnly(c.line)) << c.line;
  }
}

// Long texts are searched with memchr, short ones byte by byte: both must find the first
// match at or after `from`, in either case, and nothing past the end.
TEST(SourceLineTest, FindNoCaseFindsTheFirstMatchInShortAndLongTexts) {
  auto reference = [](std::string_view text, std::string_view needle, size_t from) {
    std::string t = FoldName(text), n = FoldName(needle);
    return from > t.size() ? std::string::npos : t.find(n, from);
  };
  std::string filler(200, '.');
  const std::vector<std::string> texts = {
      "",
      "KestrixSkipProc",
      "x = 1 ' kestrixskipproc",
      filler + "kESTRIXsKIPpROC" + filler + "KestrixSkipProc",
      filler + "Kestrix" + filler + "Kestri",  // a partial match at the very end
      filler + "_ = 1" + filler,
      filler + "kk" + filler + "KKestrixSkipProc",
  };
  for (const std::string& text : texts) {
    for (std::string_view needle : {"KestrixSkipProc", "_ =", "k", "Kestri"}) {
      for (size_t from : {size_t{0}, size_t{1}, size_t{150}, size_t{201}, text.size()}) {
        EXPECT_EQ(FindNoCase(text, needle, from), reference(text, needle, from))
            << text.size() << " " << needle << " " << from;
        EXPECT_EQ(NoCaseSearch(text, needle).Find(from), reference(text, needle, from))
            << text.size() << " " << needle << " " << from;
      }
      // Every match in turn, the search going on from past each one with the same cursor.
      NoCaseSearch search(text, needle);
      NoCaseSearch::Cursor cursor;
      size_t expected = reference(text, needle, 0);
      for (size_t at = search.Find(0, cursor); at != std::string::npos;
           at = search.Find(at + 1, cursor)) {
        EXPECT_EQ(at, expected) << needle;
        expected = reference(text, needle, at + 1);
      }
      EXPECT_EQ(expected, std::string::npos) << needle;
    }
  }
  // A module's worth of matches whose rarest character stands in one case only.
  std::string module;
  for (int i = 0; i < 300; ++i)
    module += "On Error Goto KestrixLocalHandler\r\nx = 1\r\n";
  NoCaseSearch search(module, "on error goto kestrixlocalhandler");
  NoCaseSearch::Cursor cursor;
  size_t count = 0;
  for (size_t at = search.Find(0, cursor); at != std::string::npos;
       at = search.Find(at + 1, cursor))
    ++count;
  EXPECT_EQ(count, 300u);
}

// Random texts around the sixteen-byte steps of the search, with letters in both cases, the
// bytes that differ from a letter only in the case bit ('@', '[', '`', '{') and bytes above
// ASCII: every needle and anchor finds what folding both byte by byte and searching finds.
TEST(SourceLineTest, NoCaseSearchAgreesWithFoldedSearchOnRandomTexts) {
  const char alphabet[] = {'a', 'A', 'b', 'B', '@', '`', '[', '{', '_', ' ', '\xC4', '\xE4'};
  uint64_t seed = 7;
  auto next = [&seed](size_t bound) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<size_t>((seed >> 33) % bound);
  };
  for (int round = 0; round < 4000; ++round) {
    std::string text, needle;
    for (size_t k = next(60); k > 0; --k)
      text += alphabet[next(std::size(alphabet))];
    for (size_t k = 1 + next(4); k > 0; --k)
      needle += alphabet[next(std::size(alphabet))];
    auto fold = [](std::string s) {  // byte by byte, as the search compares
      for (char& c : s)
        c = Lower(c);
      return s;
    };
    const std::string folded_text = fold(text), folded_needle = fold(needle);
    const size_t anchor = next(needle.size());
    for (size_t from = 0; from <= text.size(); from += 1 + next(5)) {
      const size_t expected = folded_text.find(folded_needle, from);
      ASSERT_EQ(NoCaseSearch(text, needle, anchor).Find(from), expected)
          << "[" << text << "] [" << needle << "] anchor " << anchor << " from " << from;
    }
  }
}

TEST(SourceLineTest, ContinuationNeedsABlankBeforeTheUnderscore) {
  struct Case {
    std::string_view line;
    bool continues;
  } cases[] = {
      {"x = a _", true},  {"x = a\t_  ", true}, {"_", true}, {"x = PROCNAME_", false},
      {"x = a_ ", false}, {"' note _", true},   {"", false}, {"x = \"_\"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ContinuesOnNextLine(c.line), c.continues) << c.line;
  EXPECT_EQ(WithoutContinuation("x = a _  "), "x = a ");
}

TEST(SourceLineTest, ReadsTheLabelAtTheStart) {
  struct Case {
    std::string_view line, label;
    bool numeric;
    std::string_view after;
  } cases[] = {
      {"10 x = 1", "10", true, " x = 1"},
      {"  010: x", "010", true, " x"},
      {"20", "20", true, ""},
      {"30' note", "30", true, "' note"},
      {"Retry: x = 1", "Retry", false, " x = 1"},
      {"Retry:", "Retry", false, ""},
      {"x := 1", "", false, ""},
      {"Else: x", "", false, ""},
      {"DoEvents: x", "", false, ""},
      {"Retry : x", "", false, ""},  // the colon must follow the name directly
      {"_x: y", "", false, ""},      // a name starts with a letter
      {"12ab = 1", "", false, ""},
      {"10:=", "", false, ""},
  };
  for (const Case& c : cases) {
    Label label = ReadLabel(c.line);
    EXPECT_EQ(label.text, c.label) << c.line;
    EXPECT_EQ(label.numeric, c.numeric) << c.line;
    if (!label.text.empty()) {
      EXPECT_EQ(c.line.substr(label.end), c.after) << c.line;
    }
  }
}

std::vector<std::string> StatementsOf(std::string_view line) {
  std::vector<std::string> out;
  StatementReader reader(line);
  std::string_view s;
  while (reader.Next(s))
    out.emplace_back(s);
  return out;
}

TEST(SourceLineTest, SplitsStatementsAtColonsOutsideLiterals) {
  using V = std::vector<std::string>;
  EXPECT_EQ(StatementsOf("a = 1: b = \"x:y\" : c ' d: e"), (V{"a = 1", "b = \"x:y\"", "c"}));
  EXPECT_EQ(StatementsOf("f a:=1"), (V{"f a:=1"}));
  EXPECT_EQ(StatementsOf("a:: b :"), (V{"a", "b"}));
  EXPECT_EQ(StatementsOf("  ' only a comment"), V{});
  EXPECT_EQ(StatementsOf(""), V{});
  EXPECT_EQ(StatementsOf("x = 1: Rem a: b"), (V{"x = 1"}));
}

TEST(SourceLineTest, ReadsProcedureHeaders) {
  using host::ProcKind;
  struct Case {
    std::string_view line, name;
    ProcKind kind;
    bool function;
  } cases[] = {
      {"Sub Main()", "Main", ProcKind::kProc, false},
      {"Public Static Function F$(x)", "F", ProcKind::kProc, true},
      {"Friend Property Let Value(v)", "Value", ProcKind::kPropertyLet, false},
      {"private property get Value()", "Value", ProcKind::kPropertyGet, false},
      {"Property Set Obj(o)", "Obj", ProcKind::kPropertySet, false},
      {"10 Sub Numbered()", "Numbered", ProcKind::kProc, false},
      {"Sub [My Sub]()", "My Sub", ProcKind::kProc, false},
      {"Sub \x83\x5B\x83\x80()", "\x83\x5B\x83\x80", ProcKind::kProc, false},  // double-byte
      {"Sub A(): x = 1", "A", ProcKind::kProc, false},
      {"x = 1: Sub B()", "", ProcKind::kProc, false},  // a header is the first statement
      {":Sub C()", "", ProcKind::kProc, false},
      {"Declare Sub D Lib \"k\" ()", "", ProcKind::kProc, false},
      {"Property Value()", "", ProcKind::kProc, false},
      {"' Sub E()", "", ProcKind::kProc, false},
      {"Subtotal = 1", "", ProcKind::kProc, false},
  };
  for (const Case& c : cases) {
    Header h = ReadLineHeader(c.line);
    EXPECT_EQ(h.name, c.name) << c.line;
    if (h.name.empty()) continue;
    EXPECT_EQ(h.kind, c.kind) << c.line;
    EXPECT_EQ(h.function, c.function) << c.line;
  }
  // Most lines are read as they stand; what they give must be what the line's first statement
  // gives.
  std::vector<std::string_view> lines = {
      "Sub [X' y]()",     "Sub X ' note",
      "Sub X' note",      "Public Sub Y(ByVal s As String) ' a: b",
      "Sub Z(a, _",       "Sub \"Q\"()",
      "Rem Sub R()",      "Sub",
      "Function [A:B]()", "  Private   Function  F ()  "};
  for (const Case& c : cases)
    lines.push_back(c.line);
  for (std::string_view line : lines) {
    StatementReader statements(line);
    std::string_view first;
    Header expected;
    if (statements.Next(first) && statements.First()) expected = ReadHeader(first);
    Header h = ReadLineHeader(line);
    EXPECT_EQ(h.name, expected.name) << line;
    EXPECT_EQ(h.kind, expected.kind) << line;
    EXPECT_EQ(h.function, expected.function) << line;
  }
}

TEST(SourceLineTest, ClassifiesEndDefAndDirectiveLines) {
  for (const char* line : {"End Sub", "20 end   function", "End Property"})
    EXPECT_TRUE(IsProcedureEndStatement(line)) << line;
  for (const char* line : {"End If", "End", "Endless Sub"})
    EXPECT_FALSE(IsProcedureEndStatement(line)) << line;
  for (const char* line : {"DefInt A-Z", "  deflngptr\tP"})
    EXPECT_TRUE(IsDefStatement(line)) << line;
  for (const char* line : {"DefInt", "Default = 1", "x = 1: DefInt A"})
    EXPECT_FALSE(IsDefStatement(line)) << line;

  struct Case {
    std::string_view line;
    Directive directive;
    std::string_view rest;
  } cases[] = {
      {"#If Win32 Then", Directive::kIf, " Win32 Then"},
      {"  # if x then", Directive::kIf, " x then"},
      {"#ElseIf y Then", Directive::kElseIf, " y Then"},
      {"#Else", Directive::kElse, ""},
      {"#End If", Directive::kEndIf, ""},
      {"#EndIf", Directive::kEndIf, ""},
      {"#Const A = 1", Directive::kConst, " A = 1"},
      {"#Iffy", Directive::kOther, ""},
      {"#End Sub", Directive::kOther, " Sub"},
      {"x = #1/1/2000#", Directive::kNone, ""},
  };
  for (const Case& c : cases) {
    size_t rest = 0;
    EXPECT_EQ(ReadDirective(c.line, rest), c.directive) << c.line;
    if (c.directive != Directive::kNone) {
      EXPECT_EQ(c.line.substr(rest), c.rest) << c.line;
    }
  }
}

}  // namespace
}  // namespace kestrix::basic
