// windows.h comes first: the other system headers rely on its types.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdlib>

#include "platform/system/environment.h"
#include "platform/system/win32_text.h"

namespace kestrix::system {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i)
    args.push_back(win32::Narrow(wide[i]));
  ::LocalFree(wide);
  return args;
}

namespace {

UINT console_code_page = 0;  // the console's own output code page, put back at exit

void RestoreConsoleCodePage() {
  ::SetConsoleOutputCP(console_code_page);
}

}  // namespace

void PrepareStandardStreams() {
  // The console keeps its code page after the program: the one it had is put back at exit.
  console_code_page = ::GetConsoleOutputCP();
  if (console_code_page != 0 && console_code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    std::atexit(RestoreConsoleCodePage);
  }
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      return win32::InternalPath(path);
    }
    if (path.size() >= 32768) return "";
    path.resize(path.size() * 2);
  }
}

std::string FromNativePath(std::string_view native) {
  return win32::InternalPath(win32::Widen(native));
}

std::string ToNativePath(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

std::string WindowsProgramPath(const std::string& path) {
  return ToNativePath(path);
}

std::filesystem::path FileSystemPath(std::string_view path) {
  return std::filesystem::path(win32::Widen(path));
}

std::string FromFileSystemPath(const std::filesystem::path& path) {
  std::string internal = win32::Narrow(path.native());
  for (char& c : internal) {
    if (c == '\\') c = '/';
  }
  return internal;
}

std::optional<std::string> InstalledVb6Compiler() {
  // Visual Basic 6 is a 32-bit program: its setup wrote to the registry's 32-bit view.
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual Basic", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD size = sizeof folder - sizeof(wchar_t);
  DWORD type = 0;
  LSTATUS status = ::RegQueryValueExW(key, L"ProductDir", nullptr, &type,
                                      reinterpret_cast<BYTE*>(folder), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  std::string compiler = win32::InternalPath(folder);
  while (!compiler.empty() && compiler.back() == '/')
    compiler.pop_back();
  compiler += "/VB6.EXE";
  DWORD attributes = ::GetFileAttributesW(win32::NativePath(compiler).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return compiler;
}

std::string CurrentFolder() {
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return ".";
  std::wstring path(size, L'\0');
  size = ::GetCurrentDirectoryW(size, path.data());
  if (size == 0 || size >= path.size()) return ".";
  path.resize(size);
  return win32::InternalPath(path);
}

bool FileNamesIgnoreCase() {
  return true;
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  std::wstring wide_name = win32::Widen(name);
  ::SetLastError(ERROR_SUCCESS);
  DWORD size = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(size, L'\0');
  size = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(size);
  return win32::Narrow(value);
}

bool IsTerminal(std::FILE* stream) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(handle, &mode);
}

}  // namespace kestrix::system
