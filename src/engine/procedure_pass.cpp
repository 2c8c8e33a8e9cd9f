#include "engine/procedure_pass.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <span>
#include <utility>

#include "engine/line_rules.h"
#include "engine/markers.h"
#include "engine/module_text.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

using host::ProcKind;

// What the walk to a procedure's End met on the way: the later walks over the body look
// for these only when there are some.
struct BodyMarks {
  bool directive = false;  // a line before the End starts with '#'
  bool number = false;     // a statement up to the End starts with a digit (a line number)
};

// The lines of one procedure as the walk sees them.
struct ProcLines {
  int32_t start = 0;        // first line, with the comments above the header
  int32_t count = 0;        // lines, before any change
  int32_t body = 0;         // the header line; 0 when no header was found
  int32_t end = 0;          // the End line; 0 when there is none
  std::string declaration;  // the header line's text
  BodyMarks marks;          // of the lines from the header's last to the End line
};

// The last physical line of the statement starting at `line`, at most `limit`. Every walk
// over a body asks it of each line: inline.
inline int32_t StatementEnd(const ModuleText& code, int32_t line, int32_t limit) {
  while (line < limit && code.Continues(line))
    ++line;
  return line;
}

// The first line from `from` to `limit` whose statement ends a procedure, or 0. Only the
// first line of a statement counts.
int32_t FindEndLine(const ModuleText& code, int32_t from, int32_t limit, BodyMarks& marks) {
  for (int32_t i = from; i <= limit; ++i) {
    marks.number = marks.number || basic::IsDigit(code.Facts(i).first);
    if (code.HoldsEnd(i)) return i;
    marks.directive = marks.directive || code.Facts(i).first == '#';
    while (i < limit && code.Continues(i)) {
      ++i;
      marks.directive = marks.directive || code.Facts(i).first == '#';
    }
  }
  return 0;
}

// Where the procedure lies. The code module's by-name lookups give the first procedure of a
// name and kind (`range`); `walk_line` past that one's range means the walk met a later copy
// (one defined again under #If … #Else), whose header and End are found from there.
ProcLines ReadProcLines(host::CodeModule& module, const ModuleText& code, const std::string& name,
                        ProcKind kind, int32_t walk_line, ProcRange range) {
  ProcLines p;
  p.count = range.count;
  p.start = range.start;
  int32_t limit = p.start + p.count - 1;
  bool later_copy = walk_line > limit && walk_line <= code.Count();
  if (!later_copy) p.body = module.ProcBodyLine(name, kind);
  if (later_copy) {
    limit = code.Count();
    p.start = walk_line;
    p.body = 0;
    for (int32_t i = walk_line; i <= limit; ++i) {
      Header header = ParseHeader(code.Line(i));
      if (EqualsNoCase(header.name, name) && header.kind == kind) {
        p.body = i;
        break;
      }
      i = StatementEnd(code, i, limit);
    }
    if (p.body == 0) return p;
  }
  p.declaration = code.Line(p.body);
  p.end = FindEndLine(code, StatementEnd(code, p.body, limit) + 1, limit, p.marks);
  if (later_copy) p.count = (p.end == 0 ? limit : p.end) - p.start + 1;
  return p;
}

// A header repeated in the other branches of the #If group that holds the first one.
struct HeaderShape {
  std::vector<std::pair<int32_t, int32_t>> repeated;  // first and last line of each copy
  int32_t group_end = 0;                              // the group's #End If
  bool body_in_group = false;  // statements of the body inside the group's branches
};

bool IsEndIf(std::string_view line) {
  return basic::ReadDirective(line) == basic::Directive::kEndIf;
}

// Looks between the declaration and the End line for repeated headers at the first header's
// level of the conditional group holding it. `any_directive`: some line between them starts
// with '#'.
HeaderShape ReadHeaderShape(const ModuleText& code, int32_t decl_last, int32_t end,
                            bool any_directive) {
  HeaderShape shape;
  // Without a directive there is no group to close, and so no repeated header.
  if (!any_directive) return shape;
  int depth = 0;
  bool in_other_branch = false;
  for (int32_t i = decl_last + 1; i < end; ++i) {
    std::string_view text = code.Line(i);
    int32_t last = StatementEnd(code, i, end - 1);
    basic::Directive directive = basic::ReadDirective(text);
    if (directive == basic::Directive::kIf) {
      ++depth;
    } else if (IsEndIf(text)) {
      if (depth == 0) {
        shape.group_end = i;
        break;
      }
      --depth;
    } else if (directive == basic::Directive::kElse || directive == basic::Directive::kElseIf) {
      if (depth == 0) in_other_branch = true;
    } else if (depth == 0 && in_other_branch && !ParseHeader(text).name.empty()) {
      shape.repeated.emplace_back(i, last);
    } else if (!IsBlankOrComment(text) && directive == basic::Directive::kNone) {
      shape.body_in_group = true;
    }
    i = last;
  }
  if (shape.group_end == 0) shape.repeated.clear();
  return shape;
}

// Line numbers the user already wrote at the start of the procedure's statements (only the
// first line of a statement can carry one).
std::set<long> UserLineNumbers(const ModuleText& code, int32_t from, int32_t to) {
  std::set<long> numbers;
  for (int32_t i = from; i <= to; ++i) {
    if (basic::IsDigit(code.Facts(i).first)) {
      long number = LeadingNumber(code.Line(i));
      if (number >= 0) numbers.insert(number);
    }
    i = StatementEnd(code, i, to);
  }
  return numbers;
}

// Writes the number with at least three digits ("%03ld") so that it ends at `end`; returns
// where it starts: the prefix of a numbered line.
char* FormatLineNumber(char* end, long number) {
  // Two digits at a time: every numbered line takes one.
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  const bool negative = number < 0;
  unsigned long n = static_cast<unsigned long>(number);
  if (negative) n = 0UL - n;
  char* p = end;
  while (n >= 100) {
    const unsigned long pair = n % 100;
    n /= 100;
    p -= 2;
    std::memcpy(p, kPairs + 2 * pair, 2);
  }
  if (n >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * n, 2);
  } else {
    *--p = static_cast<char>('0' + n);
  }
  while (end - p < 3)
    *--p = '0';
  if (negative) *--p = '-';
  return p;
}

// What a line holding "On Error GoTo 0" holds, in any case.
constexpr std::string_view kGotoZero = "goto 0";

// NeedsNoLineNumber of a line as read, `stripped` being the line past its leading blanks.
bool TakesNoNumber(const LineFacts& facts, std::string_view stripped) {
  const char c = facts.first;
  if (c == '\0' || c == '\'' || c == '#' || basic::IsDigit(c)) return true;
  if (c == 'c' && stripped.size() >= 4 && EqualsNoCase(stripped.substr(0, 4), "case")) return true;
  // A label that is a name ends with a colon: a line without one has none.
  return facts.colon && !basic::ReadLabel(stripped).text.empty();
}

// What the body walk could not do on lines that would grow past VB's line length.
struct WalkNotes {
  std::vector<int32_t> not_numbered;     // lines of the original module
  std::vector<int32_t> jump_not_turned;  // "On Error GoTo 0" left as it was
  char number[32];                       // the prefix of the line last numbered
};

// How TransformBodyLine changed a line.
enum class LineChange { kNone, kNumbered, kRewritten };

// Gives the line its number (when it takes one) and turns "On Error GoTo 0" into a jump to
// the local handler (when `turn_jumps`: handlers are inserted and the line holds "GoTo 0"), as
// long as the line stays within VB's length. kNumbered: the line is to be written as `prefix`
// followed by `text`; kRewritten: `out` holds it as it is to be written. `facts` are those of
// `text`.
LineChange TransformBodyLine(std::string_view text, const LineFacts& facts, long& next_free,
                             long position, const std::set<long>& taken, bool turn_jumps,
                             int32_t original, WalkNotes& notes, std::string& out,
                             std::string_view& prefix) {
  std::string_view line = text;
  bool changed = false;
  if (turn_jumps) {
    // Only the target changes: the statement keeps the case it was written in, so that
    // cleaning gives back the very text (VB's own spelling is the one written here).
    size_t at = FindInCode(text, kOnErrorGotoZero);
    if (at != std::string::npos) {
      if (text.size() - 1 + std::string_view(kLocalHandlerLabel).size() > kMaxLineLength) {
        notes.jump_not_turned.push_back(original);
      } else {
        size_t target = at + std::string_view(kOnErrorGotoZero).size() - 1;
        out.assign(text);
        out.replace(target, 1, kLocalHandlerLabel);
        line = out;
        changed = true;
      }
    }
  }
  const LineChange unnumbered = changed ? LineChange::kRewritten : LineChange::kNone;
  bool starts_with_digit = !line.empty() && line[0] >= '0' && line[0] <= '9';
  if (starts_with_digit ||
      (changed ? NeedsNoLineNumber(line) : TakesNoNumber(facts, text.substr(facts.start)))) {
    return unnumbered;
  }
  long number = std::max(100 + position, next_free);
  while (taken.count(number))
    ++number;  // a label the user wrote in this procedure
  char* const tab = notes.number + sizeof notes.number - 1;
  *tab = '\t';
  const char* start = FormatLineNumber(tab, number);
  prefix = std::string_view(start, static_cast<size_t>(tab + 1 - start));
  if (line.size() + prefix.size() > kMaxLineLength) {
    notes.not_numbered.push_back(original);
    return unnumbered;
  }
  next_free = number + 1;
  if (!changed) return LineChange::kNumbered;
  out.insert(0, prefix);
  return LineChange::kRewritten;
}

bool IsBeginMarker(std::string_view line) {
  return EqualsNoCase(line, kBeginMarker);
}

// True when the word at `at` is `word` (in any case), followed by no name character.
bool IsWordAt(std::string_view line, size_t at, std::string_view word) {
  return line.size() >= at + word.size() && EqualsNoCase(line.substr(at, word.size()), word) &&
         (line.size() == at + word.size() || !basic::IsIdentChar(line[at + word.size()]));
}

// The body walk: numbers the statement lines from `first` up to the End line, passing over
// repeated headers and the marked blocks inserted after them. `added_above` is how many lines
// the instrumentation inserted above `first`. Returns the line the walk counted from, moved
// down by the lines passed over.
int32_t WalkBody(ModuleText& code, int32_t first, int32_t end, bool handlers,
                 const std::set<long>& taken, int32_t added_above, WalkNotes& notes) {
  int32_t base = first - 1;
  long next_free = 0;
  bool in_select_head = false;
  std::string out;
  // The lines as read that hold "GoTo 0" (in few modules any), from one search of the module.
  static const std::vector<int32_t> kNone;
  const std::vector<int32_t>& zero_jumps = handlers ? code.KeptLinesHolding(kGotoZero) : kNone;
  // The walk meets the lines as read in order: the next one holding the jump is kept.
  auto next_jump = zero_jumps.begin();
  auto may_jump = [&](int32_t line, std::string_view text) {
    const int32_t origin = code.Origin(line);
    if (origin == 0) return basic::FindNoCase(text, kGotoZero) != std::string_view::npos;
    if (next_jump != zero_jumps.begin() && next_jump[-1] >= origin) {
      next_jump = std::lower_bound(zero_jumps.begin(), next_jump, origin);  // never, as it walks
    } else if (next_jump != zero_jumps.end() && *next_jump < origin) {
      next_jump = std::lower_bound(next_jump, zero_jumps.end(), origin);
    }
    return next_jump != zero_jumps.end() && *next_jump == origin;
  };
  for (long k = 1; base + k < end; ++k) {
    int32_t line = base + static_cast<int32_t>(k);
    std::string_view before = code.Line(line);
    // A copy: the line's facts go when its text is replaced.
    const LineFacts facts = code.Facts(line);
    // The tests below read the line past its leading blanks: they are skipped once here.
    const std::string_view stripped = before.substr(facts.start);
    if ((facts.first == '\'' && IsBeginMarker(before)) ||
        (MayBeHeader(facts, before) && !ParseHeader(stripped).name.empty())) {
      // A header declared again in another branch, or the head block after it: not counted.
      bool block = IsBeginMarker(before);
      int32_t last = line;
      if (block) {
        while (last + 1 < end && !EqualsNoCase(code.Line(last), kEndMarker))
          ++last;
        added_above += last - line + 1;
      } else {
        last = StatementEnd(code, line, end - 1);
      }
      base += last - line + 1;
      --k;
      continue;
    }
    // Between Select Case and its first Case a declaration may stand, but no label: such
    // lines keep their text and their place in the count.
    if (in_select_head && IsCaseClause(stripped)) in_select_head = false;
    std::string_view prefix;
    const LineChange change = in_select_head
                                  ? LineChange::kNone
                                  : TransformBodyLine(before, facts, next_free, k, taken,
                                                      handlers && may_jump(line, before),
                                                      line - added_above, notes, out, prefix);
    // A number in front and the jump's new target change no statement's first words.
    if (change == LineChange::kNumbered) code.Replace(line, prefix, before, true);
    if (change == LineChange::kRewritten) code.Replace(line, out, true);
    // A line left as it is goes where the numbered ones are stored, so that the body goes back
    // in one piece without being joined; a directive stays where it is read, as it is written
    // back in place.
    if (change == LineChange::kNone && facts.first != '#') code.CopyToStore(line);
    // A number in front of the statement and a jump's new target leave its first words as
    // they were: the line as it was read tells whether it opens a Select Case.
    if (!in_select_head && (facts.colon || IsWordAt(before, facts.word_at, "select")) &&
        OpensSelectCase(stripped)) {
      in_select_head = true;
    }
    // Continuation lines belong to the statement just handled: not numbered, not counted. A
    // number in front and a jump's new target leave the line's end as it was.
    for (bool continues = facts.continues; continues && line + 1 < end;) {
      ++line;
      ++base;
      continues = code.Continues(line);
      code.CopyToStore(line);
    }
  }
  return base;
}

// "line 57" or "lines 57, 80".
std::string LineList(const std::vector<int32_t>& lines) {
  std::string out = lines.size() == 1 ? "line " : "lines ";
  for (size_t i = 0; i < lines.size(); ++i)
    out += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
  return out;
}

std::string OkNote(const WalkNotes& notes) {
  std::string extra;
  if (!notes.not_numbered.empty()) {
    extra = LineList(notes.not_numbered) + " too long to number";
  }
  if (!notes.jump_not_turned.empty()) {
    extra += (extra.empty() ? "" : "; ") + LineList(notes.jump_not_turned) +
             " too long for the jump to the handler, On Error GoTo 0 kept";
  }
  return extra.empty() ? "Ok" : "Ok (" + extra + ")";
}

std::string ExitStatement(ProcKind kind, const basic::Header& header, const std::string& from_end) {
  if (kind != ProcKind::kProc) return "Exit Property";
  if (!header.name.empty()) return header.function ? "Exit Function" : "Exit Sub";
  return from_end;
}

}  // namespace

std::string KindLabel(ProcKind kind) {
  switch (kind) {
    case ProcKind::kPropertyLet:
      return "[Property Let]";
    case ProcKind::kPropertySet:
      return "[Property Set]";
    case ProcKind::kPropertyGet:
      return "[Property Get]";
    case ProcKind::kProc:
      break;
  }
  return "";
}

namespace {

// Appends the lines of `texts` as clsTokenList cuts them (separator CR LF, not trimmed): a
// rest of only blanks after a separator gives no line.
void CutBlockLines(std::initializer_list<std::string_view> texts,
                   std::vector<std::string_view>& lines) {
  auto only_blanks = [](std::string_view rest) {
    return rest.find_first_not_of(' ') == std::string_view::npos;
  };
  for (std::string_view text : texts) {
    std::string_view rest = text;
    while (!only_blanks(rest)) {
      size_t p = rest.find("\r\n");
      lines.push_back(rest.substr(0, p));
      rest = p == std::string_view::npos ? std::string_view() : rest.substr(p + 2);
    }
  }
}

}  // namespace

int32_t InsertMarkedBlock(ModuleText& code, int32_t at_line,
                          std::initializer_list<std::string_view> texts) {
  std::vector<std::string_view> lines;
  lines.reserve(16);
  lines.emplace_back(kBeginMarker);
  CutBlockLines(texts, lines);
  lines.emplace_back(kEndMarker);
  code.InsertEach(at_line, lines);
  return at_line + static_cast<int32_t>(lines.size());
}

std::span<const KnownLine> HandlerBlocks::For(const std::string& exit_statement,
                                              const std::string& handler) {
  for (const auto& block : blocks_) {
    // The Exit line is the exit statement after a tab.
    if (block->exit_line.compare(1, std::string::npos, exit_statement) == 0 &&
        block->handler == handler) {
      return block->lines;
    }
  }
  auto block = std::make_unique<Block>();
  block->exit_line = "\t" + exit_statement;
  block->handler = handler;
  static const std::string label = std::string(kLocalHandlerLabel) + ":";
  std::vector<std::string_view> cut{kBeginMarker};
  CutBlockLines({block->exit_line, label, block->handler}, cut);
  cut.emplace_back(kEndMarker);
  block->lines.reserve(cut.size());
  for (std::string_view line : cut)
    block->lines.push_back(KnowLine(line));
  blocks_.push_back(std::move(block));
  return blocks_.back()->lines;
}

void InstrumentProcedure(EngineState& state, const std::string& name, ProcKind kind,
                         host::CodeModule& module, ModuleText& code, int32_t& line,
                         int32_t added_above, ProcRange range, HandlerBlocks& blocks) {
  ProcLines p = ReadProcLines(module, code, name, kind, line, range);
  host::StatusOutput& progress = state.Progress();
  progress.SetText(host::StatusOutput::kItemField, p.declaration);
  uint32_t marks = 0;  // bit 0: the skip mark, bit 1: the local handler's label
  if (p.body != 0) {
    marks = code.ContainsEach({kSkipProcMark, kLocalHandlerLabel}, p.start, p.start + p.count - 1);
  }
  std::string note;
  std::string exit_statement;
  if (p.body == 0) {
    note = "Skipped (header not found)";
  } else if (marks & 1) {
    note = std::string("Skipped (") + kSkipProcMark + ")";
  } else if (marks & 2) {
    note = "Skipped (Already Processed)";
  } else if (p.end == 0 && HoldsProcedureEnd(p.declaration)) {
    note = "Skipped (End on a statement line)";
  } else if (p.end == 0) {
    note = "Skipped (no End line)";
  } else if (!IsEndStatementLine(code.Line(p.end)) ||
             !IsProcedureEnd(code.Line(p.end), exit_statement)) {
    // The handler block would put Exit ahead of the statements sharing the End's line.
    note = "Skipped (End on a statement line)";
  }
  std::string member = p.declaration;
  if (note.empty()) {
    bool handlers = state.InsertsErrorHandlers();
    // The declaration is a header line: no need to tell it from other lines first.
    exit_statement = ExitStatement(kind, basic::ReadLineHeader(p.declaration), exit_statement);
    int32_t decl_last = StatementEnd(code, p.body, p.end - 1);
    HeaderShape shape = ReadHeaderShape(code, decl_last, p.end, p.marks.directive);
    // Where the head block goes. A header repeated in the branches of an #If group with no
    // statement of the body inside the group: once, after the group's #End If, which every
    // configuration passes before the body. Statements inside the branches would run before
    // that, so then each header gets its own block in its own branch.
    bool per_header = !shape.repeated.empty() && shape.body_in_group;
    int32_t first = shape.repeated.empty() || per_header ? decl_last + 1 : shape.group_end + 1;
    // Most bodies hold no line number of their own.
    std::set<long> taken = p.marks.number ? UserLineNumbers(code, first, p.end) : std::set<long>();
    int32_t added = 0;
    if (handlers) {
      static const std::string head = std::string("\t\tOn Error Goto ") + kLocalHandlerLabel;
      std::string constant = "\t\tConst PROCNAME_=\"" + name + KindLabel(kind) + "\"";
      if (per_header) {
        // Bottom up, so that the lines above keep their places.
        for (auto it = shape.repeated.rbegin(); it != shape.repeated.rend(); ++it) {
          int32_t after = InsertMarkedBlock(code, it->second + 1, {head, constant});
          p.end += after - (it->second + 1);
        }
      }
      int32_t moved = InsertMarkedBlock(code, first, {head, constant});
      added = moved - first;
      p.end += added;
      first = moved;
    }
    member = name + KindLabel(kind);
    state.DoEvents();
    WalkNotes notes;
    line = WalkBody(code, first, p.end, handlers, taken, added_above + added, notes);
    int32_t end_line = p.end;
    if (handlers) {
      const std::span<const KnownLine> block = blocks.For(exit_statement, state.LocalHandlerText());
      code.InsertKnown(p.end, block);
      end_line = p.end + static_cast<int32_t>(block.size());
    }
    // Everything between the declaration and the End line goes back in one piece, but for
    // headers declared again in other branches: they stay where they are.
    bool in_header = false;
    code.WriteBack(module, decl_last + 1, end_line - 1, [&](int32_t i) {
      std::string_view text = code.Line(i);
      bool header =
          code.Origin(i) != 0 &&
          (in_header || (MayBeHeader(code.Facts(i), text) && !ParseHeader(text).name.empty()));
      in_header = header && code.Continues(i);
      return header;
    });
    note = OkNote(notes);
  }
  progress.AddRow({progress.Text(host::StatusOutput::kProjectField), state.CurrentModuleName(),
                   member, std::to_string(p.count), note});
}

}  // namespace kestrix::engine
