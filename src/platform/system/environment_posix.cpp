#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/system/environment.h"

namespace kestrix::system {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareStandardStreams() {}

std::string ToNativePath(const std::string& path) {
  return path;
}

std::string WindowsProgramPath(const std::string& path) {
  std::string out = "Z:" + path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

std::filesystem::path FileSystemPath(std::string_view path) {
  return std::filesystem::path(path);
}

std::string FromFileSystemPath(const std::filesystem::path& path) {
  return path.string();
}

std::optional<std::string> InstalledVb6Compiler() {
  return std::nullopt;
}

std::string ExecutablePath() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return "";
  path.resize(static_cast<size_t>(n));
  return path;
}

std::string FromNativePath(std::string_view native) {
  size_t slashes = native.find_first_not_of('/');
  if (slashes == std::string_view::npos) slashes = native.size();
  if (slashes > 1) native.remove_prefix(slashes - 1);
  return std::string(native);
}

std::string CurrentFolder() {
  std::string path(4096, '\0');
  while (::getcwd(path.data(), path.size()) == nullptr) {
    if (errno != ERANGE || path.size() >= (size_t{1} << 20)) return ".";
    path.resize(path.size() * 2);
  }
  path.resize(std::char_traits<char>::length(path.c_str()));
  return path;
}

bool FileNamesIgnoreCase() {
  return false;
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

}  // namespace kestrix::system
