#pragma once

// The syntax colouring applied to Qt's text documents and views, and the conversion between
// the templates' ANSI bytes and what a document holds.

#include <QColor>
#include <string>
#include <string_view>

#include "templates/syntax_colouring.h"

class QTextDocument;
class QTextEdit;

namespace kestrix::templates {

QColor ColourOf(Colour colour);

// Replaces the document's content with `colouring.text` (Windows-1252 bytes; CR LF, a lone
// CR or a lone LF ends a line) and gives the ranges their colours; the rest keeps the
// document's default colour. Meant for a scratch document that no view shows yet.
void ApplyColouring(QTextDocument& document, const Colouring& colouring);

// The document's text as Windows-1252 bytes, lines separated by CR LF (no final one unless
// the last line is empty). Characters that the code page lacks become "?".
std::string AnsiTextOf(const QTextDocument& document);

// Shows `text` (Windows-1252 bytes, any line ends) in the view, coloured and with keywords
// respelt. The coloured content is built in a scratch document that replaces the view's in
// one assignment, so that the visible view changes once; the view's font, tab stops and
// margins carry over, and the caret is at the start. The view gets a new document (and a
// fresh undo history): connect to the view's signals, not to its document's.
void ShowColoured(QTextEdit& view, std::string_view text);

// Colours the view's current text in the same way.
void HighlightIntoView(QTextEdit& view);

}  // namespace kestrix::templates
