#include "platform/vbfiles/compiler.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "host/ide_error.h"
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

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
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

std::string ExpandCompilerCommand(const std::string& command, const std::string& project_file,
                                  const std::string& exe) {
  std::string out = command;
  std::string outdir = DirName(exe);
  ReplaceAll(out, "{project_win}", WinePath(project_file));
  ReplaceAll(out, "{outdir_win}", WinePath(outdir));
  ReplaceAll(out, "{exe_win}", WinePath(exe));
  ReplaceAll(out, "{project}", project_file);
  ReplaceAll(out, "{outdir}", outdir);
  ReplaceAll(out, "{exe}", exe);
  return out;
}

CompileResult RunCompiler(const std::string& command, const std::string& project_file,
                          const std::string& exe) {
  CompileResult result;
  std::string line = ExpandCompilerCommand(command, project_file, exe) + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(line.c_str(), "r"), ::pclose);
  if (!pipe) {
    result.report = "Cannot start the compiler: " + line;
    return result;
  }
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
    result.report.append(buffer, n);
  int status = ::pclose(pipe.release());
  bool exited_ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  struct stat st {};
  bool made = ::stat(exe.c_str(), &st) == 0;
  result.ok = exited_ok && made;
  if (!exited_ok) {
    if (status != -1 && WIFEXITED(status)) {
      result.report += "\nThe compiler ended with exit code " + std::to_string(WEXITSTATUS(status));
    } else if (status != -1 && WIFSIGNALED(status)) {
      result.report += "\nThe compiler was stopped by signal " + std::to_string(WTERMSIG(status));
    } else {
      result.report += "\nThe compiler could not be waited for";
    }
  }
  if (exited_ok && !made) result.report += "\nThe compiler wrote no " + exe;
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
