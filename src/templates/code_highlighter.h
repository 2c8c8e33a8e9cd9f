#pragma once

// Colours a code window as the template views are coloured: statement keywords blue,
// comments green. It follows every edit, one line at a time, and changes no text: keywords
// keep the spelling the user typed.

#include <QSyntaxHighlighter>

namespace kestrix::templates {

class CodeHighlighter final : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  // Colours `document` from now on; the document owns the highlighter.
  explicit CodeHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;
};

}  // namespace kestrix::templates
