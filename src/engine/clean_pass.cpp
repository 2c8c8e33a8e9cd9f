#include "engine/clean_pass.h"

#include "engine/line_rules.h"
#include "engine/markers.h"
#include "engine/text_util.h"

namespace kestrix::engine {
namespace {

using host::StatusOutput;

// True when the line, leading and trailing blanks and tabs aside, is `marker`.
bool IsMarkerLine(std::string_view line, std::string_view marker) {
  std::string text = StripLeadingBlanks(line);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.pop_back();
  return EqualsNoCase(text, marker);
}

// The first line from `from` on that is `marker`, or 0. The code module's Find narrows the
// search to lines holding the marker's text; only whole marker lines count.
int32_t FindMarkerLine(host::CodeModule& code, int32_t from, std::string_view marker) {
  std::string_view key = marker.substr(marker.find("--"));
  while (from <= code.CountOfLines()) {
    int32_t line = from, column = 1, end_line = -1, end_column = -1;
    if (!code.Find(key, line, column, end_line, end_column, false, false, false)) return 0;
    if (IsMarkerLine(code.Lines(line, 1), marker)) return line;
    from = line + 1;
  }
  return 0;
}

void RemoveMarkedBlocks(host::CodeModule& code) {
  int32_t from = 1;
  while (int32_t begin = FindMarkerLine(code, from, kBeginMarker)) {
    int32_t end = FindMarkerLine(code, begin, kEndMarker);
    code.DeleteLines(begin, end == 0 ? 1 : end - begin + 1);
    from = begin;
  }
}

// Turns the jumps to the local handler back into "On Error GoTo 0"; text inside string
// literals and comments stays as it is.
void RestoreOnErrorGotoZero(host::CodeModule& code) {
  std::string_view handler = kOnErrorGotoHandler;
  int32_t line = 1, column = 1;
  for (;;) {
    int32_t end_line = -1, end_column = -1;
    if (!code.Find(handler, line, column, end_line, end_column, false, false, false)) return;
    std::string text = code.Lines(line, 1);
    std::string code_only = CodeOnly(text);
    auto at = static_cast<size_t>(column - 1);
    if (code_only.size() >= at + handler.size() &&
        EqualsNoCase(std::string_view(code_only).substr(at, handler.size()), handler)) {
      // "On Error GoTo " stays as written; the target goes back to 0.
      size_t target = at + std::string_view(kOnErrorGotoZero).size() - 1;
      text.replace(target, std::string_view(kLocalHandlerLabel).size(), 1, '0');
      code.ReplaceLine(line, text);
    }
    ++column;
  }
}

// Drops the instrumentation's own line number, digits followed by a tab at the very start.
bool StripLineNumber(std::string& text) {
  size_t n = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9')
    ++n;
  if (n == 0 || n >= text.size() || text[n] != '\t') return false;
  text.erase(0, n + 1);
  return true;
}

}  // namespace

bool CleanModule(EngineState& state, host::CodeModule* code) {
  if (code == nullptr) return false;
  StatusOutput& progress = state.Progress();
  progress.SetText(StatusOutput::kModuleField, state.CurrentModuleName());
  if (state.RemoveValue(1) == 1) {
    RemoveMarkedBlocks(*code);
    RestoreOnErrorGotoZero(*code);
  }
  int32_t n = code->CountOfLines();
  progress.SetProgressMax(StatusOutput::kLinesBar, n + 1);
  if (state.RemoveValue(0) == 1) {
    for (int32_t i = 1; i <= n; ++i) {
      std::string text = code->Lines(i, 1);
      if (StripLineNumber(text)) code->ReplaceLine(i, text);
      progress.SetProgressValue(StatusOutput::kLinesBar, i + 1);
    }
  }
  progress.AddRow(
      {progress.Text(StatusOutput::kProjectField), state.CurrentModuleName(), "", "", "Cleaned."});
  return true;
}

}  // namespace kestrix::engine
