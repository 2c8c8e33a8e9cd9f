#include "platform/vbfiles/compiler.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "checker/vb_checker.h"
#include "host/ide_error.h"
#include "platform/system/file_io.h"
#include "platform/system/process.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/paths.h"

namespace kestrix::vbfiles {
namespace {

// How Wine shows a native path: drive Z: is the root.
std::string WinePath(const std::string& path) {
  std::string out = "Z:" + path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
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
      {"{project_win}", WinePath(project_file)},
      {"{outdir_win}", WinePath(outdir)},
      {"{exe_win}", WinePath(exe)},
      {"{project}", project_file},
      {"{outdir}", outdir},
      {"{exe}", exe}};
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
  std::filesystem::create_directories(DirName(exe), made);
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
  return result;
}

}  // namespace kestrix::vbfiles
