#include "templates/template_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "templates/qt_colouring.h"

namespace kestrix::templates {
namespace {

// Shows the editor modally and, once it runs, lets `act` work on it.
void RunEditor(EditExchange& exchange, std::function<void(frmEdit&)> act) {
  bool acted = false;
  QTimer::singleShot(0, [&] {
    auto* editor = qobject_cast<frmEdit*>(QApplication::activeModalWidget());
    if (editor != nullptr) act(*editor);
    acted = editor != nullptr;
    if (editor != nullptr && editor->isVisible()) editor->reject();
  });
  ShowTemplateEditor(exchange);
  EXPECT_TRUE(acted) << "the editor was not shown modally";
}

QColor ForegroundAt(QTextEdit& view, int position) {
  QTextCursor cursor(view.document());
  cursor.setPosition(position + 1);
  return cursor.charFormat().foreground().color();
}

TEST(TemplateEditorTest, SaveGivesBackTheEditedTextWithCrLf) {
  EditExchange exchange{"dim x\r\n' note\r\n", "Edit Local Error Handler", QColor(255, 255, 192)};
  RunEditor(exchange, [](frmEdit& editor) {
    QTextEdit& text = *editor.Text1();
    EXPECT_EQ(ForegroundAt(text, 0), ColourOf(Colour::kBlue));  // Dim: the text is coloured
    text.moveCursor(QTextCursor::End);
    QTest::keyClicks(&text, "y = 1");
    QTest::mouseClick(editor.Command1(0), Qt::LeftButton);
  });
  EXPECT_TRUE(exchange.EditSaved);
  EXPECT_EQ(exchange.EditText, "Dim x\r\n' note\r\ny = 1");
}

// The text reads as code: one width for every character, in a weight that is not thin, tab
// stops of four characters; Save and Cancel answer Alt+S and Alt+C.
TEST(TemplateEditorTest, FixedWidthTextWithTabsOfFourAndButtonsWithKeys) {
  EditExchange exchange{"\tx = 1\r\n", "Edit", QColor()};
  frmEdit editor(exchange);
  const QFontInfo font(editor.Text1()->font());
  EXPECT_TRUE(font.fixedPitch()) << font.family().toStdString();
  EXPECT_GE(font.weight(), QFont::Normal);
  const QFontMetricsF metrics(editor.Text1()->font());
  EXPECT_DOUBLE_EQ(editor.Text1()->tabStopDistance(), 4 * metrics.horizontalAdvance(' '));
  EXPECT_EQ(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('W'));
  EXPECT_EQ(editor.Command1(0)->text(), "&Save");
  EXPECT_EQ(editor.Command1(1)->text(), "&Cancel");
}

TEST(TemplateEditorTest, CancelOrCloseChangesNothing) {
  const std::function<void(frmEdit&)> ways[] = {
      [](frmEdit& editor) { QTest::mouseClick(editor.Command1(1), Qt::LeftButton); },
      [](frmEdit& editor) { editor.close(); },
      [](frmEdit& editor) { QTest::keyClick(&editor, Qt::Key_Escape); },
  };
  for (const auto& way : ways) {
    EditExchange exchange{"dim x\r\n", "Edit", QColor(Qt::white)};
    RunEditor(exchange, [&](frmEdit& editor) {
      QTest::keyClicks(editor.Text1(), "changed");
      way(editor);
      EXPECT_FALSE(editor.isVisible());
    });
    EXPECT_FALSE(exchange.EditSaved);
    EXPECT_EQ(exchange.EditText, "dim x\r\n");
  }
}

// Only keywords are respelt: every other byte of the text comes back from Save as it came.
TEST(TemplateEditorTest, SaveWithoutEditsKeepsTheBytes) {
  std::string line;
  for (int byte = 0; byte < 256; ++byte) {
    if (byte != '\r' && byte != '\n') line += static_cast<char>(byte);
  }
  const std::string cases[] = {line + "\r\n" + line + "\r\n", "' no final line end", ""};
  for (const std::string& text : cases) {
    EditExchange exchange{text, "Edit", QColor()};
    frmEdit editor(exchange);
    editor.Command1(0)->click();
    EXPECT_TRUE(exchange.EditSaved);
    EXPECT_EQ(exchange.EditText, text);
  }
}

}  // namespace
}  // namespace kestrix::templates
