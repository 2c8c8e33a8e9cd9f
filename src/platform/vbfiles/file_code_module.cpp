#include "platform/vbfiles/file_code_module.h"

#include <algorithm>
#include <cstring>

#include "platform/vbfiles/line_scan.h"
#include "platform/vbfiles/text_io.h"
#include "platform/vbfiles/text_search.h"

namespace kestrix::vbfiles {

using host::IdeError;

FileCodeModule::FileCodeModule(host::Component& parent, std::vector<CodeLine> lines,
                               std::vector<std::vector<std::string>> attr_blocks,
                               bool final_newline)
    : FileCodeModule(parent, LineStore(lines), std::move(attr_blocks), final_newline) {}

FileCodeModule::FileCodeModule(host::Component& parent, LineStore lines,
                               std::vector<std::vector<std::string>> attr_blocks,
                               bool final_newline)
    : parent_(parent),
      lines_(std::move(lines)),
      attr_blocks_(std::move(attr_blocks)),
      final_newline_(final_newline) {
  if (attr_blocks_.empty()) attr_blocks_.emplace_back();
  index_.Rebuild(lines_);
}

void FileCodeModule::AppendTo(std::string& out) const {
  // The lines between two attribute blocks go over as one run: those lying end to end in the
  // store (as loaded or inserted) in one copy.
  int32_t run = 0;  // the first line not appended yet
  for (int32_t i = 0; i < lines_.size(); ++i) {
    uint32_t block = lines_.Attrs(i);
    if (block == 0) continue;
    lines_.AppendJoined(out, run, i - run + 1);
    out += "\r\n";
    run = i + 1;
    for (const auto& attr : attr_blocks_[block])
      AppendLine(out, attr);
  }
  if (run < lines_.size()) {
    lines_.AppendJoined(out, run, lines_.size() - run);
    out += "\r\n";
  }
}

int32_t FileCodeModule::AttributeLinesBefore(int32_t line) const {
  if (attrs_revision_ != revision_) {
    attrs_above_.assign(static_cast<size_t>(lines_.size()) + 1, 0);
    int32_t count = 0;
    for (int32_t i = 0; i < lines_.size(); ++i) {
      attrs_above_[static_cast<size_t>(i)] = count;
      uint32_t block = lines_.Attrs(i);
      if (block != 0) count += static_cast<int32_t>(attr_blocks_[block].size());
    }
    attrs_above_.back() = count;
    attrs_revision_ = revision_;
  }
  int32_t at = std::clamp(line - 1, 0, lines_.size());
  return attrs_above_[static_cast<size_t>(at)];
}

void FileCodeModule::CheckLine(int32_t line, int32_t last_allowed, const char* operation) const {
  if (line >= 1 && line <= last_allowed) return;
  throw IdeError(host::kErrInvalidCall,
                 std::string(operation) + ": line " + std::to_string(line) +
                     " is outside the module (it has " + std::to_string(CountOfLines()) + " lines)",
                 "CodeModule");
}

void FileCodeModule::BeforeEdit() {
  if (edit_hook_) edit_hook_();
  ++revision_;
}

std::string FileCodeModule::Lines(int32_t start_line, int32_t count) const {
  if (count < 0 || start_line < 1 || start_line + count - 1 > CountOfLines()) {
    throw IdeError(host::kErrInvalidCall,
                   "Lines: lines " + std::to_string(start_line) + " to " +
                       std::to_string(start_line + count - 1) + " are outside the module (it has " +
                       std::to_string(CountOfLines()) + " lines)",
                   "CodeModule");
  }
  std::string out;
  lines_.AppendJoined(out, start_line - 1, count);
  return out;
}

bool FileCodeModule::BeforeFirstHeader(int32_t line) const {
  return index_.Count() == 0 || line <= index_.FirstHeader();
}

void FileCodeModule::InsertLines(int32_t line, std::string_view text) {
  CheckLine(line, CountOfLines() + 1, "InsertLines");
  BeforeEdit();
  bool rebuild = line > 1 && (lines_.Flags(line - 2) & kContinues);
  if (index_.InsideDeclaration(line)) rebuild = true;
  if (line == CountOfLines() + 1) final_newline_ = true;
  // A statement above the first header may move the end of the declarations: simply when it
  // goes into them or right below them, otherwise (amid the comments and directives above
  // the header) the index is built again.
  int32_t last_statement = 0;
  const bool near_declarations = index_.Count() == 0 || line <= index_.DeclarationLines() + 1;
  const bool before_first_header = BeforeFirstHeader(line);
  // One pass over the new lines: split, told whether they go on on the next line, and
  // classified statement by statement. A statement continued over several of the new lines
  // is read whole, and its flags go on its first line, as the index reads them. Continuation
  // lines only change the procedures' shape when a statement reaches past the new lines.
  int32_t at = line - 1;  // 0-based index of the line classified next
  int32_t first = -1;     // of the statement being joined, -1 for none
  std::string joined;
  auto statement = [&](int32_t from, uint8_t flags, bool goes_on) {
    if (flags & kStructuralFlags) rebuild = true;
    if (goes_on) rebuild = true;  // it goes on below the new lines
    if ((flags & kStatement) && before_first_header) {
      if (!near_declarations || from != at) rebuild = true;
      last_statement = from + 1;
    }
  };
  auto flags_of = [&](std::string_view part, bool has_colon, bool last) -> uint8_t {
    const bool continues = EndsWithContinuation(part);
    const uint8_t own = continues ? kContinues : 0;
    if (first < 0 && (!continues || last)) {
      const uint8_t flags = StatementFlags(part, has_colon);
      statement(at, flags, continues);
      ++at;
      return static_cast<uint8_t>(own | flags);
    }
    if (first < 0) {
      first = at;
      joined.assign(WithoutContinuation(part));
    } else if (continues && !last) {
      joined += WithoutContinuation(part);
    } else {
      joined += part;
      const uint8_t flags = StatementFlags(joined);
      lines_.SetFlags(first, static_cast<uint8_t>(kContinues | flags));
      statement(first, flags, continues);
      first = -1;
    }
    ++at;
    return own;
  };
  const int32_t added = lines_.InsertText(line - 1, text, flags_of);
  if (rebuild) {
    index_.Update(lines_, line, added, 0);
    return;
  }
  index_.Shift(line, added);
  index_.SetOpenEnd(CountOfLines());
  if (last_statement != 0) index_.ExtendDeclarations(last_statement);
}

void FileCodeModule::DeleteLines(int32_t start_line, int32_t count) {
  if (count <= 0) return;
  CheckLine(start_line, CountOfLines(), "DeleteLines");
  CheckLine(start_line + count - 1, CountOfLines(), "DeleteLines");
  BeforeEdit();
  bool rebuild = (start_line > 1 && (lines_.Flags(start_line - 2) & kContinues)) ||
                 index_.InsideDeclaration(start_line);
  // Whole statements continued over several lines go without changing the procedures'
  // shape; a statement whose last line goes on below the deleted ones does not.
  if (lines_.Flags(start_line + count - 2) & kContinues) rebuild = true;
  // Statements above the declarations' last line leave it where it is (moved up); any
  // other change to them is worked out afresh.
  const bool before_last = start_line + count - 1 < index_.DeclarationLines();
  uint8_t telling = kStructuralFlags & ~kContinues;
  if (BeforeFirstHeader(start_line) && !before_last) telling |= kStatement;
  if (!rebuild) rebuild = (lines_.AnyFlags(start_line - 1, count) & telling) != 0;
  if (start_line + count - 1 == CountOfLines()) final_newline_ = true;
  lines_.Erase(start_line - 1, count);
  if (rebuild) {
    index_.Update(lines_, start_line, 0, count);
  } else {
    index_.Shift(start_line + count, -count);
    index_.SetOpenEnd(CountOfLines());
  }
}

void FileCodeModule::ReplaceLine(int32_t line, std::string_view text) {
  CheckLine(line, CountOfLines(), "ReplaceLine");
  size_t lf = text.find('\n');
  if (lf != std::string_view::npos) {
    // A text of several lines replaces the line with its first and inserts the others.
    size_t end = (lf > 0 && text[lf - 1] == '\r') ? lf - 1 : lf;
    ReplaceLine(line, text.substr(0, end));
    InsertLines(line + 1, text.substr(lf + 1));
    return;
  }
  BeforeEdit();
  // The statement this line belongs to starts at `first`; its flags sit on that line.
  int32_t first = line;
  while (first > 1 && (lines_.Flags(first - 2) & kContinues))
    --first;
  uint8_t old_own = lines_.Flags(line - 1) & kContinues;
  uint8_t old_statement = lines_.Flags(first - 1) & static_cast<uint8_t>(~kContinues);
  lines_.SetText(line - 1, text);
  if (line == CountOfLines()) final_newline_ = true;
  uint8_t new_own = EndsWithContinuation(text) ? kContinues : 0;
  std::string joined;
  for (int32_t i = first;; ++i) {
    std::string_view part = lines_.Text(i - 1);
    bool more = EndsWithContinuation(part) && i < CountOfLines();
    if (more) part = WithoutContinuation(part);
    joined += part;
    if (!more) break;
  }
  uint8_t new_statement = StatementFlags(joined);
  // A header rewritten in place may carry another name or kind.
  bool rebuild = old_own != new_own || ((old_statement | new_statement) & kHeader) ||
                 ((old_statement ^ new_statement) & kStructuralFlags) != 0 ||
                 (((old_statement ^ new_statement) & kStatement) &&
                  (BeforeFirstHeader(first) || index_.InsideDeclaration(first)));
  if (rebuild) {
    index_.Update(lines_, line, 1, 1);
    return;
  }
  lines_.SetFlags(first - 1,
                  static_cast<uint8_t>((lines_.Flags(first - 1) & kContinues) | new_statement));
  if (line != first) lines_.SetFlags(line - 1, new_own);
}

std::string FileCodeModule::ProcOfLine(int32_t line, host::ProcKind& kind) const {
  CheckLine(line, CountOfLines(), "ProcOfLine");
  int32_t k = index_.ProcAt(line);
  if (k < 0) {
    kind = host::ProcKind::kProc;
    return "";
  }
  kind = index_.KindAt(k);
  return index_.NameAt(k);
}

int32_t FileCodeModule::ProcIndexOf(std::string_view name, host::ProcKind kind) const {
  int32_t k = index_.Find(name, kind);
  if (k < 0) {
    throw IdeError(host::kErrProcNotFound,
                   "Sub or Function not defined: " + std::string(name) + " in " + parent_.Name(),
                   "CodeModule");
  }
  return k;
}

int32_t FileCodeModule::ProcStartLine(std::string_view name, host::ProcKind kind) const {
  return index_.StartLine(ProcIndexOf(name, kind));
}

int32_t FileCodeModule::ProcCountLines(std::string_view name, host::ProcKind kind) const {
  int32_t k = ProcIndexOf(name, kind);
  return index_.LastLine(k, CountOfLines()) - index_.StartLine(k) + 1;
}

int32_t FileCodeModule::ProcBodyLine(std::string_view name, host::ProcKind kind) const {
  return index_.HeaderAt(ProcIndexOf(name, kind));
}

bool FileCodeModule::Find(std::string_view target, int32_t& start_line, int32_t& start_column,
                          int32_t& end_line, int32_t& end_column, bool whole_word, bool match_case,
                          bool pattern_search) const {
  int32_t n = CountOfLines();
  if (target.empty() || start_line > n) return false;
  int32_t last = (end_line < 1 || end_line > n) ? n : end_line;
  TextSearch search(target, whole_word, match_case, pattern_search);
  for (int32_t line = std::max(start_line, 1); line <= last; ++line) {
    std::string_view text = lines_.Text(line - 1);
    size_t from = (line == start_line && start_column > 1) ? size_t(start_column - 1) : 0;
    size_t limit = text.size();
    if (line == last && end_column >= 0) limit = std::min(limit, size_t(end_column));
    auto match = search.In(text, from, limit);
    if (!match) continue;
    start_line = line;
    end_line = line;
    start_column = static_cast<int32_t>(match->first) + 1;
    end_column = static_cast<int32_t>(match->first + match->second) + 1;
    return true;
  }
  return false;
}

}  // namespace kestrix::vbfiles
