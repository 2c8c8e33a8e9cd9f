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

// Where one file of the project goes: its build folder and its file name there.
struct BuildTarget {
  std::string folder;
  std::string file_name;
  std::string Path() const { return folder + "/" + file_name; }
};

// The component's own file name in its build folder, or, never saved yet, the project
// file's build folder and a name made of the component's name.
BuildTarget TargetFor(const BuildFolderRule& rule, host::Component& component,
                      host::Project& project);
BuildTarget TargetFor(const BuildFolderRule& rule, host::Project& project);

// Makes the build folder (one level: its parent exists) and checks that the file can be
// written there, so that a build stops before it saves anything rather than halfway.
// Returns what is wrong, or nothing.
std::optional<std::string> PrepareTarget(const BuildTarget& target);

// Saves the component or project into its target. Returns the error, or nothing.
std::optional<std::string> SaveIntoBuildFolder(host::Component& component,
                                               const BuildTarget& target);
std::optional<std::string> SaveIntoBuildFolder(host::Project& project, const BuildTarget& target);

// The file extension of a component of this type that was never saved.
std::string ExtensionForType(host::ComponentType type);

}  // namespace kestrix::build
