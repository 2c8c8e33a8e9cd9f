#pragma once

// The File menu's list of recently opened projects and groups, kept in the settings store
// under application "Kestrix IDE", section "Recent", keys "1" (the latest) to "8".

#include <string>
#include <vector>

#include "host/system.h"

namespace kestrix::desktop {

class RecentFiles {
 public:
  static constexpr int kMaxEntries = 8;

  explicit RecentFiles(host::SettingsStore& store) : store_(store) {}

  // The stored paths, latest first, without gaps or repeats.
  std::vector<std::string> List() const;
  // Puts the path first, dropping an earlier entry of it and the ninth. Throws
  // host::IdeError when the store cannot be written.
  void Add(const std::string& path);
  // Takes the path out of the list (a project that could not be opened any more).
  void Remove(const std::string& path);

 private:
  void Store(const std::vector<std::string>& paths);

  host::SettingsStore& store_;
};

}  // namespace kestrix::desktop
