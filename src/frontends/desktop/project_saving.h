#pragma once

// What the File menu's Save As does besides saving the project (vbfiles/save_changes): the
// group file follows the project to its new place.

#include <string>

#include "host/ide.h"

namespace kestrix::desktop {

// After a project of a group was saved as `new_path`: points the group file's entry for
// `old_path` there (relative to the group, with backslashes). Nothing happens when the group
// has no such entry. Throws host::IdeError when the group file cannot be read or written.
void MoveGroupEntry(const std::string& group_file, const std::string& old_path,
                    const std::string& new_path);

}  // namespace kestrix::desktop
