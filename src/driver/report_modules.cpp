#include "driver/report_modules.h"

#include <vector>

#include "basic/characters.h"
#include "driver/add_in_form.h"
#include "host/add_in.h"
#include "platform/system/file_io.h"

namespace kestrix::driver {
namespace {

bool FileExists(const std::string& path) {
  return system::IsRegularFile(path);
}

}  // namespace

bool ComponentExists(host::Project& project, std::string_view name_part, host::ComponentType kind) {
  std::string needle = basic::ToUpper(name_part);
  host::Components& components = project.VBComponents();
  for (int32_t k = 1; k <= components.Count(); ++k) {
    host::Component& c = components.Item(k);
    if (c.Type() == kind && basic::ToUpper(c.Name()).find(needle) != std::string::npos) return true;
  }
  return false;
}

std::string VbStringContent(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string ConstLine(std::string_view name, std::string_view value) {
  return "Private Const " + std::string(name) + "=\"" + VbStringContent(value) + "\"";
}

void frmAddIn::AddErrorReportModules(host::Project& project, int32_t build_number, bool& ok) {
  ok = false;
  std::string module_path = config_folder_ + "Kestrix.bas";
  std::string form_path = config_folder_ + "Kestrix.frm";
  for (const std::string& path : {module_path, form_path}) {
    if (!FileExists(path)) {
      services_.dialogs.MsgBox("File " + path + " not found. Aborting...");
      return;
    }
  }
  // The project's own copies: they have no file until the project is saved, so nothing is
  // ever written back into the templates.
  if (!ComponentExists(project, "Kestrix", host::ComponentType::kStdModule)) {
    host::Component& module = project.VBComponents().Import(module_path);
    std::string number = build_number == -1 ? "N/A" : std::to_string(build_number);
    module.GetCodeModule()->InsertLines(1, ConstLine("BUILDNUMBER", number));
  }
  if (!ComponentExists(project, "Kestrix", host::ComponentType::kVBForm)) {
    std::string programmer, email;
    host::GetProgrammerInfo(services_.settings, programmer, email);
    host::Component& form = project.VBComponents().Import(form_path);
    form.GetCodeModule()->InsertLines(1, ConstLine("YourName", programmer));
    form.GetCodeModule()->InsertLines(1, ConstLine("YourEmailAddr", email));
  }
  ok = true;
}

void frmAddIn::RemoveAddedComponents(host::Project& project) {
  // Collected first: removing while walking the collection would pass over the next one.
  std::vector<host::Component*> added;
  host::Components& components = project.VBComponents();
  for (int32_t k = 1; k <= components.Count(); ++k) {
    host::Component& c = components.Item(k);
    if (basic::ToUpper(c.Name()).find("KESTRIX") != std::string::npos) added.push_back(&c);
  }
  for (host::Component* c : added)
    components.Remove(*c);
}

}  // namespace kestrix::driver
