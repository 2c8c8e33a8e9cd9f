#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/system/process.h"

extern char** environ;

namespace kestrix::system {
namespace {

// Closes the descriptors it holds when it goes.
struct Fds {
  int fd[2] = {-1, -1};
  ~Fds() {
    for (int f : fd) {
      if (f >= 0) ::close(f);
    }
  }
};

// Reads the pipe to its end: keeps the first `max` bytes, drops the rest.
void Drain(int fd, size_t max, ProcessResult& result) {
  char buffer[1 << 14];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    KeepOutput(std::string_view(buffer, static_cast<size_t>(n)), max, result);
  }
}

void Wait(pid_t pid, ProcessResult& result) {
  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) {
    result.error = std::string("cannot wait for it: ") + std::strerror(errno);
  } else if (WIFEXITED(status)) {
    result.exited = true;
    result.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& words, size_t max_output) {
  ProcessResult result;
  if (!NamesAProgram(words, result)) return result;
  std::vector<char*> argv;
  for (const std::string& w : words)
    argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  Fds out;
  if (::pipe2(out.fd, O_CLOEXEC) != 0) {
    result.error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out.fd[1], 2);
  pid_t pid = 0;
  int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out.fd[1]);
  out.fd[1] = -1;
  if (rc != 0) {
    result.error = std::strerror(rc);
    return result;
  }
  result.started = true;
  Drain(out.fd[0], max_output, result);
  Wait(pid, result);
  return result;
}

}  // namespace kestrix::system
