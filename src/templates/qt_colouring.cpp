#include "templates/qt_colouring.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/system/ansi_text.h"

namespace kestrix::templates {

namespace {

// Marks the documents that ShowColoured made, so that it deletes only those when it
// replaces them.
constexpr const char* kColouredDocument = "kestrix_coloured_document";

// Where each byte offset lands in a document whose lines end in a single separator: a CR LF
// pair is one character there.
class OffsetMap {
 public:
  explicit OffsetMap(std::string_view text) : text_(text) {}

  // Offsets must be asked for in ascending order.
  int PositionOf(size_t offset) {
    for (; scanned_ < offset && scanned_ < text_.size(); ++scanned_) {
      if (text_[scanned_] == '\r' && scanned_ + 1 < text_.size() && text_[scanned_ + 1] == '\n') {
        ++pairs_;
      }
    }
    return static_cast<int>(offset - pairs_);
  }

 private:
  std::string_view text_;
  size_t scanned_ = 0;
  size_t pairs_ = 0;  // CR LF pairs that start before `scanned_`
};

QString DocumentText(std::string_view bytes) {
  std::string lines = system::WithCrLf(bytes);
  QString text = QString::fromStdU16String(system::AnsiToUtf16(lines));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

QColor ColourOf(Colour colour) {
  switch (colour) {
    case Colour::kBlue:
      return QColor(0, 0, 220);
    case Colour::kGreen:
      return QColor(0, 127, 0);
    case Colour::kBlack:
      break;
  }
  return QColor(0, 0, 0);
}

void ApplyColouring(QTextDocument& document, const Colouring& colouring) {
  bool undo = document.isUndoRedoEnabled();
  document.setUndoRedoEnabled(false);
  document.setPlainText(DocumentText(colouring.text));
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  OffsetMap map(colouring.text);
  for (const ColourRange& range : colouring.ranges) {
    cursor.setPosition(map.PositionOf(range.offset));
    cursor.setPosition(map.PositionOf(range.offset + range.length), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(ColourOf(range.colour));
    cursor.mergeCharFormat(format);
  }
  cursor.endEditBlock();
  document.setUndoRedoEnabled(undo);
}

std::string AnsiTextOf(const QTextDocument& document) {
  QString text = document.toRawText();
  text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
  text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
  return system::Utf16ToAnsi(text.toStdU16String());
}

void ShowColoured(QTextEdit& view, std::string_view text) {
  QTextDocument* shown = view.document();
  auto* scratch = new QTextDocument(&view);
  scratch->setObjectName(kColouredDocument);
  scratch->setDefaultFont(shown->defaultFont());
  scratch->setDefaultTextOption(shown->defaultTextOption());
  scratch->setDocumentMargin(shown->documentMargin());
  ApplyColouring(*scratch, HighlightSyntax(system::WithCrLf(text)));
  // The view deletes its own first document itself; the ones made here are deleted here.
  bool made_here = shown->parent() == &view && shown->objectName() == kColouredDocument;
  view.setDocument(scratch);
  if (made_here) delete shown;
}

void HighlightIntoView(QTextEdit& view) {
  ShowColoured(view, AnsiTextOf(*view.document()));
}

}  // namespace kestrix::templates
