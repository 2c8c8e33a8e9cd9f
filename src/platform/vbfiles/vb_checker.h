#pragma once

// The compile errors VB reports for the structure of a module's code, found without VB:
// blocks closed and properly nested, line labels unique within their procedure and every
// jump's target defined there, statements only where they may stand, and the limits on
// line length, line continuations and module size.
//
// Every branch of an #If group is checked, each from the state the group started in; when
// the branches leave the blocks in different shapes, the checker cannot tell which one VB
// would compile, and keeps quiet about block structure up to the next procedure header
// rather than raise false alarms. Labels in different branches of one group never clash.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::vbfiles {

struct CodeProblem {
  int32_t line = 0;      // 1-based code line, as the code window counts
  std::string message;   // VB's own message for the error
  bool warning = false;  // compiles, but does not work as one would expect
};

// Checks the code of one module: the lines its code window shows, without line breaks.
// Problems come in line order. An error in a continued statement is reported at its first
// line; a block left open at its opening line; a procedure without its End at its header.
std::vector<CodeProblem> CheckModuleCode(std::span<const std::string_view> lines);

}  // namespace kestrix::vbfiles
