#include "platform/vbfiles/line_scan.h"

#include <bit>
#include <cstring>

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

// The first character at or after p that is no blank or tab (e when there is none).
inline const char* SkipBlanks(const char* p, const char* e) {
  return p + basic::BlanksEnd(std::string_view(p, static_cast<size_t>(e - p)));
}

// The end of the word (name characters) starting at p.
inline const char* WordEnd(const char* p, const char* e) {
  while (p < e && basic::IsIdentChar(*p))
    ++p;
  return p;
}

// True when the word p..end is `word` (given in lower case), in any case.
inline bool WordIs(const char* p, const char* end, std::string_view word) {
  return static_cast<size_t>(end - p) == word.size() &&
         EqualsNoCase(std::string_view(p, word.size()), word);
}

// True when the word p..end is one a procedure header may start with: a modifier, Sub,
// Function or Property. Told apart by length first, as most words are none of them.
bool IsHeaderWord(const char* p, const char* end) {
  switch (end - p) {
    case 3:
      return WordIs(p, end, "sub");
    case 6:
      return WordIs(p, end, "public") || WordIs(p, end, "friend") || WordIs(p, end, "static") ||
             WordIs(p, end, "global");
    case 7:
      return WordIs(p, end, "private");
    case 8:
      return WordIs(p, end, "function") || WordIs(p, end, "property");
    default:
      return false;
  }
}

// What a statement starting at s (blanks and line number passed over) is certain to be when
// it stands alone on its line: kStatement for a plain one, with kProcEnd for End Sub, End
// Function or End Property; kNeedsReading for a directive, header, Rem or anything in doubt.
constexpr uint8_t kNeedsReading = 0xFF;

// FirstStatementFlags for a statement whose first characters may tell.
uint8_t FirstWordFlags(const char* s, const char* e) {
  const char c = basic::Lower(*s);
  if (c == '#' || c == '\'') return kNeedsReading;
  const char* end = WordEnd(s, e);
  if (c == 'r') return WordIs(s, end, "rem") ? kNeedsReading : uint8_t{kStatement};
  if (c != 'e') return IsHeaderWord(s, end) ? kNeedsReading : uint8_t{kStatement};
  if (!WordIs(s, end, "end")) return kStatement;
  // End If, End Select, End With and a bare End end no procedure.
  const char* what = SkipBlanks(end, e);
  const char* what_end = WordEnd(what, e);
  const bool proc_end = WordIs(what, what_end, "sub") || WordIs(what, what_end, "function") ||
                        WordIs(what, what_end, "property");
  return static_cast<uint8_t>(proc_end ? kStatement | kProcEnd : kStatement);
}

inline uint8_t FirstStatementFlags(std::string_view line, const char* s) {
  if (!kTellingStarts.MayTell(line, static_cast<size_t>(s - line.data()))) return kStatement;
  return FirstWordFlags(s, line.data() + line.size());
}

// True when a ':' from s on may separate statements: one outside string literals and before
// any apostrophe. A Rem comment is not looked for, so a ':' inside one also answers true: the
// whole reading then decides.
bool HasStatementBreak(std::string_view line, const char* s) {
  const char* e = line.data() + line.size();
  for (const char* k = s; k < e; ++k) {
    if (*k == ':' || *k == '\'') return *k == ':';
    if (*k == '"')
      k = line.data() + basic::LiteralEnd(line, static_cast<size_t>(k - line.data())) - 1;
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
  return QuickStatementFlags(line, std::memchr(line.data(), ':', line.size()) != nullptr, flags);
}

bool QuickStatementFlagsFrom(std::string_view line, size_t at, bool has_colon, uint8_t& flags) {
  const char* const s = line.data() + at;
  const uint8_t first = FirstStatementFlags(line, s);
  if (first == kNeedsReading || (has_colon && HasStatementBreak(line, s))) return false;
  flags = first;
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
