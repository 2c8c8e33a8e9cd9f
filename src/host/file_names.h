#pragma once

// Names that Kestrix puts into paths (a project's name in a build folder's name, a component's
// name as its file name) must stay one component of a path on Linux and on Windows.

#include <cstring>
#include <string>

namespace kestrix::host {

// `name` as one component of a path: control characters and < > : " / \ | ? * each become
// '_'; "", "." and ".." become "_".
inline std::string SafeFileName(std::string name) {
  if (name.empty() || name == "." || name == "..") return "_";
  for (char& c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr) c = '_';
  }
  return name;
}

}  // namespace kestrix::host
