#pragma once

// Small tests on lines of Basic source shared by the passes. Comparisons ignore case.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "basic/source_line.h"
#include "host/ide.h"

namespace kestrix::engine {

using basic::EqualsNoCase;
// Position of `needle` in the code of `line` (outside string literals and comments), not
// followed by a letter or digit; npos when there is none.
size_t FindInCode(std::string_view line, std::string_view needle);
// True when `needle` occurs in `text`, without regard to case.
bool ContainsNoCase(std::string_view text, std::string_view needle);
// True for a line holding no code: blank, or only a comment.
bool IsBlankOrComment(std::string_view line);
// True when the statement goes on on the next line (" _" at the end, blanks after it allowed).
using basic::ContinuesOnNextLine;
// The line number at the start of the line (after leading blanks), or -1.
long LeadingNumber(std::string_view line);
// True when the line's only statement is End Sub, End Function or End Property (a line
// label or number may stand in front, a comment after).
bool IsEndStatementLine(std::string_view line);
// True when one of the line's statements is End Sub, End Function or End Property.
bool HoldsProcedureEnd(std::string_view line);

// True when the line's statement opens a Select Case block (a line number or label in front).
bool OpensSelectCase(std::string_view line);
// True when the line's first word is Case: a clause of a Select Case block.
bool IsCaseClause(std::string_view line);

// A Sub, Function or Property header: its name, kind, and whether it is a Function.
struct Header {
  std::string name;  // "" when the line is no header
  host::ProcKind kind = host::ProcKind::kProc;
  bool function = false;
};
// The header on a statement's first line (modifiers, an optional line number in front).
Header ParseHeader(std::string_view line);

// The line numbers that the statement's GoTo, GoSub, Resume, On … GoTo/GoSub, and Then or
// Else followed by a number name.
std::vector<long> JumpTargets(std::string_view line);
// False when JumpTargets(line) is surely empty: nowhere from `from` on does GoTo, GoSub,
// Resume, Then or Else (as a word, in any case) stand before blanks and a digit. `from` may
// pass over the blanks and digits that open the line (a line number in front): no jump's
// number stands among them.
bool MayHoldJump(std::string_view line, size_t from = 0);

// The longest physical line VB accepts.
inline constexpr size_t kMaxLineLength = 1023;

}  // namespace kestrix::engine
