#include "templates/code_highlighter.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "templates/qt_colouring.h"

namespace kestrix::templates {
namespace {

// The colour the highlighter gave the character at `pos` of line `line`; black when none.
QColor ColourAt(QTextDocument& doc, int line, int pos) {
  QTextBlock block = doc.findBlockByNumber(line);
  for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
    if (pos >= range.start && pos < range.start + range.length) {
      return range.format.foreground().color();
    }
  }
  return QColor(0, 0, 0);
}

TEST(CodeHighlighter, ColoursLinesWithoutChangingThem) {
  QTextDocument doc;
  doc.setPlainText(
      "dim x as integer ' count\nMsgBox \"dim\"\nREM Check This\n' goes on _\n  dim too\nDim");
  auto* highlighter = new CodeHighlighter(&doc);  // owned by the document
  highlighter->rehighlight();                     // what the event loop would do once it runs
  EXPECT_EQ(
      doc.toPlainText(),
      "dim x as integer ' count\nMsgBox \"dim\"\nREM Check This\n' goes on _\n  dim too\nDim");
  EXPECT_EQ(ColourAt(doc, 0, 0), ColourOf(Colour::kBlue));    // dim
  EXPECT_EQ(ColourAt(doc, 0, 4), QColor(0, 0, 0));            // x
  EXPECT_EQ(ColourAt(doc, 0, 18), ColourOf(Colour::kGreen));  // the comment
  EXPECT_EQ(ColourAt(doc, 1, 8), QColor(0, 0, 0));            // dim inside the literal
  EXPECT_EQ(ColourAt(doc, 2, 6), ColourOf(Colour::kGreen));   // REM comment
}

}  // namespace
}  // namespace kestrix::templates
