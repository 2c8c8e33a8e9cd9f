#include "platform/vbfiles/vb_checker.h"

#include <algorithm>
#include <utility>

#include "platform/vbfiles/vb_module_checker.h"

namespace kestrix::vbfiles {
namespace {

constexpr size_t kMaxLineLength = 1023;
constexpr size_t kMaxModuleLines = 65534;
constexpr int32_t kMaxContinuations = 24;
constexpr int32_t kMaxErlLine = 65529;

bool IsErlReachable(std::string_view digits) {
  if (digits.size() > 5) return false;
  int32_t value = 0;
  for (char c : digits)
    value = value * 10 + (c - '0');
  return value <= kMaxErlLine;
}

}  // namespace

BlockText TextOf(BlockKind kind) {
  switch (kind) {
    case BlockKind::kIf:
      return {"Block If without End If", "End If without block If"};
    case BlockKind::kFor:
      return {"For without Next", "Next without For"};
    case BlockKind::kDo:
      return {"Do without Loop", "Loop without Do"};
    case BlockKind::kWhile:
      return {"While without Wend", "Wend without While"};
    case BlockKind::kSelect:
      return {"Select Case without End Select", "End Select without Select Case"};
    case BlockKind::kWith:
      return {"With without End With", "End With without With"};
    case BlockKind::kType:
      return {"Expected End Type", "End Type without Type"};
    case BlockKind::kEnum:
      return {"Expected End Enum", "End Enum without Enum"};
  }
  return {};
}

std::vector<CodeProblem> ModuleChecker::Run(std::span<const std::string_view> lines) {
  CheckLimits(lines);
  LogicalLineReader reader(lines);
  LexedLine lexed;
  while (reader.Next()) {
    line_ = reader.FirstLine();
    LexLine(reader.Text(), lexed);
    OnLine(lexed, reader.Continuations());
  }
  Finish();
  // A procedure's End repeated in two #If branches finds its problems twice: keep one.
  std::stable_sort(problems_.begin(), problems_.end(),
                   [](const CodeProblem& a, const CodeProblem& b) { return a.line < b.line; });
  auto same = [](const CodeProblem& a, const CodeProblem& b) {
    return a.line == b.line && a.message == b.message;
  };
  problems_.erase(std::unique(problems_.begin(), problems_.end(), same), problems_.end());
  return std::move(problems_);
}

void ModuleChecker::Report(int32_t line, std::string_view message, Severity severity) {
  if (severity == Severity::kStructure && doubt_) return;
  problems_.push_back({line, std::string(message), severity == Severity::kWarning});
}

void ModuleChecker::CheckLimits(std::span<const std::string_view> lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].size() > kMaxLineLength) {
      Report(static_cast<int32_t>(i + 1), "Line too long", Severity::kError);
    }
  }
  if (lines.size() > kMaxModuleLines) {
    Report(static_cast<int32_t>(kMaxModuleLines + 1), "Too many lines in module", Severity::kError);
  }
}

void ModuleChecker::OnLine(const LexedLine& lexed, int32_t continuations) {
  if (continuations > kMaxContinuations) {
    Report(line_, "Too many line continuations", Severity::kError);
  }
  if (lexed.directive != Directive::kNone) {
    OnDirective(lexed.directive);
    return;
  }
  if (!lexed.label.empty()) OnLabel(lexed);
  OnStatements(lexed.tokens);
}

void ModuleChecker::Finish() {
  if (state_.region == Region::kProcedure) {
    Report(state_.proc_line, "Expected End " + std::string(ProcTypeWord(state_.proc)));
    ResolveLabels();
  } else {
    for (const Block& block : state_.blocks)
      Report(block.line, TextOf(block.kind).unclosed);
  }
  for (const CondGroup& group : groups_)
    Report(group.line, "#If without #End If", Severity::kError);
}

// --- Conditional compilation ---------------------------------------------------------------

void ModuleChecker::OnDirective(Directive directive) {
  if (directive == Directive::kIf) {
    groups_.push_back({line_, false, false, state_, std::nullopt});
    labels_.EnterGroup();
    return;
  }
  if (directive == Directive::kElseIf || directive == Directive::kElse) {
    if (groups_.empty() || groups_.back().has_else) {
      Report(line_, directive == Directive::kElse ? "#Else without #If" : "#ElseIf without #If",
             Severity::kError);
      return;
    }
    CondGroup& group = groups_.back();
    EndBranch(group);
    state_ = group.entry;
    labels_.NextBranch();
    group.has_else = directive == Directive::kElse;
    return;
  }
  if (directive != Directive::kEndIf) return;
  if (groups_.empty()) {
    Report(line_, "#End If without #If", Severity::kError);
    return;
  }
  CondGroup& group = groups_.back();
  EndBranch(group);
  // Without #Else, the group may compile to nothing at all.
  if (!group.has_else && !group.first_end->SameShape(group.entry)) group.differs = true;
  state_ = std::move(*group.first_end);
  if (group.differs) doubt_ = true;
  groups_.pop_back();
  labels_.LeaveGroup();
}

void ModuleChecker::EndBranch(CondGroup& group) {
  if (!group.first_end) {
    group.first_end = state_;
  } else if (!group.first_end->SameShape(state_)) {
    group.differs = true;
  }
}

// --- Labels and jumps -----------------------------------------------------------------------

void ModuleChecker::OnLabel(const LexedLine& lexed) {
  if (state_.region != Region::kProcedure) return;
  if (SelectAwaitsCase()) {
    Report(line_, kBetweenSelectAndCase);
    state_.blocks.back().clause_seen = true;
  }
  if (lexed.numeric_label && !IsErlReachable(lexed.label)) {
    Report(line_, "Line number above 65529 is not returned by Erl", Severity::kWarning);
  }
  labels_.Define(lexed.label, line_);
}

void ModuleChecker::AddTarget(const Token& token) {
  std::string name = LabelName(token);
  if (!name.empty()) labels_.Jump(std::move(name), line_);
}

void ModuleChecker::ResolveLabels() {
  for (const LabelTable::Problem& problem : labels_.Resolve())
    Report(problem.line, problem.message, Severity::kError);
}

// --- Blocks and procedures ------------------------------------------------------------------

bool ModuleChecker::InMembers() const {
  if (state_.blocks.empty()) return false;
  BlockKind kind = state_.blocks.back().kind;
  return kind == BlockKind::kType || kind == BlockKind::kEnum;
}

bool ModuleChecker::SelectAwaitsCase() const {
  return !state_.blocks.empty() && state_.blocks.back().kind == BlockKind::kSelect &&
         !state_.blocks.back().clause_seen;
}

void ModuleChecker::Push(BlockKind kind, std::string counter) {
  state_.blocks.push_back({kind, line_, std::move(counter), false});
}

// Closes the innermost block, which must be of `kind`. When it is not, the closing
// statement is reported and, if a block of that kind is open further out, everything down
// to it counts as closed: one mistake, one message.
void ModuleChecker::Close(BlockKind kind) {
  std::vector<Block>& blocks = state_.blocks;
  if (!blocks.empty() && blocks.back().kind == kind) {
    blocks.pop_back();
    return;
  }
  Report(line_, TextOf(kind).stray);
  auto open = std::find_if(blocks.rbegin(), blocks.rend(),
                           [kind](const Block& b) { return b.kind == kind; });
  if (open != blocks.rend()) blocks.erase(std::prev(open.base()), blocks.end());
}

void ModuleChecker::CloseFor(const Token* counter) {
  std::vector<Block>& blocks = state_.blocks;
  if (blocks.empty() || blocks.back().kind != BlockKind::kFor) {
    Close(BlockKind::kFor);
    return;
  }
  const std::string& open = blocks.back().counter;
  if (counter != nullptr && !open.empty() && !text::EqualsNoCase(open, counter->text)) {
    Report(line_, "Invalid Next control variable reference");
  }
  blocks.pop_back();
}

void ModuleChecker::OpenProcedure(ProcType proc) {
  state_.region = Region::kProcedure;
  state_.proc = proc;
  state_.proc_line = line_;
  state_.blocks.clear();
  labels_.Clear();
  doubt_ = false;
}

// Ends the open procedure: its labels are resolved and, when `report_blocks`, every block
// still open in it is reported.
void ModuleChecker::CloseProcedure(bool report_blocks) {
  if (report_blocks) {
    for (const Block& block : state_.blocks)
      Report(block.line, TextOf(block.kind).unclosed);
  }
  ResolveLabels();
  state_.blocks.clear();
  state_.region = Region::kAfterProcedure;
  state_.proc = ProcType::kNone;
  gap_reported_ = false;
}

std::vector<CodeProblem> CheckModuleCode(std::span<const std::string_view> lines) {
  return ModuleChecker().Run(lines);
}

}  // namespace kestrix::vbfiles
