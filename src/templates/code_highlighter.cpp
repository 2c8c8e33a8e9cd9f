#include "templates/code_highlighter.h"

#include "platform/system/ansi_text.h"
#include "templates/qt_colouring.h"
#include "templates/syntax_colouring.h"

namespace kestrix::templates {

CodeHighlighter::CodeHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

// A line is coloured on its own (string literals end with their line), except that a comment
// continued with " _" goes on in the next line. Every character of the code page is one UTF-16
// unit, so byte offsets are character offsets.
void CodeHighlighter::highlightBlock(const QString& text) {
  constexpr int kPlain = 0, kCommentGoesOn = 1;
  bool continues = text.endsWith(QLatin1String(" _")) || text == QLatin1String("_");
  if (previousBlockState() == kCommentGoesOn) {
    setFormat(0, static_cast<int>(text.size()), ColourOf(Colour::kGreen));
    setCurrentBlockState(continues ? kCommentGoesOn : kPlain);
    return;
  }
  std::string bytes = system::Utf16ToAnsi(text.toStdU16String());
  Colouring colouring = HighlightSyntax(bytes);
  bool comment_to_end = false;
  for (const ColourRange& range : colouring.ranges) {
    if (range.colour == Colour::kBlack) continue;
    setFormat(static_cast<int>(range.offset), static_cast<int>(range.length),
              ColourOf(range.colour));
    comment_to_end = range.colour == Colour::kGreen && range.offset + range.length == bytes.size();
  }
  setCurrentBlockState(continues && comment_to_end ? kCommentGoesOn : kPlain);
}

}  // namespace kestrix::templates
