#include "checker/vb_checker.h"

#include <algorithm>
#include <utility>

#include "checker/vb_module_checker.h"

namespace kestrix::checker {
namespace {

constexpr size_t kMaxLineLength = 1023;
constexpr size_t kMaxModuleLines = 65534;
constexpr int32_t kMaxContinuations = 24;
constexpr uint64_t kMaxErlLine = 65529;

// Only a directive line may begin with '#': a label begins with a digit or a letter.
bool IsDirective(std::string_view text) {
  size_t start = basic::BlanksEnd(text);
  return start < text.size() && text[start] == '#';
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
  LogicalLineReader reader(lines);
  LexedLine lexed;
  LineLexer lexer;
  while (reader.Next()) {
    line_ = reader.FirstLine();
    std::string_view text = reader.Text();
    if (!pass_over_plain_) {
      LexLine(text, lexed);
      OnLine(lexed, lexed.tokens, reader.Continuations());
    } else if (Compiles() || IsDirective(text)) {
      LineLexer::Result read = lexer.Lex(text, Wants());
      // A blank line or a comment, not continued, has nothing to look at.
      bool empty = read.tokens.empty() && read.line.label.empty() &&
                   read.line.directive == Directive::kNone && reader.Continuations() == 0;
      if (!empty) OnLine(read.line, read.tokens, reader.Continuations());
    }
    // else a line VB does not compile, and no directive
  }
  Finish();
  DropUnknown();
  CheckLimits(lines);
  // A procedure's End repeated in two #If branches finds its problems twice: keep one.
  std::stable_sort(problems_.begin(), problems_.end(),
                   [](const CodeProblem& a, const CodeProblem& b) { return a.line < b.line; });
  auto same = [](const CodeProblem& a, const CodeProblem& b) {
    return a.line == b.line && a.message == b.message;
  };
  problems_.erase(std::unique(problems_.begin(), problems_.end(), same), problems_.end());
  return std::move(problems_);
}

// How far the lexer reads each statement of the next line (LexLine's `wants`): a Type's or
// an Enum's members whole.
WantsTokens ModuleChecker::Wants() const {
  if (InMembers()) return nullptr;
  return state_.region == Region::kProcedure ? &TokensReadInProcedure : &TokensReadInDeclarations;
}

void ModuleChecker::Report(int32_t line, std::string_view message, Severity severity) {
  if (severity == Severity::kStructure && doubt_) return;
  problems_.push_back({line, std::string(message), severity == Severity::kWarning});
}

// The limits hold for every physical line, whether its branch compiles or not: VB reads them
// all when it loads the file.
void ModuleChecker::CheckLimits(std::span<const std::string_view> lines) {
  size_t longest = 0;  // most modules have no line too long: one look at each tells
  for (std::string_view line : lines)
    longest = std::max(longest, line.size());
  for (size_t i = 0; longest > kMaxLineLength && i < lines.size(); ++i) {
    if (lines[i].size() > kMaxLineLength) {
      Report(static_cast<int32_t>(i + 1), "Line too long", Severity::kError);
    }
  }
  if (lines.size() > kMaxModuleLines) {
    Report(static_cast<int32_t>(kMaxModuleLines + 1), "Too many lines in module", Severity::kError);
  }
}

void ModuleChecker::OnLine(const LexedLine& lexed, Tokens tokens, int32_t continuations) {
  if (lexed.directive != Directive::kNone) {
    OnDirective(lexed.directive, tokens);
    return;
  }
  if (!Compiles()) return;  // VB never reads it
  if (continuations > kMaxContinuations) {
    Report(line_, "Too many line continuations", Severity::kError);
  }
  if (!lexed.label.empty()) OnLabel(lexed);
  OnStatements(tokens);
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

// Problems found in #If branches of unknown fate may lie in code VB never compiles.
void ModuleChecker::DropUnknown() {
  if (unknown_.empty()) return;
  auto in_unknown = [this](const CodeProblem& p) {
    return std::any_of(unknown_.begin(), unknown_.end(), [&p](const auto& range) {
      return p.line >= range.first && p.line <= range.second;
    });
  };
  problems_.erase(std::remove_if(problems_.begin(), problems_.end(), in_unknown), problems_.end());
}

// --- Conditional compilation ---------------------------------------------------------------

void ModuleChecker::OnDirective(Directive directive, Tokens t) {
  switch (directive) {
    case Directive::kIf:
      OnIfDirective(t);
      return;
    case Directive::kElseIf:
    case Directive::kElse:
      OnElseDirective(directive, t);
      return;
    case Directive::kEndIf:
      OnEndIfDirective();
      return;
    case Directive::kConst:
      OnConstDirective(t);
      return;
    default:
      return;
  }
}

// Whether the condition of an #If or #ElseIf, `t` up to its Then, holds.
std::optional<bool> ModuleChecker::Holds(Tokens t) const {
  size_t then = FindKeyword(t, Keyword::kThen);
  return ConditionHolds(t.first(then), constants_);
}

void ModuleChecker::OnIfDirective(Tokens t) {
  CondGroup group;
  group.line = line_;
  if (!Compiles()) {
    group.mode = CondGroup::Mode::kDead;
    groups_.push_back(std::move(group));
    return;
  }
  groups_.push_back(std::move(group));
  EnterBranch(groups_.back(), Holds(t));
}

void ModuleChecker::OnElseDirective(Directive directive, Tokens t) {
  bool is_else = directive == Directive::kElse;
  if (groups_.empty() || groups_.back().has_else) {
    Report(line_, is_else ? "#Else without #If" : "#ElseIf without #If", Severity::kError);
    return;
  }
  CondGroup& group = groups_.back();
  group.has_else = is_else;
  if (group.mode == CondGroup::Mode::kDead) return;
  if (group.mode == CondGroup::Mode::kUnknown && group.live) EndBranch(group);
  if (group.taken) {
    group.live = false;
    return;
  }
  EnterBranch(group, is_else ? std::optional<bool>(true) : Holds(t));
}

// Begins a branch of a group in a compiling place, no earlier branch of which surely compiles.
void ModuleChecker::EnterBranch(CondGroup& group, std::optional<bool> holds) {
  if (holds == false) {
    group.live = false;
    return;
  }
  group.live = true;
  group.taken = holds.has_value();
  if (group.mode == CondGroup::Mode::kKnown && group.taken) return;
  if (group.mode == CondGroup::Mode::kKnown) {
    // The earlier branches compiled nothing: the state is the group's entry state.
    group.mode = CondGroup::Mode::kUnknown;
    group.unknown_line = line_;
    group.entry = state_;
    labels_.EnterGroup();
    return;
  }
  state_ = group.entry;
  labels_.NextBranch();
}

void ModuleChecker::OnEndIfDirective() {
  if (groups_.empty()) {
    Report(line_, "#End If without #If", Severity::kError);
    return;
  }
  CondGroup& group = groups_.back();
  if (group.mode == CondGroup::Mode::kUnknown) {
    if (group.live) EndBranch(group);
    // Unless a branch surely compiles, the group may compile to nothing at all.
    if (!group.taken && group.first_end && !group.first_end->SameShape(group.entry)) {
      group.differs = true;
    }
    if (group.first_end) state_ = std::move(*group.first_end);
    if (group.differs) doubt_ = true;
    unknown_.emplace_back(group.unknown_line, line_);
    labels_.LeaveGroup();
  }
  groups_.pop_back();
}

void ModuleChecker::EndBranch(CondGroup& group) {
  if (!group.first_end) {
    group.first_end = state_;
  } else if (!group.first_end->SameShape(state_)) {
    group.differs = true;
  }
}

// #Const Name = value, for the rest of the module. Defined in a branch of unknown fate, its
// value is not known.
void ModuleChecker::OnConstDirective(Tokens t) {
  if (!Compiles() || t.size() < 2 || t[0].kind != TokenKind::kWord || !IsSymbol(t[1], "=")) {
    return;
  }
  bool unknown = std::any_of(groups_.begin(), groups_.end(), [](const CondGroup& g) {
    return g.mode == CondGroup::Mode::kUnknown;
  });
  std::optional<CondValue> value;
  if (!unknown) value = EvaluateCondition(t.subspan(2), constants_);
  constants_.Define(t[0].text, std::move(value));
}

// --- Labels and jumps -----------------------------------------------------------------------

void ModuleChecker::OnLabel(const LexedLine& lexed) {
  if (state_.region != Region::kProcedure) return;
  if (SelectAwaitsCase()) {
    Report(line_, kBetweenSelectAndCase);
    state_.blocks.back().clause_seen = true;
  }
  const std::optional<uint64_t>& number = lexed.label_number;
  if (lexed.numeric_label && (!number || *number > kMaxErlLine)) {
    Report(line_, "Line number above 65529 is not returned by Erl", Severity::kWarning);
  }
  if (number) {
    labels_.DefineNumber(*number, line_);
  } else {
    labels_.Define(lexed.label, line_);
  }
}

void ModuleChecker::AddTarget(const Token& token) {
  std::string_view name = LabelName(token, label_buffer_);
  if (!name.empty()) labels_.Jump(name, line_);
}

void ModuleChecker::ResolveLabels() {
  for (const LabelTable::Problem& problem : labels_.Resolve())
    Report(problem.line, problem.message, Severity::kError);
}

// --- Blocks and procedures ------------------------------------------------------------------

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
  if (counter != nullptr && !open.empty() && !basic::EqualsNoCase(open, counter->text)) {
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

std::vector<CodeProblem> CheckModuleCode(std::span<const std::string_view> lines,
                                         const CondConstants& constants) {
  return ModuleChecker(constants).Run(lines);
}

}  // namespace kestrix::checker
