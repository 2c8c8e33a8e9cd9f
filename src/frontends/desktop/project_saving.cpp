#include "frontends/desktop/project_saving.h"

#include "platform/vbfiles/group_file.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::desktop {

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
