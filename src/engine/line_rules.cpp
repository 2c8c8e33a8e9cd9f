#include "engine/line_rules.h"

#include "basic/source_line.h"

#include "engine/text_util.h"

namespace kestrix::engine {

using basic::IsBlank;
using basic::IsDigit;
using basic::Upper;

std::string StripLeadingBlanks(std::string_view line) {
  size_t n = 0;
  n = basic::BlanksEnd(line, n);
  return std::string(line.substr(n));
}

bool NeedsNoLineNumber(std::string_view line) {
  // The stripped line, padded with "XXXX": its first character and its first four.
  size_t start = 0;
  start = basic::BlanksEnd(line, start);
  std::string_view stripped = line.substr(start);
  if (stripped.empty()) return true;
  char first = stripped[0];
  if (first == '\'' || first == '#') return true;
  char head[4];
  for (size_t i = 0; i < 4; ++i)
    head[i] = i < stripped.size() ? Upper(stripped[i]) : 'X';
  if (head[0] == 'C' && head[1] == 'A' && head[2] == 'S' && head[3] == 'E') return true;
  // A label that is a name ends with a colon: a line without one has none.
  return IsDigit(first) ||
         (stripped.find(':') != std::string_view::npos && !basic::ReadLabel(stripped).text.empty());
}

bool IsProcedureEnd(std::string_view line, std::string& exit_statement) {
  std::string text = basic::ToUpper(StripLeadingBlanks(CodeOnly(line))) + "XXXXXXXXXXXXXX";
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
