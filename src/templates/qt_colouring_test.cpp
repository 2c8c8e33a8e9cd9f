#include "templates/qt_colouring.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace kestrix::templates {
namespace {

// The document's colours, one letter per character ("." default, "k" black, "b" blue,
// "g" green, "?" another colour) and "|" between lines.
std::string ColoursOf(const QTextDocument& document) {
  std::string shown;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) shown += '|';
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      QTextCharFormat format = fragment.fragment().charFormat();
      char code = '.';
      if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        QColor colour = format.foreground().color();
        code = colour == QColor(0, 0, 0)     ? 'k'
               : colour == QColor(0, 0, 220) ? 'b'
               : colour == QColor(0, 127, 0) ? 'g'
                                             : '?';
      }
      shown.append(static_cast<size_t>(fragment.fragment().length()), code);
    }
  }
  return shown;
}

TEST(QtColouringTest, ColoursLandOnTheirCharacters) {
  struct Case {
    std::string input;
    QString text;
    std::string colours;
  };
  const Case cases[] = {
      {"dim x as integer ' count", "Dim x As Integer ' count", "bbb...bb.bbbbbbb.ggggggg"},
      {"x\r\ndim\r\n' c", "x\nDim\n' c", ".|bbb|ggg"},
      {"\r\n\r\nText1.text rem", "\n\nText1.Text rem", "||kkkk..kkkk.ggg"},
      {"a\nend", "a\nEnd", ".|bbb"},
      {"' a\rdim", "' a\nDim", "ggg|bbb"},
      {"s = \"\xe9t\xe9\" ' \x80", "s = \"\u00e9t\u00e9\" ' \u20ac", "..........ggg"},
  };
  for (const Case& c : cases) {
    QTextEdit view;
    ShowColoured(view, c.input);
    EXPECT_EQ(view.document()->toPlainText(), c.text) << c.input;
    EXPECT_EQ(ColoursOf(*view.document()), c.colours) << c.input;
  }
}

// What a document shows comes back as the same bytes: every byte but CR and LF, on lines
// that end in CR LF, the last one empty or not.
TEST(QtColouringTest, TextComesBackAsTheSameBytes) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) {
    if (byte != '\r' && byte != '\n') all += static_cast<char>(byte);
  }
  const std::string cases[] = {all + "\r\n" + all, "a\r\n\r\nb\r\n", "", "\r\n"};
  for (const std::string& text : cases) {
    QTextDocument document;
    ApplyColouring(document, HighlightSyntax(text));
    EXPECT_EQ(AnsiTextOf(document), text);
  }
}

TEST(QtColouringTest, HighlightIntoViewColoursTheViewsText) {
  QTextEdit view;
  QFont font(QStringLiteral("Courier"));
  view.setFont(font);
  view.setTabStopDistance(40);
  view.setPlainText(QStringLiteral("dim x\n' note \u00e9"));
  for (int run = 0; run < 3; ++run) {
    HighlightIntoView(view);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("Dim x\n' note \u00e9"));
    EXPECT_EQ(ColoursOf(*view.document()), "bbb..|gggggggg");
  }
  EXPECT_EQ(view.document()->defaultFont().family(), font.family());
  EXPECT_EQ(view.document()->defaultTextOption().tabStopDistance(), 40);
  EXPECT_EQ(view.textCursor().position(), 0);
  EXPECT_EQ(view.findChildren<QTextDocument*>().size(), 1) << "replaced documents are kept";
}

}  // namespace
}  // namespace kestrix::templates
