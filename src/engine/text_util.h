#pragma once

// Small tests on lines of Basic source shared by the passes. Comparisons ignore case.

#include <string>
#include <string_view>

#include "host/vb_text.h"

namespace kestrix::engine {

using text::EqualsNoCase;
// Position of `needle` in the code of `line` (outside string literals and comments), not
// followed by a letter or digit; npos when there is none.
size_t FindInCode(std::string_view line, std::string_view needle);
// True for a line holding no code: blank, or only a comment.
bool IsBlankOrComment(std::string_view line);
// True when the line's last character is "_" (the statement goes on on the next line).
bool EndsWithUnderscore(std::string_view line);
// True when the line, after leading blanks, starts with the directive `upper` ("#ELSE", …).
bool IsDirective(std::string_view line, std::string_view upper);
// The line number at the start of the line (after leading blanks), or -1.
long LeadingNumber(std::string_view line);
// True when the line's only statement is End Sub, End Function or End Property (a line
// label or number may stand in front, a comment after).
bool IsEndStatementLine(std::string_view line);

}  // namespace kestrix::engine
