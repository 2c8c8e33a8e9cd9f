#pragma once

// The file-backed IDE: loads VB5/VB6 project groups, projects and component files from disk
// and offers the IDE's object model over them (host/ide.h). It never writes a file unless a
// SaveAs asks for it.

#include <memory>
#include <string>
#include <vector>

#include "host/ide.h"
#include "platform/vbfiles/file_component.h"

namespace kestrix::vbfiles {

class FileProject;
class FileComponent;
class HeadlessCommandBars;

class FileIde final : public host::Ide, public host::Projects {
 public:
  FileIde();
  ~FileIde() override;
  FileIde(const FileIde&) = delete;
  FileIde& operator=(const FileIde&) = delete;

  // Loads a group (.vbg) or a project (.vbp) with every component, in place of whatever was
  // loaded. The group's startup project (or the single project) becomes the active project;
  // no code pane is active. Throws host::IdeError whose description names the file and line
  // at fault; on failure nothing that was loaded changes.
  void Open(const std::string& path);

  // Full path of the group file; "" when a single project was opened.
  const std::string& GroupFileName() const { return group_file_; }
  // The group's startup project (the single project when no group was opened); nullptr
  // when nothing is loaded.
  host::Project* StartupProject();

  // The Windows code page the project and group files name their files in, for names that
  // match no file on disk (see ResolveProjectPath); 0, the default, tries the common ones.
  // Applies to the next Open.
  void SetCodePage(int code_page) { code_page_ = code_page; }
  // How much of each component the next Open loads (see FileComponent::Load): kCodeOnly for
  // a group that is only read and checked.
  void SetLoadDepth(LoadDepth depth) { depth_ = depth; }
  // Whether the next Open loads each project's components on every core, also to be edited:
  // for a program that ends once its command is done (kestrix-batch). Off, they are loaded on
  // the calling thread, which works on them for as long as the IDE runs.
  void SetLoadOnAllCores(bool all_cores) { all_cores_ = all_cores; }

  // The compiler command line every project's MakeCompiledFile runs (see compiler.h); ""
  // checks the saved project instead.
  void SetCompiler(const std::string& command);

  void SetActiveVBProject(host::Project* project) { active_project_ = project; }
  // Makes the component's code window the active code pane; nullptr closes it.
  void SetActiveCodePane(host::Component* component);

  // host::Ide
  std::string FullName() const override;
  host::Projects& VBProjects() override { return *this; }
  host::Project* ActiveVBProject() override { return active_project_; }
  host::CodePane& ActiveCodePane() override;
  host::CommandBars& GetCommandBars() override;

  // host::Projects
  int32_t Count() const override;
  host::Project& Item(int32_t index) override;

 private:
  class Pane;

  std::unique_ptr<FileProject> LoadListed(const std::string& path, const std::string& where) const;

  std::vector<std::unique_ptr<FileProject>> projects_;
  std::string group_file_;
  std::string compiler_;
  int code_page_ = 0;
  LoadDepth depth_ = LoadDepth::kFull;
  bool all_cores_ = false;
  size_t startup_index_ = 0;
  host::Project* active_project_ = nullptr;
  std::unique_ptr<Pane> active_pane_;
  std::unique_ptr<HeadlessCommandBars> command_bars_;
};

}  // namespace kestrix::vbfiles
