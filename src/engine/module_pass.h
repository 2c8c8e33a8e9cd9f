#pragma once

// The module pass: the engine's entry point, called once for each code module in scope.
// Instrumenting a module honours its skip mark, refuses a module that cannot be written,
// declares the module-name constant once and hands every procedure to InstrumentProcedure.

#include <cstdint>
#include <string>

#include "engine/engine_state.h"
#include "engine/module_text.h"
#include "host/ide.h"

namespace kestrix::engine {

// Mode 0 instruments, 1 cleans; anything else does nothing and gives false. `code` may be
// null (a component without code): false, nothing shown.
bool ProcessModule(EngineState& state, int32_t mode, host::CodeModule* code);

// True when the module was instrumented or passed over (skip mark, or read-only and the
// user chose OK); false without a module, or when the user chose Cancel at the read-only
// warning: the command is then to end. Errors of the code module after the write test pass
// to the caller, leaving the module as far as it got.
bool InstrumentModule(EngineState& state, host::CodeModule* code);

// True when the module holds the skip mark anywhere (code or comment, any case); `note` then
// receives the status note and is left alone otherwise.
bool HasSkipModuleMark(const ModuleText& text, std::string& note);

// True for a Def statement (DefBool … DefVar followed by a blank), after leading blanks.
bool IsDefStatement(std::string_view line);

}  // namespace kestrix::engine
