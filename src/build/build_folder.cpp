#include "build/build_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "build/add_in_form.h"

namespace kestrix::build {
namespace {

constexpr char kSeparator = '/';

template <typename Target>
std::optional<std::string> SaveAs(Target& target, const BuildTarget& to) {
  try {
    target.SaveAs(to.Path());
  } catch (const host::IdeError& error) {
    return error.Description();
  }
  return std::nullopt;
}

}  // namespace

BuildFolderRule BuildFolderRule::From(const Options& options, const std::string& project_name,
                                      int32_t build_number, const std::string& project_file) {
  BuildFolderRule rule;
  rule.in_chosen_folder = options.Check3 == 1;
  rule.chosen_folder = options.Dir1;
  rule.project_name_in_folder = options.Check4 != 0;
  rule.project_name = project_name;
  rule.build_number = build_number;
  rule.project_folder = project_file.substr(0, project_file.rfind(kSeparator));
  return rule;
}

std::string GetBuildFolder(const BuildFolderRule& rule, std::string& path) {
  size_t p = path.rfind(kSeparator);
  size_t name_start = p == std::string::npos ? 0 : p + 1;
  std::string own_folder = path.substr(0, name_start ? p : 0);
  // Below the project's folder: the same place below the project's build folder.
  std::string below;
  const std::string& project = rule.project_folder;
  bool inside = !project.empty() && own_folder.size() >= project.size() &&
                own_folder.compare(0, project.size(), project) == 0 &&
                (own_folder.size() == project.size() || own_folder[project.size()] == kSeparator);
  if (inside) below = own_folder.substr(project.size());
  std::string base = rule.in_chosen_folder ? rule.chosen_folder : inside ? project : own_folder;
  while (base.size() > 1 && base.back() == kSeparator)
    base.pop_back();
  path = path.substr(name_start);
  std::string number = std::to_string(rule.build_number);
  std::string name =
      rule.project_name_in_folder ? rule.project_name + " BUILD " + number : "BUILD " + number;
  return base + kSeparator + name + below;
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

BuildTarget TargetFor(const BuildFolderRule& rule, host::Component& component,
                      host::Project& project) {
  std::string path = component.FileNames(1);
  if (!path.empty()) {
    std::string folder = GetBuildFolder(rule, path);
    return {folder, path};
  }
  path = project.FileName();
  return {GetBuildFolder(rule, path), component.Name() + ExtensionForType(component.Type())};
}

BuildTarget TargetFor(const BuildFolderRule& rule, host::Project& project) {
  std::string path = project.FileName();
  std::string folder = GetBuildFolder(rule, path);
  return {folder, path};
}

std::optional<std::string> PrepareTarget(const BuildTarget& target) {
  std::error_code made;
  std::filesystem::create_directories(target.folder, made);
  if (made) return "Cannot make the build folder " + target.folder + ": " + made.message();
  std::string path = target.Path();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) {
      return "Cannot write " + path + ": the file is read-only";
    }
  } else if (::access(target.folder.c_str(), W_OK | X_OK) != 0) {
    return "Cannot write into " + target.folder + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

std::optional<std::string> SaveIntoBuildFolder(host::Component& component,
                                               const BuildTarget& target) {
  return SaveAs(component, target);
}

std::optional<std::string> SaveIntoBuildFolder(host::Project& project, const BuildTarget& target) {
  return SaveAs(project, target);
}

}  // namespace kestrix::build
