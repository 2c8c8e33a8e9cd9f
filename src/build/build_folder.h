#pragma once

// Numbered build folders: "BUILD 7" (or "<project> BUILD 7") beside each file of the project,
// or under one folder the user chose, and the IDE's own save-as into them.

#include <optional>
#include <string>

#include "host/ide.h"

namespace kestrix::build {

struct Options;

// Where builds go and how their folders are named.
struct BuildFolderRule {
  bool in_chosen_folder = false;  // Check3 is 1: every folder under `chosen_folder`
  std::string chosen_folder;      // Dir1
  bool project_name_in_folder = false;  // Check4 is non-zero
  std::string project_name;             // CurrentProjectName
  int32_t build_number = 0;             // BuildNumber

  static BuildFolderRule From(const Options& options, const std::string& project_name,
                              int32_t build_number);
};

// The build folder for the file at `path`; `path` becomes its bare file name.
std::string GetBuildFolder(const BuildFolderRule& rule, std::string& path);

// Saves the component into its build folder under its own file name, or, never saved yet,
// into the project file's build folder named after the component. Returns the error that
// stopped it (the file it tried and why), or nothing when it was saved.
std::optional<std::string> SaveIntoBuildFolder(const BuildFolderRule& rule,
                                               host::Component& component,
                                               host::Project& project);
// Saves the project file into its build folder.
std::optional<std::string> SaveIntoBuildFolder(const BuildFolderRule& rule,
                                               host::Project& project);

// The file extension of a component of this type that was never saved.
std::string ExtensionForType(host::ComponentType type);

}  // namespace kestrix::build
