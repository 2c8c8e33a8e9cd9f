#include "engine/text_util.h"

#include <algorithm>

#include "basic/byte_scan.h"
#include "basic/source_line.h"

#include "engine/line_rules.h"

namespace kestrix::engine {

using basic::EqualsNoCase;
using basic::FindNoCase;
using basic::IsDigit;
using basic::IsIdentChar;
using basic::TakeWord;
namespace {

std::string_view SkipBlanks(std::string_view s) {
  return s.substr(basic::BlanksEnd(s));
}

// True when the first character after leading blanks opens a comment: the line holds no
// statement.
bool StartsWithComment(std::string_view line) {
  std::string_view s = SkipBlanks(line);
  return !s.empty() && s.front() == '\'';
}

// True when the line holds SUB, FUNCTION or PROPERTY anywhere, in any case: one pass over it.
bool MayHoldHeader(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    switch (basic::Lower(line[i])) {
      case 's':
        if (EqualsNoCase(line.substr(i, 3), "SUB")) return true;
        break;
      case 'f':
        if (EqualsNoCase(line.substr(i, 8), "FUNCTION")) return true;
        break;
      case 'p':
        if (EqualsNoCase(line.substr(i, 8), "PROPERTY")) return true;
        break;
      default:
        break;
    }
  }
  return false;
}

// True when line[0..end) ends with the word `word` (in any case), no name character before it.
bool EndsWithWord(std::string_view line, size_t end, std::string_view word) {
  if (end < word.size() || !EqualsNoCase(line.substr(end - word.size(), word.size()), word)) {
    return false;
  }
  const size_t start = end - word.size();
  return start == 0 || !IsIdentChar(line[start - 1]);
}

}  // namespace

bool MayHoldJump(std::string_view line, size_t from) {
  // Looked for from the numbers standing after a blank, which most lines hold few of.
  return basic::AnyDigitAfterBlank(line, from, [line](size_t run) {
    size_t end = run - 1;
    while (end > 0 && basic::IsBlank(line[end - 1]))
      --end;
    // GoTo, GoSub, Resume, Then or Else: told apart by their last letters first.
    const char last = end > 0 ? basic::Lower(line[end - 1]) : '\0';
    if (last != 'o' && last != 'b' && last != 'e' && last != 'n') return false;
    return EndsWithWord(line, end, "GOTO") || EndsWithWord(line, end, "GOSUB") ||
           EndsWithWord(line, end, "RESUME") || EndsWithWord(line, end, "THEN") ||
           EndsWithWord(line, end, "ELSE");
  });
}

size_t FindInCode(std::string_view line, std::string_view needle) {
  // A needle ending in a character that is no letter ("GoTo 0"): a line without that
  // character holds no match, and memchr tells that quickest.
  const char last = needle.empty() ? 'a' : needle.back();
  if (basic::Lower(last) == basic::Upper(last) && line.find(last) == std::string_view::npos) {
    return std::string_view::npos;
  }
  if (FindNoCase(line, needle) == std::string_view::npos) return std::string_view::npos;
  std::string code = CodeOnly(line);
  for (size_t at = FindNoCase(code, needle); at != std::string_view::npos;
       at = FindNoCase(code, needle, at + 1)) {
    size_t after = at + needle.size();
    if (after >= code.size() || !IsIdentChar(code[after])) return at;
  }
  return std::string_view::npos;
}

bool ContainsNoCase(std::string_view text, std::string_view needle) {
  return FindNoCase(text, needle) != std::string_view::npos;
}

bool IsBlankOrComment(std::string_view line) {
  return SkipBlanks(line.substr(0, basic::CommentStart(line))).empty();
}

long LeadingNumber(std::string_view line) {
  // A line number is the first thing on the line after blanks: most lines start otherwise.
  size_t start = 0;
  start = basic::BlanksEnd(line, start);
  if (start >= line.size() || !IsDigit(line[start])) return -1;
  basic::Label label = basic::ReadLabel(line);
  if (!label.numeric || label.text.size() > 9) return -1;
  long number = 0;
  for (char c : label.text)
    number = number * 10 + (c - '0');
  return number;
}

bool IsEndStatementLine(std::string_view line) {
  basic::StatementReader statements(line.substr(basic::ReadLabel(line).end));
  std::string_view statement;
  if (!statements.Next(statement) || !basic::IsProcedureEndStatement(statement)) return false;
  return !statements.Next(statement);
}

bool OpensSelectCase(std::string_view line) {
  // Without a ':' the line can carry no label but a line number: its statement then starts
  // at the first character past the number and the blanks, which must be an S.
  size_t i = basic::BlanksEnd(line);
  while (i < line.size() && IsDigit(line[i]))
    ++i;
  i = basic::BlanksEnd(line, i);
  if (i < line.size() && line.find(':') == std::string_view::npos) {
    // One statement, which must start with the word Select.
    std::string_view word = line.substr(i);
    if (!EqualsNoCase(TakeWord(word), "select")) return false;
  }
  if (FindNoCase(line, "SELECT") == std::string_view::npos) return false;
  basic::StatementReader statements(line.substr(basic::ReadLabel(line).end));
  std::string_view s;
  if (!statements.Next(s) || !EqualsNoCase(TakeWord(s), "SELECT")) return false;
  s = SkipBlanks(s);
  return EqualsNoCase(TakeWord(s), "CASE");
}

bool IsCaseClause(std::string_view line) {
  std::string_view s = SkipBlanks(line);
  return EqualsNoCase(TakeWord(s), "CASE");
}

bool HoldsProcedureEnd(std::string_view line) {
  if (line.find(':') == std::string_view::npos) {
    // One statement: End must be its first word, after a line number if any; its words up to
    // a comment are the line's. The line number once passed over, none stands before End.
    std::string_view s = basic::SkipLineNumber(line);
    return s.size() >= 3 && EqualsNoCase(s.substr(0, 3), "end") &&
           basic::IsProcedureEndStatement(s);
  } else if (StartsWithComment(line) || FindNoCase(line, "END") == std::string_view::npos) {
    return false;
  }
  basic::StatementReader statements(line);
  std::string_view statement;
  while (statements.Next(statement)) {
    if (basic::IsProcedureEndStatement(statement)) return true;
  }
  return false;
}

Header ParseHeader(std::string_view line) {
  // A header is the line's first statement, and its first word (after a line number) starts
  // with one of four letters; most lines are turned away on that letter.
  std::string_view first = basic::SkipLineNumber(line);
  if (first.empty()) return {};
  const char c = basic::Lower(first.front());
  if (c != 'p' && c != 's' && c != 'f' && c != 'g') return {};
  // Nor is it one unless that word is a modifier, Sub, Function or Property.
  std::string_view rest = first;
  std::string_view word = TakeWord(rest);
  // Sub; Public, Friend, Static, Global; Private; Function, Property.
  if (word.size() != 3 && (word.size() < 6 || word.size() > 8)) return {};
  if (!basic::IsModifierWord(word) && !EqualsNoCase(word, "sub") &&
      !EqualsNoCase(word, "function") && !EqualsNoCase(word, "property")) {
    return {};
  }
  if (!MayHoldHeader(line)) return {};
  basic::Header read = basic::ReadLineHeader(line);
  Header header;
  if (read.name.empty()) return header;
  header.name = std::string(read.name);
  header.kind = read.kind;
  header.function = read.function;
  return header;
}

std::vector<long> JumpTargets(std::string_view line) {
  std::vector<long> targets;
  // A target follows its word and blanks: the blanks and digits of a line number in front
  // are passed over.
  size_t code_start = 0;
  while (code_start < line.size() &&
         (basic::IsBlank(line[code_start]) || IsDigit(line[code_start])))
    ++code_start;
  if (!MayHoldJump(line, code_start)) return targets;
  // The code before the comment, string literals passed over whole: no word inside one counts.
  std::string_view s = line.substr(0, basic::CommentStart(line));
  while (!s.empty()) {
    if (s.front() == '"') {
      s.remove_prefix(basic::LiteralEnd(s, 0));
      continue;
    }
    if (!IsIdentChar(s.front())) {
      s.remove_prefix(1);
      continue;
    }
    std::string_view word = TakeWord(s);
    if (!EqualsNoCase(word, "GOTO") && !EqualsNoCase(word, "GOSUB") &&
        !EqualsNoCase(word, "RESUME") && !EqualsNoCase(word, "THEN") &&
        !EqualsNoCase(word, "ELSE")) {
      continue;
    }
    // One number, or for On … GoTo a list of them separated by commas.
    for (;;) {
      std::string_view rest = SkipBlanks(s);
      size_t n = 0;
      while (n < rest.size() && IsDigit(rest[n]) && n < 9)
        ++n;
      if (n == 0 || (n < rest.size() && IsIdentChar(rest[n]))) break;
      long target = 0;
      for (size_t k = 0; k < n; ++k)
        target = target * 10 + (rest[k] - '0');
      targets.push_back(target);
      s = SkipBlanks(rest.substr(n));
      if (s.empty() || s.front() != ',') break;
      s.remove_prefix(1);
    }
  }
  return targets;
}

}  // namespace kestrix::engine
