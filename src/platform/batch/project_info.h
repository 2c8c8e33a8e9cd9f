#pragma once

// kestrix-batch info: what the file-backed IDE finds in a project or group.

#include <cstdio>
#include <string>

namespace kestrix::batch {

// Loads the .vbp or .vbg and prints its projects and components, with sizes and (when
// `procedures` is set) every procedure. Throws host::IdeError when it cannot be loaded.
void PrintProjectInfo(const std::string& path, bool procedures, std::FILE* out);

}  // namespace kestrix::batch
