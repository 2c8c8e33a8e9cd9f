#pragma once

// Saving projects as the File menu does, over the IDE's object model: every component with
// unsaved changes goes to its own file, components that were never saved get a file beside
// the project, and then the project file is written.

#include <string>

#include "host/ide.h"

namespace kestrix::desktop {

// The file extension of a component of this kind (".bas", ".cls", ".frm", …); "" for kinds
// whose file name cannot be made up (related documents).
std::string ComponentExtension(host::ComponentType type);

// Where a component that was never saved goes: `folder`/<name><extension>, or, when a file of
// that name exists, the first of <name>1, <name>2, … that does not; "" when the kind has no
// extension.
std::string NewComponentPath(const host::Component& component, const std::string& folder);

// Saves the project's changed and never-saved components, then writes the project file to
// `project_path` when the project changed, a component got its first file, or the path is new.
// Throws host::IdeError from the first save that fails (kErrPathFileAccess when a component's
// file name cannot be made up); what was saved before stays saved.
void SaveProject(host::Project& project, const std::string& project_path);

// After a project of a group was saved as `new_path`: points the group file's entry for
// `old_path` there (relative to the group, with backslashes). Nothing happens when the group
// has no such entry. Throws host::IdeError when the group file cannot be read or written.
void MoveGroupEntry(const std::string& group_file, const std::string& old_path,
                    const std::string& new_path);

}  // namespace kestrix::desktop
