#include "platform/vbfiles/compiler.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <utility>

#include "host/ide_error.h"
#include "host/vb_text.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/vb_checker.h"
#include "platform/vbfiles/vb_conditions.h"

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

// The lines the build inserts into a copy, as the instrumentation writes them.
constexpr std::string_view kBeginMarker = "'-------- Kestrix Begin --------";
constexpr std::string_view kEndMarker = "'-------- Kestrix End ----------";

// For each code line (1-based, index 0 unused), how many lines of inserted blocks lie above
// it: the copy's line less this is the original's.
std::vector<int32_t> InsertedAbove(const std::vector<std::string_view>& lines) {
  std::vector<int32_t> above(lines.size() + 1, 0);
  bool inside = false;
  int32_t count = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    above[i + 1] = count;
    std::string_view line = lines[i];
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (!inside && line.starts_with(kBeginMarker)) inside = true;
    if (inside) ++count;
    if (inside && line.starts_with(kEndMarker)) inside = false;
  }
  return above;
}

CondConstants ProjectConstants(const FileProject& project) {
  return CondConstants::FromArguments(project.File().Value("CondComp").value_or(""));
}

// Two components of one name: VB refuses to load the project. Reported at the project
// file's line of the later one; in a build's copy, at the original project file's line,
// which is the copy's as long as the later one came from the original too (the build adds
// its lines after the original's component lines).
std::vector<CheckProblem> CheckNames(FileProject& project, const OriginMap& origins) {
  std::vector<CheckProblem> problems;
  const auto& listed = project.File().Components();
  auto line_of = [&listed](int32_t index) {
    auto at = static_cast<size_t>(index - 1);
    return at < listed.size() ? listed[at].line : 0;
  };
  auto original = origins.find(project.FileName());
  for (int32_t k = 2; k <= project.Count(); ++k) {
    host::Component& c = project.Item(k);
    if (c.GetCodeModule() == nullptr) continue;  // resource files and related documents
    for (int32_t j = 1; j < k; ++j) {
      host::Component& earlier = project.Item(j);
      if (earlier.GetCodeModule() == nullptr || !text::EqualsNoCase(c.Name(), earlier.Name())) {
        continue;
      }
      std::string already =
          line_of(j) > 0 ? " (named at line " + std::to_string(line_of(j)) + " already)" : "";
      CheckProblem problem{
          project.FileName(),
          line_of(k),
          "Name conflicts with existing module, project, or object library: " + c.Name() + already,
          false,
          "",
          0};
      if (original != origins.end() && origins.count(c.FileNames(1)) != 0) {
        problem.copy_file = std::exchange(problem.file, original->second);
        problem.copy_line = problem.line;
      }
      problems.push_back(std::move(problem));
      break;
    }
  }
  return problems;
}

// The problems of one component's code; `origin` is the file it is a build's copy of, or "".
std::vector<CheckProblem> CheckComponent(FileComponent& component, const CondConstants& constants,
                                         const std::string& origin) {
  std::vector<CheckProblem> problems;
  host::CodeModule* code = component.GetCodeModule();
  if (code == nullptr) return problems;
  int32_t count = code->CountOfLines();
  std::string text = count > 0 ? code->Lines(1, count) : std::string();
  std::vector<std::string_view> lines = SplitCodeLines(text, count);
  std::vector<CodeProblem> found = CheckModuleCode(lines, constants);
  if (found.empty()) return problems;
  const std::string file = component.FileNames(1);
  std::vector<int32_t> inserted = origin.empty() ? std::vector<int32_t>() : InsertedAbove(lines);
  for (CodeProblem& p : found) {
    int32_t line = component.FileLine(p.line);
    if (origin.empty()) {
      problems.push_back({file, line, std::move(p.message), p.warning, "", 0});
      continue;
    }
    int32_t original = line - inserted[static_cast<size_t>(std::clamp(p.line, 1, count))];
    problems.push_back({origin, original, std::move(p.message), p.warning, file, line});
  }
  return problems;
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

std::vector<CheckProblem> CheckSavedProject(const std::string& project_file,
                                            const OriginMap& origins) {
  std::unique_ptr<FileProject> project;
  try {
    project = FileProject::Load(project_file);
  } catch (const host::IdeError& error) {
    return {{project_file, 0, error.Description(), false, "", 0}};
  }
  return CheckProject(*project, origins);
}

std::vector<CheckProblem> CheckProject(FileProject& project, const OriginMap& origins) {
  std::vector<CheckProblem> problems = CheckNames(project, origins);
  CondConstants constants = ProjectConstants(project);
  std::set<std::string> checked;  // a file listed twice is checked once
  for (int32_t k = 1; k <= project.Count(); ++k) {
    auto& component = static_cast<FileComponent&>(project.Item(k));
    std::string file = component.FileNames(1);
    if (!file.empty() && !checked.insert(file).second) continue;
    auto origin = origins.find(file);
    std::vector<CheckProblem> found = CheckComponent(
        component, constants, origin == origins.end() ? std::string() : origin->second);
    problems.insert(problems.end(), found.begin(), found.end());
  }
  return problems;
}

std::vector<CheckProblem> CheckComponent(FileComponent& component) {
  auto* project = dynamic_cast<FileProject*>(&component.Collection());
  return CheckComponent(component, project ? ProjectConstants(*project) : CondConstants(), "");
}

std::string FormatProblem(const CheckProblem& p) {
  auto place = [](const std::string& file, int line) {
    return file + (line > 0 ? "(" + std::to_string(line) + ")" : "");
  };
  std::string out = place(p.file, p.line) + ": " + (p.warning ? "warning: " : "") + p.message;
  if (!p.copy_file.empty()) out += " (copy: " + place(p.copy_file, p.copy_line) + ")";
  return out;
}

CompileResult CheckInsteadOfCompiling(const std::string& project_file, const OriginMap& origins) {
  CompileResult result;
  std::vector<CheckProblem> problems = CheckSavedProject(project_file, origins);
  result.ok = std::none_of(problems.begin(), problems.end(),
                           [](const CheckProblem& p) { return !p.warning; });
  for (const auto& p : problems)
    result.report += FormatProblem(p) + "\n";
  if (result.ok) result.report += "checked; no compiler configured, no executable written";
  if (!result.report.empty() && result.report.back() == '\n') result.report.pop_back();
  return result;
}

}  // namespace kestrix::vbfiles
