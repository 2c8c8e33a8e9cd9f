// Mutated projects, from a fixed seed: every mutant of every example component goes through
// load, check, instrument and clean. Nothing may crash or throw anything but the IDE's own
// errors, no file on disk may change, code that compiled still compiles instrumented, no
// line grows past VB's limit, and cleaning gives back the code the module had before.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "engine/module_pass.h"
#include "host/ide.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_project.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

// Lines that change the shape of a module: blocks opened and closed where they should not
// be, conditional compilation, continuations, labels and numbers, long and odd bytes.
const std::vector<std::string>& TrickyLines() {
  static const std::vector<std::string> lines = {
      "End Sub",
      "End Function",
      "End Property",
      "Sub Added()",
      "Private Function Twice(ByVal x As Long) As Long",
      "Public Property Get Value() As Long",
      "Friend Property Let Value(ByVal v As Long)",
      "#If Win64 Then",
      "#If False Then",
      "#ElseIf VBA7 Then",
      "#Else",
      "#End If",
      "#Const DEBUGGING = 1",
      "    x = 1 _",
      "    x = PROCNAME_",
      "    If a And _  ",
      "        b Then",
      "' a comment _",
      "Rem a remark",
      "10\tx = 1",
      "    GoTo 10",
      "20 y = 2",
      "Retry:",
      "    Resume Retry",
      "    On Error GoTo 0",
      "    On Error Resume Next",
      "    Select Case x",
      "    Dim inSelect As Long",
      "    Case 1, 2, _",
      "141, 142, 143",
      "    End Select",
      "    Exit Sub",
      "Public Function NewEnum() As IUnknown: End Function",
      "    x = 1: End Sub",
      "Attribute Value.VB_UserMemId = 0",
      "Attribute VB_Name = \"Other\"",
      "Option Explicit",
      "DefInt A-Z",
      "Declare Function GetTickCount Lib \"kernel32\" () As Long",
      "Private Type Pair",
      "End Type",
      "Enum Colour",
      "End Enum",
      "    s = \"End Sub ' not code\"",
      "    s = \"\x81\x5c\x82\xa0\"",
      std::string(1023, 'x'),
      std::string(2000, ' ') + "x = 1",
      std::string("    \0x = 1", 9),
      "    x = 1\ry = 2",
      "",
      "_",
  };
  return lines;
}

// One mutation of a file's text: lines added, dropped, doubled or swapped, or bytes changed.
std::string Mutate(const std::string& text, std::mt19937& random) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find('\n', start)) != std::string::npos; start = at + 1)
    lines.push_back(text.substr(start, at - start + 1));
  if (start < text.size()) lines.push_back(text.substr(start));
  if (lines.empty()) lines.push_back("\r\n");
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  int edits = 1 + static_cast<int>(pick(4));
  for (int e = 0; e < edits; ++e) {
    size_t at = pick(lines.size());
    switch (pick(7)) {
      case 0:
      case 1: {
        const auto& tricky = TrickyLines();
        lines.insert(lines.begin() + static_cast<long>(at), tricky[pick(tricky.size())] + "\r\n");
        break;
      }
      case 2:
        if (lines.size() > 1) lines.erase(lines.begin() + static_cast<long>(at));
        break;
      case 3:
        lines.insert(lines.begin() + static_cast<long>(at), lines[at]);
        break;
      case 4:
        std::swap(lines[at], lines[pick(lines.size())]);
        break;
      case 5: {
        std::string& line = lines[at];
        if (line.empty()) break;
        static const char kBytes[] = {'\0', '\r', '\n', '"', '\'',   ':',
                                      '_',  ' ',  '\t', '#', '\x81', '\xff'};
        line[pick(line.size())] = kBytes[pick(sizeof kBytes)];
        break;
      }
      default:
        lines[at] = lines[at].substr(0, pick(lines[at].size() + 1));
        break;
    }
  }
  std::string out;
  for (const auto& line : lines)
    out += line;
  return out;
}

// The compile errors the checker finds in the component's code, one a line.
std::string Errors(vbfiles::FileComponent& component) {
  std::string out;
  for (const auto& problem : vbfiles::CheckComponent(component)) {
    if (!problem.warning) out += vbfiles::FormatProblem(problem) + "\n";
  }
  return out;
}

// True when one of the lines is longer than VB allows already.
bool LongLineIn(const std::string& text) {
  size_t start = 0;
  for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
    if (at - start > 1023) return true;
  }
  return text.size() - start > 1023;
}

// Loads, checks, instruments and cleans the project; what went wrong, or "".
std::string RunProject(const std::string& project_file) {
  std::unique_ptr<vbfiles::FileProject> project;
  try {
    project = vbfiles::FileProject::Load(project_file);
  } catch (const host::IdeError&) {
    return "";  // refused with the IDE's own error: fine
  }
  testing::TestState state;
  state.handler = "    KestrixHandleError MODULENAME_, PROCNAME_, Erl\r\n    Resume Next\r\n";
  for (int32_t k = 1; k <= project->Count(); ++k) {
    auto& component = static_cast<vbfiles::FileComponent&>(project->Item(k));
    host::CodeModule* code = component.GetCodeModule();
    if (code == nullptr) continue;
    bool compiled = Errors(component).empty();
    int32_t count = code->CountOfLines();
    std::string before = count > 0 ? code->Lines(1, count) : "";
    if (before.find("Kestrix") != std::string::npos) continue;  // a mutant of the marks
    // VB names hold at most 40 characters; the module-name constant of a longer one may not
    // fit on a line.
    if (component.Name().size() > 40) compiled = false;
    state.module_name = component.Name();
    try {
      engine::ProcessModule(state, 0, code);
      // What compiled before still compiles, and no line grew past VB's limit.
      std::string errors = Errors(component);
      if (compiled && !errors.empty()) return component.Name() + ": the copy has " + errors;
      for (int32_t i = 1; i <= code->CountOfLines(); ++i) {
        if (code->Lines(i, 1).size() > 1023 && !LongLineIn(before) && compiled)
          return component.Name() + ": line " + std::to_string(i) + " made too long";
      }
      engine::ProcessModule(state, 1, code);
    } catch (const host::IdeError& error) {
      return component.Name() + ": " + error.Description();
    }
    count = code->CountOfLines();
    std::string after = count > 0 ? code->Lines(1, count) : "";
    if (after != before)
      return component.Name() + ": cleaning changed it, " + testing::FirstDifference(before, after);
  }
  return "";
}

// With KESTRIX_MUTANT_DIR set, a failing mutant's project is kept there to be looked at.
void KeepMutant(const std::string& root, const std::string& name) {
  const char* keep = std::getenv("KESTRIX_MUTANT_DIR");
  if (keep == nullptr || *keep == 0) return;
  fs::copy(root, fs::path(keep) / name, fs::copy_options::recursive);
}

TEST(Mutation, MutantsSurviveLoadCheckInstrumentAndClean) {
  constexpr int kMutantsPerFile = 30;
  std::mt19937 random(20261207);
  TempDir dir;
  int runs = 0;
  std::vector<std::string> failures;
  for (const char* example : {"Shop", "Single"}) {
    std::string original = testing::SourceDir() + "/examples/" + example;
    for (const auto& [name, bytes] : testing::FilesBelow(original)) {
      bool code_file = name.ends_with(".bas") || name.ends_with(".cls") || name.ends_with(".frm") ||
                       name.ends_with(".ctl") || name.ends_with(".vbp");
      if (!code_file) continue;
      for (int m = 0; m < kMutantsPerFile; ++m) {
        std::string root = dir.Path(std::to_string(runs++));
        testing::CopyTree(original, root);
        std::string mutant = Mutate(bytes, random);
        dir.Write(fs::relative(root, dir.path()).string() + "/" + name, mutant);
        auto on_disk = testing::FilesBelow(root);
        for (const auto& [file, content] : on_disk) {
          if (!file.ends_with(".vbp")) continue;
          std::string what = RunProject(root + "/" + file);
          if (what.empty()) continue;
          failures.push_back(name + " mutant " + std::to_string(m) + ": " + what);
          KeepMutant(root, std::to_string(runs - 1));
        }
        EXPECT_TRUE(testing::FilesBelow(root) == on_disk)
            << name << " mutant " << m << " changed a file";
        fs::remove_all(root);
      }
    }
  }
  EXPECT_GT(runs, 100);
  for (const auto& failure : failures)
    ADD_FAILURE() << failure;
}

}  // namespace
}  // namespace kestrix
