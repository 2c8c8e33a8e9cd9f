#include "vb_generator.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "vb_code_writer.h"

namespace kestrix::bench {

namespace {

namespace fs = std::filesystem;

constexpr int64_t kMaxModuleLines = 65534;
// A component smaller than this is folded into the one before it.
constexpr int64_t kMinComponentLines = 100;

constexpr std::array<std::string_view, 10> kNouns = {"Order",   "Customer", "Invoice", "Report",
                                                     "Stock",   "Ledger",   "Payment", "Supplier",
                                                     "Account", "Schedule"};

struct ComponentPlan {
  ModuleKind kind = ModuleKind::kStandard;
  std::string name;
  int64_t lines = 0;
  bool with_main = false;  // holds the project's Sub Main
  bool exposed = false;    // a class other programs may create (ActiveX DLLs)
};

struct ProjectPlan {
  std::string name;
  bool dll = false;
  bool subfolders = false;  // components in Modules\, Classes\ and Forms\ below the .vbp
  std::vector<ComponentPlan> components;
};

std::string_view Extension(ModuleKind kind) {
  switch (kind) {
    case ModuleKind::kStandard:
      return ".bas";
    case ModuleKind::kClass:
      return ".cls";
    case ModuleKind::kForm:
      return ".frm";
  }
  return ".bas";
}

// Path of a component relative to its project file, with backslashes as VB writes it.
std::string RelativePath(const ProjectPlan& project, const ComponentPlan& component) {
  std::string file = component.name + std::string(Extension(component.kind));
  if (!project.subfolders) return file;
  switch (component.kind) {
    case ModuleKind::kStandard:
      return "Modules\\" + file;
    case ModuleKind::kClass:
      return "Classes\\" + file;
    case ModuleKind::kForm:
      return "Forms\\" + file;
  }
  return file;
}

fs::path NativePath(const fs::path& folder, std::string relative) {
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return folder / relative;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Sizes vary the way real projects' modules do: mostly a few hundred to a few thousand
// lines, now and then a very large one.
int64_t ComponentSize(ModuleKind kind, Prng& rng) {
  const int64_t roll = rng.Between(0, 99);
  if (kind == ModuleKind::kForm) return roll < 60 ? rng.Between(100, 500) : rng.Between(500, 1500);
  if (roll < 35) return rng.Between(200, 500);
  if (roll < 75) return rng.Between(500, 1500);
  if (roll < 95) return rng.Between(1500, 4000);
  return kind == ModuleKind::kStandard ? rng.Between(4000, 12000) : rng.Between(4000, 6000);
}

ComponentPlan NextComponent(const ProjectPlan& project, Prng& rng, NameSource& names) {
  ComponentPlan component;
  const bool first = project.components.empty();
  const int64_t roll = rng.Between(0, 99);
  if (first) {
    // A DLL needs a public class; an EXE starts from Sub Main in its first module.
    component.kind = project.dll ? ModuleKind::kClass : ModuleKind::kStandard;
  } else {
    component.kind =
        roll < 60 ? ModuleKind::kStandard : (roll < 85 ? ModuleKind::kClass : ModuleKind::kForm);
  }
  const std::string noun(rng.Pick(kNouns));
  switch (component.kind) {
    case ModuleKind::kStandard:
      component.name = names.Next("mod" + noun);
      break;
    case ModuleKind::kClass:
      component.name = names.Next("cls" + noun);
      break;
    case ModuleKind::kForm:
      component.name = names.Next("frm" + noun);
      break;
  }
  component.with_main = first && !project.dll;
  component.exposed = project.dll && component.kind == ModuleKind::kClass;
  return component;
}

ProjectPlan PlanProject(int64_t index, bool dll, int64_t lines, Prng& rng, NameSource& names) {
  ProjectPlan project;
  project.dll = dll;
  project.name =
      std::string(dll ? "Lib" : "App") + std::string(rng.Pick(kNouns)) + std::to_string(index);
  project.subfolders = rng.Chance(50);
  int64_t rest = lines;
  while (rest > 0 || project.components.empty()) {
    ComponentPlan component = NextComponent(project, rng, names);
    component.lines = ComponentSize(component.kind, rng);
    if (rest - component.lines < kMinComponentLines) component.lines = rest;
    rest -= component.lines;
    project.components.push_back(std::move(component));
  }
  return project;
}

void ClassHeader(const ComponentPlan& component, Prng& rng, LineWriter& out) {
  out.Hidden("VERSION 1.0 CLASS");
  out.Hidden("BEGIN");
  out.Hidden("  MultiUse = -1  'True");
  out.Hidden("  Persistable = 0  'NotPersistable");
  out.Hidden("  DataBindingBehavior = 0  'vbNone");
  out.Hidden("  DataSourceBehavior  = 0  'vbNone");
  out.Hidden("  MTSTransactionMode  = 0  'NotAnMTSObject");
  out.Hidden("END");
  out.Hidden("Attribute VB_Name = \"" + component.name + "\"");
  out.Hidden("Attribute VB_GlobalNameSpace = False");
  out.Hidden("Attribute VB_Creatable = True");
  out.Hidden("Attribute VB_PredeclaredId = False");
  out.Hidden(std::string("Attribute VB_Exposed = ") + (component.exposed ? "True" : "False"));
  if (rng.Chance(30)) {
    out.Hidden("Attribute VB_Ext_KEY = \"SavedWithClassBuilder6\" ,\"Yes\"");
    out.Hidden("Attribute VB_Ext_KEY = \"Top_Level\" ,\"Yes\"");
  }
}

// A form's designer block and module attributes; "@" stands for the form's name. VB ends
// each Begin line with a blank.
constexpr std::string_view kFormHeader[] = {
    "VERSION 5.00",
    "Begin VB.Form @ ",
    "   BorderStyle     =   3  'Fixed Dialog",
    "   Caption         =   \"@\"",
    "   ClientHeight    =   3195",
    "   ClientLeft      =   45",
    "   ClientTop       =   330",
    "   ClientWidth     =   4680",
    "   BeginProperty Font ",
    "      Name            =   \"Tahoma\"",
    "      Size            =   8.25",
    "      Charset         =   0",
    "      Weight          =   400",
    "      Underline       =   0   'False",
    "      Italic          =   0   'False",
    "      Strikethrough   =   0   'False",
    "   EndProperty",
    "   Icon            =   \"@.frx\":0000",
    "   LinkTopic       =   \"Form1\"",
    "   MaxButton       =   0   'False",
    "   MinButton       =   0   'False",
    "   ScaleHeight     =   3195",
    "   ScaleWidth      =   4680",
    "   ShowInTaskbar   =   0   'False",
    "   StartUpPosition =   1  'CenterOwner",
    "   Begin VB.Frame fraOptions ",
    "      Caption         =   \"Options\"",
    "      Height          =   1815",
    "      Left            =   120",
    "      TabIndex        =   2",
    "      Top             =   120",
    "      Width           =   4455",
    "      Begin VB.TextBox txtName ",
    "         Height          =   285",
    "         Left            =   240",
    "         TabIndex        =   4",
    "         Text            =   \"Customer\"",
    "         Top             =   720",
    "         Width           =   3975",
    "      End",
    "      Begin VB.CheckBox chkOption1 ",
    "         Caption         =   \"Print the report\"",
    "         Height          =   255",
    "         Left            =   240",
    "         TabIndex        =   3",
    "         Top             =   360",
    "         Width           =   3975",
    "      End",
    "   End",
    "   Begin VB.CommandButton cmdCancel ",
    "      Cancel          =   -1  'True",
    "      Caption         =   \"Cancel\"",
    "      Height          =   375",
    "      Left            =   3480",
    "      TabIndex        =   1",
    "      Top             =   2640",
    "      Width           =   1095",
    "   End",
    "   Begin VB.CommandButton cmdOK ",
    "      Caption         =   \"OK\"",
    "      Default         =   -1  'True",
    "      Height          =   375",
    "      Left            =   2280",
    "      TabIndex        =   0",
    "      Top             =   2640",
    "      Width           =   1095",
    "   End",
    "End",
    "Attribute VB_Name = \"@\"",
    "Attribute VB_GlobalNameSpace = False",
    "Attribute VB_Creatable = False",
    "Attribute VB_PredeclaredId = True",
    "Attribute VB_Exposed = False",
};

void FormHeader(const ComponentPlan& component, LineWriter& out) {
  for (std::string_view line : kFormHeader) {
    std::string text(line);
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
      text.replace(at, 1, component.name);
      at += component.name.size();
    }
    out.Hidden(text);
  }
}

void AppendLe32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>(value >> shift));
}

// The form's icon as VB stores it in the .frx: a "lt\0\0" header, the length, then a small
// .ico. Its bytes run through every value, CR, LF and NUL among them.
std::string FrxBytes() {
  std::string icon("\0\0\1\0\1\0\x10\x10\0\0\1\0\4\0", 14);
  AppendLe32(icon, 256);  // image size
  AppendLe32(icon, 22);   // image offset
  for (int value = 0; value < 256; ++value)
    icon.push_back(static_cast<char>(value));
  std::string frx("lt\0\0", 4);
  AppendLe32(frx, static_cast<uint32_t>(icon.size()));
  return frx + icon;
}

ModuleRequest RequestOf(const ComponentPlan& component) {
  ModuleRequest request;
  request.kind = component.kind;
  request.lines = component.lines;
  request.with_main = component.with_main;
  if (component.kind == ModuleKind::kForm) {
    request.event_handlers = {{"Form_Load", ""},        {"Form_Unload", "Cancel As Integer"},
                              {"cmdOK_Click", ""},      {"cmdCancel_Click", ""},
                              {"chkOption1_Click", ""}, {"txtName_Change", ""}};
  }
  return request;
}

// Writes the component's file (and a form's .frx); returns the code lines written.
int64_t WriteComponent(const fs::path& project_dir, const ProjectPlan& project,
                       const ComponentPlan& component, Prng& rng, NameSource& names) {
  LineWriter out;
  if (component.kind == ModuleKind::kStandard) {
    out.Hidden("Attribute VB_Name = \"" + component.name + "\"");
  } else if (component.kind == ModuleKind::kClass) {
    ClassHeader(component, rng, out);
  } else {
    FormHeader(component, out);
  }
  WriteModuleCode(RequestOf(component), rng, names, out);
  const fs::path path = NativePath(project_dir, RelativePath(project, component));
  WriteFile(path, out.bytes());
  if (component.kind == ModuleKind::kForm) {
    WriteFile(fs::path(path).replace_extension(".frx"), FrxBytes());
  }
  return out.code_lines();
}

std::string ComponentLine(const ProjectPlan& project, const ComponentPlan& component) {
  const std::string path = RelativePath(project, component);
  switch (component.kind) {
    case ModuleKind::kStandard:
      return "Module=" + component.name + "; " + path;
    case ModuleKind::kClass:
      return "Class=" + component.name + "; " + path;
    case ModuleKind::kForm:
      return "Form=" + path;
  }
  return path;
}

// Settings every project file carries, in the order VB writes them.
constexpr std::string_view kProjectSettings[] = {
    "MajorVer=1",          "MinorVer=0",           "RevisionVer=0",
    "AutoIncrementVer=0",  "ServerSupportFiles=0", "VersionCompanyName=\"Kestrix Bench\"",
    "CompilationType=0",   "OptimizationType=0",   "FavorPentiumPro(tm)=0",
    "CodeViewDebugInfo=0", "NoAliasing=0",         "BoundsCheck=0",
    "OverflowCheck=0",     "FlPointCheck=0",       "FDIVCheck=0",
    "UnroundedFP=0",       "StartMode=0",          "Unattended=0",
    "Retained=0",          "ThreadPerObject=0",    "MaxNumberOfThreads=1",
};

std::string ProjectText(const ProjectPlan& project) {
  const std::string name = "\"" + project.name + "\"";
  LineWriter out;
  out.Hidden(project.dll ? "Type=OleDll" : "Type=Exe");
  out.Hidden(
      "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#"
      "..\\..\\..\\..\\Windows\\SysWOW64\\stdole2.tlb#OLE Automation");
  for (const ComponentPlan& component : project.components) {
    out.Hidden(ComponentLine(project, component));
  }
  out.Hidden(project.dll ? "Startup=\"(None)\"" : "Startup=\"Sub Main\"");
  out.Hidden("HelpFile=\"\"");
  out.Hidden("Title=" + name);
  out.Hidden("ExeName32=\"" + project.name + (project.dll ? ".dll\"" : ".exe\""));
  out.Hidden("Command32=\"\"");
  out.Hidden("Name=" + name);
  out.Hidden("HelpContextID=\"0\"");
  out.Hidden(project.dll ? "CompatibleMode=\"1\"" : "CompatibleMode=\"0\"");
  for (std::string_view line : kProjectSettings)
    out.Hidden(line);
  if (project.dll) out.Hidden("ThreadingModel=1");
  out.Hidden("");
  out.Hidden("[MS Transaction Server]");
  out.Hidden("AutoRefresh=1");
  return out.bytes();
}

}  // namespace

GeneratedGroup GenerateGroup(const std::string& dir, int64_t total_lines, uint32_t seed) {
  if (total_lines < 0) throw std::invalid_argument("a group cannot have fewer than 0 lines");
  Prng rng(seed);
  NameSource names;
  const int64_t count = std::clamp<int64_t>(2 + total_lines / 250000, 2, 8);
  GeneratedGroup group;
  group.group_file = (fs::path(dir) / "Bench.vbg").generic_string();
  LineWriter vbg;
  vbg.Hidden("VBGROUP 5.0");
  for (int64_t index = 1; index <= count; ++index) {
    const int64_t lines = total_lines / count + (index <= total_lines % count ? 1 : 0);
    const ProjectPlan project = PlanProject(index, index % 2 == 0, lines, rng, names);
    const fs::path project_dir = fs::path(dir) / project.name;
    for (const ComponentPlan& component : project.components) {
      group.code_lines += WriteComponent(project_dir, project, component, rng, names);
      group.files += component.kind == ModuleKind::kForm ? 2 : 1;
    }
    WriteFile(project_dir / (project.name + ".vbp"), ProjectText(project));
    ++group.files;
    vbg.Hidden((index == 1 ? "StartupProject=" : "Project=") + project.name + "\\" + project.name +
               ".vbp");
  }
  WriteFile(group.group_file, vbg.bytes());
  ++group.files;
  return group;
}

std::string GenerateModule(const std::string& name, int64_t lines, uint32_t seed) {
  if (lines < 0 || lines > kMaxModuleLines) {
    throw std::invalid_argument("a module holds 0 to 65534 lines, not " + std::to_string(lines));
  }
  Prng rng(seed);
  NameSource names;
  LineWriter out;
  out.Hidden("Attribute VB_Name = \"" + name + "\"");
  ModuleRequest request;
  request.lines = lines;
  request.with_main = true;
  WriteModuleCode(request, rng, names, out);
  return out.bytes();
}

GeneratedGroup GenerateModuleProject(const std::string& dir, int64_t lines, uint32_t seed) {
  ProjectPlan project;
  project.name = "Bench";
  project.components.push_back(ComponentPlan{ModuleKind::kStandard, "modBench", lines, true});
  WriteFile(fs::path(dir) / "modBench.bas", GenerateModule("modBench", lines, seed));
  GeneratedGroup result;
  result.group_file = (fs::path(dir) / "Bench.vbp").generic_string();
  WriteFile(result.group_file, ProjectText(project));
  result.code_lines = lines;
  result.files = 2;
  return result;
}

namespace {

struct FormName {
  std::string_view name;
  ProcForm form;
  int64_t min_lines;
};

constexpr FormName kForms[] = {
    {"plain", ProcForm::kPlain, 2},          {"if-header", ProcForm::kIfHeader, 4},
    {"if-wrapped", ProcForm::kIfWrapped, 4}, {"if-else-header", ProcForm::kIfElseHeader, 6},
    {"continued", ProcForm::kContinued, 3},  {"open-end", ProcForm::kOpenEnd, 2},
    {"one-line", ProcForm::kOneLine, 1},     {"commented", ProcForm::kCommented, 4},
};

// One procedure of `size` lines in `form`; `last` drops the End line of kOpenEnd.
void WriteProcedure(LineWriter& out, ProcForm form, int64_t proc, int64_t size, bool last) {
  const std::string name = "P" + std::to_string(proc);
  const std::string header = "Public Sub " + name + "(ByVal a As Long)";
  int64_t statements = size - MinProcLines(form);
  switch (form) {
    case ProcForm::kOneLine:
      out.Code("Public Sub " + name + "(ByVal a As Long): a = a + 1: End Sub");
      return;
    case ProcForm::kIfHeader:
    case ProcForm::kIfWrapped:
      out.Code("#If A Then");
      out.Code(header);
      if (form == ProcForm::kIfHeader) out.Code("#End If");
      break;
    case ProcForm::kIfElseHeader:
      out.Code("#If A Then");
      out.Code(header);
      out.Code("#Else");
      out.Code("Public Sub " + name + "(ByVal a As Integer)");
      out.Code("#End If");
      break;
    case ProcForm::kContinued:
      out.Code("Public Sub " + name + "(ByVal a As Long, _");
      out.Code("    ByVal b As Long)");
      break;
    case ProcForm::kCommented:
      out.Code("' " + name + " adds to a.");
      out.Code("' It returns nothing.");
      out.Code(header);
      break;
    case ProcForm::kPlain:
    case ProcForm::kOpenEnd:
      out.Code(header);
      break;
  }
  for (int64_t k = 1; k <= statements; ++k)
    out.Code("    a = a + " + std::to_string(k));
  if (form == ProcForm::kOpenEnd && last) {
    out.Code("    a = a - 1");
  } else {
    out.Code("End Sub");
  }
  if (form == ProcForm::kIfWrapped) out.Code("#End If");
}

}  // namespace

bool ParseProcForm(std::string_view name, ProcForm& form) {
  for (const FormName& f : kForms) {
    if (f.name == name) {
      form = f.form;
      return true;
    }
  }
  return false;
}

int64_t MinProcLines(ProcForm form) {
  for (const FormName& f : kForms) {
    if (f.form == form) return f.min_lines;
  }
  return 2;
}

std::string GenerateUniformModule(const std::string& name, int64_t lines, int64_t proc_lines,
                                  ProcForm form) {
  if (lines < 0 || lines > kMaxModuleLines || proc_lines < MinProcLines(form) ||
      (form == ProcForm::kOneLine && proc_lines != 1)) {
    throw std::invalid_argument(
        "a module holds 0 to 65534 lines of procedures of at least the form's least size");
  }
  LineWriter out;
  out.Hidden("Attribute VB_Name = \"" + name + "\"");
  if (form == ProcForm::kPlain) {
    int64_t written = 0;
    if (lines % proc_lines == 1) {  // one line that no procedure can take
      out.Code("Option Explicit");
      ++written;
    }
    for (int64_t proc = 1; written < lines; ++proc) {
      const int64_t size = std::min(proc_lines, lines - written);
      WriteProcedure(out, form, proc, size, false);
      written += size;
    }
    return out.bytes();
  }
  const int64_t procs = lines / proc_lines;
  for (int64_t k = procs * proc_lines; k < lines; ++k)
    out.Code("' Generated.");
  for (int64_t proc = 1; proc <= procs; ++proc)
    WriteProcedure(out, form, proc, proc_lines, proc == procs);
  return out.bytes();
}

GeneratedGroup GenerateUniformModuleProject(const std::string& dir, int64_t lines,
                                            int64_t proc_lines, ProcForm form) {
  ProjectPlan project;
  project.name = "Bench";
  project.components.push_back(ComponentPlan{ModuleKind::kStandard, "modBench", lines, false});
  WriteFile(fs::path(dir) / "modBench.bas",
            GenerateUniformModule("modBench", lines, proc_lines, form));
  GeneratedGroup result;
  result.group_file = (fs::path(dir) / "Bench.vbp").generic_string();
  WriteFile(result.group_file, ProjectText(project));
  result.code_lines = lines;
  result.files = 2;
  return result;
}

}  // namespace kestrix::bench
