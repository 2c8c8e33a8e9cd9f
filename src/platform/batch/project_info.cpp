#include "platform/batch/project_info.h"

#include "engine/procedure_pass.h"
#include "host/ide.h"
#include "platform/vbfiles/file_ide.h"

namespace kestrix::batch {
namespace {

using host::ComponentType;
using host::ProcKind;

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

// Prints each procedure of the module once, at its first line; returns how many there are.
int PrintProcedures(host::CodeModule& code, bool print, std::FILE* out) {
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
    int32_t start = code.ProcStartLine(name, kind);
    std::fprintf(out, "        %-34s lines %d-%d, declared at %d\n",
                 (name + engine::KindLabel(kind)).c_str(), start,
                 start + code.ProcCountLines(name, kind) - 1, code.ProcBodyLine(name, kind));
  }
  return count;
}

void PrintComponent(host::Component& c, bool procedures, std::FILE* out) {
  std::fprintf(out, "    %-14s %-20s %s\n", TypeName(c.Type()), c.Name().c_str(),
               c.FileNames(1).c_str());
  host::CodeModule* code = c.GetCodeModule();
  if (code == nullptr) return;
  int count = PrintProcedures(*code, false, out);
  std::fprintf(out, "        %d lines, %d of declarations, %d procedures\n", code->CountOfLines(),
               code->CountOfDeclarationLines(), count);
  if (procedures) PrintProcedures(*code, true, out);
}

}  // namespace

void PrintProjectInfo(const std::string& path, bool procedures, std::FILE* out) {
  vbfiles::FileIde ide;
  ide.Open(path);
  if (!ide.GroupFileName().empty()) std::fprintf(out, "Group %s\n", ide.GroupFileName().c_str());
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Project& project = ide.Item(i);
    bool startup = &project == ide.StartupProject();
    std::fprintf(out, "Project %s%s\n  file     %s\n  compiles %s\n", project.Name().c_str(),
                 startup ? " (startup)" : "", project.FileName().c_str(),
                 project.BuildFileName().c_str());
    for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
      PrintComponent(project.VBComponents().Item(k), procedures, out);
    }
  }
}

}  // namespace kestrix::batch
