#pragma once

// Generates realistic VB6 projects of any size, for benchmarks and tests.
//
// Everything written is valid VB6 (every block closed by its End, a Case straight after each
// Select Case, labels unique within their procedure, at most 65,534 lines per module and
// 1,023 characters per line), with CR LF line breaks. "Code lines" are the lines the IDE's
// code window shows: a file's lines minus its header and its Attribute lines.

#include <cstdint>
#include <string>

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

// The bytes of a standard module of exactly `lines` code lines made only of procedures of
// `proc_lines` lines each (header, statements, End Sub; the last one may be shorter). The
// shape that shows whether instrumenting costs grow with the module rather than its lines.
// Throws std::invalid_argument unless 0 <= lines <= 65,534 and proc_lines >= 2.
std::string GenerateUniformModule(const std::string& name, int64_t lines, int64_t proc_lines);

// Writes a one-module EXE project under `dir` holding GenerateUniformModule("modBench", …).
GeneratedGroup GenerateUniformModuleProject(const std::string& dir, int64_t lines,
                                            int64_t proc_lines);

}  // namespace kestrix::bench
