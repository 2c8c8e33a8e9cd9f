#include "build/build_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "build/add_in_form.h"

namespace kestrix::build {
namespace {

constexpr char kSeparator = '/';

// Makes the folder (one level: its parent is the base folder) and saves through `save_as`.
template <typename Target>
std::optional<std::string> SaveCopyAs(Target& target, const std::string& folder,
                                      const std::string& file_name) {
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    return "Cannot make the build folder " + folder + ": " + std::strerror(errno);
  }
  std::string path = folder + kSeparator + file_name;
  try {
    target.SaveAs(path);
  } catch (const host::IdeError& error) {
    return error.Description();
  }
  return std::nullopt;
}

}  // namespace

BuildFolderRule BuildFolderRule::From(const Options& options, const std::string& project_name,
                                      int32_t build_number) {
  BuildFolderRule rule;
  rule.in_chosen_folder = options.Check3 == 1;
  rule.chosen_folder = options.Dir1;
  rule.project_name_in_folder = options.Check4 != 0;
  rule.project_name = project_name;
  rule.build_number = build_number;
  return rule;
}

std::string GetBuildFolder(const BuildFolderRule& rule, std::string& path) {
  size_t p = path.rfind(kSeparator);
  size_t name_start = p == std::string::npos ? 0 : p + 1;
  std::string base = rule.in_chosen_folder ? rule.chosen_folder : path.substr(0, name_start ? p : 0);
  while (base.size() > 1 && base.back() == kSeparator) base.pop_back();
  path = path.substr(name_start);
  std::string number = std::to_string(rule.build_number);
  if (rule.project_name_in_folder) return base + kSeparator + rule.project_name + " BUILD " + number;
  return base + kSeparator + "BUILD " + number;
}

std::string ExtensionForType(host::ComponentType type) {
  switch (type) {
    case host::ComponentType::kClassModule:
      return ".cls";
    case host::ComponentType::kVBForm:
    case host::ComponentType::kVBMDIForm:
      return ".frm";
    case host::ComponentType::kPropPage:
      return ".pag";
    case host::ComponentType::kUserControl:
      return ".ctl";
    case host::ComponentType::kDocObject:
      return ".dob";
    case host::ComponentType::kActiveXDesigner:
    case host::ComponentType::kMSForm:
      return ".dsr";
    default:
      return ".bas";
  }
}

std::optional<std::string> SaveIntoBuildFolder(const BuildFolderRule& rule,
                                               host::Component& component,
                                               host::Project& project) {
  std::string path = component.FileNames(1);
  if (!path.empty()) {
    std::string folder = GetBuildFolder(rule, path);
    return SaveCopyAs(component, folder, path);
  }
  // Never saved: into the build folder of the project file, named after the component.
  path = project.FileName();
  std::string folder = GetBuildFolder(rule, path);
  return SaveCopyAs(component, folder, component.Name() + ExtensionForType(component.Type()));
}

std::optional<std::string> SaveIntoBuildFolder(const BuildFolderRule& rule,
                                               host::Project& project) {
  std::string path = project.FileName();
  std::string folder = GetBuildFolder(rule, path);
  return SaveCopyAs(project, folder, path);
}

}  // namespace kestrix::build
