#include "frontends/desktop/code_editor.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>

#include "frontends/desktop/display_text.h"
#include "platform/system/file_io.h"

namespace kestrix::desktop {
namespace {

// As the file-backed IDE judges it: no write bit at all, or none this user may use.
bool FileIsReadOnly(const std::string& path) {
  return system::IsReadOnly(path);
}

std::string JoinedLines(const host::CodeModule& module) {
  return module.Lines(1, module.CountOfLines());
}

}  // namespace

bool ReplaceLines(host::CodeModule& module, int32_t first, int32_t old_count,
                  const std::vector<std::string>& lines) {
  int32_t existing = std::clamp(module.CountOfLines() - first + 1, 0, old_count);
  auto wanted = static_cast<int32_t>(lines.size());
  int32_t common = std::min(existing, wanted);
  bool changed = false;
  for (int32_t i = 0; i < common; ++i) {
    if (module.Lines(first + i, 1) != lines[static_cast<size_t>(i)]) {
      module.ReplaceLine(first + i, lines[static_cast<size_t>(i)]);
      changed = true;
    }
  }
  if (existing > wanted) {
    module.DeleteLines(first + wanted, existing - wanted);
    return true;
  }
  if (wanted == existing) return changed;
  std::string inserted;
  for (size_t i = static_cast<size_t>(common); i < lines.size(); ++i) {
    if (i > static_cast<size_t>(common)) inserted += "\r\n";
    inserted += lines[i];
  }
  module.InsertLines(first + common, inserted);
  return true;
}

uint64_t ModuleRevision(const host::CodeModule& module) {
  return module.Revision();
}

CodeEditor::CodeEditor(host::Component& component, QWidget* parent)
    : QPlainTextEdit(parent), component_(&component) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabStopDistance(4 * fontMetrics().horizontalAdvance(u' '));
  Load();
  // A read-only file's module refuses every edit; say so before the user types.
  if (FileIsReadOnly(component.FileNames(1))) setReadOnly(true);
  connect(
      document(), &QTextDocument::contentsChange, this,
      [this](int position, int removed, int added) { OnContentsChange(position, removed, added); });
}

void CodeEditor::Detach() {
  component_ = nullptr;
  setReadOnly(true);
}

void CodeEditor::SetColourer(const Colourer& colourer) {
  if (colourer) colourer(*document());
}

bool CodeEditor::Refresh() {
  if (component_ == nullptr || Loading() || ModuleRevision(module()) == revision_) return false;
  Load();
  return true;
}

bool CodeEditor::RefreshWhenSettled() {
  if (component_ == nullptr || Loading()) return false;
  uint64_t now = ModuleRevision(module());
  if (now == revision_) return false;
  if (now != seen_revision_) {
    seen_revision_ = now;
    return false;
  }
  Load();
  return true;
}

std::string CodeEditor::ShownText() const {
  std::string text;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin()) text += "\r\n";
    text += DisplayToAnsi(block.text());
  }
  return text;
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
  // Shift+Enter would put a line separator inside the line; a code window knows only lines.
  bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & Qt::ShiftModifier)) {
    QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                    event->text());
    QPlainTextEdit::keyPressEvent(&plain);
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CodeEditor::Load() {
  load_pending_ = false;
  if (component_ == nullptr) return;
  if (!chunked_text_.isNull()) {
    // A load is under way: it shows this revision or, when it ends, loads again.
    return;
  }
  caret_block_ = textCursor().blockNumber();
  caret_column_ = textCursor().positionInBlock();
  scroll_ = verticalScrollBar()->value();
  loading_ = true;
  loading_revision_ = ModuleRevision(module());
  QString text = AnsiLinesToDisplay(JoinedLines(module()));
  qsizetype cut = ChunkEnd(text, 0);
  if (cut >= text.size()) {
    setPlainText(text);
    FinishLoad();
    return;
  }
  // A large module goes in by parts, one per turn of the event loop, so that the windows
  // keep repainting; the editor takes no typing until the whole module shows.
  was_read_only_ = isReadOnly();
  setReadOnly(true);
  setPlainText(text.left(cut));
  chunked_text_ = std::move(text);
  chunked_at_ = cut;
  QTimer::singleShot(0, this, [this] { LoadNextChunk(); });
}

qsizetype CodeEditor::ChunkEnd(const QString& text, qsizetype from) {
  qsizetype at = from;
  for (int lines = 0; lines < kLinesPerChunk; ++lines) {
    at = text.indexOf(u'\n', at);
    if (at < 0) return text.size();
    ++at;
  }
  return at - 1;  // the chunk ends before its line break
}

void CodeEditor::LoadNextChunk() {
  if (chunked_text_.isNull()) return;
  qsizetype cut = ChunkEnd(chunked_text_, chunked_at_ + 1);
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(chunked_text_.mid(chunked_at_, cut - chunked_at_));
  chunked_at_ = cut;
  if (chunked_at_ < chunked_text_.size()) {
    QTimer::singleShot(0, this, [this] { LoadNextChunk(); });
    return;
  }
  chunked_text_ = QString();
  setReadOnly(was_read_only_);
  FinishLoad();
  // The module changed while it went in: show it again.
  if (component_ != nullptr && ModuleRevision(module()) != revision_) ScheduleLoad();
}

void CodeEditor::FinishLoad() {
  loading_ = false;
  revision_ = loading_revision_;
  // Put the caret and the view back where they were, as near as the new text allows.
  QTextBlock at =
      document()->findBlockByNumber(std::min(caret_block_, document()->blockCount() - 1));
  QTextCursor cursor(at);
  cursor.setPosition(at.position() + std::min(caret_column_, at.length() - 1));
  setTextCursor(cursor);
  verticalScrollBar()->setValue(scroll_);
}

bool CodeEditor::Loading() const {
  return !chunked_text_.isNull();
}

// The document must not change while it reports a change: the module's text is shown again
// once the report is over.
void CodeEditor::ScheduleLoad() {
  if (load_pending_) return;
  load_pending_ = true;
  QTimer::singleShot(0, this, [this] { Load(); });
}

void CodeEditor::OnContentsChange(int position, int /*removed*/, int added) {
  if (loading_ || load_pending_ || component_ == nullptr) return;
  if (ModuleRevision(module()) != revision_) {
    // Someone else changed the module since it was shown: the widget's lines no longer
    // stand for the module's, so the module is shown again and this edit is dropped.
    ScheduleLoad();
    return;
  }
  // Text before `position` is unchanged, and so is everything after the added text: the
  // blocks from the one holding `position` to the one holding the end of the added text
  // replace as many old lines as make the counts agree.
  QTextDocument* doc = document();
  int end = std::min(position + added, doc->characterCount() - 1);
  int first = doc->findBlock(position).blockNumber();
  int new_last = doc->findBlock(end).blockNumber();
  int old_blocks = std::max(module().CountOfLines(), 1);
  int old_last = new_last - (doc->blockCount() - old_blocks);
  if (first < 0 || new_last < first || old_last < first) {
    ScheduleLoad();
    return;
  }
  Apply(first, old_last, new_last);
}

void CodeEditor::Apply(int first_block, int old_last_block, int new_last_block) {
  std::vector<std::string> lines;
  QTextBlock block = document()->findBlockByNumber(first_block);
  for (int b = first_block; b <= new_last_block && block.isValid(); ++b, block = block.next())
    lines.push_back(DisplayToAnsi(block.text()));
  // An empty window shows a module of no lines as well as one of a blank line.
  bool unchanged_empty = document()->isEmpty() && module().CountOfLines() == 0;
  bool changed = false;
  try {
    int32_t old_count = old_last_block - first_block + 1;
    if (!unchanged_empty) changed = ReplaceLines(module(), first_block + 1, old_count, lines);
  } catch (const host::IdeError& error) {
    if (error.Number() == host::kErrPermissionDenied) setReadOnly(true);
    ScheduleLoad();
    if (on_refused_) on_refused_(error.Description());
    return;
  }
  revision_ = ModuleRevision(module());
  // Characters without a byte became '?': show what the module holds.
  if (!ShowsModuleLines(first_block, new_last_block)) ScheduleLoad();
  if (changed && on_edited_) on_edited_();
}

bool CodeEditor::ShowsModuleLines(int first_block, int last_block) const {
  if (document()->isEmpty()) return JoinedLines(module()).empty();
  if (last_block + 1 > module().CountOfLines()) return false;
  QTextBlock block = document()->findBlockByNumber(first_block);
  for (int b = first_block; b <= last_block; ++b, block = block.next()) {
    if (!block.isValid() || AnsiToDisplay(module().Lines(b + 1, 1)) != block.text()) return false;
  }
  return true;
}

}  // namespace kestrix::desktop
