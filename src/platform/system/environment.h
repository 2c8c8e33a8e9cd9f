#pragma once

// The running program's surroundings: its arguments, its own executable, the current folder,
// how file names compare, the environment's variables, and whether an output stream is a
// terminal. environment_posix.cpp implements it on POSIX systems, environment_win32.cpp on
// Windows.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix::system {

// The program's arguments (argv[1..]) in UTF-8. On Windows they are read from the wide command
// line, so that names outside the ANSI code page arrive whole; elsewhere they are argv itself.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Readies standard output and error for UTF-8 bytes: on Windows a console is switched to UTF-8
// and both streams write their bytes unchanged (no CR added before LF), so that a redirected
// output equals the one written on any other system. Nothing to do elsewhere.
void PrepareStandardStreams();

// The full path of the running executable, in the internal form; "" when it cannot be found.
std::string ExecutablePath();

// The internal form (see platform/vbfiles/paths.h) of a path the user gave the program in the
// system's own form, on its command line: on POSIX, where "//x" is "/x", a leading run of
// slashes becomes one, so that it never reads as a UNC share "//server/share". On Windows
// backslashes become '/'.
std::string FromNativePath(std::string_view native);

// An internal path in the system's own form, for a program's command line: backslashes on
// Windows, the path itself on POSIX.
std::string ToNativePath(const std::string& path);

// An internal path as a Windows program (the VB compiler) takes it: the system's own form on
// Windows; on POSIX, where such a program runs under Wine, the root's drive Z: and backslashes.
std::string WindowsProgramPath(const std::string& path);

// The std::filesystem path of an internal path, and the internal path of one, with every
// character of the names kept: on Windows the standard library would read a narrow string in
// the C locale, not as the UTF-8 it is. Every std::filesystem call takes its path from here.
// Neither throws: on Windows bytes that are not UTF-8 (a name in an ANSI code page) become
// U+FFFD, which names no file.
std::filesystem::path FileSystemPath(std::string_view path);
std::string FromFileSystemPath(const std::filesystem::path& path);

// True when every name of `names` (names between '/', no root) is a plain one: not empty,
// ".", nor "..". Such a path needs no normalising.
inline bool PlainNames(std::string_view names) {
  size_t start = 0;
  for (size_t i = 0; i <= names.size(); ++i) {
    if (i < names.size() && names[i] != '/') continue;
    std::string_view name = names.substr(start, i - start);
    if (name.empty() || name == "." || name == "..") return false;
    start = i + 1;
  }
  return true;
}

// The VB6 compiler (VB6.EXE, in the internal form) where the registry says that Visual Basic 6
// is installed, when that file exists; nullopt when it is not installed, and away from Windows.
std::optional<std::string> InstalledVb6Compiler();

// The current folder, in the internal form; "." when it cannot be found.
std::string CurrentFolder();

// True when the system's file names ignore case (Windows), false when they do not (POSIX):
// whether two paths that differ only in case name one file.
bool FileNamesIgnoreCase();

// The value of the environment variable `name`; nullopt when it is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);

// True when `stream` writes to a terminal (a console window on Windows), where a progress line
// may be redrawn in place.
bool IsTerminal(std::FILE* stream);

}  // namespace kestrix::system
