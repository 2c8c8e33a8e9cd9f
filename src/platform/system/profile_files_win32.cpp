#include <windows.h>

#include "platform/system/ini_document.h"
#include "platform/system/profile_files.h"
#include "platform/system/win32_text.h"

namespace kestrix::system {
namespace {

bool HasFolder(const std::string& file) {
  return file.find_first_of("/\\") != std::string::npos;
}

// The name the profile functions take: a bare name as it stands (they look in the Windows
// folder themselves), a path in the system's form.
std::wstring ProfileName(const std::string& file) {
  return HasFolder(file) ? win32::NativePath(file) : win32::Widen(file);
}

}  // namespace

int32_t SystemProfileFiles::GetInt(const std::string& section, const std::string& key,
                                   int32_t default_value, const std::string& file) const {
  UINT value = ::GetPrivateProfileIntW(win32::Widen(section).c_str(), win32::Widen(key).c_str(),
                                       default_value, ProfileName(file).c_str());
  return static_cast<int32_t>(value);
}

bool SystemProfileFiles::WriteString(const std::string& section, const std::string& key,
                                     const std::optional<std::string>& value,
                                     const std::string& file) {
  write_error_.clear();
  // A line break would add lines of its own to the file: refuse rather than corrupt it.
  if (!ValidSection(section) || !ValidKey(key)) {
    write_error_ = "the name cannot be stored";
    return false;
  }
  if (value && value->find_first_of("\r\n") != std::string::npos) {
    write_error_ = "the value holds a line break";
    return false;
  }
  std::wstring wide_value = value ? win32::Widen(*value) : std::wstring();
  if (::WritePrivateProfileStringW(win32::Widen(section).c_str(), win32::Widen(key).c_str(),
                                   value ? wide_value.c_str() : nullptr,
                                   ProfileName(file).c_str())) {
    return true;
  }
  write_error_ = win32::ErrorText(::GetLastError());
  return false;
}

std::string SystemProfileFiles::FilePath(const std::string& file) const {
  if (HasFolder(file)) return file;
  wchar_t folder[MAX_PATH + 1] = {};
  UINT size = ::GetWindowsDirectoryW(folder, MAX_PATH + 1);
  if (size == 0 || size > MAX_PATH) return file;
  return win32::InternalPath(std::wstring_view(folder, size)) + "/" + file;
}

}  // namespace kestrix::system
