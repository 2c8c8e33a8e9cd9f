#pragma once

// Reading and writing the text files of VB projects: bytes kept as they are, lines split on
// CR LF, LF or (in files without any LF) CR, written back with CR LF.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::vbfiles {

// The UTF-8 byte-order mark some editors put before the first line.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The largest text file Kestrix reads. VB loads a module of at most 65,534 lines of at most
// 1,023 characters (about 64 MiB with their line breaks); a form's header adds its controls'
// descriptions. 80 MiB holds every file VB can load and keeps a mistaken path (a disk image
// renamed .bas) from filling the memory.
inline constexpr uint64_t kMaxTextFileBytes = uint64_t{80} << 20;

struct TextLines {
  std::vector<std::string> lines;  // without their line breaks
  // False when the file's last line has no line break after it. Bytes after the last line
  // break (blanks, say) form a last line of their own.
  bool final_newline = true;
  // The bytes began with kUtf8Bom; it is not part of the first line.
  bool bom = false;
};

// Splits on CR LF and on a bare LF. A file holding no LF at all but a CR (written by an old
// Mac editor) has CR as its line end, as VB reads it; in any other file a bare CR stays inside
// its line (string literals may hold one). A leading UTF-8 byte-order mark is set aside.
TextLines SplitLines(std::string_view bytes);
// The same lines as views into `bytes`, which must outlive them.
struct TextLineViews {
  std::vector<std::string_view> lines;
  bool final_newline = true;
  bool bom = false;
};
TextLineViews SplitLineViews(std::string_view bytes);
// Joins with CR LF, ending with CR LF when final_newline is set (and there is a line).
std::string JoinLines(const std::vector<std::string>& lines, bool final_newline);
void AppendLine(std::string& out, std::string_view line);  // line + CR LF

// Reads a whole file. Throws host::IdeError: kErrFileNotFound when it does not exist,
// kErrPathFileAccess when it cannot be read, is not a regular file (a FIFO, a device, a
// folder; never waiting on one) or is larger than kMaxTextFileBytes; the description names the
// file and the reason.
std::string ReadFileBytes(const std::string& path);
// The same into `bytes`, whose storage is reused: files read one after another into one string
// need no fresh memory each.
void ReadFileBytes(const std::string& path, std::string& bytes);
// Writes a whole file atomically (system::WriteFileAtomic: a new, exclusively created
// temporary file, flushed, renamed over the file; a symbolic link followed and kept, the mode
// kept), or in place into a new build folder (system::SaveFile). Throws host::IdeError naming the
// file and the reason: kErrPermissionDenied when the file is read-only, kErrPathFileAccess when it
// cannot be written.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// Copies a regular file byte for byte (atomically, as above), streaming it.
void CopyFileAtomic(const std::string& from, const std::string& to);

}  // namespace kestrix::vbfiles
