#include "support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/system/environment.h"

namespace fs = std::filesystem;

namespace kestrix::testing {

TempDir::TempDir() {
#ifdef _WIN32
  // The internal form ('/' separators) of a fresh folder in %TEMP%.
  std::random_device seed;
  for (int attempt = 0; path_.empty(); ++attempt) {
    fs::path folder = fs::temp_directory_path() / ("kestrix-test-" + std::to_string(seed()));
    std::error_code ec;
    if (fs::create_directory(folder, ec)) path_ = system::FromFileSystemPath(folder);
    if (attempt == 100) throw std::runtime_error("cannot make a temporary folder");
  }
#else
  std::string pattern = (fs::temp_directory_path() / "kestrix-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make files read-only; give the write bits back so that everything can go.
  for (auto it = fs::recursive_directory_iterator(system::FileSystemPath(path_), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(system::FileSystemPath(path_), ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_value_ = true;
    old_value_ = old;
  }
  Set(name, value);
}

ScopedEnv::~ScopedEnv() {
  Set(name_.c_str(), had_value_ ? old_value_.c_str() : nullptr);
}

void ScopedEnv::Set(const char* name, const char* value) {
#ifdef _WIN32
  // An empty value unsets the variable there (and an empty variable cannot exist).
  ::_putenv_s(name, value ? value : "");
#else
  if (value) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
#endif
}

std::string TempDir::Path(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

std::string TempDir::Write(std::string_view relative, std::string_view bytes) const {
  std::string full = Path(relative);
  fs::create_directories(system::FileSystemPath(full).parent_path());
  std::ofstream out(system::FileSystemPath(full), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + full);
  return full;
}

std::string TempDir::WriteScript(std::string_view relative, std::string_view body) const {
  std::string path = Write(relative, "#!/bin/sh\n" + std::string(body));
  if (!SetMode(path, 0755)) throw std::runtime_error("cannot make " + path + " executable");
  return path;
}

const char* WhyPermissionsDoNotApply() {
#ifdef _WIN32
  return "Windows has no permission bits that stop reading a file or making one in a folder";
#else
  return ::geteuid() == 0 ? "permissions do not apply to root" : nullptr;
#endif
}

std::string StandInCompiler() {
  std::string program = system::ExecutablePath();
  std::string folder = program.substr(0, program.rfind('/'));
#ifdef _WIN32
  return folder + "/stand-in/VB6.exe";
#else
  return folder + "/stand-in/VB6";
#endif
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(system::FileSystemPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  return fs::exists(system::FileSystemPath(path));
}

std::string SourceDir() {
  const char* dir = std::getenv("KESTRIX_SOURCE_DIR");
  return dir ? dir : KESTRIX_DEFAULT_SOURCE_DIR;
}

std::string CopyTree(const std::string& from, const std::string& to) {
  // File by file: the standard library's recursive copy fails on Windows when `to` exists.
  fs::create_directories(system::FileSystemPath(to));
  fs::path top = system::FileSystemPath(from);
  for (const auto& entry : fs::recursive_directory_iterator(top)) {
    std::string relative = system::FromFileSystemPath(fs::relative(entry.path(), top));
    if (entry.is_directory()) {
      fs::create_directories(system::FileSystemPath(to + "/" + relative));
    } else {
      std::string bytes = ReadFile(system::FromFileSystemPath(entry.path()));
      std::ofstream out(system::FileSystemPath(to + "/" + relative), std::ios::binary);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!out) throw std::runtime_error("cannot write " + to + "/" + relative);
    }
  }
  return to;
}

std::map<std::string, std::string> FilesBelow(const std::string& root) {
  std::map<std::string, std::string> files;
  fs::path top = system::FileSystemPath(root);
  for (const auto& entry : fs::recursive_directory_iterator(top)) {
    if (entry.is_regular_file()) {
      files[system::FromFileSystemPath(fs::relative(entry.path(), top))] =
          ReadFile(system::FromFileSystemPath(entry.path()));
    }
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
  // On Windows only the write bits mean something: they clear or set the read-only attribute.
  std::error_code error;
  fs::permissions(system::FileSystemPath(path), static_cast<fs::perms>(mode), error);
  return !error;
}

#ifdef _WIN32

bool MakeFifo(const std::string&) {
  return false;
}

int RunInChildProcesses(int count, const std::function<int()>& body) {
  // No fork here: threads, each with handles of its own, which the system's locks keep apart
  // as they keep processes apart.
  std::vector<int> status(static_cast<size_t>(count), 1);
  std::vector<std::thread> children;
  for (int i = 0; i < count; ++i) {
    children.emplace_back([&body, &status, i] {
      try {
        status[static_cast<size_t>(i)] = body();
      } catch (...) {
      }
    });
  }
  for (std::thread& child : children)
    child.join();
  return static_cast<int>(std::count_if(status.begin(), status.end(), [](int s) { return s != 0; }));
}

ShellResult RunShell(const std::string&) {
  return {};
}

#else

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

#endif

}  // namespace kestrix::testing
