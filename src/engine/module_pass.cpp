#include "engine/module_pass.h"

#include "engine/clean_pass.h"
#include "engine/line_rules.h"
#include "engine/markers.h"
#include "engine/procedure_pass.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

using host::StatusOutput;

bool FindAnywhere(host::CodeModule& code, std::string_view text) {
  int32_t start_line = 1, start_column = 1, end_line = -1, end_column = -1;
  return code.Find(text, start_line, start_column, end_line, end_column, false, false, false);
}

void AddModuleRow(EngineState& state, const std::string& note) {
  StatusOutput& progress = state.Progress();
  progress.AddRow(
      {progress.Text(StatusOutput::kProjectField), state.CurrentModuleName(), "", "", note});
}

// Inserting and deleting a probe line tells whether the module can be written.
bool CanWrite(host::CodeModule& code) {
  try {
    code.InsertLines(1, "' TEST");
  } catch (const host::IdeError&) {
    return false;
  }
  try {
    code.DeleteLines(1);
  } catch (const host::IdeError&) {
    return false;
  }
  return true;
}

// The last Def statement among the declarations (0 when there is none); `line` is left on
// the line after the declarations section (at least 1).
int32_t ScanDefStatements(host::CodeModule& code, int32_t& line) {
  int32_t last_def = 0;
  line = 1;
  for (; line <= code.CountOfDeclarationLines(); ++line) {
    if (IsDefStatement(code.Lines(line, 1))) last_def = line;
  }
  return last_def;
}

void DeclareModuleName(EngineState& state, host::CodeModule& code, int32_t last_def) {
  if (FindAnywhere(code, "Const MODULENAME_ =") || FindAnywhere(code, "Const MODULENAME_=")) {
    return;
  }
  InsertMarkedBlock(code, last_def + 1,
                    {"Private Const MODULENAME_=\"" + state.CurrentModuleName() + "\"\r\n"});
}

// Hands every procedure to InstrumentProcedure once, at its first line. A procedure defined
// again after its End (under #If … #Else) carries the same name and kind: it is handed over
// at its own header.
// `lines_before` is the module's line count before anything was inserted.
void WalkProcedures(EngineState& state, host::CodeModule& code, int32_t line,
                    int32_t lines_before) {
  StatusOutput& progress = state.Progress();
  std::string previous;
  host::ProcKind previous_kind = host::ProcKind::kProc;
  bool past_end = false;  // the walk has passed the End line of `previous`
  for (; line <= code.CountOfLines(); ++line) {
    host::ProcKind kind;
    std::string name = code.ProcOfLine(line, kind);
    bool next = !name.empty() && (!EqualsNoCase(name, previous) || kind != previous_kind);
    if (!name.empty() && !next && past_end) {
      Header header = ParseHeader(code.Lines(line, 1));
      next = EqualsNoCase(header.name, name) && header.kind == kind;
    }
    if (next) {
      past_end = false;
      InstrumentProcedure(state, name, kind, code, line, code.CountOfLines() - lines_before);
      progress.SetProgressMax(StatusOutput::kLinesBar, code.CountOfLines() + 1);
    } else if (!name.empty() && HoldsProcedureEnd(code.Lines(line, 1))) {
      past_end = true;
    }
    previous = name;
    previous_kind = kind;
    progress.SetProgressValue(StatusOutput::kLinesBar, line + 1);
  }
}

}  // namespace

bool IsDefStatement(std::string_view line) {
  return basic::IsDefStatement(line);
}

bool HasSkipModuleMark(host::CodeModule& code, std::string& note) {
  if (!FindAnywhere(code, kSkipModuleMark)) return false;
  note = std::string("SKIPPED (found ") + kSkipModuleMark + ")";
  return true;
}

bool InstrumentModule(EngineState& state, host::CodeModule* code) {
  if (code == nullptr) return false;
  StatusOutput& progress = state.Progress();
  progress.SetText(StatusOutput::kModuleField, state.CurrentModuleName());
  std::string note;
  bool skip = false;
  try {
    skip = HasSkipModuleMark(*code, note);
  } catch (const host::IdeError&) {
    // Passed over, as every step before the write test.
  }
  if (skip) {
    AddModuleRow(state, note);
    return true;
  }
  if (!CanWrite(*code)) {
    host::MsgResult answer = state.Messages().MsgBox(
        state.CurrentModuleName() + " is READONLY. SKIPPED.", host::MsgButtons::kOkCancel,
        host::MsgIcon::kExclamation, "Warning");
    if (answer != host::MsgResult::kOk) return false;
    AddModuleRow(state, "Skipped (Read Only)");
    return true;
  }
  const int32_t lines_before = code->CountOfLines();
  int32_t line = 1;
  int32_t last_def = ScanDefStatements(*code, line);
  DeclareModuleName(state, *code, last_def);
  progress.SetProgressMax(StatusOutput::kLinesBar, code->CountOfLines() + 1);
  WalkProcedures(state, *code, line, lines_before);
  return true;
}

bool ProcessModule(EngineState& state, int32_t mode, host::CodeModule* code) {
  if (mode == kModeBuild) return InstrumentModule(state, code);
  if (mode == kModeClean) return CleanModule(state, code);
  return false;
}

}  // namespace kestrix::engine
