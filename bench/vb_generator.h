#pragma once

// Generates realistic VB6 projects of any size, for benchmarks and tests.
//
// Everything written is valid VB6 (every block closed by its End, a Case straight after each
// Select Case, labels unique within their procedure, at most 65,534 lines per module and
// 1,023 characters per line), with CR LF line breaks. "Code lines" are the lines the IDE's
// code window shows: a file's lines minus its header and its Attribute lines.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix::bench {

struct GeneratedGroup {
  std::string group_file;  // full path of the .vbg (of the .vbp for a single project)
  int64_t code_lines = 0;  // lines of code written, all components together
  int64_t files = 0;       // files written
};

// Writes a group of projects of about `total_lines` code lines under `dir` (created):
// dir/Bench.vbg and one folder per project (standard EXEs and ActiveX DLLs) holding its
// .vbp, standard modules, classes, forms and their .frx files. The code lines come out
// exact; the group's first project is its startup project. The same seed gives the same
// bytes. Throws std::invalid_argument for a negative size and std::runtime_error when a
// file cannot be written.
GeneratedGroup GenerateGroup(const std::string& dir, int64_t total_lines, uint32_t seed = 1);

// The bytes of one standard module (.bas) of exactly `lines` code lines after its
// Attribute VB_Name line. Its first procedure is Public Sub Main when there is room for one.
// Throws std::invalid_argument unless 0 <= lines <= 65,534.
std::string GenerateModule(const std::string& name, int64_t lines, uint32_t seed = 1);

// Writes a one-module EXE project under `dir` (created): dir/Bench.vbp starting from
// Sub Main, and dir/modBench.bas, which is GenerateModule("modBench", lines, seed).
// Throws as GenerateModule does, and std::runtime_error when a file cannot be written.
GeneratedGroup GenerateModuleProject(const std::string& dir, int64_t lines, uint32_t seed = 1);

// How the procedures of a uniform module are written.
enum class ProcForm {
  kPlain,         // header, statements, End Sub
  kIfHeader,      // #If A Then, header, #End If, statements, End Sub
  kIfWrapped,     // #If A Then, header, statements, End Sub, #End If
  kIfElseHeader,  // #If A Then, header, #Else, the header again, #End If, statements, End Sub
  kContinued,     // a header continued over two lines, statements, End Sub
  kOpenEnd,       // as kPlain, but the last procedure has no End Sub
  kOneLine,       // Sub P1(ByVal a As Long): a = a + 1: End Sub
  kCommented,     // two comment lines, header, statements, End Sub
};

// The form named "plain", "if-header", "if-wrapped", "if-else-header", "continued",
// "open-end", "one-line" or "commented"; false for any other name.
bool ParseProcForm(std::string_view name, ProcForm& form);
// The fewest lines a procedure of this form takes.
int64_t MinProcLines(ProcForm form);

// The bytes of a standard module of exactly `lines` code lines made only of procedures of
// `proc_lines` lines each, written in `form` (for kPlain the last one may be shorter; for the
// other forms the lines no whole procedure takes are comments at the top). The shape that
// shows whether instrumenting costs grow with the module rather than its lines. Throws
// std::invalid_argument unless 0 <= lines <= 65,534 and proc_lines >= MinProcLines(form)
// (exactly 1 for kOneLine).
std::string GenerateUniformModule(const std::string& name, int64_t lines, int64_t proc_lines,
                                  ProcForm form = ProcForm::kPlain);

// Writes a one-module EXE project under `dir` holding GenerateUniformModule("modBench", …).
GeneratedGroup GenerateUniformModuleProject(const std::string& dir, int64_t lines,
                                            int64_t proc_lines, ProcForm form = ProcForm::kPlain);

}  // namespace kestrix::bench
