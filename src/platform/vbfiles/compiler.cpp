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

}  // namespace kestrix::vbfiles
