#pragma once

// The checker's own state and steps, shared by vb_checker.cpp (lines, directives, labels,
// blocks and procedures) and vb_checker_statements.cpp (what each statement does to them). Not
// for use elsewhere: CheckModuleCode in vb_checker.h is the interface.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "basic/characters.h"
#include "checker/vb_checker.h"
#include "checker/vb_conditions.h"
#include "checker/vb_labels.h"
#include "checker/vb_lexer.h"
#include "checker/vb_syntax.h"

namespace kestrix::checker {

inline constexpr std::string_view kOnlyComments =
    "Only comments may appear after End Sub, End Function, or End Property";
inline constexpr std::string_view kBetweenSelectAndCase =
    "Statements and labels invalid between Select Case and first Case";

enum class Region : uint8_t { kDeclarations, kProcedure, kAfterProcedure };
enum class BlockKind : uint8_t { kIf, kFor, kDo, kWhile, kSelect, kWith, kType, kEnum };

struct BlockText {
  std::string_view unclosed;  // reported at the opening line of a block never closed
  std::string_view stray;     // reported at a closing statement with no block to close
};

// The messages for a block of this kind.
BlockText TextOf(BlockKind kind);

struct Block {
  BlockKind kind = BlockKind::kIf;
  int32_t line = 0;
  std::string counter;       // For: the counter, when it is a plain name
  bool clause_seen = false;  // If: its Else seen; Select Case: its first Case seen

  bool SameShape(const Block& other) const {
    return kind == other.kind && basic::EqualsNoCase(counter, other.counter);
  }
};

// What decides how the next statement is read.
struct State {
  Region region = Region::kDeclarations;
  ProcType proc = ProcType::kNone;
  int32_t proc_line = 0;  // the open procedure's header
  std::vector<Block> blocks;

  bool SameShape(const State& other) const {
    return region == other.region && proc == other.proc &&
           std::equal(blocks.begin(), blocks.end(), other.blocks.begin(), other.blocks.end(),
                      [](const Block& a, const Block& b) { return a.SameShape(b); });
  }
};

// An #If group being read. Its branches compile as their conditions say: at most one of
// them, or none when the group lies in a branch that does not compile. When a condition's
// value is not known, every branch from there on may compile: each is checked from `entry`,
// the first one's end state carries on after #End If, and whatever is found in them is
// dropped (they may be code VB never compiles).
struct CondGroup {
  enum class Mode : uint8_t { kDead, kKnown, kUnknown };
  Mode mode = Mode::kKnown;
  int32_t line = 0;
  bool has_else = false;
  bool live = false;         // the branch being read may compile
  bool taken = false;        // a branch that surely compiles has been seen
  bool differs = false;      // kUnknown: two branches left the blocks in different shapes
  int32_t unknown_line = 0;  // kUnknown: where the first branch of unknown fate begins
  State entry;
  std::optional<State> first_end;
};

// Reads a module once, logical line by logical line, keeping the blocks open, the #If
// groups open and the open procedure's labels. One checker checks one module.
//
// Most statements of a procedure's code (assignments, calls) change nothing the checker
// keeps, and most of the others are known by their first words: with `pass_over_plain`, a
// statement in a procedure's code is read no further than the tokens the checker acts on
// (see TokensReadInProcedure), a procedure's header no further than its name (see
// TokensReadInDeclarations), a line whose code after its line number was read lately in the
// module is not lexed again (LineLexer), and lines in #If branches that do not compile are
// not read at all. Without it every line is read token by token, to the same result, only
// slower.
class ModuleChecker {
 public:
  explicit ModuleChecker(CondConstants constants, bool pass_over_plain = true)
      : constants_(std::move(constants)), pass_over_plain_(pass_over_plain) {}

  std::vector<CodeProblem> Run(std::span<const std::string_view> lines);

 private:
  // kStructure problems depend on how blocks nest and are held back while #If branches
  // disagree; kError problems never are.
  enum class Severity { kStructure, kError, kWarning };

  WantsTokens Wants() const;
  void Report(int32_t line, std::string_view message, Severity severity = Severity::kStructure);
  void CheckLimits(std::span<const std::string_view> lines);
  // A line lexed as `lexed`, its tokens `tokens`, continued `continuations` times.
  void OnLine(const LexedLine& lexed, Tokens tokens, int32_t continuations);
  void Finish();

  void OnDirective(Directive directive, Tokens t);
  void OnIfDirective(Tokens t);
  void OnElseDirective(Directive directive, Tokens t);
  void OnEndIfDirective();
  void OnConstDirective(Tokens t);
  std::optional<bool> Holds(Tokens t) const;
  bool Compiles() const { return groups_.empty() || groups_.back().live; }
  void EnterBranch(CondGroup& group, std::optional<bool> holds);
  void EndBranch(CondGroup& group);
  void DropUnknown();

  void OnLabel(const LexedLine& lexed);
  void AddTarget(const Token& token);
  void ResolveLabels();

  void OnStatements(Tokens t);
  void OnStatement(Tokens t);
  void OnModuleStatement(Tokens t);
  void OnMemberStatement(Tokens t);
  void OnProcStatement(Tokens t);
  bool OnBlockStatement(Tokens t);
  void OnEnd(Tokens t);
  void OnIf(Tokens t);
  void OnInline(Tokens t);
  void OnElse(bool else_if);
  void OnNext(Tokens t);
  void OnSimpleStatement(Tokens t);
  void OnOn(Tokens t);
  void OnExit(Tokens t);

  bool InMembers() const {
    if (state_.blocks.empty()) return false;
    BlockKind kind = state_.blocks.back().kind;
    return kind == BlockKind::kType || kind == BlockKind::kEnum;
  }
  bool SelectAwaitsCase() const {
    return !state_.blocks.empty() && state_.blocks.back().kind == BlockKind::kSelect &&
           !state_.blocks.back().clause_seen;
  }
  void Push(BlockKind kind, std::string counter = "");
  void Close(BlockKind kind);
  void CloseFor(const Token* counter);
  void OpenProcedure(ProcType proc);
  void CloseProcedure(bool report_blocks);

  std::vector<CodeProblem> problems_;
  State state_;
  std::vector<CondGroup> groups_;
  CondConstants constants_;  // the project's and those of the #Const lines read so far
  std::vector<std::pair<int32_t, int32_t>> unknown_;  // lines of #If branches of unknown fate
  bool doubt_ = false;         // #If branches disagreed: block structure is not reported
  bool declared_ = false;      // a declaration seen in the declarations section
  bool gap_reported_ = false;  // a statement after the last End reported already
  int32_t line_ = 0;           // first line of the logical line being read
  bool pass_over_plain_ = true;
  LabelTable labels_;         // of the open procedure
  std::string label_buffer_;  // for LabelName
};

}  // namespace kestrix::checker
