#include "platform/vbfiles/save_changes.h"

#include <algorithm>
#include <optional>

#include "host/component_kinds.h"
#include "host/file_names.h"
#include "platform/system/file_io.h"
#include "platform/vbfiles/paths.h"

namespace kestrix::vbfiles {
namespace {

bool Taken(const std::string& path, const std::vector<std::string>& taken) {
  if (ResolveCaseInsensitive(path)) return true;
  return std::any_of(taken.begin(), taken.end(),
                     [&](const std::string& t) { return EqualsIgnoreCase(t, path); });
}

}  // namespace

std::string NewComponentPath(const host::Component& component, const std::string& folder,
                             const std::vector<std::string>& taken) {
  std::string extension(host::KindOf(component.Type()).extension);
  if (extension.empty()) return "";
  // A file that is there already belongs to someone: it is never overwritten.
  std::string stem = folder + "/" + host::SafeFileName(component.Name());
  std::string path = stem + extension;
  for (int n = 1; Taken(path, taken); ++n)
    path = stem + std::to_string(n) + extension;
  return path;
}

void PlanProjectSave(host::Project& project, const std::string& project_path,
                     std::vector<SaveStep>& steps, std::vector<std::string>& problems) {
  std::string folder = DirName(project_path);
  bool named_a_file = false;
  std::vector<std::string> taken;
  for (const SaveStep& step : steps)
    taken.push_back(step.path);
  host::Components& components = project.VBComponents();
  for (int32_t i = 1; i <= components.Count(); ++i) {
    host::Component& component = components.Item(i);
    std::string file = component.FileNames(1);
    if (file.empty()) {
      file = NewComponentPath(component, folder, taken);
      if (file.empty()) {
        problems.push_back("Cannot save " + component.Name() + ": it has no file name");
        continue;
      }
      named_a_file = true;
      taken.push_back(file);
    } else if (!component.IsDirty()) {
      continue;
    }
    steps.push_back({&component, &project, file});
  }
  bool moved = AbsolutePath(project_path) != project.FileName();
  if (project.IsDirty() || named_a_file || moved)
    steps.push_back({nullptr, &project, project_path});
}

SaveResult SaveSteps(const std::vector<SaveStep>& steps) {
  SaveResult result;
  for (const SaveStep& step : steps) {
    if (auto why = system::WhyNotWritable(step.path)) result.problems.push_back(*why);
  }
  if (!result.problems.empty()) return result;
  result.checked = true;
  for (const SaveStep& step : steps) {
    try {
      if (step.component != nullptr) {
        step.component->SaveAs(step.path);
      } else {
        step.project->SaveAs(step.path);
      }
    } catch (const host::IdeError& error) {
      result.problems.push_back(error.Description());
      return result;
    }
    result.saved.push_back(step.path);
  }
  return result;
}

SaveResult SaveProject(host::Project& project, const std::string& project_path) {
  std::vector<SaveStep> steps;
  SaveResult refused;
  PlanProjectSave(project, project_path, steps, refused.problems);
  if (!refused.Ok()) return refused;
  return SaveSteps(steps);
}

}  // namespace kestrix::vbfiles
