#pragma once

// Numbered build folders: "BUILD 7" (or "<project> BUILD 7") beside the project file, or
// under one folder the user chose, and the IDE's own save-as into them. Files in the
// project's folder or below keep their places relative to it inside the build folder
// (Forms/Main.frm goes to BUILD 7/Forms/Main.frm), so that a build is one self-contained
// copy; a file outside the project's folder gets a build folder beside its own file (or goes
// into the chosen folder's build folder).

#include <optional>
#include <string>

#include "host/ide.h"

namespace kestrix::build {

struct Options;

// Where builds go and how their folders are named.
struct BuildFolderRule {
  bool in_chosen_folder = false;        // Check3 is 1: every folder under `chosen_folder`
  std::string chosen_folder;            // Dir1
  bool project_name_in_folder = false;  // Check4 is non-zero
  std::string project_name;             // CurrentProjectName
  int32_t build_number = 0;             // BuildNumber
  std::string project_folder;           // the folder of the project file

  static BuildFolderRule From(const Options& options, const std::string& project_name,
                              int32_t build_number, const std::string& project_file);
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

// Makes the build folder (and the folders within it) and checks that the file can be
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
