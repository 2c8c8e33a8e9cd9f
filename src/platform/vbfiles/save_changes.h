#pragma once

// Saving what changed, for every front end: each changed component to its own file, a
// component that was never saved to a new file beside its project file, then the project
// file. Every file is checked first, so that a save that cannot be finished writes nothing;
// a file the project does not own is never written over.

#include <optional>
#include <string>
#include <vector>

#include "host/ide.h"

namespace kestrix::vbfiles {

// One file to write: a component (`component` set) or a project file.
struct SaveStep {
  host::Component* component = nullptr;
  host::Project* project = nullptr;
  std::string path;
};

struct SaveResult {
  std::vector<std::string> saved;     // the files written, in order
  std::vector<std::string> problems;  // why the save stopped; empty when everything was saved
  bool checked = false;               // every file passed the check (a write may still fail)
  bool Ok() const { return problems.empty(); }
};

// Where a component that was never saved goes: `folder`/<name><extension>, or, when a file of
// that name exists (in any case) or is in `taken`, the first of <name>1, <name>2, … that is
// neither. The name is made safe as one path component. "" for a kind whose files have no
// extension of their own (a related document).
std::string NewComponentPath(const host::Component& component, const std::string& folder,
                             const std::vector<std::string>& taken = {});

// Appends to `steps` what saving `project` as `project_path` writes: its changed components
// and those never saved (a new file name each), then the project file when the project
// changed, a component got its first file, or `project_path` is not where it was loaded from.
// A component whose file name cannot be made up adds a problem to `problems`.
void PlanProjectSave(host::Project& project, const std::string& project_path,
                     std::vector<SaveStep>& steps, std::vector<std::string>& problems);

// Checks every step, then writes them in order. When a check fails nothing is written and
// every failing file is named; a write that fails stops the save there (what was written
// before stays written) and is named.
SaveResult SaveSteps(const std::vector<SaveStep>& steps);

// PlanProjectSave and SaveSteps for one project (the File menu's Save and Save As).
SaveResult SaveProject(host::Project& project, const std::string& project_path);

}  // namespace kestrix::vbfiles
