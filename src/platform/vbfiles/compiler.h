#pragma once

// Compiling a saved project: with the VB compiler the user configured (VB6.EXE under Wine,
// say), or, with none configured, by checking that the saved copy would load and hold
// together, writing no executable.

#include <map>
#include <string>
#include <vector>

namespace kestrix::vbfiles {

struct CompileResult {
  bool ok = false;
  std::string report;  // what the status rows show: the compiler's log, or what the check found
};

// The words of a compiler command line (system::SplitCommandLine's rules: quotes, no
// shell) with their placeholders filled: {project} the project file, {outdir} the output
// folder, {exe} the compiled file's full path, each in the system's own form; {project_win},
// {outdir_win} and {exe_win} give the same as a Windows program sees them (on Windows the
// same again; elsewhere as Wine shows them, Z:\…); {log} and {log_win} the compiler's log file
// (CompilerLogFile), for VB6.EXE's /out. A value becomes part of the one word the
// placeholder stands in (/out:{exe} stays one word), whatever it holds, and is never read
// for placeholders or quotes again. False, with the reason in `error`, when the line cannot
// be split or names no program.
bool ExpandCompilerCommand(const std::string& command, const std::string& project_file,
                           const std::string& exe, std::vector<std::string>& words,
                           std::string& error);

// The Compiler setting that runs `vb6` (VB6.EXE) on the project: /make, /outdir and /out with
// the log (CompilerLogFile), so that the log becomes status rows.
std::string InstalledCompilerCommand(const std::string& vb6);

// Where the command's {log} placeholder puts the compiler's log: beside the compiled file,
// named after it ("Shop.exe.log").
std::string CompilerLogFile(const std::string& exe);

// Runs the command (no shell) with the compiled file's folder made first; its output, up to
// a bound, is kept as the log, after the log file's lines when the command names it ({log}).
// Succeeds when it exits with 0 and the compiled file exists afterwards.
CompileResult RunCompiler(const std::string& command, const std::string& project_file,
                          const std::string& exe);

// One problem found in a saved project: the file, its line (0 for the file as a whole) and
// what is wrong. A warning does not keep the project from compiling. A problem found in a
// build's copy of a file names the original's file and line, and the copy's in `copy_file`
// and `copy_line`.
struct CheckProblem {
  std::string file;
  int line = 0;
  std::string message;
  bool warning = false;
  std::string copy_file;  // "" unless `file` is the original of the file checked
  int copy_line = 0;
};

// The files of a build's copy, each mapped to the file it was saved from (native paths).
using OriginMap = std::map<std::string, std::string>;

class FileComponent;
class FileProject;

// The compile errors and warnings of one component's code (vb_checker.h), with the
// conditional-compilation arguments of its project, each naming the component's file and
// the line of that file. Nothing for a component without code.
std::vector<CheckProblem> CheckComponent(FileComponent& component);

// The problems of a whole project (the check, in project_check.cpp): two components of one
// name (at the project file's line of the second), then those of every component's code, a
// file listed twice checked once. A problem in a file that `origins` maps to an original is
// reported at the original's line: the one that shows the same line once the blocks the
// build inserted are taken out of both files.
std::vector<CheckProblem> CheckProject(FileProject& project, const OriginMap& origins = {});

// Loads the project file afresh and checks it as CheckProject does. A project that does not
// load gives one problem, at line 0.
std::vector<CheckProblem> CheckSavedProject(const std::string& project_file,
                                            const OriginMap& origins = {});

// "file(line): message", "warning: " in front of a warning's message, and
// " (copy: file(line))" after the message of a problem found in a copy.
std::string FormatProblem(const CheckProblem& problem);

// The check as a compile: it fails on errors only; no executable is written, and the report
// says so after whatever the check found.
CompileResult CheckInsteadOfCompiling(const std::string& project_file,
                                      const OriginMap& origins = {});

}  // namespace kestrix::vbfiles
