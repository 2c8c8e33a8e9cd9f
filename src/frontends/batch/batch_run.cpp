#include "frontends/batch/batch_run.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "driver/add_in_form.h"
#include "driver/status_model.h"
#include "frontends/batch/batch_dialogs.h"
#include "frontends/batch/batch_options.h"
#include "frontends/batch/project_info.h"
#include "frontends/batch/status_printer.h"
#include "frontends/batch/text_escape.h"
#include "frontends/batch/unified_diff.h"
#include "host/settings_keys.h"
#include "platform/system/ansi_text.h"
#include "platform/system/environment.h"
#include "platform/system/process.h"
#include "platform/system/settings_store.h"
#include "platform/system/shell.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_ide.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/save_changes.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::batch {
namespace {

using host::IdeError;

// The add-in's connection, as far as a host without windows has one.
class BatchConnection final : public host::Connection {
 public:
  void HideForm() override {}
};

int BadInput(const std::string& message) {
  std::fprintf(stderr, "kestrix-batch: %s\n", message.c_str());
  return kExitBadInput;
}

StatusPrinter::Format PrinterFormat(OutputFormat format) {
  switch (format) {
    case OutputFormat::kTsv:
      return StatusPrinter::Format::kTsv;
    case OutputFormat::kJson:
      return StatusPrinter::Format::kJson;
    case OutputFormat::kText:
      break;
  }
  return StatusPrinter::Format::kText;
}

void ApplyOptions(const BatchOptions& o, driver::Options& options) {
  options.Option1 = o.scope;
  auto box = [](bool on) { return on ? engine::kChecked : engine::kUnchecked; };
  options.Check1 = box(!o.no_handlers);
  options.Check2 = box(!o.no_build);
  if (o.build_root) {
    options.Check3 = engine::kChecked;
    options.Dir1 = vbfiles::AbsolutePath(*o.build_root);
  }
  options.Check4 = box(o.name_in_folder);
  options.Check5[engine::kRemoveLineNumbers] = box(!o.keep_line_numbers);
  options.Check5[engine::kRemoveErrorHandlers] = box(!o.keep_handlers);
  options.Check5[engine::kRemoveAddedModules] = box(!o.keep_modules);
}

// Makes the project and the component the flags name the active ones. Returns an error
// message, "" when they were found.
std::string SelectActive(const BatchOptions& o, vbfiles::FileIde& ide) {
  host::Project* project = ide.StartupProject();
  if (!o.project.empty()) {
    project = nullptr;
    for (int32_t i = 1; i <= ide.Count() && !project; ++i) {
      if (vbfiles::EqualsIgnoreCase(ide.Item(i).Name(), o.project)) project = &ide.Item(i);
    }
    if (!project) return "no project named " + o.project;
  }
  ide.SetActiveVBProject(project);
  if (o.module.empty() || project == nullptr) return "";
  host::Components& components = project->VBComponents();
  for (int32_t k = 1; k <= components.Count(); ++k) {
    host::Component& c = components.Item(k);
    if (!vbfiles::EqualsIgnoreCase(c.Name(), o.module)) continue;
    if (c.GetCodeModule() == nullptr) return o.module + " has no code";
    ide.SetActiveCodePane(&c);
    return "";
  }
  return "project " + project->Name() + " has no component named " + o.module;
}

// `path` relative to the current folder, with '/' (climbing with "../" when it lies outside).
std::string RelativeToHere(const std::string& path) {
  std::error_code ec;
  std::filesystem::path here = std::filesystem::current_path(ec);
  if (ec) return path;
  std::string relative =
      system::FromFileSystemPath(system::FileSystemPath(path).lexically_relative(here));
  return relative.empty() ? path : relative;
}

// The diff of every changed component with code: plain unified diffs whose file names are
// relative to the current folder ("a/App/Modules/modUtil.bas"), so that `patch -p1` or
// `git apply` run here apply them; with JSON output, one JSON line per component.
void PrintDiffs(vbfiles::FileIde& ide, OutputFormat format) {
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Project& project = ide.Item(i);
    host::Components& components = project.VBComponents();
    for (int32_t k = 1; k <= components.Count(); ++k) {
      auto* c = dynamic_cast<vbfiles::FileComponent*>(&components.Item(k));
      if (c == nullptr || !c->IsDirty() || c->GetCodeModule() == nullptr) continue;
      std::string path = c->FileNames(1);
      std::string before = path.empty() ? "" : vbfiles::ReadFileBytes(path);
      std::string file = RelativeToHere(
          path.empty() ? vbfiles::NewComponentPath(*c, vbfiles::DirName(project.FileName()))
                       : path);
      std::string diff =
          UnifiedDiff(before, c->Bytes(), path.empty() ? "/dev/null" : "a/" + file, "b/" + file);
      if (format == OutputFormat::kJson) {
        diff = "{\"type\":\"diff\",\"file\":" + JsonPath(file) + ",\"diff\":" + JsonString(diff) +
               "}\n";
      }
      // fwrite, not fputs: string literals may hold NUL bytes, and the diff goes on past them.
      std::fwrite(diff.data(), 1, diff.size(), stdout);
    }
  }
}

// Saves what changed in every project, where the IDE now holds it, after checking that every
// file can be written: a file that cannot be (read-only, as a source-control checkout leaves
// them) stops the save before the first write, so that no original is left half changed.
// Returns false after printing what failed.
bool SaveChanged(vbfiles::FileIde& ide) {
  std::vector<vbfiles::SaveStep> steps;
  vbfiles::SaveResult result;
  for (int32_t i = 1; i <= ide.Count(); ++i)
    vbfiles::PlanProjectSave(ide.Item(i), ide.Item(i).FileName(), steps, result.problems);
  if (result.Ok()) result = vbfiles::SaveSteps(steps);
  for (const std::string& path : result.saved)
    std::fprintf(stderr, "saved %s\n", path.c_str());
  for (const std::string& problem : result.problems)
    std::fprintf(stderr, "kestrix-batch: %s\n", problem.c_str());
  if (!result.checked) std::fprintf(stderr, "kestrix-batch: nothing saved\n");
  return result.Ok();
}

// Opens the project or group that the options name, in their code page; what went wrong,
// or "".
std::string Load(const BatchOptions& o, vbfiles::FileIde& ide) {
  ide.SetCodePage(o.code_page);
  ide.SetLoadOnAllCores(true);  // the process ends with its command
  try {
    ide.Open(o.path);
  } catch (const IdeError& error) {
    return error.Description();
  }
  return "";
}

int RunCommand(const BatchOptions& o) {
  vbfiles::FileIde ide;
  if (std::string error = Load(o, ide); !error.empty()) return BadInput(error);
  if (std::string error = SelectActive(o, ide); !error.empty()) return BadInput(error);
  system::FileSettingsStore settings;
  ide.SetCompiler(
      settings.GetSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyCompiler));
  system::DesktopShell shell;
  driver::StatusModel progress;
  progress.KeepRows(false);  // printed as they come; a large build has tens of thousands
  StatusPrinter printer(PrinterFormat(o.format), stdout, stderr);
  progress.AddListener(&printer);
  BatchDialogs dialogs(o.yes, printer);
  const unsigned jobs = o.jobs != 0 ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
  driver::frmAddIn form({settings, dialogs, shell, progress, {}, jobs});
  ApplyOptions(o, form.options());
  BatchConnection connection;
  if (!o.diff && !o.save) {
    // Nothing reads a project again once the command is done with it: its memory goes, and
    // a group of any size needs about one project's room for its changes.
    form.SetProjectDoneHook([](host::Project& project) {
      if (auto* done = dynamic_cast<vbfiles::FileProject*>(&project)) done->ReleaseCode();
    });
    // A build lets each component's code go as soon as its copy is saved: on the threads that
    // save, rather than all at the end on this one while they wait.
    form.SetComponentSavedHook([](host::Component& component) {
      if (auto* saved = dynamic_cast<vbfiles::FileComponent*>(&component)) saved->ReleaseCode();
    });
  }
  form.vbinstance = &ide;
  form.Connect = &connection;
  driver::Outcome outcome =
      form.RunCommand(o.command == Command::kBuild ? driver::kModeBuild : driver::kModeClean);
  printer.Finish(progress.Caption());
  bool failed = ExitCodeFor(outcome) != kExitOk;
  try {
    if (o.diff) PrintDiffs(ide, o.format);
  } catch (const IdeError& error) {
    std::fprintf(stderr, "kestrix-batch: %s\n", error.Description().c_str());
    failed = true;
  }
  // A command that was canceled or failed leaves its changes half made: none is saved.
  if (o.save && failed) {
    std::fprintf(stderr, "kestrix-batch: nothing saved: the command did not finish\n");
  } else if (o.save && !SaveChanged(ide)) {
    failed = true;
  }
  return failed ? kExitFailed : kExitOk;
}

std::string Counted(size_t n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// check: every component with code of every project loaded, checked as VB's compiler checks
// the structure of code; one line per problem, then a summary. Nothing is written.
int RunCheck(const BatchOptions& o) {
  vbfiles::FileIde ide;
  ide.SetLoadDepth(vbfiles::LoadDepth::kCodeOnly);  // nothing is edited
  if (std::string error = Load(o, ide); !error.empty()) return BadInput(error);
  size_t errors = 0, warnings = 0, components = 0;
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    auto* project = dynamic_cast<vbfiles::FileProject*>(&ide.Item(i));
    if (project == nullptr) continue;
    for (int32_t k = 1; k <= project->Count(); ++k) {
      if (static_cast<vbfiles::FileComponent&>(project->Item(k)).HasCode()) ++components;
    }
    for (const auto& problem : vbfiles::CheckProject(*project)) {
      ++(problem.warning ? warnings : errors);
      std::printf("%s\n", vbfiles::FormatProblem(problem).c_str());
    }
  }
  std::printf("%s, %s in %s\n", Counted(errors, "error").c_str(),
              Counted(warnings, "warning").c_str(), Counted(components, "component").c_str());
  return errors > 0 ? kExitFailed : kExitOk;
}

// The programmer's name and e-mail address go into the built program's source, which is
// Windows-1252 text: they are stored that way, and shown as UTF-8.
bool IsSourceText(const std::string& key) {
  return vbfiles::EqualsIgnoreCase(key, host::kKeyProgrammer) ||
         vbfiles::EqualsIgnoreCase(key, host::kKeyEmail);
}

// The value to store for `key`: UTF-8 from the terminal as Windows-1252 (text that is no
// UTF-8 is taken as Windows-1252 already). False after saying what cannot be stored.
bool StoredForm(const std::string& key, const std::string& value, std::string& stored) {
  stored = value;
  if (!IsSourceText(key)) return true;
  std::string ansi, unmapped;
  switch (system::Utf8ToAnsi(value, ansi, unmapped)) {
    case system::Utf8Conversion::kDone:
      stored = ansi;
      return true;
    case system::Utf8Conversion::kNotUtf8:
      return true;
    case system::Utf8Conversion::kUnmappable:
      break;
  }
  std::fprintf(stderr,
               "kestrix-batch: %s cannot hold \"%s\": the error-report form is Windows-1252 "
               "text, which has no such character; %s is not changed\n",
               key.c_str(), unmapped.c_str(), key.c_str());
  return false;
}

std::string Shown(const std::string& key, const std::string& value) {
  return IsSourceText(key) ? Cp1252ToUtf8(value) : value;
}

// config: every key of "Settings", one key, or sets one key.
int RunConfig(const BatchOptions& o) {
  system::FileSettingsStore settings;
  const auto& a = o.config_args;
  if (a.size() == 2) {
    std::string stored, why;
    if (!StoredForm(a[0], a[1], stored)) return kExitBadInput;
    std::vector<std::string> words;
    if (vbfiles::EqualsIgnoreCase(a[0], host::kKeyCompiler) &&
        !system::SplitCommandLine(a[1], words, why)) {
      return BadInput("Compiler is not changed: " + why);
    }
    try {
      settings.SaveSetting(host::kSettingsApp, host::kSettingsSection, a[0], stored);
    } catch (const IdeError& error) {
      std::fprintf(stderr, "kestrix-batch: %s\n", error.Description().c_str());
      return kExitFailed;
    }
    return kExitOk;
  }
  if (a.size() == 1) {
    std::string value = settings.GetSetting(host::kSettingsApp, host::kSettingsSection, a[0]);
    std::printf("%s\n", Shown(a[0], value).c_str());
    return kExitOk;
  }
  for (const char* key : host::kSettingsKeys) {
    std::string value = settings.GetSetting(host::kSettingsApp, host::kSettingsSection, key);
    std::printf("%s=%s\n", key, Shown(key, value).c_str());
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  ParseResult parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "kestrix-batch: %s\n%s", parsed.error.c_str(), kUsage);
    return kExitBadInput;
  }
  const BatchOptions& o = parsed.options;
  switch (o.command) {
    case Command::kHelp:
      std::fputs(kUsage, stdout);
      return kExitOk;
    case Command::kConfig:
      return RunConfig(o);
    case Command::kCheck:
      return RunCheck(o);
    case Command::kInfo:
      try {
        PrintProjectInfo(o.path, {o.procs, o.format, o.code_page}, stdout);
      } catch (const IdeError& error) {
        return BadInput(error.Description());
      }
      return kExitOk;
    case Command::kBuild:
    case Command::kClean:
      break;
  }
  return RunCommand(o);
}

}  // namespace

int ExitCodeFor(driver::Outcome outcome) {
  switch (outcome) {
    case driver::Outcome::kOk:
      return kExitOk;
    case driver::Outcome::kFailed:
    case driver::Outcome::kRefused:
    case driver::Outcome::kCanceled:
      break;
  }
  return kExitFailed;
}

int Main(const std::vector<std::string>& args) {
  // Files are size-checked before they are read; should memory run out all the same, say so
  // rather than abort.
  try {
    return Run(args);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kestrix-batch: out of memory\n");
    return kExitFailed;
  }
}

}  // namespace kestrix::batch
