#pragma once

// Cleaning: takes back, in one code module, what the instrumentation inserted, as the Clean
// tab's options say: the marked blocks and the jumps that replaced "On Error GoTo 0"
// ("Error Handlers"), and the line numbers ("Line Numbers").

#include "engine/engine_state.h"
#include "host/ide.h"

namespace kestrix::engine {

// True when the module was cleaned (also with neither option on); false when `code` is
// null. Adds the status row "Cleaned.". Errors of the code module pass to the caller, with
// what was removed so far staying removed.
bool CleanModule(EngineState& state, host::CodeModule* code);

}  // namespace kestrix::engine
