#include "engine/clean_pass.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/markers.h"
#include "engine/module_text.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

using host::StatusOutput;

// What cleaning knows of a line, as bits.
enum LineFlag : uint8_t {
  kStatementStart = 1,  // the line starts a statement (it is no continuation line)
  kFrame = 2,           // it belongs to a procedure's header or End statement
  kBeginMark = 4,       // it is a begin marker
  kEndMark = 8,         // it is an end marker
  kSkipMark = 16,       // it holds the mark that keeps a procedure unchanged
  kHandlerJump = 32,    // it holds the jump to the local handler (maybe in a literal or comment)
  kInBlock = 64,        // it lies in a marked block
  kInProc = 128,        // it lies in a procedure (header to End)
};

// kBeginMark or kEndMark when the line, leading and trailing blanks and tabs aside, is that
// marker (in any case); 0 otherwise.
uint8_t MarkerKind(std::string_view line) {
  std::string_view text = line.substr(basic::BlanksEnd(line));
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  // The markers are mostly as the instrumentation wrote them: compared byte for byte first.
  const std::string_view begin = kBeginMarker, end = kEndMarker;
  if (text == begin || EqualsNoCase(text, begin)) return kBeginMark;
  if (text == end || EqualsNoCase(text, end)) return kEndMark;
  return 0;
}

struct Procedure {
  std::string name;
  bool marked = false;        // it holds a begin marker
  bool skipped = false;       // it carries the mark that keeps it unchanged
  std::vector<long> targets;  // the line numbers its jumps name (sorted once all are read)
  size_t first = 0;           // its header's first line (0-based)
  size_t last = 0;            // its End line; the module's last line when it has none
};

// A line (0-based) and the procedure it lies in, -1 outside.
struct LineInProc {
  size_t line;
  int32_t proc;
};

// The module read once, with what cleaning needs to know about each line (0-based).
struct ModuleShape {
  std::vector<uint8_t> flags;        // LineFlag bits
  std::vector<size_t> begin_marks;   // the lines of the begin markers, top down
  std::vector<int32_t> begin_procs;  // the procedure of each begin marker, -1 outside
  std::vector<LineInProc> jumps;     // the lines holding the jump to the local handler
  std::vector<Procedure> procs;
  bool module_marked = false;  // a marked block outside the procedures (the module name)
  bool any_proc_marked = false;

  // True when the instrumentation numbered the procedure's lines: it numbers the procedures
  // that carry its blocks; in a module built without handlers (its name block, but no
  // procedure with blocks), every procedure that was not kept out by the skip mark.
  bool Numbered(int32_t p) const {
    const Procedure& procedure = procs[static_cast<size_t>(p)];
    return procedure.marked || (module_marked && !any_proc_marked && !procedure.skipped);
  }
};

// kSkipMark and kHandlerJump for the skip mark and the jump to the local handler in the line,
// told from the places where their common word stands; what follows the word is compared
// first, which tells most places apart.
uint8_t MarksHeld(std::string_view text) {
  constexpr std::string_view kStem = kMarkStem, kSkip = kSkipProcMark, kJump = kOnErrorGotoHandler;
  constexpr size_t kJumpStem = kJump.find(kStem);  // where the word stands in the jump
  static_assert(kSkip.starts_with(kStem) && kJumpStem != std::string_view::npos);
  constexpr std::string_view kSkipRest = kSkip.substr(kStem.size());
  constexpr std::string_view kJumpHead = kJump.substr(0, kJumpStem);
  constexpr std::string_view kJumpRest = kJump.substr(kJumpStem + kStem.size());
  uint8_t flags = 0;
  for (size_t at = basic::FindNoCase(text, kStem); at != std::string_view::npos;
       at = basic::FindNoCase(text, kStem, at + 1)) {
    std::string_view rest = text.substr(at + kStem.size());
    if (EqualsNoCase(rest.substr(0, kSkipRest.size()), kSkipRest)) flags |= kSkipMark;
    if (at >= kJumpStem && EqualsNoCase(rest.substr(0, kJumpRest.size()), kJumpRest) &&
        EqualsNoCase(text.substr(at - kJumpStem, kJumpStem), kJumpHead)) {
      flags |= kHandlerJump;
    }
  }
  return flags;
}

// Markers, skip marks and jumps to the local handler all hold the marks' common word: the
// lines that hold it, found by one search of the module, are the only ones read for them.
void MarkKestrixLines(const ModuleText& code, ModuleShape& m) {
  for (int32_t number : code.LinesHolding(kMarkStem)) {
    const auto i = static_cast<size_t>(number - 1);
    std::string_view text = code.Line(number);
    // A marker line starts with the apostrophe of a comment, and holds nothing else.
    uint8_t flags = code.Facts(number).first == '\'' ? MarkerKind(text) : 0;
    if (flags == 0) flags = MarksHeld(text);
    if (flags & kBeginMark) m.begin_marks.push_back(i);
    m.flags[i] |= flags;
  }
}

// The statement that starts on line `number`, its continuation lines joined, in `joined`.
void JoinStatement(const ModuleText& code, int32_t number, std::string& joined) {
  joined.assign(code.Line(number));
  for (int32_t k = number; k < code.Count() && code.Continues(k); ++k) {
    while (!joined.empty() && (joined.back() == ' ' || joined.back() == '\t'))
      joined.pop_back();
    joined.back() = ' ';  // the continuation mark
    joined += code.Line(k + 1);
  }
}

// Notes where the line's begin marker and jump to the local handler lie: in procedure `proc`,
// or outside the procedures (-1).
void NoteMarks(ModuleShape& m, size_t i, uint8_t flags, int32_t proc) {
  if (flags & kBeginMark) m.begin_procs.push_back(proc);
  if (flags & kHandlerJump) m.jumps.push_back({i, proc});
}

ModuleShape ReadShape(const ModuleText& code) {
  ModuleShape m;
  const int32_t n = code.Count();
  m.flags.assign(static_cast<size_t>(n), 0);
  MarkKestrixLines(code, m);
  int32_t current = -1;
  bool skip_mark_above = false;  // in the comments above the next header
  bool continued = false;        // the line before goes on on this one
  std::string joined;
  for (int32_t number = 1; number <= n; ++number) {
    const auto i = static_cast<size_t>(number - 1);
    uint8_t flags = m.flags[i];
    if (flags & kSkipMark) {
      if (current >= 0) {
        m.procs[static_cast<size_t>(current)].skipped = true;
      } else {
        skip_mark_above = true;
      }
    }
    const LineFacts& facts = code.Facts(number);
    if (continued) {
      continued = facts.continues;
      flags |= static_cast<uint8_t>(m.flags[i - 1] & kFrame);
      if (current >= 0) flags |= kInProc;
      if (flags & (kBeginMark | kHandlerJump)) NoteMarks(m, i, flags, current);
      m.flags[i] = flags;
      continue;
    }
    continued = facts.continues;
    flags |= kStatementStart;
    std::string_view text = code.Line(number);
    // One physical line: its facts answer for the statement.
    const bool single = number == n || !facts.continues;
    std::string_view statement = text;
    if (!single) {
      JoinStatement(code, number, joined);
      statement = joined;
    }
    if (current < 0 && (!single || MayBeHeader(facts, text))) {
      Header header = ParseHeader(statement);
      if (!header.name.empty()) {
        current = static_cast<int32_t>(m.procs.size());
        m.procs.push_back(
            {std::move(header.name), false, skip_mark_above, {}, i, static_cast<size_t>(n - 1)});
        skip_mark_above = false;
        flags |= kFrame;
      }
    }
    if (flags & (kBeginMark | kHandlerJump)) NoteMarks(m, i, flags, current);
    if (flags & kBeginMark) {
      if (current >= 0) {
        m.procs[static_cast<size_t>(current)].marked = true;
        m.any_proc_marked = true;
      } else {
        m.module_marked = true;
      }
    }
    if (current >= 0) {
      flags |= kInProc;
      // A comment or blank line holds no jump; past the line number in front, most other
      // lines hold none to a number either.
      if (!single ||
          (facts.first != '\'' && facts.first != '\0' && MayHoldJump(text, facts.word_at))) {
        std::vector<long>& targets = m.procs[static_cast<size_t>(current)].targets;
        for (long target : JumpTargets(statement))
          targets.push_back(target);
      }
      if (single ? code.HoldsEnd(number) : HoldsProcedureEnd(statement)) {
        m.procs[static_cast<size_t>(current)].last = i;
        current = -1;
        flags |= kFrame;
      }
    } else if (!IsBlankOrComment(text) && basic::ReadDirective(text) == basic::Directive::kNone) {
      skip_mark_above = false;  // the mark belongs to the procedure right below it
    }
    m.flags[i] = flags;
  }
  for (Procedure& procedure : m.procs) {
    std::sort(procedure.targets.begin(), procedure.targets.end());
    procedure.targets.erase(std::unique(procedure.targets.begin(), procedure.targets.end()),
                            procedure.targets.end());
  }
  return m;
}

// A marked block: begin and end marker lines (0-based); end is -1 for a begin marker whose
// end marker does not come before the procedure's End line (or the next header or marker).
struct Block {
  size_t begin;
  long end;
  size_t reach;  // the last line the block may cover
  int32_t proc;  // the procedure it lies in, -1 outside
};

// The marked blocks, top down; their lines get kInBlock.
std::vector<Block> FindBlocks(const ModuleText& code, ModuleShape& m) {
  std::vector<Block> blocks;
  const auto n = static_cast<size_t>(code.Count());
  for (size_t mark = 0; mark < m.begin_marks.size(); ++mark) {
    const size_t i = m.begin_marks[mark];
    // A block that ends comes to no begin marker before its end marker: the next begin
    // marker always lies below it.
    Block block{i, -1, i, m.begin_procs[mark]};
    size_t j = i + 1;
    for (; j < n; ++j) {
      if (m.flags[j] & kEndMark) {
        block.end = static_cast<long>(j);
        break;
      }
      const auto number = static_cast<int32_t>(j) + 1;
      std::string_view text = code.Line(number);
      if ((m.flags[j] & kBeginMark) || code.HoldsEnd(number) ||
          (MayBeHeader(code.Facts(number), text) && !ParseHeader(text).name.empty())) {
        break;
      }
    }
    block.reach = j - 1;
    // Lines inside a block: removed with it, or, for a block without its end, kept as written.
    const size_t last = block.end >= 0 ? static_cast<size_t>(block.end) : block.reach;
    for (size_t k = block.begin; k <= last; ++k)
      m.flags[k] |= kInBlock;
    blocks.push_back(block);
  }
  return blocks;
}

// Turns the jumps to the local handler back into "On Error GoTo 0"; text inside string
// literals and comments stays as it is. True when the line changed.
bool RestoreOnErrorGotoZero(std::string& text) {
  std::string_view handler = kOnErrorGotoHandler;
  bool changed = false;
  for (;;) {
    size_t at = FindInCode(text, handler);
    if (at == std::string::npos) return changed;
    // "On Error GoTo " stays as written; the target goes back to 0.
    size_t target = at + std::string_view(kOnErrorGotoZero).size() - 1;
    text.replace(target, std::string_view(kLocalHandlerLabel).size(), 1, '0');
    changed = true;
  }
}

// How much of the line's front is the instrumentation's own line number and its tab: digits
// followed by a tab at the very start, a number of 101 or more written without leading zeros
// (the only ones it writes), which no jump of the procedure names (`targets`, sorted).
// 0 when the line starts otherwise.
size_t StrippedNumberLength(std::string_view text, const std::vector<long>& targets) {
  if (text.empty() || text[0] < '1' || text[0] > '9') return 0;
  // Nine digits at most, then the tab: a tenth digit makes it longer than any line number.
  const size_t limit = std::min<size_t>(text.size(), 10);
  long number = text[0] - '0';
  size_t n = 1;
  for (; n < limit && basic::IsDigit(text[n]); ++n)
    number = number * 10 + (text[n] - '0');
  if (n == limit || text[n] != '\t' || number < 101) return 0;
  if (!targets.empty() && std::binary_search(targets.begin(), targets.end(), number)) return 0;
  return n + 1;
}

// Tells the progress bar of every thousand lines up to line `upto` (0-based), from line
// `next` on; returns where the next call starts.
size_t TellProgress(StatusOutput& progress, size_t next, size_t upto) {
  for (; next <= upto; next += 1024)
    progress.SetProgressValue(StatusOutput::kLinesBar, static_cast<int32_t>(next) + 2);
  return next;
}

// Turns the jumps to the local handler back into "On Error GoTo 0", outside the marked blocks,
// taking the line number off the lines that lose it (StrippedNumberLength) with them.
void RestoreJumps(ModuleText& text, const ModuleShape& m, bool numbers) {
  std::string line;
  for (const LineInProc& jump : m.jumps) {
    const uint8_t flags = m.flags[jump.line];
    if (flags & kInBlock) continue;
    const auto number = static_cast<int32_t>(jump.line) + 1;
    std::string_view view = text.Line(number);
    const bool strip =
        numbers && (flags & kStatementStart) && jump.proc >= 0 && m.Numbered(jump.proc);
    const size_t cut =
        strip ? StrippedNumberLength(view, m.procs[static_cast<size_t>(jump.proc)].targets) : 0;
    line.assign(view);
    // The number in front holds no quote or apostrophe: the jump is read alike with or
    // without it.
    if (RestoreOnErrorGotoZero(line)) {
      text.Replace(number, std::string_view(line).substr(cut));
    } else if (cut > 0) {
      text.CutFront(number, cut);
    }
  }
}

// Takes the line numbers off and turns the jumps to the local handler back, outside the
// marked blocks. Only the numbered procedures' lines are read for numbers.
void CleanLines(ModuleText& text, const ModuleShape& m, bool handlers, bool numbers,
                StatusOutput& progress) {
  if (handlers) RestoreJumps(text, m, numbers);
  size_t next_progress = 1023;
  const auto n = static_cast<size_t>(text.Count());
  if (numbers) {
    // The lines that start a statement and lie in no block; the jump lines are done.
    const uint8_t passed = kInBlock | (handlers ? kHandlerJump : 0);
    for (size_t p = 0; p < m.procs.size(); ++p) {
      const Procedure& procedure = m.procs[p];
      if (!m.Numbered(static_cast<int32_t>(p))) continue;
      next_progress = TellProgress(progress, next_progress, procedure.first);
      for (size_t i = procedure.first; i <= procedure.last; ++i) {
        if ((m.flags[i] & (kStatementStart | passed)) != kStatementStart) continue;
        const auto number = static_cast<int32_t>(i) + 1;
        const size_t cut = StrippedNumberLength(text.Line(number), procedure.targets);
        if (cut > 0) text.CutFront(number, cut);
      }
    }
  }
  if (n > 0) TellProgress(progress, next_progress, n - 1);
}

}  // namespace

bool CleanModule(EngineState& state, host::CodeModule* code) {
  if (code == nullptr) return false;
  StatusOutput& progress = state.Progress();
  progress.SetText(StatusOutput::kModuleField, state.CurrentModuleName());
  const bool handlers = state.Removes(kRemoveErrorHandlers);
  const bool numbers = state.Removes(kRemoveLineNumbers);
  ModuleText text(*code);
  ModuleShape m = ReadShape(text);
  std::vector<Block> blocks = FindBlocks(text, m);
  // A procedure with a block that lost its end marker keeps all its blocks, and the module
  // its own, so that what stays still fits together; a row names the marker's line.
  std::set<int32_t> broken;
  for (const Block& b : blocks) {
    if (b.end < 0) broken.insert(b.proc);
  }
  std::vector<bool> keep(blocks.size(), false);
  for (size_t k = 0; k < blocks.size(); ++k) {
    int32_t proc = blocks[k].proc;
    keep[k] = blocks[k].end < 0 || broken.count(proc) || (proc < 0 && !broken.empty());
  }
  const int32_t n = text.Count();
  progress.SetProgressMax(StatusOutput::kLinesBar, n + 1);
  CleanLines(text, m, handlers, numbers, progress);
  if (n > 0) progress.SetProgressValue(StatusOutput::kLinesBar, n + 1);
  std::vector<std::string> unmatched;
  if (handlers) {
    // Top down, each block where the removals above it left it: the gap of the module's text
    // then moves down once. A block without its end marker stays, and a row says where it is
    // (as the module reads after cleaning).
    int32_t removed_above = 0;
    for (size_t k = 0; k < blocks.size(); ++k) {
      const Block& b = blocks[k];
      const int32_t begin = static_cast<int32_t>(b.begin) + 1 - removed_above;
      if (!keep[k]) {
        const int32_t size = static_cast<int32_t>(b.end - static_cast<long>(b.begin)) + 1;
        text.Erase(begin, size);
        removed_above += size;
      } else if (b.end < 0) {
        unmatched.push_back(std::to_string(begin));
      }
    }
  }
  // The changes go back a procedure body at a time; lines outside the procedures, the headers
  // (which may carry what the code window does not show) and the End lines stay as they are,
  // so that the code module sees its procedures' bounds unchanged.
  text.WriteBack(*code, 1, text.Count(), [&](int32_t i) {
    int32_t origin = text.Origin(i);
    if (origin == 0) return false;
    auto k = static_cast<size_t>(origin - 1);
    return (m.flags[k] & (kInProc | kFrame)) != kInProc;
  });
  if (handlers) {
    size_t u = 0;
    for (const Block& b : blocks) {
      if (b.end >= 0) continue;
      const int32_t proc = b.proc;
      progress.AddRow({progress.Text(StatusOutput::kProjectField), state.CurrentModuleName(),
                       proc >= 0 ? m.procs[static_cast<size_t>(proc)].name : "", "",
                       "Begin marker without its end marker on line " + unmatched[u++] +
                           ": the block was left in place"});
    }
  }
  progress.AddRow(
      {progress.Text(StatusOutput::kProjectField), state.CurrentModuleName(), "", "", "Cleaned."});
  return true;
}

}  // namespace kestrix::engine
