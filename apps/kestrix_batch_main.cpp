// kestrix-batch: the headless host. Loads a VB project or group from disk and works on it
// without windows.

#include <cstdio>
#include <cstring>
#include <string>

#include "host/ide.h"
#include "platform/vbfiles/file_ide.h"

namespace {

using kestrix::host::Component;
using kestrix::host::ComponentType;
using kestrix::host::ProcKind;

const char* kUsage =
    "usage: kestrix-batch info PATH [--procs]\n"
    "  info   loads a .vbp or .vbg and prints its projects, components and procedures\n";

const char* TypeName(ComponentType type) {
  switch (type) {
    case ComponentType::kStdModule:
      return "module";
    case ComponentType::kClassModule:
      return "class";
    case ComponentType::kMSForm:
      return "msform";
    case ComponentType::kResFile:
      return "resource";
    case ComponentType::kVBForm:
      return "form";
    case ComponentType::kVBMDIForm:
      return "mdi form";
    case ComponentType::kPropPage:
      return "property page";
    case ComponentType::kUserControl:
      return "user control";
    case ComponentType::kDocObject:
      return "user document";
    case ComponentType::kRelatedDocument:
      return "document";
    case ComponentType::kActiveXDesigner:
      return "designer";
  }
  return "?";
}

const char* KindLabel(ProcKind kind) {
  switch (kind) {
    case ProcKind::kProc:
      return "";
    case ProcKind::kPropertyLet:
      return " [Property Let]";
    case ProcKind::kPropertySet:
      return " [Property Set]";
    case ProcKind::kPropertyGet:
      return " [Property Get]";
  }
  return "";
}

// Prints each procedure of the module once, at its first line.
int PrintProcedures(kestrix::host::CodeModule& code, bool print) {
  int count = 0;
  std::string previous;
  ProcKind previous_kind = ProcKind::kProc;
  for (int32_t line = 1; line <= code.CountOfLines(); ++line) {
    ProcKind kind;
    std::string name = code.ProcOfLine(line, kind);
    if (name.empty() || (name == previous && kind == previous_kind)) continue;
    previous = name;
    previous_kind = kind;
    ++count;
    if (!print) continue;
    std::printf("        %-32s lines %d-%d, declared at %d\n", (name + KindLabel(kind)).c_str(),
                code.ProcStartLine(name, kind),
                code.ProcStartLine(name, kind) + code.ProcCountLines(name, kind) - 1,
                code.ProcBodyLine(name, kind));
  }
  return count;
}

void PrintComponent(Component& c, bool procs) {
  std::printf("    %-14s %-20s %s\n", TypeName(c.Type()), c.Name().c_str(), c.FileNames(1).c_str());
  kestrix::host::CodeModule* code = c.GetCodeModule();
  if (code == nullptr) return;
  int count = PrintProcedures(*code, false);
  std::printf("        %d lines, %d of declarations, %d procedures\n", code->CountOfLines(),
              code->CountOfDeclarationLines(), count);
  if (procs) PrintProcedures(*code, true);
}

int Info(const std::string& path, bool procs) {
  kestrix::vbfiles::FileIde ide;
  ide.Open(path);
  if (!ide.GroupFileName().empty()) std::printf("Group %s\n", ide.GroupFileName().c_str());
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    kestrix::host::Project& project = ide.Item(i);
    bool startup = &project == ide.StartupProject();
    std::printf("Project %s%s\n  file     %s\n  compiles %s\n", project.Name().c_str(),
                startup ? " (startup)" : "", project.FileName().c_str(),
                project.BuildFileName().c_str());
    for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
      PrintComponent(project.VBComponents().Item(k), procs);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc < 3 || std::strcmp(argv[1], "info") != 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  bool procs = argc > 3 && std::strcmp(argv[3], "--procs") == 0;
  try {
    return Info(argv[2], procs);
  } catch (const kestrix::host::IdeError& e) {
    std::fprintf(stderr, "kestrix-batch: %s\n", e.Description().c_str());
    return 2;
  }
}
