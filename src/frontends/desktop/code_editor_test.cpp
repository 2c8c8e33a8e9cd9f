#include "frontends/desktop/code_editor.h"

#include <gtest/gtest.h>

#include <QSyntaxHighlighter>
#include <QTest>
#include <QTextBlock>
#include <functional>

#include "frontends/desktop/desktop_test_support.h"
#include "frontends/desktop/display_text.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::desktop {
namespace {

using kestrix::testing::Bars;
using kestrix::testing::TempDir;
using testing::ProcessEvents;

std::string ModuleText(host::Component& component) {
  return Bars(kestrix::testing::CodeOf(component));
}

// Puts the caret at (line, column), 1-based; with an end, selects up to it.
void Place(CodeEditor& editor, int line, int column, int end_line = 0, int end_column = 0) {
  QTextDocument& doc = *editor.document();
  QTextCursor cursor(doc.findBlockByNumber(line - 1));
  cursor.setPosition(doc.findBlockByNumber(line - 1).position() + column - 1);
  if (end_line > 0) {
    int end = doc.findBlockByNumber(end_line - 1).position() + end_column - 1;
    cursor.setPosition(end, QTextCursor::KeepAnchor);
  }
  editor.setTextCursor(cursor);
}

class CodeEditorTest : public ::testing::Test {
 protected:
  // A project with one standard module whose code is `code` ('|' for CR LF).
  host::Component& Module(const std::string& code) {
    dir_.Write("M.bas", "Attribute VB_Name = \"M\"\r\n" + kestrix::testing::Crlf(code));
    dir_.Write("P.vbp", "Type=Exe\r\nModule=M; M.bas\r\nName=\"P\"\r\n");
    ide_.Open(dir_.Path("P.vbp"));
    return ide_.Item(1).VBComponents().Item(1);
  }

  TempDir dir_;
  vbfiles::FileIde ide_;
};

TEST(AnsiTextTest, EveryByteComesBackAsItWas) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != '\n') all.push_back(static_cast<char>(b));
  QString shown = AnsiToDisplay(all);
  EXPECT_EQ(shown.size(), static_cast<qsizetype>(all.size()));
  EXPECT_EQ(DisplayToAnsi(shown), all);
  EXPECT_EQ(AnsiToDisplay("\x80\x99"), QString::fromUtf8("€™"));
  EXPECT_EQ(AnsiToDisplay("a\rb"), QString::fromUtf8("a␍b"));
  EXPECT_EQ(DisplayToAnsi(QString::fromUtf8("Ж€")), "?\x80");
  EXPECT_EQ(AnsiLinesToDisplay("a\r\r\nb\r\n"), QString::fromUtf8("a␍\nb\n"));
}

TEST_F(CodeEditorTest, ReplaceLinesTouchesOnlyWhatDiffers) {
  struct Case {
    const char* name;
    std::string before;
    int32_t first, old_count;
    std::vector<std::string> lines;
    std::string after;
    uint64_t edits;  // calls into the module
  };
  const Case cases[] = {
      {"same text", "a|b|c", 2, 1, {"b"}, "a|b|c", 0},
      {"one line differs", "a|b|c", 1, 3, {"a", "x", "c"}, "a|x|c", 1},
      {"fewer lines", "a|b|c|d", 2, 2, {"x"}, "a|x|d", 2},
      {"more lines, one insert", "a|b", 2, 1, {"b", "x", "y"}, "a|b|x|y", 1},
      {"old line past the end", "", 1, 1, {"x", "y"}, "x|y", 1},
  };
  for (const Case& c : cases) {
    host::Component& component = Module(c.before);
    host::CodeModule& module = *component.GetCodeModule();
    uint64_t before = ModuleRevision(module);
    bool changed = ReplaceLines(module, c.first, c.old_count, c.lines);
    EXPECT_EQ(ModuleText(component), c.after) << c.name;
    EXPECT_EQ(ModuleRevision(module) - before, c.edits) << c.name;
    EXPECT_EQ(changed, c.edits > 0) << c.name;
  }
}

TEST_F(CodeEditorTest, EditsGoIntoTheModuleLineForLine) {
  struct Case {
    const char* name;
    std::string before;
    std::function<void(CodeEditor&)> edit;
    std::string after;
  };
  const Case cases[] = {
      {"typing", "a|b|c", [](CodeEditor& e) { Place(e, 2, 1), QTest::keyClicks(&e, "x "); },
       "a|x b|c"},
      {"Enter splits a line", "ab|c",
       [](CodeEditor& e) { Place(e, 1, 2), QTest::keyClick(&e, Qt::Key_Return); }, "a|b|c"},
      {"Backspace joins lines", "a|b|c",
       [](CodeEditor& e) { Place(e, 2, 1), QTest::keyClick(&e, Qt::Key_Backspace); }, "ab|c"},
      {"a selection over lines", "abc|def|ghi",
       [](CodeEditor& e) { Place(e, 1, 2, 3, 2), QTest::keyClick(&e, Qt::Key_Delete); }, "ahi"},
      {"pasted lines", "a|b", [](CodeEditor& e) { Place(e, 2, 1), e.insertPlainText("x\ny\n"); },
       "a|x|y|b"},
      {"everything deleted", "a|b",
       [](CodeEditor& e) { e.selectAll(), QTest::keyClick(&e, Qt::Key_Delete); }, ""},
      {"undo", "a|b",
       [](CodeEditor& e) {
         Place(e, 1, 2), QTest::keyClick(&e, Qt::Key_Return), QTest::keyClicks(&e, "zz");
         e.undo(), e.undo();
       },
       "a|b"},
      {"a character of the code page", "a", [](CodeEditor& e) { e.insertPlainText("€"); },
       "\x80"
       "a"},
      {"a character without a byte", "a", [](CodeEditor& e) { e.insertPlainText("Ж"); }, "?a"},
      {"a CR inside a line stays", "x\ry|b",
       [](CodeEditor& e) { Place(e, 2, 2), QTest::keyClicks(&e, "!"); }, "x\ry|b!"},
  };
  for (const Case& c : cases) {
    host::Component& component = Module(c.before);
    CodeEditor editor(component);
    editor.show();
    c.edit(editor);
    ProcessEvents();
    EXPECT_EQ(ModuleText(component), c.after) << c.name;
    EXPECT_EQ(Bars(editor.ShownText()), c.after) << c.name;
    EXPECT_EQ(component.IsDirty(), c.before != c.after || std::string(c.name) == "undo") << c.name;
  }
}

TEST_F(CodeEditorTest, ShowsChangesMadeByOthers) {
  host::Component& component = Module("a|b");
  CodeEditor editor(component);
  EXPECT_FALSE(editor.Refresh());
  component.GetCodeModule()->InsertLines(1, "' added");
  EXPECT_TRUE(editor.Refresh());
  EXPECT_EQ(Bars(editor.ShownText()), "' added|a|b");

  // An edit in a window that has not seen the change yet is dropped, not misplaced.
  component.GetCodeModule()->DeleteLines(1, 2);
  Place(editor, 3, 1);
  editor.insertPlainText("x");
  ProcessEvents();
  EXPECT_EQ(ModuleText(component), "b");
  EXPECT_EQ(Bars(editor.ShownText()), "b");
}

// A large module goes in by parts, the event loop turning in between; the window takes no
// typing until all of it shows, and a change made meanwhile shows once the load ends.
TEST_F(CodeEditorTest, ShowsALargeModuleByParts) {
  std::string code = "x = 0";
  for (int i = 1; i < 2 * CodeEditor::kLinesPerChunk + 5; ++i)
    code += "|x = " + std::to_string(i);
  host::Component& component = Module(code);
  host::CodeModule& module = *component.GetCodeModule();
  CodeEditor editor(component);
  EXPECT_TRUE(editor.Loading());
  EXPECT_TRUE(editor.isReadOnly());
  EXPECT_EQ(editor.document()->blockCount(), CodeEditor::kLinesPerChunk);
  module.InsertLines(1, "' added");
  EXPECT_FALSE(editor.Refresh());  // the load under way shows it when it ends
  for (int turns = 0;
       turns < 20 && (editor.Loading() || Bars(editor.ShownText()) != ModuleText(component));
       ++turns)
    ProcessEvents();
  EXPECT_FALSE(editor.Loading());
  EXPECT_FALSE(editor.isReadOnly());
  EXPECT_EQ(Bars(editor.ShownText()), ModuleText(component));
  EXPECT_EQ(editor.document()->blockCount(), module.CountOfLines());
}

// A module an add-in keeps changing is shown again only once it has held still between two
// looks, so that a long command does not reload a large window at every look.
TEST_F(CodeEditorTest, WaitsForTheModuleToSettle) {
  host::Component& component = Module("a|b");
  CodeEditor editor(component);
  EXPECT_FALSE(editor.RefreshWhenSettled());
  host::CodeModule& module = *component.GetCodeModule();
  module.InsertLines(1, "' 1");
  EXPECT_FALSE(editor.RefreshWhenSettled());  // changed since the last look: still at work
  module.InsertLines(1, "' 2");
  EXPECT_FALSE(editor.RefreshWhenSettled());
  EXPECT_EQ(Bars(editor.ShownText()), "a|b");
  EXPECT_TRUE(editor.RefreshWhenSettled());  // unchanged since the last look: shown
  EXPECT_EQ(Bars(editor.ShownText()), "' 2|' 1|a|b");
  EXPECT_FALSE(editor.RefreshWhenSettled());
  // Refresh() itself does not wait (after a command).
  module.DeleteLines(1, 1);
  EXPECT_TRUE(editor.Refresh());
  EXPECT_EQ(Bars(editor.ShownText()), "' 1|a|b");
}

TEST_F(CodeEditorTest, ReadOnlyFileRefusesEdits) {
  host::Component& component = Module("a");
  ASSERT_TRUE(kestrix::testing::SetMode(dir_.Path("M.bas"), 0444));
  ide_.Open(dir_.Path("P.vbp"));
  host::Component& read_only = ide_.Item(1).VBComponents().Item(1);
  (void)component;
  CodeEditor editor(read_only);
  EXPECT_TRUE(editor.isReadOnly());
  std::string refusal;
  editor.SetOnRefused([&](const std::string& why) { refusal = why; });
  QTextCursor(editor.document()).insertText("x");  // what a program may still do
  ProcessEvents();
  EXPECT_NE(refusal.find("read-only"), std::string::npos) << refusal;
  EXPECT_EQ(ModuleText(read_only), "a");
  EXPECT_EQ(Bars(editor.ShownText()), "a");
  EXPECT_FALSE(read_only.IsDirty());
}

// Colours every line: its format changes reach the editor as changes of the document.
class Bold final : public QSyntaxHighlighter {
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;
  void highlightBlock(const QString& text) override {
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    setFormat(0, static_cast<int>(text.size()), bold);
  }
};

TEST_F(CodeEditorTest, ColouringLeavesTheModuleAlone) {
  host::Component& component = Module("a|b");
  CodeEditor editor(component);
  int calls = 0;
  Bold* highlighter = nullptr;
  editor.SetColourer([&](QTextDocument& doc) {
    ++calls;
    highlighter = new Bold(&doc);
  });
  highlighter->rehighlight();
  ProcessEvents();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(component.IsDirty());
  Place(editor, 2, 2);
  editor.insertPlainText("c");
  ProcessEvents();
  EXPECT_EQ(ModuleText(component), "a|bc");
}

}  // namespace
}  // namespace kestrix::desktop
