#include "platform/system/shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <vector>

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

bool DesktopShell::OpenDocument(const std::string& path_or_url) {
  if (!DisplayAvailable() || path_or_url.empty()) return false;
  // A name starting with '-' would be read as an option.
  std::string target = path_or_url.front() == '-' ? "./" + path_or_url : path_or_url;
  std::string program = "xdg-open";
  std::vector<char*> argv = {program.data(), target.data(), nullptr};
  return SpawnDetached(argv.data());
}

std::string DesktopShell::ProgramFolder() const {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return ".";
  path.resize(static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace kestrix::system
