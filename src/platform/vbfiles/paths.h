#pragma once

// Paths of VB projects: the Windows paths written inside project and group files (relative,
// with backslashes) turned into internal paths and back, and internal paths resolved the way
// Windows resolves them, ignoring case.
//
// The internal form, one for every system, is what every layer above the system layer holds:
//  - components are separated by '/' (never '\'); a project file's backslashes become '/'
//    when it is read (FromWindowsPath) and again '\' when one is written (RelativeWindowsPath);
//  - a path is absolute when it starts with a root: "/" (the root of POSIX, or of the current
//    drive), a drive letter "C:/" (any case; "C:" alone, drive-relative, is a root too), or a
//    UNC share "//server/share". Everything else is relative, and is joined to a folder;
//  - ".." never climbs above the root: not above "C:/", not out of "//server/share";
//  - two paths name one file when they are equal, ignoring case where the system's file names
//    do (system::FileNamesIgnoreCase: Windows yes, POSIX no); drive letters and share names
//    always ignore case.
// On POSIX the internal form is the system's own. Turning it into the system's form (a
// Windows sibling: '\' separators, wide characters) is done only in the system layer
// (platform/system), which every file, folder and process call goes through. A path typed on a
// command line is made internal there first (system::FromNativePath), so that the POSIX path
// "//tmp/x" is "/tmp/x" and never a share.
//
// Nothing here touches the disk except ResolveCaseInsensitive, ResolveProjectPath and
// AbsolutePath (which reads the current folder).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrix::vbfiles {

// The path itself when it exists (one stat). Otherwise each component is looked up in turn,
// matched against the folder's entries ignoring ASCII case ("." and ".." are kept as they
// stand), and the path as found on disk is returned; when several entries differ only in case
// the first in byte order wins. nullopt when some component matches nothing. Where the
// system's file names ignore case (Windows), an existing path is looked up the same way, so
// that the spelling kept is always the one on disk, as on POSIX.
std::optional<std::string> ResolveCaseInsensitive(const std::string& native_path);

// Where a path written in a project or group file lies on disk.
struct Resolution {
  std::optional<std::string> path;  // as found on disk; nullopt when not found
  // Why it is not found although candidates exist: the name reads as different files in
  // different code pages ("" otherwise).
  std::string ambiguity;
};

// ResolveCaseInsensitive, and then, for a path component that matches nothing, its bytes read
// in a Windows ANSI code page (project files name files in the code page of the machine that
// wrote them; a Linux checkout names them in UTF-8) and matched against the folder's entries
// (exactly, then ignoring ASCII case). `code_page` 0 tries every common code page
// (system::CommonAnsiCodePages); when two of them find different entries the path is not
// resolved and `ambiguity` lists them, so that the user names the code page.
Resolution ResolveProjectPath(const std::string& native_path, int code_page);

// A path as written in a project or group file, made native and lexically normalised (see
// NormalizePath): every path read from a file goes through here once. A relative path (either
// slash, may climb with "..\") is joined to base_dir ("" meaning the current folder). A
// Windows-absolute path (a drive letter "C:\x", a UNC path "\\server\share", or a path from the
// drive's root "\x" or "/x") has its backslashes turned into '/' and is normalised as it stands
// ("/top/p/../modA.bas" is "/top/modA.bas"; "\\server\share\..\x" stays in the share); case is
// left alone.
std::string FromWindowsPath(const std::string& base_dir, std::string_view win_path);

// `target` relative to the folder `from_dir`, written as VB writes it: backslashes, climbing
// with "..\" as needed ("..\Shared\Common.bas", "Forms\frmMain.frm", "x.bas"). Both paths are
// made absolute first (AbsolutePath); "." when they name the same folder. A target on another
// drive or share has no relative path: it is written whole ("D:\Lib\x.bas").
std::string RelativeWindowsPath(const std::string& from_dir, const std::string& target);

// How many leading characters of an internal path are its root: 1 for "/x", 3 for "C:/x", 2 for
// "C:x", the length of "//server/share" for "//server/share/x", 0 for a relative path.
size_t RootLength(std::string_view path);
// True when the path starts with a root (see above).
bool IsAbsolute(std::string_view path);
// `path` inside the folder `dir`: `path` itself when it is absolute or `dir` is "" or ".",
// otherwise the two with one '/' between them. Nothing is normalised.
std::string JoinPath(std::string_view dir, std::string_view path);

// Lexically normalised: the root kept as it stands, no "." components, ".." folded into the folder
// before it (a ".." at the root is dropped, leading ".." of a relative path stay), no doubled or
// trailing '/' (a root's own slash aside).
// "." for an empty result of a relative path.
std::string NormalizePath(std::string_view path);
// NormalizePath of the path, made absolute against the current folder when it is relative.
std::string AbsolutePath(const std::string& path);

// The folder part: everything before the last '/', and never less than the root ("/" for "/x",
// "C:/" for "C:/x", "//server/share" for "//server/share/x"); "." for a relative path without
// a '/'.
std::string DirName(std::string_view path);
// Everything after the last '/'.
std::string FileNamePart(std::string_view path);
// The file name without its extension ("frmMain" for "Forms/frmMain.frm").
std::string Stem(std::string_view path);
// The file name's extension in lower case, with its dot (".frm"); "" when there is none. A
// leading dot does not start an extension (".hidden" has none).
std::string Extension(std::string_view path);

// ASCII case-insensitive equality, as Windows compares file and module names.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace kestrix::vbfiles
