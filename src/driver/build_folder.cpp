#include "driver/build_folder.h"

#include <climits>
#include <filesystem>
#include <regex>
#include <set>

#include "basic/characters.h"
#include "driver/add_in_form.h"
#include "host/component_kinds.h"
#include "platform/system/environment.h"
#include "platform/system/file_io.h"

namespace kestrix::driver {
namespace {

namespace fs = std::filesystem;

constexpr char kSeparator = '/';
constexpr const char* kUpFolder = "Up";

template <typename Target>
std::optional<std::string> SaveAs(Target& target, const BuildTarget& to) {
  try {
    target.SaveAs(to.Path());
  } catch (const host::IdeError& error) {
    return error.Description();
  }
  return std::nullopt;
}

// `path` relative to the project's folder, when it lies below it as written, the folder is
// one from the root "/" (not a drive's or a share's, whose roots std::filesystem weighs),
// and both hold plain names only, without ':': what RelativeToProject gives then, read off
// without taking either apart. Nothing otherwise.
std::optional<std::string_view> PlainlyBelowProject(const BuildFolderRule& rule,
                                                    std::string_view path) {
  const std::string& folder = rule.project_folder;
  if (folder.size() < 2 || folder[0] != kSeparator || folder[1] == kSeparator ||
      path.size() <= folder.size() + 1 || !path.starts_with(folder) ||
      path[folder.size()] != kSeparator || path.find(':') != std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view relative = path.substr(folder.size() + 1);
  if (!system::PlainNames(std::string_view(folder).substr(1)) || !system::PlainNames(relative)) {
    return std::nullopt;
  }
  return relative;
}

// `path` relative to the project's folder, without "." or ".." parts left in it.
fs::path RelativeToProject(const BuildFolderRule& rule, const std::string& path) {
  return system::FileSystemPath(path).lexically_normal().lexically_relative(
      system::FileSystemPath(rule.project_folder).lexically_normal());
}

bool StartsOutside(const fs::path& relative) {
  return relative.empty() || relative.is_absolute() || *relative.begin() == "..";
}

// Where a file at `relative` (to the project's folder) lies inside the build folder.
fs::path PlaceInBuild(const fs::path& relative) {
  if (!StartsOutside(relative)) return relative;
  fs::path place = kOutsideFolder;
  for (const fs::path& part : relative) {
    if (part == "..") {
      place /= kUpFolder;
    } else if (part != "." && part != "/") {
      place /= system::FileSystemPath(SafeFileName(system::FromFileSystemPath(part)));
    }
  }
  return place;
}

// Removes the folder when it holds nothing but empty folders; a folder with anything else
// in it stays, with the folders above it.
bool RemoveIfEmpty(const fs::path& folder) {
  std::error_code error;
  bool empty = true;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_directory(error) && !entry.is_symlink(error) && RemoveIfEmpty(entry.path())) {
      continue;
    }
    empty = false;
  }
  return empty && !error && fs::remove(folder, error);
}

}  // namespace

BuildFolderRule BuildFolderRule::From(const Options& options, const std::string& project_name,
                                      int32_t build_number, const std::string& project_file) {
  BuildFolderRule rule;
  rule.in_chosen_folder = options.Check3 == engine::kChecked;
  rule.chosen_folder = options.Dir1;
  rule.project_name_in_folder = options.Check4 != engine::kUnchecked;
  rule.project_name = project_name;
  rule.build_number = build_number;
  rule.project_folder = project_file.substr(0, project_file.rfind(kSeparator));
  return rule;
}

std::string BuildFolderName(const BuildFolderRule& rule) {
  std::string number = "BUILD " + std::to_string(rule.build_number);
  return rule.project_name_in_folder ? SafeFileName(rule.project_name) + " " + number : number;
}

std::string ProjectBuildFolder(const BuildFolderRule& rule) {
  std::string base = rule.in_chosen_folder ? rule.chosen_folder : rule.project_folder;
  while (base.size() > 1 && base.back() == kSeparator)
    base.pop_back();
  return base + kSeparator + BuildFolderName(rule);
}

std::string GetBuildFolder(const BuildFolderRule& rule, std::string& path) {
  if (std::optional<std::string_view> relative = PlainlyBelowProject(rule, path)) {
    // Its place in the build is its place below the project's folder.
    size_t slash = relative->rfind(kSeparator);
    std::string folder = ProjectBuildFolder(rule);
    if (slash != std::string_view::npos) {
      folder += kSeparator;
      folder += relative->substr(0, slash);
    }
    path = std::string(relative->substr(slash + 1));  // npos + 1 is 0: the whole name
    return folder;
  }
  fs::path place = PlaceInBuild(RelativeToProject(rule, path));
  path = system::FromFileSystemPath(place.filename());
  std::string below = system::FromFileSystemPath(place.parent_path());
  return ProjectBuildFolder(rule) + (below.empty() ? "" : kSeparator + below);
}

BuildTarget TargetFor(const BuildFolderRule& rule, host::Component& component) {
  std::string path = component.FileNames(1);
  if (!path.empty()) {
    std::string folder = GetBuildFolder(rule, path);
    return {folder, path};
  }
  return {ProjectBuildFolder(rule),
          SafeFileName(component.Name() + std::string(host::KindOf(component.Type()).extension))};
}

BuildTarget TargetFor(const BuildFolderRule& rule, host::Project& project) {
  std::string path = project.FileName();
  std::string folder = GetBuildFolder(rule, path);
  return {folder, path};
}

BuildTarget ProgramTarget(const BuildFolderRule& rule, const std::string& compiled_file) {
  if (StartsOutside(RelativeToProject(rule, compiled_file))) {
    std::string name = system::FromFileSystemPath(system::FileSystemPath(compiled_file).filename());
    return {ProjectBuildFolder(rule), SafeFileName(name)};
  }
  std::string path = compiled_file;
  std::string folder = GetBuildFolder(rule, path);
  return {folder, path};
}

ReservedFolder::~ReservedFolder() {
  if (!kept_ && !path_.empty()) RemoveIfEmpty(system::FileSystemPath(path_));
}

std::optional<std::string> ReservedFolder::Keep(const std::string& project_name,
                                                int32_t build_number) {
  std::string marker = path_ + kSeparator + kBuildMarkerFile;
  std::string error;
  if (!system::SaveFile(marker,
                        "Kestrix build folder\r\nProject=" + project_name +
                            "\r\nBuild=" + std::to_string(build_number) + "\r\n",
                        error)) {
    return "Cannot write " + marker + ": " + error;
  }
  kept_ = true;
  return std::nullopt;
}

std::optional<std::string> ReserveBuildFolder(BuildFolderRule& rule, ReservedFolder& folder) {
  std::string base = rule.in_chosen_folder ? rule.chosen_folder : rule.project_folder;
  std::error_code made;
  fs::create_directories(system::FileSystemPath(base), made);
  if (made) return "Cannot make the folder " + base + ": " + made.message();
  // mkdir, not "make unless there": the folder that this build gets is one that nobody else
  // made, not even another build running at the same moment.
  for (;;) {
    std::string path = ProjectBuildFolder(rule);
    std::string reason;
    system::MakeStatus made_here = system::MakeFolder(path, system::FolderAccess::kShared, reason);
    if (made_here == system::MakeStatus::kMade) {
      folder.path_ = path;
      return std::nullopt;
    }
    if (made_here == system::MakeStatus::kFailed) {
      return "Cannot make the build folder " + path + ": " + reason;
    }
    if (rule.build_number >= INT32_MAX - 1) return "No free build folder number after " + path;
    ++rule.build_number;
  }
}

bool IsBuildCopy(host::Project& project) {
  static const std::regex kName("(.+ )?BUILD [1-9][0-9]*");
  fs::path folder = system::FileSystemPath(project.FileName()).parent_path();
  if (!std::regex_match(system::FromFileSystemPath(folder.filename()), kName)) return false;
  std::error_code error;
  if (fs::exists(folder / kBuildMarkerFile, error)) return true;
  host::Components& components = project.VBComponents();
  for (int32_t k = 1; k <= components.Count(); ++k) {
    if (basic::ToUpper(components.Item(k).Name()).find("KESTRIX") != std::string::npos) return true;
  }
  return false;
}

std::optional<std::string> PrepareTargets(const std::vector<BuildTarget>& targets) {
  // A project's files lie in a few folders: each is made, and asked whether it takes new
  // files, once. Each file is still looked at: it may be a folder made for another.
  std::set<std::string> made;
  std::set<std::string> taking;  // folders a missing file could be created in
  for (const BuildTarget& target : targets) {
    if (!made.contains(target.folder)) {
      std::error_code error;
      fs::create_directories(system::FileSystemPath(target.folder), error);
      if (error) return "Cannot make the build folder " + target.folder + ": " + error.message();
      made.insert(target.folder);
    }
    std::string path = target.Path();
    bool missing = system::KindOf(path) == system::FileKind::kMissing;
    if (missing && taking.contains(target.folder)) continue;
    if (auto why = system::WhyNotWritable(path)) return why;
    if (missing && target.file_name.find(kSeparator) == std::string::npos) {
      taking.insert(target.folder);
    }
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

}  // namespace kestrix::driver
