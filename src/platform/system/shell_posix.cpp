#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/system/shell.h"

namespace kestrix::system {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// Runs in the grandchild, between fork and exec: only calls that are safe there. On failure
// the errno goes back through `report` (closed on a successful exec).
[[noreturn]] void ExecDetached(char* const argv[], int report) {
  ::setsid();
  int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
  }
  ::execvp(argv[0], argv);
  int err = errno;
  ssize_t ignored = ::write(report, &err, sizeof err);
  (void)ignored;
  ::_exit(127);
}

// Starts argv as a grandchild that init adopts, so that nobody has to wait for it. True once
// exec has succeeded.
bool SpawnDetached(char* const argv[]) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    pid_t grandchild = ::fork();
    if (grandchild == 0) ExecDetached(argv, report[1]);
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(report[1]);
  if (child < 0) {
    ::close(report[0]);
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // End of file without an errno: exec closed the pipe, the program runs.
  int err = 0;
  ssize_t n;
  while ((n = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool DisplayAvailable() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

bool DesktopShell::OpenWithDesktop(const std::string& target) {
  if (!DisplayAvailable()) return false;
  std::string program = "xdg-open";
  std::string argument = target;
  std::vector<char*> argv = {program.data(), argument.data(), nullptr};
  return SpawnDetached(argv.data());
}

}  // namespace kestrix::system
