#pragma once

// A VB project group file (.vbg): a "VBGROUP 5.0" line, then one StartupProject= line and any
// number of Project= lines, each naming a project file relative to the group file (Windows
// path, backslashes).

#include <string>
#include <string_view>
#include <vector>

namespace kestrix::vbfiles {

struct GroupFile {
  struct Entry {
    std::string path;  // as written, blanks around it dropped
    bool startup = false;
    int line = 0;  // 1-based line in the file; 0 for an entry not read from a file
  };
  std::vector<Entry> projects;  // in file order, the startup project where it stands

  // Reads a group file (CR LF, LF or mixed line breaks). The first line is "VBGROUP 5.0" or
  // "VBGROUP 5.00" (any case, blanks around the words tolerated); after it blank lines,
  // StartupProject=path and Project=path lines (keys in any case) in any order. Throws
  // host::IdeError(kErrBadFileFormat, "<file_name>(<line>): <what is wrong>") for any other
  // line, an empty path, a second StartupProject= or a project listed twice, and
  // "<file_name>: …" when there is no StartupProject= line.
  static GroupFile Parse(std::string_view bytes, const std::string& file_name);

  // "VBGROUP 5.0", then one line per entry in order, every line ending with CR LF.
  std::string Serialize() const;
};

}  // namespace kestrix::vbfiles
