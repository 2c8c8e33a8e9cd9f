#pragma once

// The running program's surroundings: its own executable, the current folder, how file names
// compare, the environment's variables, and whether an output stream is a terminal.
// environment_posix.cpp implements it on POSIX systems.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kestrix::system {

// The full path of the running executable, in the internal form; "" when it cannot be found.
std::string ExecutablePath();

// The internal form (see platform/vbfiles/paths.h) of a path the user gave the program in the
// system's own form, on its command line: on POSIX, where "//x" is "/x", a leading run of
// slashes becomes one, so that it never reads as a UNC share "//server/share".
std::string FromNativePath(std::string_view native);

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
