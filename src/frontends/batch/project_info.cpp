#include "frontends/batch/project_info.h"

#include <vector>

#include "engine/procedure_pass.h"
#include "frontends/batch/text_escape.h"
#include "host/component_kinds.h"
#include "host/ide.h"
#include "platform/vbfiles/file_ide.h"

namespace kestrix::batch {
namespace {

using host::ComponentType;
using host::ProcKind;

// The table's words are string literals, so each ends with a NUL.
const char* TypeName(ComponentType type) {
  return host::KindOf(type).word.data();
}

// One printer per format; text is for people, the others one row per item.
class InfoPrinter {
 public:
  InfoPrinter(OutputFormat format, std::FILE* out) : format_(format), out_(out) {}

  void Group(const std::string& file) {
    if (format_ == OutputFormat::kText) return Print("Group " + file + "\n");
    Row({{"group", kText}, {"file", kPath}}, {"group", file});
  }

  void Project(const std::string& name, bool startup, const std::string& file,
               const std::string& compiles) {
    if (format_ == OutputFormat::kText) {
      return Print("Project " + name + (startup ? " (startup)" : "") + "\n  file     " + file +
                   "\n  compiles " + compiles + "\n");
    }
    project_ = name;
    Row({{"project", kText},
         {"name", kText},
         {"startup", kBool},
         {"file", kPath},
         {"compiles", kPath}},
        {"project", name, startup ? "1" : "0", file, compiles});
  }

  // `sizes` is {lines, declaration lines, procedures}, empty for a component without code.
  void Component(const char* type, const std::string& name, const std::string& file,
                 const std::vector<int>& sizes) {
    component_ = name;
    if (format_ == OutputFormat::kText) {
      Printf("    %-14s %-20s %s\n", type, name.c_str(), file.c_str());
      if (!sizes.empty()) {
        Printf("        %d lines, %d of declarations, %d procedures\n", sizes[0], sizes[1],
               sizes[2]);
      }
      return;
    }
    auto size = [&](size_t i) { return sizes.empty() ? std::string() : std::to_string(sizes[i]); };
    Row({{"component", kText},
         {"project", kText},
         {"kind", kText},
         {"name", kText},
         {"file", kPath},
         {"lines", kNumber},
         {"declaration_lines", kNumber},
         {"procedures", kNumber}},
        {"component", project_, type, name, file, size(0), size(1), size(2)});
  }

  void Procedure(const std::string& name, int32_t start, int32_t end, int32_t body) {
    if (format_ == OutputFormat::kText) {
      return Printf("        %-34s lines %d-%d, declared at %d\n", name.c_str(), start, end, body);
    }
    Row({{"procedure", kText},
         {"project", kText},
         {"component", kText},
         {"name", kText},
         {"start", kNumber},
         {"end", kNumber},
         {"declared", kNumber}},
        {"procedure", project_, component_, name, std::to_string(start), std::to_string(end),
         std::to_string(body)});
  }

 private:
  enum Kind { kText, kPath, kNumber, kBool };
  struct Field {
    const char* key;
    Kind kind;
  };

  void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), out_); }

  template <typename... Args>
  void Printf(const char* format, Args... args) {
    std::fprintf(out_, format, args...);
  }

  // A TSV row of the values, or a JSON line {"type": values[0], key: value, ...}.
  void Row(const std::vector<Field>& fields, const std::vector<std::string>& values) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (format_ == OutputFormat::kTsv) {
        line += (i == 0 ? "" : "\t") + TsvCell(values[i]);
        continue;
      }
      line += i == 0 ? "{\"type\":" : ",\"" + std::string(fields[i].key) + "\":";
      switch (fields[i].kind) {
        case kText:
          line += JsonString(values[i]);
          break;
        case kPath:
          line += JsonPath(values[i]);
          break;
        case kNumber:
          line += values[i].empty() ? "null" : values[i];
          break;
        case kBool:
          line += values[i] == "1" ? "true" : "false";
          break;
      }
    }
    Print(line + (format_ == OutputFormat::kJson ? "}\n" : "\n"));
  }

  OutputFormat format_;
  std::FILE* out_;
  std::string project_;
  std::string component_;
};

// Calls `each` for each procedure of the module once, at its first line; returns how many
// there are.
template <typename Each>
int ForEachProcedure(host::CodeModule& code, Each each) {
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
    each(name, kind);
  }
  return count;
}

void PrintComponent(host::Component& c, bool procedures, InfoPrinter& printer) {
  host::CodeModule* code = c.GetCodeModule();
  if (code == nullptr) return printer.Component(TypeName(c.Type()), c.Name(), c.FileNames(1), {});
  int count = ForEachProcedure(*code, [](const std::string&, ProcKind) {});
  printer.Component(TypeName(c.Type()), c.Name(), c.FileNames(1),
                    {code->CountOfLines(), code->CountOfDeclarationLines(), count});
  if (!procedures) return;
  ForEachProcedure(*code, [&](const std::string& name, ProcKind kind) {
    int32_t start = code->ProcStartLine(name, kind);
    printer.Procedure(name + engine::KindLabel(kind), start,
                      start + code->ProcCountLines(name, kind) - 1, code->ProcBodyLine(name, kind));
  });
}

}  // namespace

void PrintProjectInfo(const std::string& path, const InfoOptions& options, std::FILE* out) {
  vbfiles::FileIde ide;
  ide.SetCodePage(options.code_page);
  ide.Open(path);
  InfoPrinter printer(options.format, out);
  if (!ide.GroupFileName().empty()) printer.Group(ide.GroupFileName());
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Project& project = ide.Item(i);
    printer.Project(project.Name(), &project == ide.StartupProject(), project.FileName(),
                    project.BuildFileName());
    for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
      PrintComponent(project.VBComponents().Item(k), options.procedures, printer);
    }
  }
}

}  // namespace kestrix::batch
