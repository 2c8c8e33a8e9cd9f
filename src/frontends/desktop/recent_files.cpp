#include "frontends/desktop/recent_files.h"

#include <algorithm>

namespace kestrix::desktop {
namespace {

constexpr const char* kApp = "Kestrix IDE";
constexpr const char* kSection = "Recent";

}  // namespace

std::vector<std::string> RecentFiles::List() const {
  std::vector<std::string> paths;
  for (int key = 1; key <= kMaxEntries; ++key) {
    std::string path = store_.GetSetting(kApp, kSection, std::to_string(key));
    if (path.empty() || std::find(paths.begin(), paths.end(), path) != paths.end()) continue;
    paths.push_back(path);
  }
  return paths;
}

void RecentFiles::Add(const std::string& path) {
  std::vector<std::string> paths = List();
  paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
  paths.insert(paths.begin(), path);
  if (paths.size() > kMaxEntries) paths.resize(kMaxEntries);
  Store(paths);
}

void RecentFiles::Remove(const std::string& path) {
  std::vector<std::string> paths = List();
  paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
  Store(paths);
}

void RecentFiles::Store(const std::vector<std::string>& paths) {
  for (int key = 1; key <= kMaxEntries; ++key) {
    auto index = static_cast<size_t>(key - 1);
    if (index < paths.size()) {
      store_.SaveSetting(kApp, kSection, std::to_string(key), paths[index]);
    } else {
      store_.DeleteSetting(kApp, kSection, std::to_string(key));
    }
  }
}

}  // namespace kestrix::desktop
