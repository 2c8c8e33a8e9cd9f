#pragma once

// The IDE object model of the desktop host: the projects of a file-backed IDE, the project
// the explorer has selected, the code window that has focus, and the window's command bars.
// The window tells it what the user selects; add-ins see it as host::Ide.

#include <functional>
#include <memory>
#include <string>

#include "host/ide.h"

namespace kestrix::vbfiles {
class FileIde;
}

namespace kestrix::desktop {

class DesktopIde final : public host::Ide, public host::Projects {
 public:
  // `bars` are the window's command bars; they outlive the IDE.
  explicit DesktopIde(host::CommandBars& bars);
  ~DesktopIde() override;
  DesktopIde(const DesktopIde&) = delete;
  DesktopIde& operator=(const DesktopIde&) = delete;

  // Loads a group (.vbg) or project (.vbp) in place of what was loaded; the startup project
  // becomes the active project and no code pane is active. Throws host::IdeError naming the
  // file at fault, and then nothing changes. The replace listener runs once the new projects
  // are loaded, before the old ones go.
  // `compiler`: the command line every project's compile runs ("" checks instead).
  void Open(const std::string& path, const std::string& compiler = "");
  // The compiler command the loaded projects build with from now on.
  void SetCompiler(const std::string& compiler);
  // Unloads every project (the replace listener runs first).
  void Close();
  void SetReplaceListener(std::function<void()> listener) { on_replace_ = std::move(listener); }
  // Called with a component just before a project removes it.
  void SetRemoveListener(std::function<void(host::Component&)> listener) {
    on_remove_ = std::move(listener);
  }

  // Full path of the loaded group file; "" for a single project or none.
  std::string GroupFileName() const;
  // The group's startup project, or the single project; nullptr when nothing is loaded.
  host::Project* StartupProject();
  // True when a project or a component has changes not yet saved.
  bool AnythingDirty();

  void SetActiveVBProject(host::Project* project);
  // Makes the component's code window the active code pane; nullptr for none. Throws
  // host::IdeError kErrInvalidCall for a component without code.
  void SetActiveCodePane(host::Component* component);
  // The component whose code window is the active code pane; nullptr when there is none.
  host::Component* ActiveCodeComponent() const { return active_component_; }

  // host::Ide
  std::string FullName() const override;  // this program's executable
  host::Projects& VBProjects() override { return *this; }
  host::Project* ActiveVBProject() override;
  // Throws host::IdeError kErrNoActiveCodePane when no code window is open.
  host::CodePane& ActiveCodePane() override;
  host::CommandBars& GetCommandBars() override { return bars_; }

  // host::Projects
  int32_t Count() const override;
  host::Project& Item(int32_t index) override;

 private:
  void Replace(std::unique_ptr<vbfiles::FileIde> files);
  void OnRemove(host::Component& component);

  host::CommandBars& bars_;
  std::unique_ptr<vbfiles::FileIde> files_;
  host::Component* active_component_ = nullptr;
  std::function<void()> on_replace_;
  std::function<void(host::Component&)> on_remove_;
};

}  // namespace kestrix::desktop
