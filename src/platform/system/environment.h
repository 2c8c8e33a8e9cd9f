#pragma once

// The running program's surroundings: its own executable, the current folder, how file names
// compare, the environment's variables, and whether an output stream is a terminal.
// environment_posix.cpp implements it on POSIX systems.

#include <cstdio>
#include <optional>
#include <string>

namespace kestrix::system {

// The full path of the running executable, in the internal form; "" when it cannot be found.
std::string ExecutablePath();

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
