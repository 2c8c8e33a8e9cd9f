#include "platform/vbfiles/file_code_module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "platform/vbfiles/text_io.h"
#include "support/test_support.h"
#include "vb_generator.h"

namespace kestrix::vbfiles {
namespace {

using host::ProcKind;

// The module's parent only needs a name here.
class NamedComponent final : public host::Component {
 public:
  host::Project& Collection() override { std::abort(); }
  std::string Name() const override { return "Module1"; }
  host::ComponentType Type() const override { return host::ComponentType::kStdModule; }
  std::string FileNames(int16_t) const override { return ""; }
  int16_t FileCount() const override { return 1; }
  bool IsDirty() const override { return false; }
  host::CodeModule* GetCodeModule() override { return nullptr; }
  void SaveAs(const std::string&) override {}
};

NamedComponent parent;

std::unique_ptr<FileCodeModule> Module(std::string_view text) {
  std::vector<CodeLine> lines;
  for (auto& line : SplitLines(text).lines)
    lines.push_back(CodeLine{line, 0, 0});
  return std::make_unique<FileCodeModule>(parent, std::move(lines),
                                          std::vector<std::vector<std::string>>{}, true);
}

std::string Text(const FileCodeModule& m) {
  return m.CountOfLines() == 0 ? "" : m.Lines(1, m.CountOfLines()) + "\r\n";
}

// "D=2 | Main@4:3-6 | Item[3]@…" : the declarations count and, per procedure, its name,
// kind, body line and start-end range, as the object model reports them.
std::string Shape(const FileCodeModule& m) {
  std::ostringstream out;
  out << "D=" << m.CountOfDeclarationLines();
  std::string previous;
  ProcKind previous_kind = ProcKind::kProc;
  for (int32_t line = 1; line <= m.CountOfLines(); ++line) {
    ProcKind kind;
    std::string name = m.ProcOfLine(line, kind);
    if (name.empty() || (name == previous && kind == previous_kind)) continue;
    previous = name;
    previous_kind = kind;
    int32_t start = m.ProcStartLine(name, kind);
    out << " | " << name;
    if (kind != ProcKind::kProc) out << "[" << static_cast<int>(kind) << "]";
    out << "@" << m.ProcBodyLine(name, kind) << ":" << start << "-"
        << start + m.ProcCountLines(name, kind) - 1;
    if (start != line) out << " (first seen at " << line << ")";
  }
  return out.str();
}

struct ShapeCase {
  const char* what;
  const char* code;  // lines separated by |
  const char* shape;
};

std::string Lines(const char* bars) {
  return testing::Crlf(bars);
}

TEST(CodeModuleShape, FollowsTheCodeWindow) {
  const ShapeCase cases[] = {
      {"declarations only", "Option Explicit|Dim x As Long|' note", "D=2"},
      {"comments above a header belong to it",
       "Option Explicit|' helper||Private Sub A()|x = 1|End Sub|' b|Sub B()|End Sub|' tail",
       "D=1 | A@4:2-6 | B@8:7-10"},
      {"modifiers, type characters and Friend/Static",
       "Public Static Function Count%()|End Function|Friend Sub Touch()|End Sub",
       "D=0 | Count@1:1-2 | Touch@3:3-4"},
      {"one-line procedures",
       "Public Function NewEnum() As IUnknown: End Function|Sub A(): End Sub",
       "D=0 | NewEnum@1:1-1 | A@2:2-2"},
      {"End after other statements", "Function F()|x = 1: F = 2: End Function|Sub G()|End Sub",
       "D=0 | F@1:1-2 | G@3:3-4"},
      {"End inside a string or a comment does not end",
       "Sub A()|MsgBox \"End Sub\"|x = 1 ' End Sub|Rem End Sub|End Sub", "D=0 | A@1:1-5"},
      {"Rem after Then or Else is a comment too",
       "Sub A()|If a Then Rem End Sub|If a Then b Else Rem End Sub|End Sub", "D=0 | A@1:1-4"},
      {"a double-byte name whose second byte looks like a bracket",
       "Sub \x81\x5B\x83\x80()|End Sub", "D=0 | \x81\x5B\x83\x80@1:1-2"},
      {"header continued over lines",
       "Dim q|Public Function Long_(ByVal a As Long, _|  ByVal b As Long, _|  ByVal c As Long) _|"
       "  As Long|Long_ = a|End Function",
       "D=1 | Long_@2:2-7"},
      {"continued comment", "Sub A()|' first _|  Sub B() still comment|End Sub", "D=0 | A@1:1-4"},
      {"#End If closing declarations belongs to them",
       "#If Win64 Then|Private Declare PtrSafe Sub A Lib \"k\" ()|#Else|"
       "Private Declare Sub A Lib \"k\" ()|#End If||Sub Main()|End Sub",
       "D=5 | Main@7:6-8"},
      {"whole procedures repeated in #If branches",
       "#If A Then|Sub X()|End Sub|#Else|Sub X()|End Sub|#End If", "D=0 | X@2:1-3"},
      {"labels and line numbers", "Sub A()|10 x = 1|Retry: y = 2|20 End Sub", "D=0 | A@1:1-4"},
      {"named arguments are no statement break", "Sub A()|Foo Bar:=1|End Sub", "D=0 | A@1:1-3"},
      {"a header after a colon is none", "Sub A()|End Sub|x = 1: Sub B()|\r:Sub C()|End Sub",
       "D=0 | A@1:1-5"},
      {"a header continued from a line holding only the mark", "Dim a|_|Sub A()|End Sub",
       "D=1 | A@2:2-4"},
      {"a name defined twice in other cases: the lookups give the first",
       "Sub Dup()|End Sub|Sub DUP()|End Sub|Sub dUp()|End Sub",
       "D=0 | Dup@1:1-2 | DUP@1:1-2 (first seen at 3) | dUp@1:1-2 (first seen at 5)"},
      {"names told apart by kind, and by letters of the code page in any case",
       "Property Get P()|End Property|Property Let p(v)|End Property|"
       "Sub \xC4x()|End Sub|Sub \xE4X()|End Sub",
       "D=0 | P[3]@1:1-2 | p[1]@3:3-4 | \xC4x@5:5-6 | \xE4X@7:7-8"},
      {"blanks after a continuation mark: still one statement",
       "Sub A()|  End _  |  Sub|Sub B(a, _ |  b)|End Sub", "D=0 | A@1:1-3 | B@4:4-6"},
  };
  for (const auto& c : cases) {
    auto m = Module(Lines(c.code));
    EXPECT_EQ(Shape(*m), c.shape) << c.what;
  }
}

// Edits keep the text (the store test below checks that at length); calls outside the
// module are refused.
TEST(CodeModuleLines, ReplaceSplitsLinesAndOutOfRangeIsRefused) {
  auto m = Module(Lines("a|b|c"));
  EXPECT_EQ(m->Lines(2, 0), "");
  EXPECT_THROW(m->Lines(3, 2), host::IdeError);
  EXPECT_THROW(m->Lines(0, 1), host::IdeError);
  m->ReplaceLine(3, "p\r\nq");
  EXPECT_EQ(Text(*m), Lines("a|b|p|q"));
  EXPECT_THROW(m->InsertLines(6, "late"), host::IdeError);
  EXPECT_THROW(m->DeleteLines(4, 2), host::IdeError);
}

// Lines rewritten over and over leave their old text behind in the store, which drops it
// from time to time: every line must keep its own text through that, and the store must
// stay within a small multiple of the text it holds.
TEST(CodeModuleLines, StoreDropsOldTextAndKeepsEveryLine) {
  std::vector<std::string> model;
  for (int i = 0; i < 3000; ++i)
    model.push_back("  x" + std::to_string(i) + " = " + std::to_string(i * 7));
  std::string text;
  for (const auto& line : model)
    text += line + "\r\n";
  auto m = Module(text);
  const size_t start_bytes = m->StoreBytes();
  std::mt19937 random(5);
  for (int round = 0; round < 40; ++round) {
    for (int k = 0; k < 200; ++k) {
      int32_t line = static_cast<int32_t>(random() % model.size()) + 1;
      std::string changed = model[static_cast<size_t>(line - 1)] + " ' r" + std::to_string(round);
      m->ReplaceLine(line, changed);
      model[static_cast<size_t>(line - 1)] = changed;
    }
    int32_t at = static_cast<int32_t>(random() % (model.size() - 20)) + 1;
    m->DeleteLines(at, 10);
    model.erase(model.begin() + at - 1, model.begin() + at + 9);
    m->InsertLines(at, "a" + std::to_string(round) + "\r\n\r\nb");
    model.insert(model.begin() + at - 1, {"a" + std::to_string(round), "", "b"});
    std::string expected;
    for (const auto& line : model)
      expected += line + "\r\n";
    ASSERT_EQ(Text(*m), expected) << "round " << round;
  }
  EXPECT_LT(m->StoreBytes(), 4 * start_bytes);
}

// Everything the object model says of the module's shape: the declarations count, the
// procedure of every line, and the start, size and body line of every procedure named by a
// line or in `names` ("-" for a name not found).
std::string FullShape(const FileCodeModule& m, const std::vector<std::string>& names) {
  std::ostringstream out;
  out << "D=" << m.CountOfDeclarationLines() << "\n";
  std::vector<std::pair<std::string, ProcKind>> procs;
  for (const auto& name : names) {
    for (ProcKind kind : {ProcKind::kProc, ProcKind::kPropertyGet, ProcKind::kPropertyLet})
      procs.emplace_back(name, kind);
  }
  for (int32_t line = 1; line <= m.CountOfLines(); ++line) {
    ProcKind kind;
    std::string name = m.ProcOfLine(line, kind);
    out << line << ":" << name << "/" << static_cast<int>(kind) << " ";
    if (!name.empty()) procs.emplace_back(name, kind);
  }
  out << "\n";
  for (const auto& [name, kind] : procs) {
    out << name << "/" << static_cast<int>(kind) << "=";
    try {
      out << m.ProcStartLine(name, kind) << "+" << m.ProcCountLines(name, kind) << "@"
          << m.ProcBodyLine(name, kind) << " ";
    } catch (const host::IdeError&) {
      out << "- ";
    }
  }
  return out.str();
}

// Random inserts, deletes and replacements of structural and plain lines; after each, the
// index kept up to date must say what one built afresh from the text says.
void CheckStructuralEdits(std::string_view text, uint32_t seed, int edits) {
  // Lines separated by '|': structural and plain ones, continued statements among them.
  static const std::vector<std::string> kLines = [] {
    std::string bars = Lines(
        "' comment|x = x + 1||End Sub|End Function|End Property|Sub Extra()|Sub P1(a)|"
        "Private Function F() As Long|Property Get P()|Property Let P(v)|Sub One(): End Sub|"
        "Sub Q(): x = 1: End Sub|#If A Then|#Else|#ElseIf B Then|#End If|#Const A = 1|y = 1 _|"
        "  + 2|Sub Cont(a, _|  b)|Private Const C = 1|Dim m As Long|101\tz = 2|' tail _|"
        "Rem note|End _|  Sub|Option Explicit|  Exit Sub");
    std::vector<std::string> lines;
    for (size_t at = 0; at < bars.size(); at = bars.find("\r\n", at) + 2)
      lines.push_back(bars.substr(at, bars.find("\r\n", at) - at));
    return lines;
  }();
  const std::vector<std::string> names = {"Extra", "P1", "P2", "F", "P", "One", "Q", "Cont"};
  const int32_t last = static_cast<int32_t>(kLines.size()) - 1;
  auto m = Module(text);
  std::mt19937 rng(seed);
  auto pick = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  auto some_lines = [&] {
    std::string out = kLines[static_cast<size_t>(pick(0, last))];
    for (int32_t k = pick(1, 4); k < 3; ++k)  // mostly one line, sometimes two or three
      out += std::string("\r\n") + kLines[static_cast<size_t>(pick(0, last))];
    return out;
  };
  for (int i = 0; i < edits; ++i) {
    int32_t n = m->CountOfLines();
    int op = pick(0, 2);
    std::string what;
    const std::string before = Text(*m);
    if (op == 0 || n == 0) {
      int32_t at = pick(1, n + 1);
      std::string lines = some_lines();
      what = "insert at " + std::to_string(at) + ": " + lines;
      m->InsertLines(at, lines);
    } else if (op == 1) {
      int32_t at = pick(1, n);
      int32_t count = std::min(n - at + 1, pick(1, 3));
      what = "delete " + std::to_string(count) + " at " + std::to_string(at);
      m->DeleteLines(at, count);
    } else {
      int32_t at = pick(1, n);
      std::string line = pick(0, 3) == 0 ? "100\t" + m->Lines(at, 1) : some_lines();
      what = "replace " + std::to_string(at) + ": " + line;
      m->ReplaceLine(at, line);
    }
    auto fresh = Module(Text(*m));
    std::string kept = FullShape(*m, names), built = FullShape(*fresh, names);
    if (kept == built) continue;
    size_t at =
        std::mismatch(kept.begin(), kept.end(), built.begin(), built.end()).first - kept.begin();
    at = at < 40 ? 0 : at - 40;
    FAIL() << "after edit " << i << " (" << what << ", seed " << seed << "): the index says\n"
           << kept.substr(at, 120) << "\nwhere a fresh one says\n"
           << built.substr(at, 120) << "\nThe module before the edit:\n"
           << before;
  }
}

TEST(CodeModuleEdits, StructuralEditsKeepTheIndexOfEveryShape) {
  std::vector<std::string> modules = {
      "",
      Lines("Option Explicit|Dim a|' only declarations"),
      Lines("Sub A()|x = 1|End Sub|Sub B()|y = 2|' no End here"),
      Lines("#If A Then|Sub X()|End Sub|#Else|Sub X()|End Sub|#End If|Sub Y()|End Sub"),
      Lines("#If A Then|Sub Open1()|#Else|Sub Open1()"),
  };
  using bench::ProcForm;
  for (ProcForm form :
       {ProcForm::kPlain, ProcForm::kIfHeader, ProcForm::kIfWrapped, ProcForm::kIfElseHeader,
        ProcForm::kContinued, ProcForm::kOpenEnd, ProcForm::kOneLine, ProcForm::kCommented}) {
    int64_t size = form == ProcForm::kOneLine ? 1 : bench::MinProcLines(form) + 1;
    std::string generated = bench::GenerateUniformModule("Gen", 13 * size + 1, size, form);
    modules.push_back(generated.substr(generated.find('\n') + 1));  // past Attribute VB_Name
  }
  uint32_t seed = 1;
  for (const auto& text : modules) {
    for (int round = 0; round < 8; ++round)
      CheckStructuralEdits(text, seed++, 150);
  }
  std::string big = bench::GenerateModule("Gen", 600, 7);
  CheckStructuralEdits(std::string_view(big).substr(big.find('\n') + 1), seed, 300);
}

// The store drops the text of replaced and deleted lines when it grows, copying the lines that
// still lie end to end (or apart by a line break) in one piece, and puts inserted text where
// the lines last erased lay when it fits: after any mix of edits every line must read as
// written and keep its flags, and a run read back joined must be the lines with CR LF between
// them, whatever breaks the inserted text had. With `break_like`, some lines are a lone CR,
// which may lie between two erased lines where a line break would.
void CheckEditSequence(uint32_t seed, bool break_like) {
  std::mt19937 random(seed);
  std::vector<std::string> expected;
  std::vector<uint8_t> expected_flags;
  LineStore store;
  auto text_of = [&](int n) {
    return "line " + std::to_string(n) + (n % 7 == 0 ? ":" : "") + std::string(n % 40, 'x');
  };
  auto flags_of = [](std::string_view line, bool has_colon, bool) {
    EXPECT_EQ(has_colon, line.find(':') != std::string_view::npos) << line;
    return static_cast<uint8_t>(line.size());
  };
  // One text of `count` lines put in at `at`, some empty, CR LF or LF between.
  int made = 0;
  auto insert_text = [&](int32_t at, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) {
      std::string line = random() % 4 == 0 ? "" : text_of(++made);
      text += (k == 0 ? "" : random() % 3 == 0 ? "\n" : "\r\n") + line;
      expected.insert(expected.begin() + at + k, line);
      expected_flags.insert(expected_flags.begin() + at + k, static_cast<uint8_t>(line.size()));
    }
    ASSERT_EQ(store.InsertText(at, text, flags_of), count);
  };
  for (int step = 0; step < 4000; ++step) {
    auto size = static_cast<int32_t>(expected.size());
    int what = static_cast<int>(random() % 10);
    if (size == 0 || what < 4) {
      auto at = static_cast<int32_t>(random() % static_cast<uint32_t>(size + 1));
      int count = 1 + static_cast<int>(random() % 5);
      if (what % 2 == 0) {
        insert_text(at, count);
        continue;
      }
      for (int k = 0; k < count; ++k) {
        std::string text = break_like && random() % 8 == 0 ? "\r" : text_of(++made);
        store.Insert(at + k, text, 0, static_cast<uint8_t>(made & 0xFF));
        expected.insert(expected.begin() + at + k, text);
        expected_flags.insert(expected_flags.begin() + at + k, static_cast<uint8_t>(made & 0xFF));
      }
    } else if (what < 7) {
      // Lines erased, and as often as not other lines put in their place at once, fewer or
      // more than there were, as a pass rewriting a module does.
      auto at = static_cast<int32_t>(random() % static_cast<uint32_t>(size));
      int32_t count = std::min<int32_t>(size - at, 1 + static_cast<int32_t>(random() % 6));
      store.Erase(at, count);
      expected.erase(expected.begin() + at, expected.begin() + at + count);
      expected_flags.erase(expected_flags.begin() + at, expected_flags.begin() + at + count);
      if (what != 6) insert_text(at, 1 + static_cast<int>(random() % 8));
    } else {
      auto at = static_cast<int32_t>(random() % static_cast<uint32_t>(size));
      std::string text = what == 9 ? "" : text_of(++made);
      store.SetText(at, text);
      expected[static_cast<size_t>(at)] = text;
    }
    if (step % 97 != 0 && step != 3999) continue;
    ASSERT_EQ(store.size(), static_cast<int32_t>(expected.size()));
    std::string joined;
    for (int32_t i = 0; i < store.size(); ++i) {
      ASSERT_EQ(store.Text(i), expected[static_cast<size_t>(i)])
          << "step " << step << " line " << i;
      ASSERT_EQ(store.Flags(i), expected_flags[static_cast<size_t>(i)]) << "step " << step;
      joined += (i == 0 ? "" : "\r\n") + expected[static_cast<size_t>(i)];
    }
    std::string read;
    store.AppendJoined(read, 0, store.size());
    ASSERT_EQ(read, joined) << "step " << step;
  }
}

TEST(LineStoreTest, EditsThatForceCompactionKeepEveryLine) {
  for (uint32_t seed : {7u, 8u, 9u}) {
    for (bool break_like : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " break_like " << break_like);
      CheckEditSequence(seed, break_like);
    }
  }
}

// Text put in where lines were just erased goes into their place, so that a pass rewriting a
// module as it goes down needs no larger buffer for what is no longer than before; a lone CR
// lying between two erased lines, where a line break would, keeps its byte all the same.
TEST(LineStoreTest, InsertedTextTakesTheErasedLinesPlace) {
  auto none = [](std::string_view, bool, bool) { return uint8_t{0}; };
  // Lines long enough that the buffer holds them exactly, with no room to spare.
  LineStore full(std::vector<CodeLine>{
      {"the first line of the module", 0, 0}, {"its second line", 0, 0}, {"the third", 0, 0}});
  full.Erase(0, 2);
  const size_t bytes = full.Bytes();
  ASSERT_EQ(full.InsertText(0, "one\r\ntwo", none), 2);
  EXPECT_EQ(full.Bytes(), bytes);
  std::string joined;
  full.AppendJoined(joined, 0, full.size());
  EXPECT_EQ(joined, "one\r\ntwo\r\nthe third");

  LineStore store;
  store.PushBack("X");
  store.PushBack("\r");                            // right after "X"
  ASSERT_EQ(store.InsertText(1, "\nY", none), 2);  // an empty line on the LF's place, and "Y"
  store.Erase(1, 1);  // the empty line: "X" and "Y" now lie CR LF apart, the CR a line's
  store.Erase(0, 2);
  ASSERT_EQ(store.InsertText(0, "abcd", none), 1);
  EXPECT_EQ(store.Text(0), "abcd");
  EXPECT_EQ(store.Text(1), "\r");
}

// A line's own text handed back in, by view, as a new line or a line's new text: read whole
// though the buffer grows under it or the erased lines' place lies over it.
TEST(LineStoreTest, TextOfItsOwnLinesHandedBackIn) {
  auto none = [](std::string_view, bool, bool) { return uint8_t{0}; };
  LineStore store(std::vector<CodeLine>{{"alpha\r\nbeta", 0, 0}, {"gamma", 0, 0}});
  std::vector<std::string_view> views;
  auto view = [&](int32_t i) {
    views.clear();
    store.AppendViews(views);
    return views[static_cast<size_t>(i)];
  };
  for (int round = 0; round < 40; ++round) {
    ASSERT_EQ(store.InsertText(store.size(), view(0), none), 2) << round;  // "alpha", "beta"
    store.Insert(1, view(store.size() - 1), 0, 0);
    store.SetText(1, view(store.size() - 2));
    ASSERT_EQ(store.Text(1), "alpha") << round;
    store.Erase(1, 1);
    ASSERT_EQ(store.InsertText(1, view(store.size() - 1), none), 1) << round;
    ASSERT_EQ(store.Text(1), "beta") << round;
    ASSERT_EQ(store.Text(store.size() - 2), "alpha") << round;
    ASSERT_EQ(store.Text(store.size() - 1), "beta") << round;
    ASSERT_EQ(store.Text(0), "alpha\r\nbeta") << round;
  }
}

// Lines read in from a file's bytes, as a load reads them, come back joined with CR LF
// whatever lay between them in the file: another line break, or a line left out (a member
// attribute); so do they after an edit.
TEST(LineStoreTest, LinesReadInComeBackJoinedWithCrLf) {
  struct Case {
    const char* what;
    const char* bytes;
    std::vector<int> skipped;  // lines of the file not read in as lines
  } cases[] = {
      {"CR LF throughout", "a\r\nbb\r\n\r\nccc\r\nd", {}},
      {"LF only", "a\nbb\nccc", {}},
      {"mixed, a bare CR inside a line", "a\r\nb\rb\nc\r\nd", {}},
      {"a line left out", "a\r\nAttribute x\r\nb\r\nc", {1}},
      {"an empty line left out: two LFs apart", "a\n\nb", {1}},
      {"one line", "only", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = c.bytes;
    LineStore store;
    const uint32_t base = store.AppendBytes(bytes);
    std::vector<std::string> expected;
    size_t begin = 0;
    for (int k = 0; begin <= bytes.size(); ++k) {
      size_t lf = bytes.find('\n', begin);
      size_t end = lf == std::string::npos ? bytes.size() : lf;
      size_t cut =
          (lf != std::string::npos && end > begin && bytes[end - 1] == '\r') ? end - 1 : end;
      if (std::find(c.skipped.begin(), c.skipped.end(), k) == c.skipped.end()) {
        store.PushBackCopied(base + static_cast<uint32_t>(begin),
                             static_cast<uint32_t>(cut - begin));
        expected.push_back(bytes.substr(begin, cut - begin));
      }
      if (lf == std::string::npos) break;
      begin = lf + 1;
    }
    auto joined = [&](size_t from, size_t count) {
      std::string out;
      for (size_t k = from; k < from + count; ++k)
        out += (k == from ? "" : "\r\n") + expected[k];
      return out;
    };
    for (size_t from = 0; from < expected.size(); ++from) {
      for (size_t count = 0; from + count <= expected.size(); ++count) {
        std::string read;
        store.AppendJoined(read, static_cast<int32_t>(from), static_cast<int32_t>(count));
        ASSERT_EQ(read, joined(from, count)) << from << " " << count;
      }
    }
    store.Erase(0, 1);
    expected.erase(expected.begin());
    store.Insert(0, "new", 0, 0);
    expected.insert(expected.begin(), "new");
    std::string read;
    store.AppendJoined(read, 0, store.size());
    EXPECT_EQ(read, joined(0, expected.size()));
  }
}

TEST(LineStoreTest, InsertedTextSplitsAsTheCodeWindowDoes) {
  struct Case {
    const char* text;
    const char* lines;  // as read back, joined by '|'
  } cases[] = {
      {"", ""},           {"a", "a"},
      {"a\r\n", "a|"},    {"a\nb", "a|b"},
      {"\r\n\r\n", "||"}, {"a\rb\r\nc", "a\rb|c"},  // a bare CR stays inside its line
      {"a\r", "a\r"},
  };
  for (const auto& c : cases) {
    LineStore store;
    store.PushBack("before");
    store.PushBack("after");
    int32_t added =
        store.InsertText(1, c.text, [](std::string_view, bool, bool) { return uint8_t{0}; });
    std::string lines;
    for (int32_t i = 1; i <= added; ++i)
      lines += (i == 1 ? "" : "|") + std::string(store.Text(i));
    EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(c.text);
    EXPECT_EQ(store.Text(added + 1), "after");
  }
  // Lines read back joined are CR LF apart even where the text between them is two bytes of
  // something else.
  LineStore store;
  for (const char* line : {"ab", "cd", "ef"})
    store.PushBack(line);
  store.Erase(1, 1);
  std::string joined;
  store.AppendJoined(joined, 0, 2);
  EXPECT_EQ(joined, "ab\r\nef");
}

}  // namespace
}  // namespace kestrix::vbfiles
