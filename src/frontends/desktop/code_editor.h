#pragma once

// A code window's editor: a QPlainTextEdit showing one component's code module, line for
// line. The code module is the truth. Every edit in the widget goes into the module at once,
// as the lines it changed; a change that the module cannot hold as shown (a character with no
// byte in the code page) or refuses (a read-only file) is undone by showing the module again.
// An edit made to the module by anyone else (an add-in) shows after Refresh().

#include <QPlainTextEdit>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/ide.h"

class QTextDocument;

namespace kestrix::desktop {

// Makes lines first..first+old_count-1 of the module hold `lines` (1-based; old lines past
// the end of the module count as missing): lines that already read the same are not touched,
// surplus old lines are deleted, further new lines inserted. True when anything changed.
// Throws what the module throws.
bool ReplaceLines(host::CodeModule& module, int32_t first, int32_t old_count,
                  const std::vector<std::string>& lines);

// The edit counter of modules that keep one, 0 for others.
uint64_t ModuleRevision(const host::CodeModule& module);

class CodeEditor final : public QPlainTextEdit {
  Q_OBJECT

 public:
  // Takes a document's colouring on: called once per editor, after the text is loaded. It may
  // attach a QSyntaxHighlighter that then follows every edit; changes of format alone leave
  // the module as it is.
  using Colourer = std::function<void(QTextDocument&)>;

  // `component` must have a code module and outlive the editor, or be let go with Detach().
  explicit CodeEditor(host::Component& component, QWidget* parent = nullptr);

  // nullptr after Detach().
  host::Component* component() const { return component_; }
  // Stops showing the component (it is going away): later edits go nowhere.
  void Detach();

  void SetColourer(const Colourer& colourer);
  // Called after every edit that changed the module, and with the reason when the module
  // refused one.
  void SetOnEdited(std::function<void()> on_edited) { on_edited_ = std::move(on_edited); }
  void SetOnRefused(std::function<void(const std::string&)> on_refused) {
    on_refused_ = std::move(on_refused);
  }

  // Shows the module again when it changed since the editor last looked; true when it did.
  bool Refresh();
  // As Refresh(), but only once the module has stopped changing: a module that changed again
  // since the last call is left as shown (an add-in's command is still at work on it), so
  // that a long command does not pay for showing a large module over and over.
  bool RefreshWhenSettled();
  // The module's lines as the editor shows them, CR LF joined (for comparing with Lines()).
  std::string ShownText() const;
  // True while a large module is still going in, part by part.
  bool Loading() const;

  // Lines a large module is shown by, per turn of the event loop.
  static constexpr int kLinesPerChunk = 4000;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  host::CodeModule& module() const { return *component_->GetCodeModule(); }
  void Load();
  static qsizetype ChunkEnd(const QString& text, qsizetype from);
  void LoadNextChunk();
  void FinishLoad();
  void ScheduleLoad();
  void OnContentsChange(int position, int removed, int added);
  void Apply(int first_block, int old_last_block, int new_last_block);
  bool ShowsModuleLines(int first_block, int last_block) const;

  host::Component* component_;
  uint64_t revision_ = 0;
  // The module's revision when RefreshWhenSettled() last found it changed.
  uint64_t seen_revision_ = 0;
  bool loading_ = false;
  bool load_pending_ = false;
  // A load in parts: the whole text, how much of it shows, and what it shows.
  QString chunked_text_;
  qsizetype chunked_at_ = 0;
  uint64_t loading_revision_ = 0;
  bool was_read_only_ = false;
  // Where the caret and the view were when the load began.
  int caret_block_ = 0;
  int caret_column_ = 0;
  int scroll_ = 0;
  std::function<void()> on_edited_;
  std::function<void(const std::string&)> on_refused_;
};

}  // namespace kestrix::desktop
