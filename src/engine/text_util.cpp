#include "engine/text_util.h"

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

bool IsBlankOrComment(std::string_view line) {
  return SkipBlanks(CodeOnly(line)).empty();
}

bool EndsWithUnderscore(std::string_view line) {
  return !line.empty() && line.back() == '_';
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

}  // namespace kestrix::engine
