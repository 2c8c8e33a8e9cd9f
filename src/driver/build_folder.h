#pragma once

// Numbered build folders: "BUILD 7" (or "<project> BUILD 7") beside the project file, or
// under one folder the user chose, and the IDE's own save-as into them. Everything a build
// writes stays inside its build folder:
//  - a file in the project's folder or below keeps its place relative to it
//    (Forms/Main.frm goes to BUILD 7/Forms/Main.frm);
//  - a file outside the project's folder goes below BUILD 7/Outside, by its path relative to
//    the project's folder with every ".." as "Up" (../Shared/Utils.bas goes to
//    BUILD 7/Outside/Up/Shared/Utils.bas), so that it never meets a file of the project's
//    own, and no build of another project ever refers to it;
//  - the compiled file goes to its place in the build folder, or, when the project puts it
//    outside its folder, straight into the build folder.
// A build folder is always made new by the build that writes into it: a folder of that name
// that exists already (another project's build under the same chosen folder, one made by
// hand) is passed over for the next free number. Kestrix marks every build folder it makes
// with a small file, which tells build copies from folders that merely look like one.

#include <optional>
#include <string>
#include <vector>

#include "host/file_names.h"
#include "host/ide.h"

namespace kestrix::driver {

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

// The marker file in every build folder Kestrix makes.
inline constexpr const char* kBuildMarkerFile = ".kestrix-build";
// The sub-folder of a build folder for the files that lie outside the project's folder.
inline constexpr const char* kOutsideFolder = "Outside";

using host::SafeFileName;

// "BUILD n", or "<project name> BUILD n" with the name made safe.
std::string BuildFolderName(const BuildFolderRule& rule);

// The project's build folder: the base folder (the chosen one, or the project's) and its name.
std::string ProjectBuildFolder(const BuildFolderRule& rule);

// The folder in the project's build folder for the file at `path` (a full path); `path`
// becomes its bare file name.
std::string GetBuildFolder(const BuildFolderRule& rule, std::string& path);

// Where one file of the project goes: its build folder and its file name there.
struct BuildTarget {
  std::string folder;
  std::string file_name;
  std::string Path() const { return folder + "/" + file_name; }
};

// The component's own file name in its build folder, or, never saved yet, the project's
// build folder and a name made of the component's name.
BuildTarget TargetFor(const BuildFolderRule& rule, host::Component& component);
BuildTarget TargetFor(const BuildFolderRule& rule, host::Project& project);
// The compiled file's place: the same as any file inside the project's folder, or straight
// in the build folder when the project puts it elsewhere.
BuildTarget ProgramTarget(const BuildFolderRule& rule, const std::string& compiled_file);

// A build folder this build has made. Unless kept, it goes again when the object goes, with
// the empty folders made in it, so that a build that stops early leaves nothing behind.
class ReservedFolder {
 public:
  ReservedFolder() = default;
  ~ReservedFolder();
  ReservedFolder(const ReservedFolder&) = delete;
  ReservedFolder& operator=(const ReservedFolder&) = delete;

  const std::string& Path() const { return path_; }
  // Writes the marker file (project name and number) and keeps the folder. Returns the
  // error, or nothing.
  std::optional<std::string> Keep(const std::string& project_name, int32_t build_number);

 private:
  friend std::optional<std::string> ReserveBuildFolder(BuildFolderRule&, ReservedFolder&);
  std::string path_;
  bool kept_ = false;
};

// Makes the project's build folder new, counting `rule.build_number` up past every folder of
// that name that exists already. Returns what is wrong, or nothing.
std::optional<std::string> ReserveBuildFolder(BuildFolderRule& rule, ReservedFolder& folder);

// True when the project file lies in a build folder Kestrix made: the folder's name is
// exactly "BUILD n" or "<name> BUILD n", and it holds the marker file or the project holds
// Kestrix's added modules.
bool IsBuildCopy(host::Project& project);

// Makes the targets' folders (inside the build folder) and checks that each file can be
// written there, in order, so that a build stops before it saves anything rather than
// halfway. Returns what is wrong with the first target that cannot be, or nothing.
std::optional<std::string> PrepareTargets(const std::vector<BuildTarget>& targets);

// Saves the component or project into its target. Returns the error, or nothing.
std::optional<std::string> SaveIntoBuildFolder(host::Component& component,
                                               const BuildTarget& target);
std::optional<std::string> SaveIntoBuildFolder(host::Project& project, const BuildTarget& target);

}  // namespace kestrix::driver
