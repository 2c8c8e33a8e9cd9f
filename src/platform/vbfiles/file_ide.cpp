#include "platform/vbfiles/file_ide.h"

#include "platform/system/environment.h"
#include "platform/vbfiles/file_project.h"
#include "platform/vbfiles/group_file.h"
#include "platform/vbfiles/headless_command_bars.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {

using host::IdeError;

class FileIde::Pane final : public host::CodePane {
 public:
  explicit Pane(host::Component& component) : component_(component) {}
  host::CodeModule& GetCodeModule() override { return *component_.GetCodeModule(); }
  host::Component& component() { return component_; }

 private:
  host::Component& component_;
};

FileIde::FileIde() : command_bars_(std::make_unique<HeadlessCommandBars>()) {}
FileIde::~FileIde() = default;

// Loads a project the group file names; an error reading the project file itself names the
// group's line too.
std::unique_ptr<FileProject> FileIde::LoadListed(const std::string& path,
                                                 const std::string& where) const {
  try {
    return FileProject::Load(path, code_page_, depth_, {}, all_cores_);
  } catch (const IdeError& error) {
    if (error.Description().starts_with(path)) throw;
    throw IdeError(error.Number(), where + error.Description(), error.Source());
  }
}

void FileIde::Open(const std::string& path) {
  std::string absolute = AbsolutePath(path);
  std::optional<std::string> found = ResolveCaseInsensitive(absolute);
  if (!found) throw IdeError(host::kErrFileNotFound, "File not found: " + absolute, "vbfiles");
  std::vector<std::unique_ptr<FileProject>> projects;
  std::string group_file;
  size_t startup = 0;
  std::string ext = Extension(*found);
  if (ext == ".vbg") {
    group_file = *found;
    GroupFile group = GroupFile::Parse(ReadFileBytes(group_file), group_file);
    for (const auto& entry : group.projects) {
      std::string native = FromWindowsPath(DirName(group_file), entry.path);
      Resolution project_path = ResolveProjectPath(native, code_page_);
      std::string where = group_file + "(" + std::to_string(entry.line) + "): ";
      if (!project_path.path) {
        std::string why = project_path.ambiguity.empty()
                              ? ""
                              : " (" + project_path.ambiguity + "; name the code page)";
        throw IdeError(host::kErrFileNotFound,
                       where + "project file not found: " + entry.path + why, "vbfiles");
      }
      if (entry.startup) startup = projects.size();
      projects.push_back(LoadListed(*project_path.path, where));
    }
  } else if (ext == ".vbp") {
    projects.push_back(FileProject::Load(*found, code_page_, depth_, {}, all_cores_));
  } else {
    throw IdeError(host::kErrBadFileFormat,
                   *found + ": not a project (.vbp) or project group (.vbg) file", "vbfiles");
  }
  // Everything loaded: only now replace what the IDE held.
  active_pane_.reset();
  projects_ = std::move(projects);
  group_file_ = group_file;
  startup_index_ = startup;
  for (auto& project : projects_) {
    project->SetCompiler(compiler_);
    project->SetRemoveHook([this](host::Component& c) {
      if (active_pane_ && &active_pane_->component() == &c) active_pane_.reset();
    });
  }
  active_project_ = StartupProject();
}

void FileIde::SetCompiler(const std::string& command) {
  compiler_ = command;
  for (auto& project : projects_)
    project->SetCompiler(command);
}

host::Project* FileIde::StartupProject() {
  return projects_.empty() ? nullptr : projects_[startup_index_].get();
}

void FileIde::SetActiveCodePane(host::Component* component) {
  if (component == nullptr) {
    active_pane_.reset();
    return;
  }
  if (component->GetCodeModule() == nullptr) {
    throw IdeError(host::kErrInvalidCall, component->Name() + " has no code window", "IDE");
  }
  active_pane_ = std::make_unique<Pane>(*component);
}

std::string FileIde::FullName() const {
  return system::ExecutablePath();
}

host::CodePane& FileIde::ActiveCodePane() {
  if (!active_pane_) throw IdeError(host::kErrNoActiveCodePane, "No code window is active", "IDE");
  return *active_pane_;
}

host::CommandBars& FileIde::GetCommandBars() {
  return *command_bars_;
}

int32_t FileIde::Count() const {
  return static_cast<int32_t>(projects_.size());
}

host::Project& FileIde::Item(int32_t index) {
  if (index < 1 || index > Count()) {
    throw IdeError(host::kErrSubscriptOutOfRange,
                   "Project " + std::to_string(index) + " does not exist", "VBProjects");
  }
  return *projects_[static_cast<size_t>(index - 1)];
}

}  // namespace kestrix::vbfiles
