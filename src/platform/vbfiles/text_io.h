#pragma once

// Reading and writing the text files of VB projects: bytes kept as they are, lines split on
// CR LF or LF, written back with CR LF.

#include <string>
#include <string_view>
#include <vector>

namespace kestrix::vbfiles {

struct TextLines {
  std::vector<std::string> lines;  // without their line breaks
  // False when the file's last line has no line break after it. Bytes after the last line
  // break (blanks, say) form a last line of their own.
  bool final_newline = true;
};

// Splits on CR LF and on a bare LF; a bare CR stays inside its line.
TextLines SplitLines(std::string_view bytes);
// Joins with CR LF, ending with CR LF when final_newline is set (and there is a line).
std::string JoinLines(const std::vector<std::string>& lines, bool final_newline);
void AppendLine(std::string& out, std::string_view line);  // line + CR LF

// Reads a whole file. Throws host::IdeError: kErrFileNotFound when it does not exist,
// kErrPathFileAccess when it cannot be read; the description names the file.
std::string ReadFileBytes(const std::string& path);
// Writes a whole file through a temporary file in the same folder and a rename, so that the
// file is either written whole or left as it was. Throws host::IdeError kErrPathFileAccess.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// Copies a file byte for byte (atomically, as above).
void CopyFileAtomic(const std::string& from, const std::string& to);

}  // namespace kestrix::vbfiles
