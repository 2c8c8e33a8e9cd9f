#include "driver/add_in_form.h"

#include <fstream>
#include <sstream>

#include "engine/module_pass.h"
#include "platform/system/environment.h"

namespace kestrix::driver {

using host::MsgButtons;
using host::MsgIcon;
using host::StatusOutput;

frmAddIn::frmAddIn(FormServices services)
    : services_(std::move(services)), config_folder_(services_.shell.ProgramFolder() + "/config/") {
  options_.Dir1 = services_.shell.ProgramFolder();
}

void frmAddIn::DoEvents() {
  if (services_.do_events) services_.do_events();
}

void frmAddIn::AddRow(const std::string& project, const std::string& module,
                      const std::string& notes) {
  services_.progress.AddRow({project, module, "", "", notes});
}

// An error the command does not expect ends it; the user sees which and where.
Outcome frmAddIn::ReportError(const host::IdeError& error) {
  AddRow(services_.progress.Text(StatusOutput::kProjectField), current_module_name_,
         "Error: " + error.Description());
  services_.progress.SetCaption("Command FAILED.");
  return Outcome::kFailed;
}

namespace {

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool frmAddIn::LoadLocalHandler() {
  std::string path = config_folder_ + "LocalHandler.txt";
  std::ifstream in(system::FileSystemPath(path), std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) {
    services_.dialogs.MsgBox("Unable to read file " + path, MsgButtons::kOk, MsgIcon::kCritical);
    return false;
  }
  // The handler goes in line by line at CR LF, and the code window breaks a line at a lone CR
  // or LF as well: a template saved with other line ends would put its lines out of step with
  // the procedure's, so every line end becomes CR LF here.
  local_handler_text_ = WithCrLf(text.str());
  return true;
}

Outcome frmAddIn::RunCommand(int32_t mode) {
  StatusOutput& progress = services_.progress;
  command_canceled_ = false;
  if (Connect == nullptr || vbinstance == nullptr) {
    services_.dialogs.MsgBox("Addin not connected to IDE!!");
    return Outcome::kFailed;
  }
  if (mode == kModeBuild && !LoadLocalHandler()) return Outcome::kFailed;
  progress.SetCaption(kProcessingCaption);
  if (options_.Option1 == kScopeActiveModule) return RunOnActiveModule(mode);
  if (options_.Option1 != kScopeGroup && options_.Option1 != kScopeActiveProject) {
    return Outcome::kOk;
  }
  progress.Show();
  try {
    if (options_.Option1 == kScopeActiveProject) {
      host::Project* active = vbinstance->ActiveVBProject();
      return active != nullptr ? BuildProject(mode, *active) : Outcome::kOk;
    }
    Outcome outcome = Outcome::kOk;
    host::Projects& projects = vbinstance->VBProjects();
    for (int32_t i = 1; i <= projects.Count() && !command_canceled_; ++i) {
      outcome = Combined(outcome, BuildProject(mode, projects.Item(i)));
      if (project_done_) project_done_(projects.Item(i));
    }
    return outcome;
  } catch (const host::IdeError& error) {
    return ReportError(error);
  }
}

// The active module alone: every failing step is passed over, and shows as a status row.
Outcome frmAddIn::RunOnActiveModule(int32_t mode) {
  StatusOutput& progress = services_.progress;
  host::CodeModule* code = nullptr;
  try {
    code = &vbinstance->ActiveCodePane().GetCodeModule();
    current_module_name_ = code->Parent().Name();
  } catch (const host::IdeError&) {
    services_.dialogs.MsgBox("There isn't an active module.");
    progress.Unload();
    return Outcome::kRefused;
  }
  progress.Show();
  host::Project* project = vbinstance->ActiveVBProject();
  if (project != nullptr) progress.SetText(StatusOutput::kProjectField, project->Name());
  progress.SetProgressValue(StatusOutput::kComponentsBar, 0);
  progress.SetProgressMax(StatusOutput::kComponentsBar, 1);
  Outcome outcome = Outcome::kOk;
  try {
    if (!engine::ProcessModule(*this, mode, code) && mode == kModeBuild) {
      // Cancel at the read-only warning: nothing more is changed.
      AddRow(progress.Text(StatusOutput::kProjectField), current_module_name_, "CANCELED");
      progress.SetCaption("CANCELED.");
      command_canceled_ = true;
      return Outcome::kCanceled;
    }
  } catch (const host::IdeError& error) {
    AddRow(progress.Text(StatusOutput::kProjectField), current_module_name_,
           "Error: " + error.Description());
    outcome = Outcome::kFailed;
  }
  if (mode == kModeBuild && project != nullptr) {
    try {
      bool ok = false;
      AddErrorReportModules(*project, -1, ok);
      if (!ok) outcome = Combined(outcome, Outcome::kFailed);
    } catch (const host::IdeError& error) {
      AddRow(progress.Text(StatusOutput::kProjectField), "", "Error: " + error.Description());
      outcome = Combined(outcome, Outcome::kFailed);
    }
  }
  progress.SetProgressValue(StatusOutput::kComponentsBar, 1);
  progress.SetCaption("Done.");
  return outcome;
}

}  // namespace kestrix::driver
