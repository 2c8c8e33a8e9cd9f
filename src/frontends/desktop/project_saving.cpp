#include "frontends/desktop/project_saving.h"

#include "platform/vbfiles/group_file.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::desktop {

using host::ComponentType;

std::string ComponentExtension(ComponentType type) {
  switch (type) {
    case ComponentType::kStdModule:
      return ".bas";
    case ComponentType::kClassModule:
      return ".cls";
    case ComponentType::kVBForm:
    case ComponentType::kVBMDIForm:
      return ".frm";
    case ComponentType::kPropPage:
      return ".pag";
    case ComponentType::kUserControl:
      return ".ctl";
    case ComponentType::kDocObject:
      return ".dob";
    case ComponentType::kMSForm:
    case ComponentType::kActiveXDesigner:
      return ".dsr";
    case ComponentType::kResFile:
      return ".res";
    case ComponentType::kRelatedDocument:
      break;
  }
  return "";
}

std::string NewComponentPath(const host::Component& component, const std::string& folder) {
  std::string extension = ComponentExtension(component.Type());
  if (extension.empty()) return "";
  // A file that is there already belongs to someone: it is never overwritten.
  std::string stem = folder + "/" + component.Name();
  std::string path = stem + extension;
  for (int n = 1; vbfiles::ResolveCaseInsensitive(path); ++n)
    path = stem + std::to_string(n) + extension;
  return path;
}

void SaveProject(host::Project& project, const std::string& project_path) {
  std::string folder = vbfiles::DirName(project_path);
  bool named_a_file = false;
  host::Components& components = project.VBComponents();
  for (int32_t i = 1; i <= components.Count(); ++i) {
    host::Component& component = components.Item(i);
    std::string file = component.FileNames(1);
    if (file.empty()) {
      file = NewComponentPath(component, folder);
      if (file.empty()) {
        throw host::IdeError(host::kErrPathFileAccess,
                             "Cannot save " + component.Name() + ": it has no file name",
                             "Project");
      }
      named_a_file = true;
    } else if (!component.IsDirty()) {
      continue;
    }
    component.SaveAs(file);
  }
  bool moved = vbfiles::AbsolutePath(project_path) != project.FileName();
  if (project.IsDirty() || named_a_file || moved) project.SaveAs(project_path);
}

void MoveGroupEntry(const std::string& group_file, const std::string& old_path,
                    const std::string& new_path) {
  std::string folder = vbfiles::DirName(group_file);
  vbfiles::GroupFile group =
      vbfiles::GroupFile::Parse(vbfiles::ReadFileBytes(group_file), group_file);
  bool found = false;
  for (auto& entry : group.projects) {
    std::string native = vbfiles::FromWindowsPath(folder, entry.path);
    std::string resolved = vbfiles::ResolveCaseInsensitive(native).value_or(native);
    if (resolved != old_path) continue;
    entry.path = vbfiles::RelativeWindowsPath(folder, new_path);
    found = true;
  }
  if (found) vbfiles::WriteFileAtomic(group_file, group.Serialize());
}

}  // namespace kestrix::desktop
