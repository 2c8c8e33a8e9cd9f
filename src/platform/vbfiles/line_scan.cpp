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

StatementInfo ScanStatement(std::string_view line) {
  StatementInfo info;
  // A line that starts with a comment holds no statement: most inserted lines are such.
  const size_t i = basic::BlanksEnd(line);
  if (i < line.size() && line[i] == '\'') return info;
  // Most statements stand alone on their line, and their first word (after a line number:
  // digits and a blank) is none that makes a directive, an End, a header, Rem or a comment.
  const size_t n = line.size();
  size_t s = i;
  size_t digits = i;
  while (digits < n && basic::IsDigit(line[digits]))
    ++digits;
  if (digits > i && (digits == n || basic::IsBlank(line[digits]))) {
    s = basic::BlanksEnd(line, digits);
  }
  if (s < n) {
    // Of the words starting with these letters only End, Rem and the words a header starts
    // with need the whole reading.
    const char c = basic::Lower(line[s]);
    bool plain = false;
    switch (c) {
      case '#':
      case '\'':
        break;
      case 'e':
      case 'r':
      case 'f':
      case 'g':
      case 'p':
      case 's': {
        std::string_view rest = line.substr(s);
        std::string_view word = basic::TakeWord(rest);
        if (c == 'e') {
          plain = !EqualsNoCase(word, "end");
        } else if (c == 'r') {
          plain = !EqualsNoCase(word, "rem");
        } else {
          plain = !basic::IsModifierWord(word) && !EqualsNoCase(word, "sub") &&
                  !EqualsNoCase(word, "function") && !EqualsNoCase(word, "property");
        }
        break;
      }
      default:
        plain = true;
        break;
    }
    if (plain && line.find(':') == std::string_view::npos) {
      info.flags = kStatement;
      return info;
    }
  }
  basic::StatementReader statements(line);
  std::string_view statement;
  while (statements.Next(statement))
    ScanOne(statement, statements.First(), info);
  return info;
}

}  // namespace kestrix::vbfiles
