#pragma once

// The code module of a component file: the lines the code window shows, the member
// attributes hidden behind their declarations, and the procedure index kept in step with
// every edit.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/ide.h"
#include "platform/vbfiles/line_store.h"
#include "platform/vbfiles/proc_index.h"

namespace kestrix::vbfiles {

class FileCodeModule final : public host::CodeModule {
 public:
  // `attr_blocks[k]` holds the member attributes of the line whose CodeLine::attrs is k;
  // block 0 is unused. `final_newline` is false when the file's last line had no line break.
  FileCodeModule(host::Component& parent, std::vector<CodeLine> lines,
                 std::vector<std::vector<std::string>> attr_blocks, bool final_newline);
  // The same from lines already in a store (LineStore::PushBack and SetAttrs), without a
  // string per line on the way.
  FileCodeModule(host::Component& parent, LineStore lines,
                 std::vector<std::vector<std::string>> attr_blocks, bool final_newline);

  // Called before every edit: throws to refuse it (a read-only file), else marks the
  // component changed.
  void SetEditHook(std::function<void()> hook) { edit_hook_ = std::move(hook); }

  // Appends the code with its member attributes, each line ended by CR LF.
  void AppendTo(std::string& out) const;
  // False when the file is to end without a final line break (kept from the file as long as
  // its last line is untouched).
  bool FinalNewline() const { return final_newline_; }
  // How many member attribute lines the file holds above code line `line`. The counts are
  // worked out once per revision, so asking for many lines costs one pass.
  int32_t AttributeLinesBefore(int32_t line) const;
  // Counts the edits made so far: a viewer that remembers it can tell whether someone else
  // changed the module since it last looked.
  uint64_t Revision() const { return revision_; }
  // Appends the text of every code line, as views valid until the module next changes.
  void AppendLineViews(std::vector<std::string_view>& out) const { lines_.AppendViews(out); }
  // Bytes the module's lines take in memory.
  size_t StoreBytes() const { return lines_.Bytes(); }

  // host::CodeModule
  host::Component& Parent() override { return parent_; }
  int32_t CountOfLines() const override { return lines_.size(); }
  int32_t CountOfDeclarationLines() const override { return index_.DeclarationLines(); }
  std::string Lines(int32_t start_line, int32_t count) const override;
  void InsertLines(int32_t line, std::string_view text) override;
  void DeleteLines(int32_t start_line, int32_t count = 1) override;
  void ReplaceLine(int32_t line, std::string_view text) override;
  std::string ProcOfLine(int32_t line, host::ProcKind& kind) const override;
  int32_t ProcStartLine(std::string_view name, host::ProcKind kind) const override;
  int32_t ProcCountLines(std::string_view name, host::ProcKind kind) const override;
  int32_t ProcBodyLine(std::string_view name, host::ProcKind kind) const override;
  bool Find(std::string_view target, int32_t& start_line, int32_t& start_column, int32_t& end_line,
            int32_t& end_column, bool whole_word = false, bool match_case = false,
            bool pattern_search = false) const override;

 private:
  void CheckLine(int32_t line, int32_t last_allowed, const char* operation) const;
  int32_t ProcIndexOf(std::string_view name, host::ProcKind kind) const;
  // True for lines up to the first procedure's header, where a statement inserted or
  // removed moves the end of the declarations section.
  bool BeforeFirstHeader(int32_t line) const;
  void BeforeEdit();

  host::Component& parent_;
  LineStore lines_;
  std::vector<std::vector<std::string>> attr_blocks_;
  ProcIndex index_;
  bool final_newline_;
  std::function<void()> edit_hook_;
  uint64_t revision_ = 0;
  // attrs_above_[i]: attribute lines above code line i + 1, valid for attrs_revision_.
  mutable std::vector<int32_t> attrs_above_;
  mutable uint64_t attrs_revision_ = UINT64_MAX;
};

}  // namespace kestrix::vbfiles
