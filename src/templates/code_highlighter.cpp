#include "templates/code_highlighter.h"

#include "platform/system/ansi_text.h"
#include "templates/qt_colouring.h"
#include "templates/syntax_colouring.h"

namespace kestrix::templates {

CodeHighlighter::CodeHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

// A line is coloured on its own: string literals and comments end with their line. Every
// character of the code page is one UTF-16 unit, so byte offsets are character offsets.
void CodeHighlighter::highlightBlock(const QString& text) {
  std::string bytes = system::Utf16ToAnsi(text.toStdU16String());
  Colouring colouring = HighlightSyntax(bytes);
  for (const ColourRange& range : colouring.ranges) {
    if (range.colour == Colour::kBlack) continue;
    setFormat(static_cast<int>(range.offset), static_cast<int>(range.length),
              ColourOf(range.colour));
  }
}

}  // namespace kestrix::templates
