#include "engine/clean_pass.h"

#include <algorithm>
#include <set>
#include <vector>

#include "engine/line_rules.h"
#include "engine/markers.h"
#include "engine/module_text.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

using host::StatusOutput;

// True when the line, leading and trailing blanks and tabs aside, is `marker`.
bool IsMarkerLine(std::string_view line, std::string_view marker) {
  std::string_view text = line.substr(basic::BlanksEnd(line));
  if (text.empty() || text.front() != marker.front()) return false;
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return EqualsNoCase(text, marker);
}

// The module read once, with what cleaning needs to know about each line (0-based).
struct ModuleShape {
  std::vector<std::string_view> lines;
  std::vector<bool> frame;    // the line belongs to a procedure's header or End statement
  std::vector<bool> first;    // the line starts a statement
  std::vector<int32_t> proc;  // procedure the line lies in (header to End), -1 outside
  std::vector<std::string> proc_names;
  std::vector<bool> proc_marked;             // the procedure holds a begin marker
  std::vector<bool> proc_skipped;            // it carries the mark that keeps it unchanged
  std::vector<std::set<long>> proc_targets;  // line numbers its jumps name
  bool module_marked = false;  // a marked block outside the procedures (the module name)
  bool any_proc_marked = false;
};

ModuleShape ReadShape(const ModuleText& code) {
  ModuleShape m;
  int32_t n = code.Count();
  // Most modules carry no skip mark: one look over the whole text saves one on every line.
  const bool any_skip_mark = code.Contains(kSkipProcMark, 1, n);
  m.lines.reserve(static_cast<size_t>(n));
  for (int32_t i = 1; i <= n; ++i)
    m.lines.push_back(code.Line(i));
  m.first.assign(m.lines.size(), true);
  m.frame.assign(m.lines.size(), false);
  m.proc.assign(m.lines.size(), -1);
  int32_t current = -1;
  bool skip_mark_above = false;  // in the comments above the next header
  std::string joined;
  for (size_t i = 0; i < m.lines.size(); ++i) {
    std::string_view text = m.lines[i];
    if (any_skip_mark && ContainsNoCase(text, kSkipProcMark)) {
      if (current >= 0) {
        m.proc_skipped[static_cast<size_t>(current)] = true;
      } else {
        skip_mark_above = true;
      }
    }
    const auto number = static_cast<int32_t>(i) + 1;  // in the code module
    if (i > 0 && code.Continues(number - 1)) {
      m.first[i] = false;
      m.proc[i] = current;
      m.frame[i] = m.frame[i - 1];
      continue;
    }
    // The whole statement, its continuation lines joined.
    std::string_view statement = text;
    // One physical line: its facts answer for the statement.
    const bool single = i + 1 >= m.lines.size() || !code.Continues(number);
    const LineFacts& facts = code.Facts(number);
    if (!single) {
      joined.assign(text);
      for (size_t j = i; j + 1 < m.lines.size() && code.Continues(static_cast<int32_t>(j) + 1);
           ++j) {
        while (!joined.empty() && (joined.back() == ' ' || joined.back() == '\t'))
          joined.pop_back();
        joined.back() = ' ';  // the continuation mark
        joined += m.lines[j + 1];
      }
      statement = joined;
    }
    if (current < 0 && (!single || MayBeHeader(facts, text))) {
      Header header = ParseHeader(statement);
      if (!header.name.empty()) {
        current = static_cast<int32_t>(m.proc_names.size());
        m.proc_names.push_back(header.name);
        m.proc_marked.push_back(false);
        m.proc_skipped.push_back(skip_mark_above);
        m.proc_targets.emplace_back();
        skip_mark_above = false;
        m.frame[i] = true;
      }
    }
    m.proc[i] = current;
    if (facts.first == '\'' && IsMarkerLine(text, kBeginMarker)) {
      if (current >= 0) {
        m.proc_marked[static_cast<size_t>(current)] = true;
        m.any_proc_marked = true;
      } else {
        m.module_marked = true;
      }
    }
    if (current >= 0) {
      for (long target : JumpTargets(statement))
        m.proc_targets[static_cast<size_t>(current)].insert(target);
      if (single ? code.HoldsEnd(number) : HoldsProcedureEnd(statement)) {
        current = -1;
        m.frame[i] = true;
      }
    } else if (!IsBlankOrComment(text) && basic::ReadDirective(text) == basic::Directive::kNone) {
      skip_mark_above = false;  // the mark belongs to the procedure right below it
    }
  }
  return m;
}

// A marked block: begin and end marker lines (0-based); end is -1 for a begin marker whose
// end marker does not come before the procedure's End line (or the next header or marker).
struct Block {
  size_t begin;
  long end;
  size_t reach;  // the last line the block may cover
};

std::vector<Block> FindBlocks(const ModuleText& code, const ModuleShape& m) {
  std::vector<Block> blocks;
  // A marker line starts with the apostrophe of a comment.
  auto is_marker = [&](size_t i, std::string_view marker) {
    return code.Facts(static_cast<int32_t>(i) + 1).first == '\'' &&
           IsMarkerLine(m.lines[i], marker);
  };
  for (size_t i = 0; i < m.lines.size(); ++i) {
    if (!is_marker(i, kBeginMarker)) continue;
    Block block{i, -1, i};
    size_t j = i + 1;
    for (; j < m.lines.size(); ++j) {
      std::string_view text = m.lines[j];
      if (is_marker(j, kEndMarker)) {
        block.end = static_cast<long>(j);
        break;
      }
      const auto number = static_cast<int32_t>(j) + 1;
      if (is_marker(j, kBeginMarker) || code.HoldsEnd(number) ||
          (MayBeHeader(code.Facts(number), text) && !ParseHeader(text).name.empty())) {
        break;
      }
    }
    block.reach = j - 1;
    blocks.push_back(block);
    i = block.end >= 0 ? static_cast<size_t>(block.end) : i;
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

// Drops the instrumentation's own line number: digits followed by a tab at the very start,
// a number of 101 or more written without leading zeros (the only ones it writes), which no
// jump of the procedure names.
bool StripLineNumber(std::string& text, const std::set<long>& targets) {
  size_t n = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9')
    ++n;
  if (n == 0 || n >= text.size() || text[n] != '\t' || text[0] == '0' || n > 9) return false;
  long number = 0;
  for (size_t k = 0; k < n; ++k)
    number = number * 10 + (text[k] - '0');
  if (number < 101 || targets.count(number)) return false;
  text.erase(0, n + 1);
  return true;
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
    if (b.end < 0) broken.insert(m.proc[b.begin]);
  }
  std::vector<bool> keep(blocks.size(), false);
  for (size_t k = 0; k < blocks.size(); ++k) {
    int32_t proc = m.proc[blocks[k].begin];
    keep[k] = blocks[k].end < 0 || broken.count(proc) || (proc < 0 && !broken.empty());
  }
  // Lines inside a block: removed with it, or, for a block without its end, kept as written.
  std::vector<bool> in_block(m.lines.size(), false);
  for (const Block& b : blocks) {
    size_t last = b.end >= 0 ? static_cast<size_t>(b.end) : b.reach;
    for (size_t i = b.begin; i <= last; ++i)
      in_block[i] = true;
  }
  const int32_t n = static_cast<int32_t>(m.lines.size());
  progress.SetProgressMax(StatusOutput::kLinesBar, n + 1);
  // The lines that hold the jump to the local handler, from one search of the module.
  std::vector<bool> may_jump(m.lines.size(), false);
  if (handlers) {
    for (int32_t number : text.LinesHolding(kOnErrorGotoHandler))
      may_jump[static_cast<size_t>(number - 1)] = true;
  }
  std::string line;
  for (size_t i = 0; i < m.lines.size(); ++i) {
    if ((i & 1023) == 1023) {
      progress.SetProgressValue(StatusOutput::kLinesBar, static_cast<int32_t>(i) + 2);
    }
    if (in_block[i]) continue;
    int32_t proc = m.proc[i];
    // Kestrix numbered the procedures that carry its blocks; in a module built without
    // handlers (its name block, but no procedure with blocks), every procedure that was not
    // kept out by the skip mark.
    bool kestrix_numbered =
        proc >= 0 &&
        (m.proc_marked[static_cast<size_t>(proc)] ||
         (m.module_marked && !m.any_proc_marked && !m.proc_skipped[static_cast<size_t>(proc)]));
    bool strip = numbers && m.first[i] && kestrix_numbered;
    if (!handlers && !strip) continue;
    // Most lines change in neither way: they are not copied to find that out.
    std::string_view view = m.lines[i];
    bool may_change =
        handlers && may_jump[i] && FindInCode(view, kOnErrorGotoHandler) != std::string::npos;
    if (strip && !may_change) {
      size_t digits = 0;
      while (digits < view.size() && view[digits] >= '0' && view[digits] <= '9')
        ++digits;
      may_change = digits > 0 && digits < view.size() && view[digits] == '\t';
    }
    if (!may_change) continue;
    line.assign(view);
    bool changed = handlers && RestoreOnErrorGotoZero(line);
    if (strip) changed |= StripLineNumber(line, m.proc_targets[static_cast<size_t>(proc)]);
    if (changed) text.Replace(static_cast<int32_t>(i) + 1, line);
  }
  if (n > 0) progress.SetProgressValue(StatusOutput::kLinesBar, n + 1);
  std::vector<std::string> unmatched;
  if (handlers) {
    // Bottom up, so that the lines above keep their places; a block without its end marker
    // stays, and a row says where it is (as the module reads after cleaning).
    int32_t removed_above = 0;
    for (size_t k = 0; k < blocks.size(); ++k) {
      const Block& b = blocks[k];
      if (!keep[k]) {
        removed_above += static_cast<int32_t>(b.end - static_cast<long>(b.begin)) + 1;
      } else if (b.end < 0) {
        unmatched.push_back(std::to_string(static_cast<int32_t>(b.begin) + 1 - removed_above));
      }
    }
    for (size_t k = blocks.size(); k-- > 0;) {
      if (keep[k]) continue;
      text.Erase(static_cast<int32_t>(blocks[k].begin) + 1,
                 static_cast<int32_t>(blocks[k].end - static_cast<long>(blocks[k].begin)) + 1);
    }
  }
  // The changes go back a procedure body at a time; lines outside the procedures, the headers
  // (which may carry what the code window does not show) and the End lines stay as they are,
  // so that the code module sees its procedures' bounds unchanged.
  text.WriteBack(*code, 1, text.Count(), [&](int32_t i) {
    int32_t origin = text.Origin(i);
    if (origin == 0) return false;
    auto k = static_cast<size_t>(origin - 1);
    return m.proc[k] < 0 || m.frame[k];
  });
  if (handlers) {
    size_t u = 0;
    for (const Block& b : blocks) {
      if (b.end >= 0) continue;
      int32_t proc = m.proc[b.begin];
      progress.AddRow({progress.Text(StatusOutput::kProjectField), state.CurrentModuleName(),
                       proc >= 0 ? m.proc_names[static_cast<size_t>(proc)] : "", "",
                       "Begin marker without its end marker on line " + unmatched[u++] +
                           ": the block was left in place"});
    }
  }
  progress.AddRow(
      {progress.Text(StatusOutput::kProjectField), state.CurrentModuleName(), "", "", "Cleaned."});
  return true;
}

}  // namespace kestrix::engine
