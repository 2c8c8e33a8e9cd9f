#include "platform/vbfiles/compiler.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "checker/vb_checker.h"
#include "host/ide_error.h"
#include "platform/system/environment.h"
#include "platform/system/file_io.h"
#include "platform/system/process.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/paths.h"

namespace kestrix::vbfiles {
namespace {

// VB6.EXE prints nothing: what it has to say it writes into the file its /out names. When the
// command names the log ({log}), the log's lines come first in the report.
void AddLog(const std::string& command, const std::string& exe, std::string& report) {
  if (command.find("{log") == std::string::npos) return;
  std::string log, error;
  system::ReadStatus status = system::ReadWholeFile(CompilerLogFile(exe), log, error);
  if (status == system::ReadStatus::kMissing) return;
  if (status == system::ReadStatus::kFailed) {
    log = "Cannot read " + CompilerLogFile(exe) + ": " + error;
  }
  while (!log.empty() && (log.back() == '\n' || log.back() == '\r'))
    log.pop_back();
  if (log.empty()) return;
  report = report.empty() || report.front() == '\n' ? log + report : log + "\n" + report;
}

// Every placeholder in `word` replaced by its value, in one pass from left to right.
std::string FillPlaceholders(const std::string& word,
                             const std::vector<std::pair<std::string, std::string>>& values) {
  std::string out;
  for (size_t i = 0; i < word.size();) {
    bool replaced = false;
    for (const auto& [name, value] : values) {
      if (word.compare(i, name.size(), name) != 0) continue;
      out += value;
      i += name.size();
      replaced = true;
      break;
    }
    if (!replaced) out += word[i++];
  }
  return out;
}

}  // namespace

std::string InstalledCompilerCommand(const std::string& vb6) {
  // A Windows path holds no '"', and inside "…" every backslash stays.
  return "\"" + system::ToNativePath(vb6) + "\" /make {project} /outdir {outdir} /out {log}";
}

std::string CompilerLogFile(const std::string& exe) {
  return exe + ".log";
}

bool ExpandCompilerCommand(const std::string& command, const std::string& project_file,
                           const std::string& exe, std::vector<std::string>& words,
                           std::string& error) {
  if (!system::SplitCommandLine(command, words, error)) return false;
  if (words.empty()) {
    error = "the command line names no program";
    return false;
  }
  std::string outdir = DirName(exe);
  const std::vector<std::pair<std::string, std::string>> values = {
      {"{project_win}", system::WindowsProgramPath(project_file)},
      {"{outdir_win}", system::WindowsProgramPath(outdir)},
      {"{exe_win}", system::WindowsProgramPath(exe)},
      {"{project}", system::ToNativePath(project_file)},
      {"{outdir}", system::ToNativePath(outdir)},
      {"{exe}", system::ToNativePath(exe)},
      {"{log_win}", system::WindowsProgramPath(CompilerLogFile(exe))},
      {"{log}", system::ToNativePath(CompilerLogFile(exe))}};
  for (std::string& word : words)
    word = FillPlaceholders(word, values);
  return true;
}

CompileResult RunCompiler(const std::string& command, const std::string& project_file,
                          const std::string& exe) {
  constexpr size_t kMostOutput = size_t{1} << 20;
  CompileResult result;
  std::vector<std::string> words;
  std::string error;
  if (!ExpandCompilerCommand(command, project_file, exe, words, error)) {
    result.report = "The Compiler setting cannot be used: " + error;
    return result;
  }
  // The compiler writes into the folder; it is made only now that something will be.
  std::error_code made;
  std::filesystem::create_directories(system::FileSystemPath(DirName(exe)), made);
  if (made) {
    result.report = "Cannot make the folder " + DirName(exe) + ": " + made.message();
    return result;
  }
  system::ProcessResult run = system::RunProcess(words, kMostOutput);
  result.report = run.output;
  if (run.output_cut) result.report += "\n... the compiler's output was cut at 1 MB";
  if (!run.started) {
    result.report = "Cannot start the compiler " + words[0] + ": " + run.error;
    return result;
  }
  bool exited_ok = run.exited && run.exit_code == 0;
  bool made_exe = system::KindOf(exe) != system::FileKind::kMissing;
  result.ok = exited_ok && made_exe;
  if (run.exited && !exited_ok) {
    result.report += "\nThe compiler ended with exit code " + std::to_string(run.exit_code);
  } else if (!run.exited && run.signal != 0) {
    result.report += "\nThe compiler was stopped by signal " + std::to_string(run.signal);
  } else if (!run.exited) {
    result.report += "\nThe compiler could not be waited for: " + run.error;
  }
  if (exited_ok && !made_exe) result.report += "\nThe compiler wrote no " + exe;
  AddLog(command, exe, result.report);
  return result;
}

}  // namespace kestrix::vbfiles
