#include "platform/system/win32_text.h"

namespace kestrix::system::win32 {
namespace {

// Paths at least this long get the "\\?\" prefix: the classic limit (MAX_PATH, 260, with room
// for the 8.3 name a new folder needs) no longer applies to them.
constexpr size_t kLongPath = 240;

bool IsSlash(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  auto size = static_cast<int>(utf8.size());
  int wide_size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), wide_size);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  auto size = static_cast<int>(wide.size());
  int out_size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(out_size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), out_size, nullptr, nullptr);
  return out;
}

std::wstring NativePath(std::string_view internal) {
  std::wstring path = Widen(internal);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (path.size() < kLongPath || path.rfind(L"\\\\?\\", 0) == 0) return path;
  // The prefix turns off the system's own clean-up of "." and "..": hand it a full path.
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  full.resize(size);
  if (full.size() >= 2 && IsSlash(full[0]) && IsSlash(full[1])) {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return L"\\\\?\\" + full;
}

std::string InternalPath(std::wstring_view native) {
  if (native.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    native.remove_prefix(8);
    return "//" + InternalPath(native);
  }
  if (native.rfind(L"\\\\?\\", 0) == 0) native.remove_prefix(4);
  std::string path = Narrow(native);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string ErrorText(DWORD code) {
  // The common file errors read as on every other system, so that a status row or a test
  // names them alike everywhere; the rest in the system's words.
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
      return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_DIR_NOT_EMPTY:
      return "Directory not empty";
    default:
      break;
  }
  wchar_t* text = nullptr;
  DWORD size = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = size == 0 ? std::string() : Narrow(std::wstring_view(text, size));
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "system error " + std::to_string(code);
  return message;
}

}  // namespace kestrix::system::win32
