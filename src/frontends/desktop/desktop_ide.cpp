#include "frontends/desktop/desktop_ide.h"

#include "platform/vbfiles/file_ide.h"
#include "platform/vbfiles/file_project.h"

namespace kestrix::desktop {

DesktopIde::DesktopIde(host::CommandBars& bars)
    : bars_(bars), files_(std::make_unique<vbfiles::FileIde>()) {}

DesktopIde::~DesktopIde() = default;

void DesktopIde::Open(const std::string& path, const std::string& compiler) {
  auto files = std::make_unique<vbfiles::FileIde>();
  files->SetCompiler(compiler);
  files->Open(path);
  Replace(std::move(files));
}

void DesktopIde::SetCompiler(const std::string& compiler) {
  files_->SetCompiler(compiler);
}

void DesktopIde::Close() {
  Replace(std::make_unique<vbfiles::FileIde>());
}

void DesktopIde::Replace(std::unique_ptr<vbfiles::FileIde> files) {
  if (on_replace_) on_replace_();
  active_component_ = nullptr;
  files_ = std::move(files);
  for (int32_t i = 1; i <= files_->Count(); ++i) {
    // Projects of the file-backed IDE tell of removals through one hook; this one also does
    // what the IDE's own did (closing the active pane of the component that goes).
    if (auto* project = dynamic_cast<vbfiles::FileProject*>(&files_->Item(i))) {
      project->SetRemoveHook([this](host::Component& component) { OnRemove(component); });
    }
  }
}

void DesktopIde::OnRemove(host::Component& component) {
  if (active_component_ == &component) SetActiveCodePane(nullptr);
  if (on_remove_) on_remove_(component);
}

std::string DesktopIde::GroupFileName() const {
  return files_->GroupFileName();
}

host::Project* DesktopIde::StartupProject() {
  return files_->StartupProject();
}

bool DesktopIde::AnythingDirty() {
  for (int32_t p = 1; p <= Count(); ++p) {
    host::Project& project = Item(p);
    if (project.IsDirty()) return true;
    host::Components& components = project.VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c) {
      if (components.Item(c).IsDirty()) return true;
    }
  }
  return false;
}

void DesktopIde::SetActiveVBProject(host::Project* project) {
  files_->SetActiveVBProject(project);
}

void DesktopIde::SetActiveCodePane(host::Component* component) {
  files_->SetActiveCodePane(component);
  active_component_ = component;
}

std::string DesktopIde::FullName() const {
  return files_->FullName();
}

host::Project* DesktopIde::ActiveVBProject() {
  return files_->ActiveVBProject();
}

host::CodePane& DesktopIde::ActiveCodePane() {
  return files_->ActiveCodePane();
}

int32_t DesktopIde::Count() const {
  return files_->Count();
}

host::Project& DesktopIde::Item(int32_t index) {
  return files_->Item(index);
}

}  // namespace kestrix::desktop
