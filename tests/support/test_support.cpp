#include "support/test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace kestrix::testing {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "kestrix-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make files read-only; give the write bits back so that everything can go.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_value_ = true;
    old_value_ = old;
  }
  if (value) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (had_value_) {
    ::setenv(name_.c_str(), old_value_.c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

std::string TempDir::Path(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

std::string TempDir::Write(std::string_view relative, std::string_view bytes) const {
  std::string full = Path(relative);
  fs::create_directories(fs::path(full).parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + full);
  return full;
}

std::string TempDir::WriteScript(std::string_view relative, std::string_view body) const {
  std::string path = Write(relative, "#!/bin/sh\n" + std::string(body));
  if (!SetMode(path, 0755)) throw std::runtime_error("cannot make " + path + " executable");
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  return fs::exists(path);
}

std::string SourceDir() {
  const char* dir = std::getenv("KESTRIX_SOURCE_DIR");
  return dir ? dir : KESTRIX_DEFAULT_SOURCE_DIR;
}

std::string CopyTree(const std::string& from, const std::string& to) {
  fs::create_directories(to);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  return to;
}

std::map<std::string, std::string> FilesBelow(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).generic_string()] = ReadFile(entry.path().string());
  }
  return files;
}

std::string FirstDifference(const std::string& expected, const std::string& actual) {
  size_t at = 0, line = 1;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) {
    if (expected[at++] == '\n') ++line;
  }
  size_t start = at == 0 ? std::string::npos : expected.rfind('\n', at - 1);
  start = start == std::string::npos ? 0 : start + 1;
  auto line_of = [start](const std::string& text) {
    std::string found = text.substr(std::min(start, text.size()));
    found = found.substr(0, found.find_first_of("\r\n"));
    return found;
  };
  return "first difference on line " + std::to_string(line) + ": \"" + line_of(expected) +
         "\" became \"" + line_of(actual) + "\"";
}

std::string Crlf(std::string_view bar_separated, std::string_view eol) {
  std::string out;
  for (char c : bar_separated) {
    if (c == '|') {
      out += eol;
    } else {
      out += c;
    }
  }
  if (!bar_separated.empty()) out += eol;
  return out;
}

std::string Bars(std::string_view crlf) {
  std::string out;
  for (size_t i = 0; i < crlf.size(); ++i) {
    if (crlf.substr(i, 2) == "\r\n") {
      out += '|';
      ++i;
    } else {
      out += crlf[i];
    }
  }
  return out;
}

bool SetMode(const std::string& path, int mode) {
  return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

bool MakeFifo(const std::string& path) {
  return ::mkfifo(path.c_str(), 0644) == 0;
}

int RunInChildProcesses(int count, const std::function<int()>& body) {
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t child = ::fork();
    if (child < 0) break;
    if (child == 0) {
      int status = 1;
      try {
        status = body();
      } catch (...) {
      }
      ::_exit(status);
    }
    children.push_back(child);
  }
  int failed = count - static_cast<int>(children.size());
  for (pid_t child : children) {
    int status = -1;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      ++failed;
  }
  return failed;
}

ShellResult RunShell(const std::string& command) {
  ShellResult run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace kestrix::testing
