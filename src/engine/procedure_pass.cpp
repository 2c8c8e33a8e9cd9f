#include "engine/procedure_pass.h"

#include <cstdio>
#include <set>

#include "engine/line_rules.h"
#include "engine/markers.h"
#include "engine/text_util.h"
#include "engine/token_list.h"

namespace kestrix::engine {
namespace {

using host::ProcKind;

// The lines of one procedure as the walk sees them.
struct ProcLines {
  int32_t start = 0;        // first line, with the comments above the header
  int32_t count = 0;        // lines, before any change
  int32_t body = 0;         // the header line
  int32_t end = 0;          // the End line: the last line holding code
  std::string declaration;  // the header line's text
};

ProcLines ReadProcLines(host::CodeModule& code, const std::string& name, ProcKind kind) {
  ProcLines p;
  p.body = code.ProcBodyLine(name, kind);
  p.declaration = code.Lines(p.body, 1);
  p.count = code.ProcCountLines(name, kind);
  p.start = code.ProcStartLine(name, kind);
  // Blank and comment lines after the End line (at the end of the module) hold no code.
  p.end = p.start + p.count - 1;
  while (p.end > p.body && IsBlankOrComment(code.Lines(p.end, 1)))
    --p.end;
  return p;
}

// The last line of the declaration: its continuation lines, and, for a header declared again
// in the #Else branch of a conditional group (one body for both), the group's #End If.
int32_t DeclarationEnd(host::CodeModule& code, const ProcLines& p) {
  int32_t line = p.body;
  while (line < p.end && EndsWithUnderscore(code.Lines(line, 1)))
    ++line;
  int32_t next = line + 1;
  while (next < p.end && IsBlankOrComment(code.Lines(next, 1)))
    ++next;
  if (next >= p.end || !IsDirective(code.Lines(next, 1), "#ELSE")) return line;
  int depth = 1;
  for (int32_t i = next + 1; i < p.end; ++i) {
    std::string text = code.Lines(i, 1);
    if (IsDirective(text, "#IF")) ++depth;
    if (IsDirective(text, "#END IF") || IsDirective(text, "#ENDIF")) --depth;
    if (depth == 0) return i;
  }
  return line;
}

// Line numbers the user already wrote at the start of the procedure's lines.
std::set<long> UserLineNumbers(host::CodeModule& code, int32_t from, int32_t to) {
  std::set<long> numbers;
  for (int32_t i = from; i <= to; ++i) {
    long number = LeadingNumber(code.Lines(i, 1));
    if (number >= 0) numbers.insert(number);
  }
  return numbers;
}

std::string FormatLineNumber(long number) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%03ld", number);
  return buffer;
}

// Gives the line its number (when it takes one) and turns "On Error GoTo 0" into a jump to
// the local handler (when handlers are inserted). Returns the line as it is to be written.
std::string TransformBodyLine(std::string text, long& next_free, long position,
                              const std::set<long>& taken, bool handlers) {
  if (handlers) {
    // Only the target changes: the statement keeps the case it was written in, so that
    // cleaning gives back the very text (VB's own spelling is the one written here).
    size_t at = FindInCode(text, kOnErrorGotoZero);
    if (at != std::string::npos) {
      size_t target = at + std::string_view(kOnErrorGotoZero).size() - 1;
      text.replace(target, 1, kLocalHandlerLabel);
    }
  }
  bool starts_with_digit = !text.empty() && text[0] >= '0' && text[0] <= '9';
  if (starts_with_digit || NeedsNoLineNumber(text)) return text;
  long number = std::max(100 + position, next_free);
  while (taken.count(number))
    ++number;  // a label the user wrote in this procedure
  next_free = number + 1;
  return FormatLineNumber(number) + "\t" + text;
}

// The body walk: numbers the lines from `first` up to the End line. Returns the line the
// walk counted from, moved down by the continuation lines passed.
int32_t WalkBody(host::CodeModule& code, int32_t first, int32_t end, bool handlers,
                 const std::set<long>& taken) {
  int32_t base = first - 1;
  long next_free = 0;
  for (long k = 1; base + k < end; ++k) {
    int32_t line = base + static_cast<int32_t>(k);
    std::string before = code.Lines(line, 1);
    std::string text = TransformBodyLine(before, next_free, k, taken, handlers);
    if (text != before) code.ReplaceLine(line, text);
    // Continuation lines belong to the statement just handled: not numbered, not counted.
    while (EndsWithUnderscore(text) && line + 1 < end) {
      text = code.Lines(++line, 1);
      ++base;
    }
  }
  return base;
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

int32_t InsertMarkedBlock(host::CodeModule& code, int32_t at_line,
                          const std::vector<std::string>& texts) {
  code.InsertLines(at_line, kBeginMarker);
  int32_t position = at_line + 1;
  clsTokenList tokens;
  tokens.SetSeparator("\r\n");
  tokens.SetTrimmed(false);
  for (const auto& text : texts) {
    tokens.SetValue(text);
    tokens.InitScan();
    while (!tokens.Done())
      code.InsertLines(position++, tokens.NextToken());
  }
  code.InsertLines(position, kEndMarker);
  return position + 1;
}

void InstrumentProcedure(EngineState& state, const std::string& name, ProcKind kind,
                         host::CodeModule& code, int32_t& line) {
  ProcLines p = ReadProcLines(code, name, kind);
  host::StatusOutput& progress = state.Progress();
  progress.SetText(host::StatusOutput::kItemField, p.declaration);
  auto holds = [&](std::string_view mark) {
    int32_t from = p.start, column = 1, last = p.start + p.count - 1, end_column = -1;
    return code.Find(mark, from, column, last, end_column, false, false, false);
  };
  std::string note;
  std::string exit_statement;
  if (holds(kSkipProcMark)) {
    note = std::string("Skipped (") + kSkipProcMark + ")";
  } else if (holds(kLocalHandlerLabel)) {
    note = "Skipped (Already Processed)";
  } else if (p.end == p.body || !IsEndStatementLine(code.Lines(p.end, 1)) ||
             !IsProcedureEnd(code.Lines(p.end, 1), exit_statement)) {
    // The handler block would put Exit ahead of the statements sharing the End's line.
    note = "Skipped (End on a statement line)";
  }
  std::string member = p.declaration;
  if (note.empty()) {
    int32_t first = DeclarationEnd(code, p) + 1;
    std::set<long> taken = UserLineNumbers(code, first, p.end);
    if (state.InsertErrorHandlersValue() == 1) {
      std::string head = std::string("\t\tOn Error Goto ") + kLocalHandlerLabel;
      std::string constant = "\t\tConst PROCNAME_=\"" + name + KindLabel(kind) + "\"";
      int32_t moved = InsertMarkedBlock(code, first, {head, constant});
      p.end += moved - first;
      first = moved;
    }
    member = name + KindLabel(kind);
    state.DoEvents();
    line = WalkBody(code, first, p.end, state.InsertErrorHandlersValue() == 1, taken);
    if (state.InsertErrorHandlersValue() == 1) {
      InsertMarkedBlock(code, p.end,
                        {"\t" + exit_statement + "\r\n" + kLocalHandlerLabel + ":\r\n" +
                         state.LocalHandlerText()});
    }
    note = "Ok";
  }
  progress.AddRow({progress.Text(host::StatusOutput::kProjectField), state.CurrentModuleName(),
                   member, std::to_string(p.count), note});
}

}  // namespace kestrix::engine
