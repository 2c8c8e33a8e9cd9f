#pragma once

// The compile errors VB reports for the structure of a module's code, found without VB:
// blocks closed and properly nested, line labels unique within their procedure and every
// jump's target defined there, statements only where they may stand, and the limits on
// line length, line continuations and module size.
//
// Conditional compilation is evaluated as VB6 evaluates it (vb_conditions.h): only the
// branches that compile are checked; the others only for how #If, #ElseIf, #Else and #End If
// pair. When a condition's value is not known, every branch from there on is read, each from
// the state the group started in, and nothing found in them is reported; when they leave the
// blocks in different shapes, the checker cannot tell which one VB would compile, and keeps
// quiet about block structure up to the next procedure header rather than raise false
// alarms. Labels in different branches of one such group never clash.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checker/vb_conditions.h"

namespace kestrix::checker {

struct CodeProblem {
  int32_t line = 0;      // 1-based code line, as the code window counts
  std::string message;   // VB's own message for the error
  bool warning = false;  // compiles, but does not work as one would expect
};

// Checks the code of one module: the lines its code window shows, without line breaks.
// Problems come in line order. An error in a continued statement is reported at its first
// line; a block left open at its opening line; a procedure without its End at its header.
// `constants` are the project's conditional-compilation arguments.
std::vector<CodeProblem> CheckModuleCode(std::span<const std::string_view> lines,
                                         const CondConstants& constants = {});

}  // namespace kestrix::checker
