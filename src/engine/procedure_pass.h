#pragma once

// Turning one procedure into its crash-proof form, in place, through the code module:
// a marked head block after the declaration (the local handler switched on, the
// procedure-name constant), a line number on every statement line of the body, each
// "On Error GoTo 0" turned into a jump to the local handler, and a marked handler block
// before the End line. One status row per procedure.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_state.h"
#include "engine/module_text.h"
#include "host/ide.h"

namespace kestrix::engine {

// "" for a Sub or Function, "[Property Let]", "[Property Set]" or "[Property Get]".
std::string KindLabel(host::ProcKind kind);

// Inserts at `at_line` the begin marker, every line of every text (texts hold lines
// separated by CR LF; a final line break adds no empty line, an empty text no line), and the
// end marker. Returns the line just after the end marker: where the line that was at
// `at_line` now stands.
int32_t InsertMarkedBlock(ModuleText& code, int32_t at_line,
                          std::initializer_list<std::string_view> texts);

// The marked handler blocks that go into a module's procedures, cut from the template and
// read once for each way out of a procedure (Exit Sub, Exit Function, Exit Property): they
// are the same lines in every procedure that leaves so.
class HandlerBlocks {
 public:
  // The block of a procedure left by `exit_statement`, with `handler` (the template) in it;
  // kept as long as this.
  std::span<const KnownLine> For(const std::string& exit_statement, const std::string& handler);

 private:
  struct Block {
    std::string exit_line;
    std::string handler;
    std::vector<KnownLine> lines;  // views into the strings above and into static text
  };
  std::vector<std::unique_ptr<Block>> blocks_;  // by pointer: the views must not move
};

// Lines start..start+count-1: the range the code module gives for a procedure's name and kind.
struct ProcRange {
  int32_t start = 0;
  int32_t count = 0;
};

// Instruments the procedure `name` of kind `kind`, unless a skip mark, an earlier
// instrumentation, or an End statement sharing its line with other statements says to leave
// it; adds its status row either way. `code` is the text of `module`, kept in step with it;
// `range` is where `module` places the first procedure of that name and kind. On entry `line`
// is where the caller's walk met the procedure: past `range`, it is a later copy (defined again
// under #If … #Else), found from there. When it instruments, `line` receives the line the body
// walk counted from, moved down by the continuation lines it passed: a line inside the
// procedure, before its End line, from which the caller's walk goes on. `added_above` is how
// many lines the instrumentation has inserted above the procedure, so that notes name lines as
// the original module has them. The procedure's new text goes into `module` in one piece.
// Errors of the code module pass to the caller, with no row added. `blocks` keeps the handler
// blocks for the module's next procedures.
void InstrumentProcedure(EngineState& state, const std::string& name, host::ProcKind kind,
                         host::CodeModule& module, ModuleText& code, int32_t& line,
                         int32_t added_above, ProcRange range, HandlerBlocks& blocks);

}  // namespace kestrix::engine
