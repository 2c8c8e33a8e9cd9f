#pragma once

// Where Kestrix keeps its per-user files: the settings store and the profile files (the IDE's
// add-in list among them). ConfigFolder is the system's convention (config_paths_posix.cpp:
// the XDG base directories; config_paths_win32.cpp: the roaming application data).

#include <string>

namespace kestrix::system {

// $XDG_CONFIG_HOME/kestrix, or ~/.config/kestrix when XDG_CONFIG_HOME is unset, empty or not
// an absolute path; on Windows %APPDATA%\Kestrix. Read from the environment at each call; the
// folder is not created here.
std::string ConfigFolder();

// Creates `path` with every missing parent (mode 0700: the folder holds personal settings).
// True when the folder exists afterwards; otherwise false, with the reason in `error`.
bool MakeFolders(const std::string& path, std::string& error);

}  // namespace kestrix::system
