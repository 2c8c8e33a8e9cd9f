#include "engine/text_util.h"

#include <algorithm>

#include "host/vb_text.h"

#include "engine/line_rules.h"

namespace kestrix::engine {

using text::EqualsNoCase;
using text::IsBlank;
using text::IsDigit;
using text::IsIdentChar;
using text::TakeWord;
using text::Upper;
namespace {

// ASCII lower case of every byte, as a table: the searches below run over whole modules.
struct LowerTable {
  unsigned char map[256];
  constexpr LowerTable() : map() {
    for (int c = 0; c < 256; ++c)
      map[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
};
constexpr LowerTable kLower;

inline unsigned char Low(char c) {
  return kLower.map[static_cast<unsigned char>(c)];
}

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (needle.size() > text.size()) return std::string_view::npos;
  unsigned char first = Low(needle[0]);
  size_t last_start = text.size() - needle.size();
  for (size_t i = from; i <= last_start; ++i) {
    if (Low(text[i]) != first) continue;
    size_t k = 1;
    while (k < needle.size() && Low(text[i + k]) == Low(needle[k]))
      ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

bool WordIs(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Upper(word[i]) != upper[i]) return false;
  }
  return true;
}

}  // namespace

size_t FindInCode(std::string_view line, std::string_view needle) {
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
  return SkipBlanks(CodeOnly(line)).empty();
}

bool IsDirective(std::string_view line, std::string_view upper) {
  std::string_view s = SkipBlanks(line);
  if (s.size() < upper.size()) return false;
  for (size_t i = 0; i < upper.size(); ++i) {
    if (Upper(s[i]) != upper[i]) return false;
  }
  return true;
}

long LeadingNumber(std::string_view line) {
  std::string_view s = SkipBlanks(line);
  size_t n = 0;
  while (n < s.size() && IsDigit(s[n]) && n < 9)
    ++n;
  if (n == 0 || (n < s.size() && IsIdentChar(s[n]))) return -1;
  return std::stol(std::string(s.substr(0, n)));
}

bool IsEndStatementLine(std::string_view line) {
  std::string code = CodeOnly(line);
  std::string_view s = SkipBlanks(code);
  // A line number or a label in front is no statement.
  size_t digits = 0;
  while (digits < s.size() && IsDigit(s[digits]))
    ++digits;
  if (digits > 0) s = SkipBlanks(s.substr(digits));
  std::string_view probe = s;
  std::string_view label = TakeWord(probe);
  if (!label.empty() && !probe.empty() && probe.front() == ':' && !WordIs(label, "END")) {
    s = SkipBlanks(probe.substr(1));
  }
  if (!WordIs(TakeWord(s), "END")) return false;
  s = SkipBlanks(s);
  std::string_view what = TakeWord(s);
  if (!WordIs(what, "SUB") && !WordIs(what, "FUNCTION") && !WordIs(what, "PROPERTY")) return false;
  return SkipBlanks(s).empty();
}

namespace {

// The statements of a line's code, split at colons (string literals blanked, comment cut).
std::vector<std::string_view> Statements(std::string_view code) {
  std::vector<std::string_view> out;
  size_t begin = 0;
  for (size_t i = 0; i <= code.size(); ++i) {
    if (i < code.size() && (code[i] != ':' || (i + 1 < code.size() && code[i + 1] == '='))) {
      continue;
    }
    out.push_back(SkipBlanks(code.substr(begin, i - begin)));
    begin = i + 1;
  }
  return out;
}

// Drops a line number in front of a statement.
std::string_view SkipLineNumber(std::string_view s) {
  size_t digits = 0;
  while (digits < s.size() && IsDigit(s[digits]))
    ++digits;
  if (digits > 0 && (digits == s.size() || IsBlank(s[digits]))) return SkipBlanks(s.substr(digits));
  return s;
}

}  // namespace

bool OpensSelectCase(std::string_view line) {
  if (FindNoCase(line, "SELECT") == std::string_view::npos) return false;
  std::string code = CodeOnly(line);
  std::string_view s = SkipLineNumber(SkipBlanks(code));
  std::string_view probe = s;
  std::string_view label = TakeWord(probe);
  if (!label.empty() && !probe.empty() && probe.front() == ':') s = SkipBlanks(probe.substr(1));
  if (!WordIs(TakeWord(s), "SELECT")) return false;
  s = SkipBlanks(s);
  return WordIs(TakeWord(s), "CASE");
}

bool IsCaseClause(std::string_view line) {
  std::string_view s = SkipBlanks(line);
  return WordIs(TakeWord(s), "CASE");
}

bool HoldsProcedureEnd(std::string_view line) {
  if (FindNoCase(line, "END") == std::string_view::npos) return false;
  std::string code = CodeOnly(line);
  for (std::string_view s : Statements(code)) {
    s = SkipLineNumber(s);
    if (!WordIs(TakeWord(s), "END")) continue;
    s = SkipBlanks(s);
    std::string_view what = TakeWord(s);
    if (WordIs(what, "SUB") || WordIs(what, "FUNCTION") || WordIs(what, "PROPERTY")) return true;
  }
  return false;
}

namespace {

// The header that one statement (no colon inside) is, if any.
Header ParseHeaderStatement(std::string_view s) {
  Header header;
  std::string_view word = TakeWord(s);
  for (int i = 0; i < 3; ++i) {
    if (!WordIs(word, "PUBLIC") && !WordIs(word, "PRIVATE") && !WordIs(word, "FRIEND") &&
        !WordIs(word, "STATIC") && !WordIs(word, "GLOBAL")) {
      break;
    }
    s = SkipBlanks(s);
    word = TakeWord(s);
  }
  host::ProcKind kind = host::ProcKind::kProc;
  bool function = false;
  if (WordIs(word, "PROPERTY")) {
    s = SkipBlanks(s);
    std::string_view accessor = TakeWord(s);
    if (WordIs(accessor, "GET")) {
      kind = host::ProcKind::kPropertyGet;
    } else if (WordIs(accessor, "LET")) {
      kind = host::ProcKind::kPropertyLet;
    } else if (WordIs(accessor, "SET")) {
      kind = host::ProcKind::kPropertySet;
    } else {
      return header;
    }
  } else if (WordIs(word, "FUNCTION")) {
    function = true;
  } else if (!WordIs(word, "SUB")) {
    return header;
  }
  s = SkipBlanks(s);
  std::string_view name;
  if (!s.empty() && s.front() == '[') {
    size_t close = s.find(']');
    name = s.substr(1, close == std::string_view::npos ? s.npos : close - 1);
  } else {
    name = TakeWord(s);
  }
  if (name.empty()) return header;
  header.name = std::string(name);
  header.kind = kind;
  header.function = function;
  return header;
}

}  // namespace

Header ParseHeader(std::string_view line) {
  if (FindNoCase(line, "SUB") == std::string_view::npos &&
      FindNoCase(line, "FUNCTION") == std::string_view::npos &&
      FindNoCase(line, "PROPERTY") == std::string_view::npos) {
    return {};
  }
  std::string code = CodeOnly(line);
  // Only the line's first statement can be a header, as the code module reads it
  // (":Sub X()" and "x = 1: Sub X()" are none).
  std::string_view first = code;
  size_t colon = first.find(':');
  while (colon != std::string_view::npos && colon + 1 < first.size() && first[colon + 1] == '=')
    colon = first.find(':', colon + 2);
  return ParseHeaderStatement(SkipLineNumber(SkipBlanks(first.substr(0, colon))));
}

std::vector<long> JumpTargets(std::string_view line) {
  std::vector<long> targets;
  if (std::find_if(line.begin(), line.end(), IsDigit) == line.end()) return targets;
  std::string code = CodeOnly(line);
  std::string_view s = code;
  while (!s.empty()) {
    if (!IsIdentChar(s.front())) {
      s.remove_prefix(1);
      continue;
    }
    std::string_view word = TakeWord(s);
    if (!WordIs(word, "GOTO") && !WordIs(word, "GOSUB") && !WordIs(word, "RESUME") &&
        !WordIs(word, "THEN") && !WordIs(word, "ELSE")) {
      continue;
    }
    // One number, or for On … GoTo a list of them separated by commas.
    for (;;) {
      std::string_view rest = SkipBlanks(s);
      size_t n = 0;
      while (n < rest.size() && IsDigit(rest[n]) && n < 9)
        ++n;
      if (n == 0 || (n < rest.size() && IsIdentChar(rest[n]))) break;
      targets.push_back(std::stol(std::string(rest.substr(0, n))));
      s = SkipBlanks(rest.substr(n));
      if (s.empty() || s.front() != ',') break;
      s.remove_prefix(1);
    }
  }
  return targets;
}

}  // namespace kestrix::engine
