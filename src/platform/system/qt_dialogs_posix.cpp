#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <cerrno>

#include "platform/system/qt_dialogs.h"

namespace kestrix::system {

bool QtDialogs::DesktopReachable() {
  if (QApplication::instance() != nullptr) return true;
  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // Qt says why it fails on standard error; the caller falls back quietly.
    int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, 2);
    int argc = 1;
    char name[] = "kestrix";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kestrix::system
