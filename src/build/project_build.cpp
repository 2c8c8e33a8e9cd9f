// The project build: one project of the build or clean command, from the unsaved-module
// check to the compiled program in its numbered build folder.

#include <charconv>
#include <climits>
#include <vector>

#include "build/add_in_form.h"
#include "build/build_folder.h"
#include "engine/module_pass.h"

namespace kestrix::build {
namespace {

using host::MsgButtons;
using host::MsgIcon;
using host::StatusOutput;

constexpr const char* kApp = "Kestrix";
constexpr const char* kBuildNumbers = "BuildNumbers";

bool ContainsBuildWord(const std::string& path) {
  std::string upper = path;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper.find("BUILD ") != std::string::npos;
}

// A stored build number: a whole number that can still be counted up.
std::optional<int32_t> ParseBuildNumber(const std::string& text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || ptr != end || value == INT32_MAX) return std::nullopt;
  return value;
}

}  // namespace

BuildEnd frmAddIn::BuildProject(int32_t mode, host::Project& project) {
  StatusOutput& progress = services_.progress;
  std::string name = project.Name();
  progress.SetText(StatusOutput::kProjectField, name);
  current_project_name_ = name;
  progress.SetProgressValue(StatusOutput::kComponentsBar, 0);
  if (mode == 0 && (RefuseUnsaved(project) || !ConfirmBuildAgain(project))) return BuildEnd::kGoOn;
  if (mode == 1 && options_.Check5[2] != 0) RemoveAddedComponents(project);
  // A build holds its project's number until it has counted it up: two builds at once never
  // take the same number or write into the same folder.
  std::unique_ptr<host::SettingLock> claim;
  if (mode == 0 && !(claim = ClaimBuildNumber(project))) return BuildEnd::kGoOn;
  if (mode == 0 && !TakeBuildNumber(project)) return BuildEnd::kGoOn;
  if (ProcessComponents(mode, project) == BuildEnd::kStopCommand) {
    progress.SetCaption("Project " + name + " build CANCELED.");
    AddRow(current_project_name_, "", "CANCELED");
    return BuildEnd::kStopCommand;
  }
  if (mode == 1) {
    progress.SetCaption("Project " + name + " CLEANED.");
    return BuildEnd::kGoOn;
  }
  if (options_.Check1 == 1) {
    bool ok = false;
    AddErrorReportModules(project, build_number_, ok);
    if (!ok) return BuildEnd::kGoOn;
  }
  if (options_.Check2 == 0) {
    progress.SetCaption("OK.");
    return BuildEnd::kGoOn;
  }
  return SaveAndCompile(project);
}

bool frmAddIn::RefuseUnsaved(host::Project& project) {
  host::Components& components = project.VBComponents();
  for (int32_t k = 1; k <= components.Count(); ++k) {
    host::Component& c = components.Item(k);
    if (!c.IsDirty()) continue;
    services_.dialogs.MsgBox(
        c.Name() + " is not saved.\nSave all modules before building the project.", MsgButtons::kOk,
        MsgIcon::kNone, "Project " + project.Name());
    AddRow(current_project_name_, "", "Skipped (Unsaved modules)");
    return true;
  }
  return false;
}

bool frmAddIn::ConfirmBuildAgain(host::Project& project) {
  if (!ContainsBuildWord(project.FileName()) || options_.Check2 != 1) return true;
  StatusOutput& progress = services_.progress;
  std::string name = project.Name();
  progress.Hide();
  host::MsgResult answer = services_.dialogs.MsgBox(
      "Project " + name +
          " seems to be already a build version,\nAre you sure you want to build it again, "
          "creating another build folder?",
      MsgButtons::kYesNo, MsgIcon::kQuestion);
  progress.Show();
  if (answer == host::MsgResult::kYes) return true;
  progress.SetCaption("Project " + name + " build CANCELED.");
  AddRow(current_project_name_, "", "CANCELED");
  return false;
}

std::unique_ptr<host::SettingLock> frmAddIn::ClaimBuildNumber(host::Project& project) {
  auto claim = services_.settings.TryLock(kApp, kBuildNumbers, project.Name());
  if (claim) return claim;
  services_.dialogs.MsgBox("Project " + project.Name() +
                               " is being built by another Kestrix right now (or the settings "
                               "folder cannot be written).\nBuild it again when that build has "
                               "finished.",
                           MsgButtons::kOk, MsgIcon::kExclamation);
  AddRow(current_project_name_, "", "Skipped (another build of this project is running)");
  return nullptr;
}

// The project's build number from the settings (1 when none is stored yet).
bool frmAddIn::TakeBuildNumber(host::Project& project) {
  std::string stored = services_.settings.GetSetting(kApp, kBuildNumbers, project.Name(), "1");
  std::optional<int32_t> number = ParseBuildNumber(stored);
  if (!number) {
    services_.dialogs.MsgBox("The build number stored for project " + project.Name() + " (\"" +
                                 stored +
                                 "\") is not a whole number that can be counted up. Correct "
                                 "it in the settings (section BuildNumbers) and build again.",
                             MsgButtons::kOk, MsgIcon::kCritical);
    AddRow(current_project_name_, "", "Build Failed!! (bad build number)");
    return false;
  }
  build_number_ = *number;
  return true;
}

// Every component through the module pass, in the collection's order.
BuildEnd frmAddIn::ProcessComponents(int32_t mode, host::Project& project) {
  StatusOutput& progress = services_.progress;
  host::Components& components = project.VBComponents();
  int32_t n = components.Count();
  if (n > 0) progress.SetProgressMax(StatusOutput::kComponentsBar, n);
  for (int32_t k = 1; k <= n; ++k) {
    host::Component& c = components.Item(k);
    current_module_name_ = c.Name();
    host::CodeModule* code = c.GetCodeModule();
    // False from the module pass with a module to work on: Cancel at the read-only warning.
    if (!engine::ProcessModule(*this, mode, code) && code != nullptr && mode == 0) {
      return BuildEnd::kStopCommand;
    }
    progress.SetProgressValue(StatusOutput::kComponentsBar, k);
  }
  return BuildEnd::kGoOn;
}

// The compiler's log or the check's findings, a status row per line (blank lines left out),
// so that each problem reads on its own.
void frmAddIn::AddReportRows(const std::string& report) {
  constexpr size_t kMostRows = 200;
  std::string project = services_.progress.Text(StatusOutput::kProjectField);
  size_t rows = 0, start = 0, total = 0;
  while (start < report.size()) {
    size_t end = report.find('\n', start);
    if (end == std::string::npos) end = report.size();
    std::string line = report.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (line.empty()) continue;
    ++total;
    if (rows < kMostRows) {
      AddRow(project, "", line);
      ++rows;
    }
  }
  if (total > rows) AddRow(project, "", "... " + std::to_string(total - rows) + " more lines");
}

BuildEnd frmAddIn::SaveAndCompile(host::Project& project) {
  StatusOutput& progress = services_.progress;
  std::string name = project.Name();
  BuildFolderRule rule =
      BuildFolderRule::From(options_, current_project_name_, build_number_, project.FileName());
  auto failed = [&](const std::string& why) {
    AddRow(progress.Text(StatusOutput::kProjectField), "", "Build Failed!! " + why);
    progress.SetCaption("Project " + name + " Build FAILED!!!");
    return BuildEnd::kGoOn;
  };
  // Every folder made and every target checked first: a build that cannot be saved stops
  // before the project refers to some copies and some originals.
  host::Components& components = project.VBComponents();
  std::vector<BuildTarget> targets;
  for (int32_t k = 1; k <= components.Count(); ++k) {
    targets.push_back(TargetFor(rule, components.Item(k), project));
  }
  targets.push_back(TargetFor(rule, project));
  for (const auto& target : targets) {
    if (auto error = PrepareTarget(target)) return failed(*error);
  }
  std::optional<std::string> save_error;
  for (int32_t k = 1; k <= components.Count(); ++k) {
    auto error = SaveIntoBuildFolder(components.Item(k), targets[static_cast<size_t>(k - 1)]);
    if (error && !save_error) save_error = error;
  }
  if (save_error) return failed(*save_error);
  std::string compiled = project.BuildFileName();
  if (auto error = SaveIntoBuildFolder(project, targets.back())) return failed(*error);
  BuildTarget program{GetBuildFolder(rule, compiled), compiled};
  if (auto error = PrepareTarget(program)) return failed(*error);  // the compiler writes there
  project.SetBuildFileName(program.Path());
  try {
    project.MakeCompiledFile();
    AddReportRows(project.CompileReport());
    project.SaveAs(project.FileName());
    progress.SetCaption("Project " + name + " BUILD " + std::to_string(build_number_) + " OK!!!");
  } catch (const host::IdeError& error) {
    services_.dialogs.MsgBox("Build of " + project.BuildFileName() + " Failed!!!!");
    progress.SetCaption("Project " + name + " Build FAILED!!!");
    AddRow(progress.Text(StatusOutput::kProjectField), "", "Build Failed!!");
    AddReportRows(error.Description());
  }
  try {
    services_.settings.SaveSetting(kApp, kBuildNumbers, name, std::to_string(build_number_ + 1));
  } catch (const host::IdeError& error) {
    AddRow(progress.Text(StatusOutput::kProjectField), "", error.Description());
  }
  return BuildEnd::kGoOn;
}

}  // namespace kestrix::build
