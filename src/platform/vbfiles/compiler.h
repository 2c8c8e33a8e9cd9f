#pragma once

// Compiling a saved project: with the VB compiler the user configured (VB6.EXE under Wine,
// say), or, with none configured, by checking that the saved copy would load and hold
// together, writing no executable.

#include <string>
#include <vector>

namespace kestrix::vbfiles {

struct CompileResult {
  bool ok = false;
  std::string report;  // what the status rows show: the compiler's log, or what the check found
};

// The words of a compiler command line (system::SplitCommandLine's rules: quotes, no
// shell) with their placeholders filled: {project} the project file, {outdir} the output
// folder, {exe} the compiled file's full path; {project_win}, {outdir_win} and {exe_win}
// give the same as Wine sees them (Z:\…). A value becomes part of the one word the
// placeholder stands in (/out:{exe} stays one word), whatever it holds, and is never read
// for placeholders or quotes again. False, with the reason in `error`, when the line cannot
// be split or names no program.
bool ExpandCompilerCommand(const std::string& command, const std::string& project_file,
                           const std::string& exe, std::vector<std::string>& words,
                           std::string& error);

// Runs the command (no shell) with the compiled file's folder made first; its output, up to
// a bound, is kept as the log. Succeeds when it exits with 0 and the compiled file exists
// afterwards.
CompileResult RunCompiler(const std::string& command, const std::string& project_file,
                          const std::string& exe);

// One problem found in a saved project: the file, its line (0 for the file as a whole) and
// what is wrong. A warning does not keep the project from compiling.
struct CheckProblem {
  std::string file;
  int line = 0;
  std::string message;
  bool warning = false;
};

class FileComponent;

// The compile errors and warnings of one component's code (vb_checker.h), each naming the
// component's file and the line of that file. Nothing for a component without code.
std::vector<CheckProblem> CheckComponent(FileComponent& component);

// Loads the project file afresh and checks the code of every component as VB's compiler
// would check its structure. A project that does not load gives one problem, at line 0.
std::vector<CheckProblem> CheckSavedProject(const std::string& project_file);

// "file(line): message", "warning: " in front of a warning's message.
std::string FormatProblem(const CheckProblem& problem);

// The check as a compile: it fails on errors only; no executable is written, and the report
// says so after whatever the check found.
CompileResult CheckInsteadOfCompiling(const std::string& project_file);

}  // namespace kestrix::vbfiles
