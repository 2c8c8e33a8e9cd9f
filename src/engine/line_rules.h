#pragma once

// Three tests on one line of Basic source, as the code module returns it (no line break):
// where a procedure ends, which lines receive a line number, and what leading blanks are.
// They never look at neighbouring lines, keep no state and never fail. Comparisons ignore
// case; a blank is the space character, a tab the horizontal tab.

#include <string>
#include <string_view>

#include "basic/source_line.h"

namespace kestrix::engine {

// The line without its leading blanks and tabs ("" for a line of only blanks and tabs).
std::string StripLeadingBlanks(std::string_view line);

// True when the line must not receive a line number: a blank line, a comment line (starting
// with an apostrophe; a Rem line is numbered), a Case clause (any line whose first word
// starts with the letters CASE), a conditional-compilation directive, or a line that starts
// with a line label ("Retry:") or a line number, since a line holds one label at most.
bool NeedsNoLineNumber(std::string_view line);

// True when the line ends a Sub, Function or Property; `exit_statement` then receives
// "Exit Sub", "Exit Function" or "Exit Property", and is left alone otherwise. Only the
// first "END" outside string literals and comments is looked at, as a prefix: "End Sub",
// "End Function", "End Property" (a label or line number in front does not matter; an
// earlier word holding END, as in «SendData: End Sub», hides it).
bool IsProcedureEnd(std::string_view line, std::string& exit_statement);

// The line with the contents of its string literals replaced by blanks (the quotes stay)
// and its comment (an apostrophe or a Rem statement, to the end of the line) cut off, so
// that searches for code see only code.
using basic::CodeOnly;

}  // namespace kestrix::engine
