#include "platform/vbfiles/compiler.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "host/ide_error.h"
#include "platform/system/process.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/vb_checker.h"

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

// The code lines of a module as views into `text`, which holds them joined by CR LF.
std::vector<std::string_view> SplitCodeLines(std::string_view text, int32_t count) {
  std::vector<std::string_view> lines;
  lines.reserve(static_cast<size_t>(count));
  size_t pos = 0;
  for (int32_t k = 1; k < count; ++k) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) break;
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  if (count > 0) lines.push_back(text.substr(pos));
  return lines;
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
  struct stat st {};
  bool made_exe = ::stat(exe.c_str(), &st) == 0;
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

std::vector<CheckProblem> CheckSavedProject(const std::string& project_file) {
  std::vector<CheckProblem> problems;
  std::unique_ptr<FileProject> project;
  try {
    project = FileProject::Load(project_file);
  } catch (const host::IdeError& error) {
    problems.push_back({project_file, 0, error.Description()});
    return problems;
  }
  for (int32_t k = 1; k <= project->Count(); ++k) {
    auto& component = static_cast<FileComponent&>(project->Item(k));
    std::vector<CheckProblem> found = CheckComponent(component);
    problems.insert(problems.end(), found.begin(), found.end());
  }
  return problems;
}

std::vector<CheckProblem> CheckComponent(FileComponent& component) {
  std::vector<CheckProblem> problems;
  host::CodeModule* code = component.GetCodeModule();
  if (code == nullptr) return problems;
  int32_t count = code->CountOfLines();
  std::string text = count > 0 ? code->Lines(1, count) : std::string();
  const std::string file = component.FileNames(1);
  for (CodeProblem& p : CheckModuleCode(SplitCodeLines(text, count))) {
    problems.push_back({file, component.FileLine(p.line), std::move(p.message), p.warning});
  }
  return problems;
}

std::string FormatProblem(const CheckProblem& p) {
  return p.file + (p.line > 0 ? "(" + std::to_string(p.line) + ")" : "") + ": " +
         (p.warning ? "warning: " : "") + p.message;
}

CompileResult CheckInsteadOfCompiling(const std::string& project_file) {
  CompileResult result;
  std::vector<CheckProblem> problems = CheckSavedProject(project_file);
  result.ok = std::none_of(problems.begin(), problems.end(),
                           [](const CheckProblem& p) { return !p.warning; });
  for (const auto& p : problems)
    result.report += FormatProblem(p) + "\n";
  if (result.ok) result.report += "checked; no compiler configured, no executable written";
  if (!result.report.empty() && result.report.back() == '\n') result.report.pop_back();
  return result;
}

}  // namespace kestrix::vbfiles
