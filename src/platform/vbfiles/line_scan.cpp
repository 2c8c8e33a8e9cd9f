#include "platform/vbfiles/line_scan.h"

#include "host/vb_text.h"

#include <array>

namespace kestrix::vbfiles {

using text::EqualsNoCase;
using text::IsBlank;
using text::IsIdentChar;
using text::Lower;
namespace {

using host::ProcKind;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// Takes the next word (identifier characters) off the front of s, after blanks.
std::string_view NextWord(std::string_view& s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return text::TakeWord(s);
}

// A procedure name: an identifier (its type character dropped) or a [bracketed] name.
std::string TakeName(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  if (!s.empty() && s.front() == '[') {
    size_t close = s.find(']');
    return std::string(s.substr(1, close == std::string_view::npos ? s.npos : close - 1));
  }
  size_t n = 0;
  while (n < s.size() && IsIdentChar(s[n]))
    ++n;
  return std::string(s.substr(0, n));
}

bool IsModifier(std::string_view word) {
  static constexpr std::array<std::string_view, 5> kModifiers = {"public", "private", "friend",
                                                                 "static", "global"};
  for (auto m : kModifiers) {
    if (EqualsNoCase(word, m)) return true;
  }
  return false;
}

uint8_t ScanDirective(std::string_view s) {
  s.remove_prefix(1);  // '#'
  std::string_view word = NextWord(s);
  if (EqualsNoCase(word, "if")) return kDirIf;
  if (EqualsNoCase(word, "elseif") || EqualsNoCase(word, "else")) return kDirElse;
  if (EqualsNoCase(word, "endif")) return kDirEndIf;
  if (EqualsNoCase(word, "end")) return EqualsNoCase(NextWord(s), "if") ? kDirEndIf : 0;
  return kDirOther;
}

// Classifies one statement (no colon separators, no comment) into info. Only the line's
// first statement can be a procedure header: one after a colon is not.
void ScanOne(std::string_view s, bool first, StatementInfo& info) {
  // A line number in front of the statement is a label, not part of it.
  size_t digits = 0;
  while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9')
    ++digits;
  if (digits > 0 && (digits == s.size() || IsBlank(s[digits]))) s = TrimBlanks(s.substr(digits));
  if (s.empty()) return;
  if (s.front() == '#') {
    info.flags |= ScanDirective(s);
    return;
  }
  std::string_view word = NextWord(s);
  if (EqualsNoCase(word, "end")) {
    std::string_view what = NextWord(s);
    if (EqualsNoCase(what, "sub") || EqualsNoCase(what, "function") ||
        EqualsNoCase(what, "property")) {
      info.flags |= kProcEnd;
    }
    return;
  }
  for (int i = 0; i < 3 && IsModifier(word); ++i)
    word = NextWord(s);
  ProcKind kind = ProcKind::kProc;
  if (EqualsNoCase(word, "property")) {
    std::string_view accessor = NextWord(s);
    if (EqualsNoCase(accessor, "get")) {
      kind = ProcKind::kPropertyGet;
    } else if (EqualsNoCase(accessor, "let")) {
      kind = ProcKind::kPropertyLet;
    } else if (EqualsNoCase(accessor, "set")) {
      kind = ProcKind::kPropertySet;
    } else {
      return;
    }
  } else if (!EqualsNoCase(word, "sub") && !EqualsNoCase(word, "function")) {
    return;
  }
  if (!first) return;
  std::string name = TakeName(s);
  if (name.empty()) return;
  info.flags |= kHeader;
  info.kind = kind;
  info.name = std::move(name);
}

bool StartsWithRem(std::string_view s) {
  return s.size() >= 3 && Lower(s[0]) == 'r' && Lower(s[1]) == 'e' && Lower(s[2]) == 'm' &&
         (s.size() == 3 || IsBlank(s[3]));
}

}  // namespace

std::string LineLabel(std::string_view line) {
  std::string_view s = TrimBlanks(line);
  size_t n = 0;
  if (!s.empty() && s[0] >= '0' && s[0] <= '9') {
    while (n < s.size() && s[n] >= '0' && s[n] <= '9')
      ++n;
    if (n < s.size() && IsIdentChar(s[n])) return "";
    size_t first = s.find_first_not_of('0');  // 010 and 10 are the same label
    return first >= n ? "0" : std::string(s.substr(first, n - first));
  }
  n = text::NameEnd(s, 0);
  if (n == 0 || n >= s.size() || s[n] != ':' || (n + 1 < s.size() && s[n + 1] == '=')) return "";
  std::string_view word = s.substr(0, n);
  if (text::IsStandaloneStatementWord(word)) return "";
  return text::FoldName(word);
}

bool EndsWithContinuation(std::string_view line) {
  return text::ContinuesOnNextLine(line);
}

std::string_view WithoutContinuation(std::string_view line) {
  while (!line.empty() && IsBlank(line.back()))
    line.remove_suffix(1);
  if (!line.empty() && line.back() == '_') line.remove_suffix(1);
  return line;
}

StatementInfo ScanStatement(std::string_view line) {
  StatementInfo info;
  size_t begin = 0;
  bool in_string = false;
  for (size_t i = 0; i <= line.size(); ++i) {
    char c = i < line.size() ? line[i] : ':';
    if (in_string) {
      if (c == '"') in_string = false;
      if (i < line.size()) continue;
    }
    if (c == '"') {
      in_string = true;
      continue;
    }
    bool comment = c == '\'';
    bool separator = c == ':' && !(i + 1 < line.size() && line[i + 1] == '=');
    if (!comment && !separator) continue;
    std::string_view statement = TrimBlanks(line.substr(begin, i - begin));
    if (StartsWithRem(statement)) return info;
    if (!statement.empty()) {
      info.flags |= kStatement;
      ScanOne(statement, begin == 0, info);
    }
    if (comment) return info;
    begin = i + 1;
  }
  return info;
}

}  // namespace kestrix::vbfiles
