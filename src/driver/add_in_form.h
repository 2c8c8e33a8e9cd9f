#pragma once

// frmAddIn without its window: the options the commands read (the main window's control
// values), the working state they share, and the commands themselves. A view shows the
// options and writes every change into them at once; readers read an option at the moment
// they need it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/build_folder.h"
#include "engine/engine_state.h"
#include "host/connection.h"
#include "host/dialogs.h"
#include "host/ide.h"
#include "host/status_output.h"
#include "host/system.h"

namespace kestrix::driver {

using engine::kModeBuild;
using engine::kModeClean;

// The scope option (the index of Option1 and Option2).
inline constexpr int32_t kScopeGroup = 0;          // every project of the group
inline constexpr int32_t kScopeActiveProject = 1;  // the active project
inline constexpr int32_t kScopeActiveModule = 2;   // the module of the active code window

// The status window's caption while a command, and each project of it, is running.
inline constexpr const char* kProcessingCaption = "Processing......";

// The main window's control values, with the values the window opens with.
struct Options {
  int32_t Option1 = kScopeActiveProject;  // scope: kScopeGroup, kScopeActiveProject, …
  int32_t Option2 = 1;                    // the same choice on the Clean tab, kept in step
  int32_t Check1 = 1;                     // "Insert Error Handlers" (only 1 counts as on)
  int32_t Check2 = 1;                     // "Build Project"
  int32_t Check3 = 0;                     // "Put Build Folder in :" the folder in Dir1
  std::string Dir1;                       // the chosen folder
  int32_t Check4 = 0;  // "Put Project Name in Build Folder Name" (non-zero is on)
  // Clean: "Line Numbers", "Error Handlers", "Kestrix Modules" (engine::kRemoveLineNumbers, …)
  int32_t Check5[3] = {engine::kChecked, engine::kChecked, engine::kChecked};
};

// What the window shows beyond the option values: captions, what is enabled, its width.
struct FormLook {
  std::string Caption = "Kestrix";
  int32_t Tab = 0;             // 0 Actions, 1 Clean, 2 Error Handler, 3 Options
  int32_t TabWidth = 3528;     // twips
  int32_t WindowWidth = 3744;  // twips
  std::string Check2Caption = "Build Project";
  bool Check2Enabled = true;
  bool Check5ModulesEnabled = true;  // Check5(2)
  bool FolderListEnabled = false;    // Dir1, following Check3
  bool PictureState = false;         // the logo's look
};

// What the window works with around it.
struct FormServices {
  host::SettingsStore& settings;
  host::Dialogs& dialogs;
  host::Shell& shell;
  host::StatusOutput& progress;     // the status window, frmProgress
  std::function<void()> do_events;  // lets the window system repaint; may be empty
  // Threads the module passes may use at once, where the host's modules work alone
  // (host::Project::CodeModuleWorksAlone); 1 works on one module after another.
  unsigned threads = 1;
};

// How a command, or one project of it, ended. Front ends act on this value (kestrix-batch
// makes its exit code of it), never on the wording of the status rows.
enum class Outcome {
  kOk,        // ran to its end (steps it was told to skip are no failure)
  kFailed,    // something could not be done: a file, a template, a build number, the compile
  kRefused,   // would not start: unsaved modules, no active module, another build running
  kCanceled,  // the user answered Cancel or No
};

// The outcome of a command made of several: the first that is not kOk.
inline Outcome Combined(Outcome so_far, Outcome next) {
  return so_far == Outcome::kOk ? next : so_far;
}

class frmAddIn final : public engine::EngineState {
 public:
  explicit frmAddIn(FormServices services);

  Options& options() { return options_; }
  const Options& options() const { return options_; }
  const FormLook& look() const { return look_; }

  // The window's life: Load reads the settings, Unload saves them; the view knows whether it
  // is loaded. The view fills its template views itself while it loads.
  void Load();
  void Unload();
  // The first activation: the caption gets the program's version.
  void FirstActivation(int major, int minor);
  // The window's events, as the view forwards them.
  void Option1Click(int32_t index);
  void Option2Click(int32_t index);
  void Check3Click();
  void PictureClick();
  void TabClick(int32_t tab);

  // Working state, set by the IDE connection before the window is shown.
  host::Ide* vbinstance = nullptr;
  host::Connection* Connect = nullptr;

  const std::string& CurrentProjectName() const { return current_project_name_; }
  int32_t BuildNumber() const { return build_number_; }
  const std::string& ConfigFolder() const { return config_folder_; }

  // The command behind "&GO !" (kModeBuild) and "Remove" (kModeClean).
  Outcome RunCommand(int32_t mode);
  // Called with each project of a group command once the command is done with it, before
  // the next one starts; none by default.
  void SetProjectDoneHook(std::function<void(host::Project&)> hook) {
    project_done_ = std::move(hook);
  }
  // Called with each component of a build into a build folder once its copy there is saved
  // (or its save failed), on whichever thread saved it, perhaps on several at once: nothing
  // of the build reads its code again. None by default.
  void SetComponentSavedHook(std::function<void(host::Component&)> hook) {
    component_saved_ = std::move(hook);
  }
  // Reads the local handler template; false (after telling the user) when it cannot.
  bool LoadLocalHandler();

  // The project build for one project. A Cancel at a read-only module also ends the command
  // (CommandCanceled() turns true); a No to building a build copy ends only this project.
  Outcome BuildProject(int32_t mode, host::Project& project);
  bool CommandCanceled() const { return command_canceled_; }
  // Removes every component whose name holds "KESTRIX" (any case).
  void RemoveAddedComponents(host::Project& project);
  // Adds the global error module and the report form from the templates, unless the project
  // holds them; `ok` is false when a template file is missing (after telling the user).
  void AddErrorReportModules(host::Project& project, int32_t build_number, bool& ok);

  // engine::EngineState
  int32_t InsertErrorHandlersValue() const override { return options_.Check1; }
  // `index` is one of engine::kRemoveLineNumbers, kRemoveErrorHandlers, kRemoveAddedModules.
  int32_t RemoveValue(int index) const override { return options_.Check5[index]; }
  const std::string& CurrentModuleName() const override { return current_module_name_; }
  const std::string& LocalHandlerText() const override { return local_handler_text_; }
  host::StatusOutput& Progress() override { return services_.progress; }
  host::Dialogs& Messages() override { return services_.dialogs; }
  void DoEvents() override;

 private:
  Outcome RunOnActiveModule(int32_t mode);
  Outcome ProcessComponents(int32_t mode, host::Project& project);
  // Components first..last, whose modules work alone, on the threads at once.
  Outcome ProcessTogether(int32_t mode, host::Project& project, int32_t first, int32_t last);
  bool RefuseUnsaved(host::Project& project);
  bool ConfirmBuildAgain(host::Project& project);
  // The lock on the project's build number; nullptr, with `outcome` set, when it is not had.
  std::unique_ptr<host::SettingLock> ClaimBuildNumber(host::Project& project, Outcome& outcome);
  bool TakeBuildNumber(host::Project& project, bool into_folder);
  std::vector<BuildTarget> BuildTargets(host::Project& project, const BuildFolderRule& rule,
                                        std::string& error);
  Outcome SaveAndCompile(host::Project& project, const BuildFolderRule& rule,
                         ReservedFolder& folder);
  Outcome BuildFailed(host::Project& project, const std::string& why);
  void AddReportRows(const std::string& report);
  void AddRow(const std::string& project, const std::string& module, const std::string& notes);
  Outcome ReportError(const host::IdeError& error);
  void LoadSettings();
  void SaveSettings();

  FormServices services_;
  Options options_;
  FormLook look_;
  bool activated_ = false;
  std::string config_folder_;
  std::string current_project_name_;
  std::string current_module_name_;
  int32_t build_number_ = 0;
  bool command_canceled_ = false;
  std::string local_handler_text_;
  std::function<void(host::Project&)> project_done_;
  std::function<void(host::Component&)> component_saved_;
};

}  // namespace kestrix::driver
