#pragma once

// kestrix-batch info: what the file-backed IDE finds in a project or group.

#include <cstdio>
#include <string>

#include "frontends/batch/batch_options.h"

namespace kestrix::batch {

struct InfoOptions {
  bool procedures = false;  // list every procedure too
  OutputFormat format = OutputFormat::kText;
  int code_page = 0;  // see FileIde::SetCodePage
};

// Loads the .vbp or .vbg and prints its projects and components, with sizes and (when
// `procedures` is set) every procedure: as text for people, or one row per item as
// tab-separated values ("group", "project", "component", "procedure" rows) or JSON lines
// ({"type":"project",...}). Throws host::IdeError when it cannot be loaded.
void PrintProjectInfo(const std::string& path, const InfoOptions& options, std::FILE* out);

}  // namespace kestrix::batch
