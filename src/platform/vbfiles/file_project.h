#pragma once

// A project of the file-backed IDE: its project file kept line for line, and its components.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ide.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/project_file.h"

namespace kestrix::vbfiles {

class FileProject final : public host::Project, public host::Components {
 public:
  // Loads the project file at `path` (native, existing) and every component it names.
  // Component names that match no file are read in the Windows code page `code_page` (0: the
  // common ones; see ResolveProjectPath). Throws host::IdeError naming the file and line at
  // fault: every component that is missing in one message, and for a component that cannot
  // be read, the project line that names it and the reason.
  // With LoadDepth::kCodeOnly the components are loaded to be read and checked, never
  // edited (see FileComponent::Load). `loaded`, when given, is called with each component
  // (and its index) as soon as it is loaded, on whichever thread loaded it.
  // A copy loaded kCodeOnly is read on every core; a full load only with `all_cores`, for a
  // program that ends once its command is done (see FileIde::SetLoadOnAllCores).
  using LoadedHook = std::function<void(const FileProject&, size_t, FileComponent&)>;
  static std::unique_ptr<FileProject> Load(const std::string& path, int code_page = 0,
                                           LoadDepth depth = LoadDepth::kFull,
                                           const LoadedHook& loaded = {}, bool all_cores = false);

  // The compiler command line MakeCompiledFile runs (see compiler.h); "" checks the saved
  // project instead and writes no executable.
  void SetCompiler(std::string command) { compiler_ = std::move(command); }

  // The project file as read, with the changes made since.
  const ProjectFile& File() const { return file_; }
  // The project file it was loaded from, whatever it has been saved as since.
  const std::string& Origin() const { return origin_; }

  // Frees the code of every component (FileComponent::ReleaseCode), for a front end that is
  // done with the project: a batch run that neither prints nor saves what it changed.
  void ReleaseCode() {
    for (auto& c : components_)
      c->ReleaseCode();
  }

  // Called with a component just before it is removed.
  void SetRemoveHook(std::function<void(host::Component&)> hook) { remove_hook_ = std::move(hook); }

  // host::Project
  std::string Name() const override;
  std::string FileName() const override { return path_; }
  host::Components& VBComponents() override { return *this; }
  void SaveAs(const std::string& path) override;
  bool IsDirty() const override { return dirty_; }
  bool CodeModuleWorksAlone(int32_t index) const override {
    return index >= 1 && index <= static_cast<int32_t>(components_.size()) &&
           components_[static_cast<size_t>(index - 1)]->WorksAlone();
  }
  std::string BuildFileName() const override;
  void SetBuildFileName(const std::string& path) override;
  void MakeCompiledFile() override;
  std::string CompileReport() const override { return compile_report_; }

  // host::Components
  int32_t Count() const override { return static_cast<int32_t>(components_.size()); }
  host::Component& Item(int32_t index) override;
  void Remove(host::Component& component) override;
  host::Component& AddFromFile(const std::string& path) override;
  host::Component& Import(const std::string& path) override;

 private:
  explicit FileProject(std::string path, int code_page)
      : path_(std::move(path)), origin_(path_), code_page_(code_page) {}

  // What is said of the component line `ref` whose file is not found.
  std::string NotFound(const ProjectFile::ComponentRef& ref, const std::string& ambiguity) const;
  // Throws one error listing every component line whose file is not found (their NotFound, in
  // the project's order; "" for a file found); nothing when every file is found.
  static void ThrowNotFound(const std::vector<std::string>& not_found);
  // Whether the component line's path, read from the folder `dir`, names `file`.
  bool NamesFile(const std::string& dir, const std::string& written, const std::string& file) const;

  FileComponent& Add(const std::string& path);
  // Writes the compiled-file name into `file` relative to the folder `dir`.
  void ApplyBuildFileName(ProjectFile& file, const std::string& dir) const;

  std::string path_;
  std::string origin_;  // see Origin()
  int code_page_ = 0;
  ProjectFile file_;
  std::vector<std::unique_ptr<FileComponent>> components_;
  // components_[0, listed_) are the component lines of file_, in order; the others were
  // added since the last save and get their lines when the project is saved.
  size_t listed_ = 0;
  std::optional<std::string> build_file_name_;  // set by SetBuildFileName
  bool dirty_ = false;
  std::string compiler_;
  std::string compile_report_;
  std::function<void(host::Component&)> remove_hook_;
};

}  // namespace kestrix::vbfiles
