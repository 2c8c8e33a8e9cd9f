#include "platform/vbfiles/line_scan.h"

#include "basic/source_line.h"

namespace kestrix::vbfiles {

namespace {

// The flag of a conditional-compilation line.
uint8_t DirectiveFlag(basic::Directive directive) {
  switch (directive) {
    case basic::Directive::kNone:
      return 0;
    case basic::Directive::kIf:
      return kDirIf;
    case basic::Directive::kElseIf:
    case basic::Directive::kElse:
      return kDirElse;
    case basic::Directive::kEndIf:
      return kDirEndIf;
    case basic::Directive::kConst:
    case basic::Directive::kOther:
      break;
  }
  return kDirOther;
}

// Classifies one statement into info. Only the line's first statement can be a procedure
// header: one after a colon is not.
void ScanOne(std::string_view s, bool first, StatementInfo& info) {
  info.flags |= kStatement;
  s = basic::SkipLineNumber(s);
  if (s.empty()) return;
  if (s.front() == '#') {
    info.flags |= DirectiveFlag(basic::ReadDirective(s));
    return;
  }
  if (basic::Lower(s.front()) == 'e') {
    if (basic::IsProcedureEndStatement(s)) info.flags |= kProcEnd;
    return;
  }
  if (!first) return;
  basic::Header header = basic::ReadHeader(s);
  if (header.name.empty()) return;
  info.flags |= kHeader;
  info.kind = header.kind;
  info.name = std::string(header.name);
}

// True when the word is one a procedure header may start with: a modifier, Sub, Function or
// Property. Told apart by length first, as most words are none of them.
bool IsHeaderWord(std::string_view word) {
  switch (word.size()) {
    case 3:
      return EqualsNoCase(word, "sub");
    case 6:
      return EqualsNoCase(word, "public") || EqualsNoCase(word, "friend") ||
             EqualsNoCase(word, "static") || EqualsNoCase(word, "global");
    case 7:
      return EqualsNoCase(word, "private");
    case 8:
      return EqualsNoCase(word, "function") || EqualsNoCase(word, "property");
    default:
      return false;
  }
}

// True when the statement `s` (blanks and line number already passed over) is certain to be a
// plain one when it stands alone on its line: no directive, procedure End, header or Rem.
// False when it needs the whole reading.
bool PlainFirstStatement(std::string_view s) {
  const char c = basic::Lower(s.front());
  switch (c) {
    case '#':
    case '\'':
      return false;
    case 'e': {
      std::string_view rest = s;
      if (!EqualsNoCase(basic::TakeWord(rest), "end")) return true;
      // End If, End Select, End With and a bare End end no procedure.
      rest.remove_prefix(basic::BlanksEnd(rest));
      std::string_view what = basic::TakeWord(rest);
      return !EqualsNoCase(what, "sub") && !EqualsNoCase(what, "function") &&
             !EqualsNoCase(what, "property");
    }
    case 'r': {
      std::string_view rest = s;
      return !EqualsNoCase(basic::TakeWord(rest), "rem");
    }
    case 'f':
    case 'g':
    case 'p':
    case 's': {
      std::string_view rest = s;
      return !IsHeaderWord(basic::TakeWord(rest));
    }
    default:
      return true;
  }
}

// True when a ':' from `from` on may separate statements: one outside string literals and
// before any apostrophe. A Rem comment is not looked for, so a ':' inside one also answers
// true: the whole reading then decides.
bool HasStatementBreak(std::string_view line, size_t from) {
  const size_t colon = line.find(':', from);
  if (colon == std::string_view::npos) return false;
  for (size_t k = from; k < line.size(); ++k) {
    const char c = line[k];
    if (c == ':' || c == '\'') return c == ':';
    if (c == '"') k = basic::LiteralEnd(line, k) - 1;
  }
  return false;
}

}  // namespace

std::string LineLabel(std::string_view line) {
  basic::Label label = basic::ReadLabel(line);
  if (!label.numeric) return basic::FoldName(label.text);
  size_t first = label.text.find_first_not_of('0');  // 010 and 10 are the same label
  return first == std::string_view::npos ? "0" : std::string(label.text.substr(first));
}

bool EndsWithContinuation(std::string_view line) {
  return basic::ContinuesOnNextLine(line);
}

std::string_view WithoutContinuation(std::string_view line) {
  return basic::WithoutContinuation(line);
}

StatementInfo ScanStatementFully(std::string_view line) {
  StatementInfo info;
  basic::StatementReader statements(line);
  std::string_view statement;
  while (statements.Next(statement))
    ScanOne(statement, statements.First(), info);
  return info;
}

bool QuickStatementFlags(std::string_view line, uint8_t& flags) {
  const size_t n = line.size();
  size_t s = n > 0 && basic::IsBlank(line[0]) ? basic::BlanksEnd(line) : 0;
  // Blank lines and lines that start with a comment hold no statement: many lines are such.
  if (s == n || line[s] == '\'') {
    flags = 0;
    return true;
  }
  if (basic::IsDigit(line[s])) {  // a line number, when a blank follows
    size_t digits = s + 1;
    while (digits < n && basic::IsDigit(line[digits]))
      ++digits;
    if (digits < n && basic::IsBlank(line[digits])) s = basic::BlanksEnd(line, digits);
    if (s == n) return false;
  }
  if (!PlainFirstStatement(line.substr(s)) || HasStatementBreak(line, s)) return false;
  flags = kStatement;
  return true;
}

StatementInfo ScanStatement(std::string_view line) {
  uint8_t flags = 0;
  if (QuickStatementFlags(line, flags)) return StatementInfo{flags, host::ProcKind::kProc, {}};
  return ScanStatementFully(line);
}

uint8_t StatementFlags(std::string_view line) {
  uint8_t flags = 0;
  if (QuickStatementFlags(line, flags)) return flags;
  return ScanStatementFully(line).flags;
}

}  // namespace kestrix::vbfiles
