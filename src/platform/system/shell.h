#pragma once

// Opening documents with the desktop's programs, and the program's own folder. shell.cpp holds
// what is the same on every system, shell_posix.cpp the desktop of a POSIX system.

#include <string>

#include "host/system.h"

namespace kestrix::system {

// True when a graphical desktop is at hand: DISPLAY or WAYLAND_DISPLAY is set and not empty.
bool DisplayAvailable();

class DesktopShell final : public host::Shell {
 public:
  // With a desktop, starts `xdg-open <path>` in a session of its own, without a shell, with
  // standard input and output on /dev/null, and returns without waiting for it: true once the
  // program has been started. False without a desktop or when xdg-open cannot be started.
  bool OpenDocument(const std::string& path_or_url) override;

  // The folder of the running executable (ExecutablePath); "." when it cannot be found.
  std::string ProgramFolder() const override;

 private:
  // The system's part of OpenDocument: hands `target` (never starting with '-') to the
  // desktop's opener without waiting for it.
  static bool OpenWithDesktop(const std::string& target);
};

}  // namespace kestrix::system
