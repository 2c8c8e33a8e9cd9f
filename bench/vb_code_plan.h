#pragma once

// Plans a module's code before it is written: how many lines its declarations section
// takes, which procedures follow and how long each is, so that the lines add up exactly.
// Internal to the project generator.

#include <cstdint>
#include <string>
#include <vector>

#include "vb_code_writer.h"

namespace kestrix::bench {

enum class ProcType { kSub, kFunction, kPropertyGet, kPropertyLet };

struct ProcPlan {
  ProcType type = ProcType::kSub;
  std::string scope;  // "Public", "Private", "Friend" or ""
  std::string name;
  std::vector<std::string> params;      // "ByVal Count As Long", ...
  std::string return_type;              // Function and Property Get only
  std::string field;                    // the module variable a property reads or writes
  std::vector<std::string> attributes;  // member attributes, written after the header
  int64_t lines = 0;                    // code lines, 5 to 200
};

struct ModulePlan {
  int64_t decl_lines = 0;           // lines of the declarations section
  std::vector<std::string> fields;  // module variables the section must declare
  bool with_event = false;          // the section declares Event Changed
  std::vector<ProcPlan> procs;      // in module order
};

// Lines of the declarations section plus lines of the procedures equal request.lines.
ModulePlan PlanModule(const ModuleRequest& request, Prng& rng, NameSource& names);

// Writes exactly plan.decl_lines lines: Option Explicit first, then the fields and event
// the procedures need, then variables, constants, API declarations, Type and Enum blocks.
void WriteDeclarations(const ModulePlan& plan, ModuleKind kind, Prng& rng, NameSource& names,
                       LineWriter& out);

}  // namespace kestrix::bench
