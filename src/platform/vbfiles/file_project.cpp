#include "platform/vbfiles/file_project.h"

#include <algorithm>

#include "host/component_kinds.h"
#include "platform/system/environment.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/parallel.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {
namespace {

using host::ComponentType;
using host::IdeError;

ComponentType TypeForKey(std::string_view key) {
  const host::ComponentKind* kind = host::KindForKey(key);
  return kind != nullptr ? kind->type : ComponentType::kRelatedDocument;
}

std::string_view KeyForType(ComponentType type) {
  return host::KindOf(type).project_key;
}

// Whether two paths as written in a project file name the same file.
bool SamePathText(std::string_view a, std::string_view b) {
  auto native = [](std::string_view s) {
    std::string out(s);
    std::replace(out.begin(), out.end(), '\\', '/');
    return NormalizePath(out);
  };
  return EqualsIgnoreCase(native(a), native(b));
}

}  // namespace

std::string FileProject::NotFound(const ProjectFile::ComponentRef& ref,
                                  const std::string& ambiguity) const {
  return path_ + "(" + std::to_string(ref.line) + "): " + ref.key + " file not found: " + ref.path +
         (ambiguity.empty() ? "" : " (" + ambiguity + "; name the code page)");
}

void FileProject::ThrowNotFound(const std::vector<std::string>& not_found) {
  std::vector<const std::string*> missing;
  for (const std::string& line : not_found) {
    if (!line.empty()) missing.push_back(&line);
  }
  if (missing.size() == 1) throw IdeError(host::kErrFileNotFound, *missing[0], "vbfiles");
  if (!missing.empty()) {
    // All of them at once, so that the project is mended in one pass.
    std::string text = std::to_string(missing.size()) + " component files not found:";
    for (const std::string* line : missing)
      text += "\n  " + *line;
    throw IdeError(host::kErrFileNotFound, text, "vbfiles");
  }
}

std::unique_ptr<FileProject> FileProject::Load(const std::string& path, int code_page,
                                               LoadDepth depth, const LoadedHook& loaded,
                                               bool all_cores) {
  std::unique_ptr<FileProject> project(new FileProject(AbsolutePath(path), code_page));
  project->file_ = ProjectFile::Parse(ReadFileBytes(project->path_), project->path_);
  const auto& refs = project->file_.Components();
  const std::string dir = DirName(project->path_);
  // A copy loaded to be checked is read on every core, and freed soon. The IDE's own
  // components are loaded on this thread: they are edited here for as long as the IDE runs,
  // and the allocator keeps the memory another thread allocated apart, so that what is freed
  // of it would never serve this thread again; unless the program ends with its command (a
  // batch run), which has every core load them. Either way the error is the first in the
  // project's order, and files that are not found come before any other: each component's
  // file is looked for by the thread that loads it, and all that are missing are told at
  // once at the end.
  project->components_.resize(refs.size());
  std::vector<std::string> not_found(refs.size());  // "" for a file found
  auto load = [&](size_t k) {
    Resolution file = ResolveProjectPath(FromWindowsPath(dir, refs[k].path), code_page);
    if (!file.path) {
      not_found[k] = project->NotFound(refs[k], file.ambiguity);
      return;
    }
    try {
      project->components_[k] =
          FileComponent::Load(*project, TypeForKey(refs[k].key), *file.path, refs[k].name, depth);
      if (loaded) loaded(*project, k, *project->components_[k]);
    } catch (const IdeError& error) {
      // A format error names the component file's own line; any other names the project line.
      if (error.Number() == host::kErrBadFileFormat) throw;
      throw IdeError(
          error.Number(),
          project->path_ + "(" + std::to_string(refs[k].line) + "): " + error.Description(),
          error.Source());
    }
  };
  try {
    ForEachIndex(refs.size(), load, depth == LoadDepth::kCodeOnly || all_cores);
  } catch (...) {
    ThrowNotFound(not_found);
    throw;
  }
  ThrowNotFound(not_found);
  project->listed_ = project->components_.size();
  return project;
}

bool FileProject::NamesFile(const std::string& dir, const std::string& written,
                            const std::string& file) const {
  return ResolveProjectPath(FromWindowsPath(dir, written), code_page_).path == file;
}

std::string FileProject::Name() const {
  std::optional<std::string> name = file_.Value("Name");
  return name && !name->empty() ? *name : Stem(path_);
}

std::string FileProject::BuildFileName() const {
  if (build_file_name_) return *build_file_name_;
  std::optional<std::string> exe = file_.Value("ExeName32");
  if (!exe || exe->empty()) {
    std::optional<std::string> type = file_.Value("Type");
    std::string ext = ".exe";
    if (type && EqualsIgnoreCase(*type, "OleDll")) ext = ".dll";
    if (type && EqualsIgnoreCase(*type, "Control")) ext = ".ocx";
    exe = Name() + ext;
  }
  std::string dir = DirName(path_);
  std::optional<std::string> folder = file_.Value("Path32");
  if (folder && !folder->empty()) dir = FromWindowsPath(dir, *folder);
  return NormalizePath(dir + "/" + *exe);
}

void FileProject::ApplyBuildFileName(ProjectFile& file, const std::string& dir) const {
  std::string folder = RelativeWindowsPath(dir, DirName(*build_file_name_));
  file.SetValue("ExeName32", FileNamePart(*build_file_name_), true);
  file.SetValue("Path32", folder == "." ? "" : folder, true);
}

void FileProject::SetBuildFileName(const std::string& path) {
  build_file_name_ = AbsolutePath(path);
  ApplyBuildFileName(file_, DirName(path_));
  dirty_ = true;
}

void FileProject::MakeCompiledFile() {
  // The check reports a problem in a saved copy at the line of the file it was loaded from.
  OriginMap origins;
  if (origin_ != path_) origins[path_] = origin_;
  for (const auto& c : components_) {
    std::string file = c->FileNames(1);
    if (!c->Origin().empty() && c->Origin() != file) origins[file] = c->Origin();
  }
  // Without a Compiler setting the VB6.EXE installed here compiles, when there is one; a row
  // says which.
  std::optional<std::string> installed =
      compiler_.empty() ? system::InstalledVb6Compiler() : std::nullopt;
  std::string command = installed ? InstalledCompilerCommand(*installed) : compiler_;
  CompileResult result = command.empty() ? CheckInsteadOfCompiling(path_, origins)
                                         : RunCompiler(command, path_, BuildFileName());
  if (installed) {
    result.report = "Compiled with " + system::ToNativePath(*installed) +
                    ", where Visual Basic 6 is installed\n" + result.report;
  }
  compile_report_ = result.report;
  if (!result.ok) throw IdeError(host::kErrCompileFailed, result.report, "Project");
}

void FileProject::SaveAs(const std::string& path) {
  std::string target = AbsolutePath(path);
  std::string dir = DirName(target);
  ProjectFile copy = file_;
  for (size_t k = 0; k < components_.size(); ++k) {
    const FileComponent& c = *components_[k];
    std::string file = c.FileNames(1);
    if (file.empty()) {
      throw IdeError(host::kErrPathFileAccess,
                     "Cannot save " + target + ": component " + c.Name() + " has never been saved",
                     "Project");
    }
    std::string relative = RelativeWindowsPath(dir, file);
    if (k >= listed_) {
      bool named = c.Type() == ComponentType::kStdModule || c.Type() == ComponentType::kClassModule;
      copy.AddComponent(KeyForType(c.Type()), named ? c.Name() : "", relative);
    } else if (!SamePathText(relative, copy.Components()[k].path) &&
               !NamesFile(dir, copy.Components()[k].path, file)) {
      // A path that still names the file (written in the project's code page, say) keeps its
      // bytes.
      copy.SetComponentPath(k, relative);
    }
  }
  if (build_file_name_) ApplyBuildFileName(copy, dir);
  WriteFileAtomic(target, copy.Serialize());
  file_ = std::move(copy);
  listed_ = components_.size();
  path_ = target;
  dirty_ = false;
}

host::Component& FileProject::Item(int32_t index) {
  if (index < 1 || index > Count()) {
    throw IdeError(host::kErrSubscriptOutOfRange,
                   "Component " + std::to_string(index) + " does not exist in " + Name(),
                   "Components");
  }
  return *components_[static_cast<size_t>(index - 1)];
}

void FileProject::Remove(host::Component& component) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const auto& c) { return c.get() == &component; });
  if (it == components_.end()) {
    throw IdeError(host::kErrInvalidCall, component.Name() + " is not a component of " + Name(),
                   "Components");
  }
  if (remove_hook_) remove_hook_(component);
  auto k = static_cast<size_t>(it - components_.begin());
  if (k < listed_) {
    file_.RemoveComponent(k);
    --listed_;
  }
  components_.erase(it);
  dirty_ = true;
}

FileComponent& FileProject::Add(const std::string& path) {
  std::string native = AbsolutePath(path);
  std::optional<std::string> found = ResolveCaseInsensitive(native);
  if (!found) throw IdeError(host::kErrFileNotFound, "File not found: " + native, "Components");
  ComponentType type = FileComponent::TypeForExtension(Extension(*found));
  components_.push_back(FileComponent::Load(*this, type, *found, ""));
  dirty_ = true;
  return *components_.back();
}

host::Component& FileProject::AddFromFile(const std::string& path) {
  return Add(path);
}

host::Component& FileProject::Import(const std::string& path) {
  FileComponent& c = Add(path);
  c.Detach();
  return c;
}

}  // namespace kestrix::vbfiles
