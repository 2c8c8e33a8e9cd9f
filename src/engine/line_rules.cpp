#include "engine/line_rules.h"

#include "host/vb_text.h"

#include "engine/text_util.h"

namespace kestrix::engine {

using text::IsBlank;
using text::IsDigit;
using text::IsIdentChar;
using text::Upper;
namespace {

std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = Upper(c);
  return out;
}

// True for «Retry:» or «Retry: x = 1» (a label), not for «x := 1» or «Else:».
bool StartsWithLabel(std::string_view s) {
  if (s.empty() || IsDigit(s[0])) return false;
  size_t n = text::NameEnd(s, 0);
  if (n == 0 || n >= s.size() || s[n] != ':') return false;
  if (n + 1 < s.size() && s[n + 1] == '=') return false;
  return !text::IsStandaloneStatementWord(s.substr(0, n));
}

// True when a Rem comment starts at s[i] (Rem followed by a blank or the end of the line).
bool RemAt(std::string_view s, size_t i) {
  if (i + 3 > s.size() || !EqualsNoCase(s.substr(i, 3), "REM")) return false;
  return i + 3 == s.size() || IsBlank(s[i + 3]);
}

}  // namespace

std::string StripLeadingBlanks(std::string_view line) {
  size_t n = 0;
  while (n < line.size() && IsBlank(line[n]))
    ++n;
  return std::string(line.substr(n));
}

std::string CodeOnly(std::string_view line) {
  std::string out(line);
  bool in_string = false;
  bool statement_start = true;  // only blanks, a label or a number seen since the last ':'
  for (size_t i = 0; i < out.size(); ++i) {
    char c = out[i];
    if (in_string) {
      if (c == '"') {
        in_string = false;
      } else {
        out[i] = ' ';
      }
      continue;
    }
    if (c == '"') in_string = true;
    if (c == '\'' || (statement_start && RemAt(out, i))) {
      out.resize(i);
      break;
    }
    if (c == ':') {
      statement_start = true;
    } else if (!IsBlank(c) && !IsDigit(c)) {
      statement_start = false;
    }
  }
  return out;
}

bool NeedsNoLineNumber(std::string_view line) {
  // The stripped line, padded with "XXXX": its first character and its first four.
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start]))
    ++start;
  std::string_view stripped = line.substr(start);
  if (stripped.empty()) return true;
  char first = stripped[0];
  if (first == '\'' || first == '#') return true;
  char head[4];
  for (size_t i = 0; i < 4; ++i)
    head[i] = i < stripped.size() ? Upper(stripped[i]) : 'X';
  if (head[0] == 'C' && head[1] == 'A' && head[2] == 'S' && head[3] == 'E') return true;
  return IsDigit(first) || StartsWithLabel(stripped);
}

bool IsProcedureEnd(std::string_view line, std::string& exit_statement) {
  std::string text = ToUpper(StripLeadingBlanks(CodeOnly(line))) + "XXXXXXXXXXXXXX";
  size_t end = text.find("END");
  if (end == std::string::npos) return false;
  std::string_view rest = std::string_view(text).substr(end);
  if (rest.substr(0, 7) == "END SUB") {
    exit_statement = "Exit Sub";
  } else if (rest.substr(0, 12) == "END FUNCTION") {
    exit_statement = "Exit Function";
  } else if (rest.substr(0, 12) == "END PROPERTY") {
    exit_statement = "Exit Property";
  } else {
    return false;
  }
  return true;
}

}  // namespace kestrix::engine
