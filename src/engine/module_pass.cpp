#include "engine/module_pass.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/clean_pass.h"
#include "engine/line_rules.h"
#include "engine/markers.h"
#include "engine/procedure_pass.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

using host::StatusOutput;

std::string SkipModuleNote() {
  return std::string("SKIPPED (found ") + kSkipModuleMark + ")";
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
int32_t ScanDefStatements(host::CodeModule& code, const ModuleText& text, int32_t& line) {
  int32_t last_def = 0;
  const int32_t declarations = std::min(code.CountOfDeclarationLines(), text.Count());
  for (line = 1; line <= declarations; ++line) {
    if (IsDefStatement(text.Line(line))) last_def = line;
  }
  return last_def;
}

// `declared`: the module already declares the constant.
void DeclareModuleName(EngineState& state, host::CodeModule& code, ModuleText& text,
                       int32_t last_def, bool declared) {
  if (declared) return;
  int32_t after = InsertMarkedBlock(
      text, last_def + 1, {"Private Const MODULENAME_=\"" + state.CurrentModuleName() + "\"\r\n"});
  text.WriteBack(code, last_def + 1, after - 1, [](int32_t) { return true; });
}

// Hands every procedure to InstrumentProcedure once, at its first line. A procedure defined
// again after its End (under #If … #Else) carries the same name and kind: it is handed over
// at its own header.
// `lines_before` is the module's line count before anything was inserted.
//
// The walk goes down the module line by line, but asks the code module which procedure owns
// a line only where that can change: once for a stretch of lines it knows to belong to one
// procedure (the range the code module gives for the first procedure of a name and kind, or
// the declarations), line by line only where a name is defined again further down.
void WalkProcedures(EngineState& state, host::CodeModule& code, ModuleText& text, int32_t line,
                    int32_t lines_before) {
  StatusOutput& progress = state.Progress();
  std::string previous;
  host::ProcKind previous_kind = host::ProcKind::kProc;
  bool past_end = false;  // the walk has passed the End line of `previous`
  int32_t declarations = -1;
  // The range of the first procedure of a name and kind, as last asked for. Instrumenting
  // inserts lines only inside the procedure it works on: the range grows by them when that is
  // the procedure, and stays as it is when that is a later copy further down.
  std::string range_name;
  host::ProcKind range_kind = host::ProcKind::kProc;
  ProcRange range;
  bool range_known = false;
  HandlerBlocks blocks;
  while (line <= text.Count()) {
    host::ProcKind kind;
    std::string name = code.ProcOfLine(line, kind);
    int32_t known_to = line;  // the lines up to here belong to `name`
    bool in_range = false;
    if (name.empty()) {
      if (declarations < 0) declarations = code.CountOfDeclarationLines();
      known_to = std::max(line, std::min(declarations, text.Count()));
    } else {
      if (!range_known || range_kind != kind || range_name != name) {
        range.start = code.ProcStartLine(name, kind);
        range.count = code.ProcCountLines(name, kind);
        range_name = name;
        range_kind = kind;
        range_known = true;
      }
      if (range.start <= line && line <= range.start + range.count - 1) {
        known_to = range.start + range.count - 1;
        in_range = true;
      }
    }
    // Whether `name` differs from the procedure of the line before: after the first line of
    // the stretch that one is `name` itself.
    bool differs = !name.empty() && (!EqualsNoCase(name, previous) || kind != previous_kind);
    if (line <= known_to) {
      if (previous != name) previous = name;
      previous_kind = kind;
    }
    for (; line <= known_to; ++line) {
      std::string_view line_text = text.Line(line);
      bool next = differs;
      differs = false;
      if (!name.empty() && !next && past_end) {
        Header header = ParseHeader(line_text);
        next = EqualsNoCase(header.name, name) && header.kind == kind;
      }
      if (next) {
        past_end = false;
        const int32_t count = text.Count();
        InstrumentProcedure(state, name, kind, code, text, line, count - lines_before, range,
                            blocks);
        const int32_t added = text.Count() - count;
        if (added != 0 && in_range) {
          range.count += added;
          known_to += added;
        } else if (added != 0) {
          known_to = line;  // past a later copy the walk asks again from the next line
        }
        progress.SetProgressMax(StatusOutput::kLinesBar, text.Count() + 1);
      } else if (!name.empty() && text.HoldsEnd(line)) {
        past_end = true;
      }
    }
    progress.SetProgressValue(StatusOutput::kLinesBar, line);
  }
}

}  // namespace

bool IsDefStatement(std::string_view line) {
  return basic::IsDefStatement(line);
}

bool HasSkipModuleMark(const ModuleText& text, std::string& note) {
  if (!text.Contains(kSkipModuleMark, 1, text.Count())) return false;
  note = SkipModuleNote();
  return true;
}

bool InstrumentModule(EngineState& state, host::CodeModule* code) {
  if (code == nullptr) return false;
  StatusOutput& progress = state.Progress();
  progress.SetText(StatusOutput::kModuleField, state.CurrentModuleName());
  std::string note;
  bool skip = false;
  std::optional<ModuleText> text;
  // Whether the module declares its name already: its text does not change before it is
  // declared, so one pass answers this with the skip mark.
  std::optional<bool> declared;
  try {
    text.emplace(*code);
    // Every mark and label Kestrix writes starts with its name, and both ways of writing the
    // module-name constant hold its name: in most modules one search for each answers every
    // later search for them.
    text->HeldAsRead(kMarkStem);
    text->HeldAsRead(kModuleNameStem);
    const uint32_t found = text->ContainsEach(
        {kSkipModuleMark, "Const MODULENAME_ =", "Const MODULENAME_="}, 1, text->Count());
    skip = (found & 1) != 0;
    if (skip) note = SkipModuleNote();
    declared = (found & 6) != 0;
  } catch (const host::IdeError&) {
    // Passed over, as every step before the write test.
    text.reset();
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
  if (!text) text.emplace(*code);
  if (!declared) {
    declared = text->Contains("Const MODULENAME_ =", 1, text->Count()) ||
               text->Contains("Const MODULENAME_=", 1, text->Count());
  }
  const int32_t lines_before = text->Count();
  int32_t line = 1;
  int32_t last_def = ScanDefStatements(*code, *text, line);
  DeclareModuleName(state, *code, *text, last_def, *declared);
  progress.SetProgressMax(StatusOutput::kLinesBar, text->Count() + 1);
  WalkProcedures(state, *code, *text, line, lines_before);
  return true;
}

bool ProcessModule(EngineState& state, int32_t mode, host::CodeModule* code) {
  if (mode == kModeBuild) return InstrumentModule(state, code);
  if (mode == kModeClean) return CleanModule(state, code);
  return false;
}

}  // namespace kestrix::engine
