#include "platform/vbfiles/group_file.h"

#include <optional>

#include "host/ide_error.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {

using host::IdeError;

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
  size_t begin = s.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(kBlanks) - begin + 1);
}

bool IsGroupHeader(std::string_view line) {
  line = Trim(line);
  size_t blank = line.find_first_of(kBlanks);
  if (blank == std::string_view::npos) return false;
  std::string_view version = Trim(line.substr(blank));
  return EqualsIgnoreCase(line.substr(0, blank), "VBGROUP") &&
         (version == "5.0" || version == "5.00");
}

// The entry a line declares; nullopt when it is not StartupProject= or Project=.
std::optional<GroupFile::Entry> ReadEntry(std::string_view line, int line_number) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  std::string_view key = Trim(line.substr(0, eq));
  bool startup = EqualsIgnoreCase(key, "StartupProject");
  if (!startup && !EqualsIgnoreCase(key, "Project")) return std::nullopt;
  return GroupFile::Entry{std::string(Trim(line.substr(eq + 1))), startup, line_number};
}

// Two spellings of one project ("Lib\Lib.vbp", "lib\.\LIB.VBP") compare equal.
bool SameProject(const std::string& a, const std::string& b) {
  return EqualsIgnoreCase(FromWindowsPath("", a), FromWindowsPath("", b));
}

}  // namespace

GroupFile GroupFile::Parse(std::string_view bytes, const std::string& file_name) {
  auto fail = [&](size_t index, const std::string& what) {
    throw IdeError(host::kErrBadFileFormat,
                   file_name + "(" + std::to_string(index + 1) + "): " + what, "vbfiles");
  };
  if (bytes.substr(0, 1024).find('\0') != std::string_view::npos) {
    fail(0, "not a project group file (it holds binary data)");
  }
  std::vector<std::string> lines = SplitLines(bytes).lines;
  if (lines.empty() || !IsGroupHeader(lines[0])) fail(0, "expected \"VBGROUP 5.0\"");
  GroupFile group;
  bool has_startup = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (Trim(lines[i]).empty()) continue;
    std::optional<Entry> entry = ReadEntry(lines[i], static_cast<int>(i + 1));
    if (!entry) fail(i, "expected StartupProject= or Project=");
    if (entry->path.empty()) fail(i, "the line names no project file");
    if (entry->startup && has_startup) fail(i, "a second StartupProject= line");
    // One project file loaded twice would be two projects saving over each other.
    for (const Entry& earlier : group.projects) {
      if (SameProject(earlier.path, entry->path)) fail(i, "the project is listed twice");
    }
    has_startup = has_startup || entry->startup;
    group.projects.push_back(std::move(*entry));
  }
  if (!has_startup) {
    throw IdeError(host::kErrBadFileFormat, file_name + ": no StartupProject line", "vbfiles");
  }
  return group;
}

std::string GroupFile::Serialize() const {
  std::string out;
  AppendLine(out, "VBGROUP 5.0");
  for (const Entry& entry : projects) {
    AppendLine(out, (entry.startup ? "StartupProject=" : "Project=") + entry.path);
  }
  return out;
}

}  // namespace kestrix::vbfiles
