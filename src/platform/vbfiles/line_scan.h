#pragma once

// What one statement of Basic source means for the shape of a module: a procedure header,
// a procedure's End, a conditional-compilation directive, a plain statement, or nothing
// (blank or comment). Text inside string literals and comments never counts.

#include <cstdint>
#include <string>
#include <string_view>

#include "basic/characters.h"
#include "host/ide.h"

namespace kestrix::vbfiles {

enum LineFlag : uint8_t {
  kContinues = 1 << 0,  // the physical line ends with " _": the next one continues it
  kStatement = 1 << 1,  // holds a statement (not blank, not only a comment)
  kHeader = 1 << 2,     // a Sub, Function or Property header
  kProcEnd = 1 << 3,    // End Sub / End Function / End Property among its statements
  kDirIf = 1 << 4,      // #If
  kDirElse = 1 << 5,    // #ElseIf or #Else
  kDirEndIf = 1 << 6,   // #End If
  kDirOther = 1 << 7,   // #Const
};

// Flags that change where procedures begin and end; an edit touching them re-indexes.
inline constexpr uint8_t kStructuralFlags =
    kContinues | kHeader | kProcEnd | kDirIf | kDirElse | kDirEndIf;

struct StatementInfo {
  uint8_t flags = 0;                            // LineFlag bits, kContinues excepted
  host::ProcKind kind = host::ProcKind::kProc;  // of the header, when kHeader
  std::string name;                             // of the header, when kHeader
};

// True when the physical line ends with a line continuation: "_" as its last character,
// after a blank or tab or alone on the line.
bool EndsWithContinuation(std::string_view line);
// The line without its continuation mark and the blanks after it.
std::string_view WithoutContinuation(std::string_view line);

// Classifies a logical line: its physical lines joined, each continuation "_" dropped.
StatementInfo ScanStatement(std::string_view logical_line);
// ScanStatement's flags alone.
uint8_t StatementFlags(std::string_view logical_line);
// The flags of a line that is blank, starts with a comment or holds one plain statement or
// procedure End (most lines), told from its first words and the absence of a ':' between
// statements; false, and `flags` left alone, when the line needs ScanStatementFully.
bool QuickStatementFlags(std::string_view logical_line, uint8_t& flags);
// The same, always reading the line statement by statement: what ScanStatement must agree
// with on every line.
StatementInfo ScanStatementFully(std::string_view logical_line);

// The line label at the start of a line: a line number ("120") or a name followed by a colon
// ("Retry"); "" when the line has none.
std::string LineLabel(std::string_view line);

// Case-insensitive ASCII comparison, as VB compares names.
using basic::EqualsNoCase;

}  // namespace kestrix::vbfiles
