// The project build: one project of the build or clean command, from the unsaved-module
// check to the compiled program in its numbered build folder.

#include <charconv>
#include <climits>
#include <map>
#include <vector>

#include "driver/add_in_form.h"
#include "driver/build_folder.h"
#include "driver/module_workers.h"
#include "engine/module_pass.h"
#include "host/settings_keys.h"
#include "platform/system/file_io.h"

namespace kestrix::driver {
namespace {

using host::MsgButtons;
using host::MsgIcon;
using host::StatusOutput;

constexpr const char* kApp = host::kSettingsApp;
constexpr const char* kBuildNumbers = host::kBuildNumbersSection;

// A stored build number: a whole number from 1 that can still be counted up.
std::optional<int32_t> ParseBuildNumber(const std::string& text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || ptr != end || value < 1 || value == INT32_MAX) return std::nullopt;
  return value;
}

}  // namespace

Outcome frmAddIn::BuildProject(int32_t mode, host::Project& project) {
  StatusOutput& progress = services_.progress;
  std::string name = project.Name();
  progress.SetText(StatusOutput::kProjectField, name);
  current_project_name_ = name;
  progress.SetProgressValue(StatusOutput::kComponentsBar, 0);
  // While this project runs the caption says so, not how the project before it ended; each
  // way out below gives the caption this project's own result.
  progress.SetCaption(kProcessingCaption);
  if (mode == kModeBuild && RefuseUnsaved(project)) {
    progress.SetCaption("Project " + name + " build SKIPPED.");
    return Outcome::kRefused;
  }
  if (mode == kModeBuild && !ConfirmBuildAgain(project)) return Outcome::kCanceled;
  if (mode == kModeClean && options_.Check5[engine::kRemoveAddedModules] != engine::kUnchecked) {
    RemoveAddedComponents(project);
  }
  // A build holds its project's number until it has counted it up: two builds at once never
  // take the same number. Without a build folder nothing is counted, so nothing is held.
  bool into_folder = mode == kModeBuild && options_.Check2 != engine::kUnchecked;
  std::unique_ptr<host::SettingLock> claim;
  if (into_folder) {
    Outcome not_claimed = Outcome::kOk;
    if (!(claim = ClaimBuildNumber(project, not_claimed))) {
      progress.SetCaption(
          "Project " + name +
          (not_claimed == Outcome::kRefused ? " build SKIPPED." : " Build FAILED!!!"));
      return not_claimed;
    }
  }
  if (mode == kModeBuild && !TakeBuildNumber(project, into_folder)) {
    progress.SetCaption("Project " + name + " Build FAILED!!!");
    return Outcome::kFailed;
  }
  if (ProcessComponents(mode, project) == Outcome::kCanceled) {
    progress.SetCaption("Project " + name + " build CANCELED.");
    AddRow(current_project_name_, "", "CANCELED");
    command_canceled_ = true;
    return Outcome::kCanceled;
  }
  if (mode == kModeClean) {
    progress.SetCaption("Project " + name + " CLEANED.");
    return Outcome::kOk;
  }
  if (!into_folder) {
    bool ok = true;
    if (InsertsErrorHandlers()) AddErrorReportModules(project, build_number_, ok);
    if (!ok) {
      progress.SetCaption("Project " + name + " Build FAILED!!!");
      return Outcome::kFailed;
    }
    progress.SetCaption("OK.");
    return Outcome::kOk;
  }
  // The folder first: its number is the build's number, written into the added module.
  BuildFolderRule rule =
      BuildFolderRule::From(options_, current_project_name_, build_number_, project.FileName());
  ReservedFolder folder;
  if (auto error = ReserveBuildFolder(rule, folder)) return BuildFailed(project, *error);
  if (rule.build_number != build_number_) {
    BuildFolderRule taken = rule;
    taken.build_number = build_number_;
    AddRow(current_project_name_, "",
           ProjectBuildFolder(taken) + " exists already: this build is " + BuildFolderName(rule));
  }
  build_number_ = rule.build_number;
  if (InsertsErrorHandlers()) {
    bool ok = false;
    AddErrorReportModules(project, build_number_, ok);
    if (!ok) {
      progress.SetCaption("Project " + name + " Build FAILED!!!");
      return Outcome::kFailed;
    }
  }
  return SaveAndCompile(project, rule, folder);
}

Outcome frmAddIn::BuildFailed(host::Project& project, const std::string& why) {
  StatusOutput& progress = services_.progress;
  AddRow(progress.Text(StatusOutput::kProjectField), "", "Build Failed!! " + why);
  progress.SetCaption("Project " + project.Name() + " Build FAILED!!!");
  return Outcome::kFailed;
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
  if (options_.Check2 != engine::kChecked || !IsBuildCopy(project)) return true;
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

std::unique_ptr<host::SettingLock> frmAddIn::ClaimBuildNumber(host::Project& project,
                                                              Outcome& outcome) {
  auto claim = services_.settings.TryLock(kApp, kBuildNumbers, project.Name());
  if (claim) return claim;
  std::string why = services_.settings.LockError();
  if (!why.empty()) {
    services_.dialogs.MsgBox("Project " + project.Name() +
                                 " cannot be built: its build number cannot be locked.\n" + why,
                             MsgButtons::kOk, MsgIcon::kCritical);
    AddRow(current_project_name_, "", "Build Failed!! (cannot lock the build number) " + why);
    outcome = Outcome::kFailed;
    return nullptr;
  }
  services_.dialogs.MsgBox("Project " + project.Name() +
                               " is being built by another Kestrix right now.\nBuild it again "
                               "when that build has finished.",
                           MsgButtons::kOk, MsgIcon::kExclamation);
  AddRow(current_project_name_, "", "Skipped (another build of this project is running)");
  outcome = Outcome::kRefused;
  return nullptr;
}

// The project's build number from the settings (1 when none is stored yet). A build into a
// folder refuses a number it cannot read or count up; without one, such a number only
// shows as "N/A" in the added module.
bool frmAddIn::TakeBuildNumber(host::Project& project, bool into_folder) {
  std::optional<std::string> stored;
  std::string error;
  bool read = services_.settings.ReadSetting(kApp, kBuildNumbers, project.Name(), stored, error);
  std::optional<int32_t> number = read && !stored ? 1 : ParseBuildNumber(stored.value_or(""));
  if (!into_folder) {
    build_number_ = read && number ? *number : -1;
    return true;
  }
  if (!read) {
    services_.dialogs.MsgBox("The build number of project " + project.Name() +
                                 " cannot be read, so it cannot be built.\n" + error,
                             MsgButtons::kOk, MsgIcon::kCritical);
    AddRow(current_project_name_, "", "Build Failed!! (cannot read the build number) " + error);
    return false;
  }
  if (!number) {
    services_.dialogs.MsgBox("The build number stored for project " + project.Name() + " (\"" +
                                 *stored +
                                 "\") is not a whole number from 1 to 2147483646. Correct "
                                 "it in the settings (section BuildNumbers) and build again.",
                             MsgButtons::kOk, MsgIcon::kCritical);
    AddRow(current_project_name_, "", "Build Failed!! (bad build number)");
    return false;
  }
  build_number_ = *number;
  return true;
}

// Every component through the module pass, in the collection's order.
Outcome frmAddIn::ProcessComponents(int32_t mode, host::Project& project) {
  StatusOutput& progress = services_.progress;
  host::Components& components = project.VBComponents();
  int32_t n = components.Count();
  if (n > 0) progress.SetProgressMax(StatusOutput::kComponentsBar, n);
  for (int32_t k = 1; k <= n;) {
    // A run of modules that work alone goes to the threads together.
    int32_t end = k;
    while (services_.threads > 1 && end <= n && project.CodeModuleWorksAlone(end))
      ++end;
    if (end - k >= 2) {
      if (ProcessTogether(mode, project, k, end - 1) == Outcome::kCanceled) {
        return Outcome::kCanceled;
      }
      k = end;
      continue;
    }
    host::Component& c = components.Item(k);
    current_module_name_ = c.Name();
    host::CodeModule* code = c.GetCodeModule();
    // False from the module pass with a module to work on: Cancel at the read-only warning.
    if (!engine::ProcessModule(*this, mode, code) && code != nullptr && mode == kModeBuild) {
      return Outcome::kCanceled;
    }
    progress.SetProgressValue(StatusOutput::kComponentsBar, k);
    ++k;
  }
  return Outcome::kOk;
}

namespace {

// What one module's pass on a thread of its own works with: the form's options and template,
// the module's own name, a recording of the status window, and no window system.
class ModuleState final : public engine::EngineState {
 public:
  ModuleState(const engine::EngineState& form, std::string name, StatusOutput& status)
      : form_(form), name_(std::move(name)), status_(status) {}

  int32_t InsertErrorHandlersValue() const override { return form_.InsertErrorHandlersValue(); }
  int32_t RemoveValue(int index) const override { return form_.RemoveValue(index); }
  const std::string& CurrentModuleName() const override { return name_; }
  const std::string& LocalHandlerText() const override { return form_.LocalHandlerText(); }
  StatusOutput& Progress() override { return status_; }
  host::Dialogs& Messages() override { return questions_; }
  void DoEvents() override {}

  // The question the pass asked, if any ("" for none).
  const std::string& Question() const { return questions_.asked; }

 private:
  // A module that works alone asks nothing; should one ask all the same, the question is
  // answered Cancel and noted, so that the module is worked again in its turn.
  struct Questions final : host::Dialogs {
    std::string asked;
    host::MsgResult MsgBox(const std::string& text, host::MsgButtons, host::MsgIcon,
                           const std::string&) override {
      asked = text;
      return host::MsgResult::kCancel;
    }
  };

  const engine::EngineState& form_;
  std::string name_;
  StatusOutput& status_;
  Questions questions_;
};

}  // namespace

Outcome frmAddIn::ProcessTogether(int32_t mode, host::Project& project, int32_t first,
                                  int32_t last) {
  StatusOutput& progress = services_.progress;
  host::Components& components = project.VBComponents();
  struct Module {
    host::CodeModule* code = nullptr;
    std::string name;
    bool passed = true;  // what the module pass answered
    std::string question;
  };
  std::vector<Module> modules;
  for (int32_t k = first; k <= last; ++k) {
    host::Component& c = components.Item(k);
    modules.push_back({c.GetCodeModule(), c.Name(), true, ""});
  }
  bool canceled = false;
  RunInOrder(
      static_cast<int32_t>(modules.size()), services_.threads, progress,
      [&](int32_t i, RecordedStatus& status) {
        Module& m = modules[static_cast<size_t>(i)];
        ModuleState state(*this, m.name, status);
        m.passed = engine::ProcessModule(state, mode, m.code);
        m.question = state.Question();
      },
      [&](int32_t i, const RecordedStatus& status) {
        const Module& m = modules[static_cast<size_t>(i)];
        current_module_name_ = m.name;
        bool passed = m.passed;
        if (m.question.empty()) {
          status.PlayInto(progress);
        } else {
          // It asked after all (its file turned read-only meanwhile): the pass stopped at the
          // question, before any change, and runs again here, in its turn, to ask it.
          passed = engine::ProcessModule(*this, mode, m.code);
        }
        if (!passed && m.code != nullptr && mode == kModeBuild) {
          canceled = true;
          return false;
        }
        progress.SetProgressValue(StatusOutput::kComponentsBar, first + i);
        return true;
      });
  return canceled ? Outcome::kCanceled : Outcome::kOk;
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

// Every target of the build, in the components' order, then the project file, then the
// compiled file. Empty, with `error` set, when two files would land on one path.
std::vector<BuildTarget> frmAddIn::BuildTargets(host::Project& project, const BuildFolderRule& rule,
                                                std::string& error) {
  host::Components& components = project.VBComponents();
  std::vector<BuildTarget> targets;
  std::vector<std::string> sources;
  for (int32_t k = 1; k <= components.Count(); ++k) {
    host::Component& c = components.Item(k);
    targets.push_back(TargetFor(rule, c));
    sources.push_back(c.FileNames(1).empty() ? c.Name() : c.FileNames(1));
  }
  targets.push_back(TargetFor(rule, project));
  sources.push_back(project.FileName());
  targets.push_back(ProgramTarget(rule, project.BuildFileName()));
  sources.push_back(project.BuildFileName());
  // Windows finds names regardless of case: two names that differ in case only are one file.
  std::map<std::string, size_t> seen;
  for (size_t i = 0; i < targets.size(); ++i) {
    std::string key = targets[i].Path();
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    auto [at, fresh] = seen.emplace(key, i);
    if (fresh) continue;
    error =
        sources[at->second] + " and " + sources[i] + " would both be saved as " + targets[i].Path();
    return {};
  }
  return targets;
}

Outcome frmAddIn::SaveAndCompile(host::Project& project, const BuildFolderRule& rule,
                                 ReservedFolder& folder) {
  StatusOutput& progress = services_.progress;
  std::string name = project.Name();
  // Every folder made and every target checked first: a build that cannot be saved stops
  // before the project refers to some copies and some originals.
  std::string error;
  std::vector<BuildTarget> targets = BuildTargets(project, rule, error);
  if (targets.empty()) return BuildFailed(project, error);
  BuildTarget program = targets.back();
  targets.pop_back();
  if (auto why = PrepareTargets(targets)) return BuildFailed(project, *why);
  // The number is used up from here on, whatever happens next; a number that cannot be
  // stored would be given to the next build again, so the build stops.
  try {
    services_.settings.SaveSetting(kApp, kBuildNumbers, name, std::to_string(build_number_ + 1));
  } catch (const host::IdeError& failure) {
    services_.dialogs.MsgBox("Project " + name + " cannot be built: the next build number " +
                                 "cannot be stored.\n" + failure.Description(),
                             MsgButtons::kOk, MsgIcon::kCritical);
    return BuildFailed(project, "(cannot store the build number) " + failure.Description());
  }
  // The folder is new and holds nothing to lose: its files are written in place and flushed
  // to disk together at the end.
  system::NewFolderWrites writes(folder.Path());
  if (auto why = folder.Keep(name, build_number_)) return BuildFailed(project, *why);
  host::Components& components = project.VBComponents();
  const int32_t count = components.Count();
  std::vector<std::optional<std::string>> whys(static_cast<size_t>(count));
  auto save = [&](int32_t k) {
    host::Component& c = components.Item(k);
    whys[static_cast<size_t>(k - 1)] = SaveIntoBuildFolder(c, targets[static_cast<size_t>(k - 1)]);
    if (component_saved_) component_saved_(c);
  };
  // The components whose modules work alone are saved on the threads together (every target
  // is a file of its own), the others one after another.
  std::vector<int32_t> together;
  for (int32_t k = 1; k <= count && services_.threads > 1; ++k) {
    if (project.CodeModuleWorksAlone(k)) together.push_back(k);
  }
  if (together.size() < 2) together.clear();
  RunInOrder(
      static_cast<int32_t>(together.size()), services_.threads, progress,
      [&](int32_t i, RecordedStatus&) { save(together[static_cast<size_t>(i)]); },
      [](int32_t, const RecordedStatus&) { return true; });
  for (int32_t k = 1, next = 0; k <= count; ++k) {
    if (static_cast<size_t>(next) < together.size() && together[static_cast<size_t>(next)] == k) {
      ++next;
      continue;
    }
    save(k);
    DoEvents();  // a large project takes a while to save: the windows keep repainting
  }
  // The first failure in the components' order is the one reported, as when each is saved in
  // turn.
  for (const auto& why : whys) {
    if (why) return BuildFailed(project, *why);
  }
  if (auto why = SaveIntoBuildFolder(project, targets.back())) return BuildFailed(project, *why);
  project.SetBuildFileName(program.Path());
  DoEvents();
  try {
    project.MakeCompiledFile();
    AddReportRows(project.CompileReport());
    project.SaveAs(project.FileName());
    if (std::string why; !writes.Flush(why)) return BuildFailed(project, why);
    progress.SetCaption("Project " + name + " BUILD " + std::to_string(build_number_) + " OK!!!");
    return Outcome::kOk;
  } catch (const host::IdeError& failure) {
    services_.dialogs.MsgBox("Build of " + project.BuildFileName() + " Failed!!!!");
    progress.SetCaption("Project " + name + " Build FAILED!!!");
    AddRow(progress.Text(StatusOutput::kProjectField), "", "Build Failed!!");
    AddReportRows(failure.Description());
    return Outcome::kFailed;
  }
}

}  // namespace kestrix::driver
