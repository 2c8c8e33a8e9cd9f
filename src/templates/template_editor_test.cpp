#include "templates/template_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
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

}  // namespace
}  // namespace kestrix::templates
