#include "platform/vbfiles/compiler.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <memory>

#include "host/ide_error.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/line_scan.h"
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

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string JoinedStatement(host::CodeModule& code, int32_t& line) {
  std::string joined = code.Lines(line, 1);
  while (EndsWithContinuation(joined) && line < code.CountOfLines()) {
    joined.pop_back();
    joined += code.Lines(++line, 1);
  }
  return joined;
}

// Procedures closed by their End, labels defined once per procedure.
void CheckCode(FileComponent& component, std::vector<CheckProblem>& problems) {
  host::CodeModule& code = *component.GetCodeModule();
  const std::string file = component.FileNames(1);
  int32_t open_header = 0;  // header line of the procedure whose End is still to come
  std::map<std::string, int32_t> labels;
  for (int32_t line = 1; line <= code.CountOfLines(); ++line) {
    int32_t first = line;
    StatementInfo info = ScanStatement(JoinedStatement(code, line));
    if ((info.flags & kHeader) && open_header == 0) {
      open_header = first;
      labels.clear();
    }
    std::string label = LineLabel(code.Lines(first, 1));
    if (open_header != 0 && !label.empty() && !labels.emplace(label, first).second) {
      problems.push_back({file, component.FileLine(first), "Duplicate label " + label});
    }
    if (info.flags & kProcEnd) {
      if (open_header == 0) {
        problems.push_back({file, component.FileLine(first), "End without a procedure"});
      }
      open_header = 0;
    }
  }
  if (open_header != 0) {
    problems.push_back({file, component.FileLine(open_header), "Procedure without its End"});
  }
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
  if (!exited_ok) result.report += "\nThe compiler ended with status " + std::to_string(status);
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
    if (component.GetCodeModule() != nullptr) CheckCode(component, problems);
  }
  return problems;
}

CompileResult CheckInsteadOfCompiling(const std::string& project_file) {
  CompileResult result;
  std::vector<CheckProblem> problems = CheckSavedProject(project_file);
  result.ok = problems.empty();
  if (result.ok) {
    result.report = "checked; no compiler configured, no executable written";
    return result;
  }
  for (const auto& p : problems) {
    if (!result.report.empty()) result.report += "\n";
    result.report +=
        p.file + (p.line > 0 ? "(" + std::to_string(p.line) + ")" : "") + ": " + p.message;
  }
  return result;
}

}  // namespace kestrix::vbfiles
