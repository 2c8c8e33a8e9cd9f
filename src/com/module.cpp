#include "com/module.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "com/idt_extensibility2.h"

namespace kestrix::com {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
std::mutex log_mutex;

// The log's path, read each time so that a host (or a test) may set it after loading us.
std::wstring LogPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length =
        GetEnvironmentVariableW(L"KESTRIX_LOG", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length);
  }
}

}  // namespace

void ObjectCreated() {
  ++live_objects;
}
void ObjectDestroyed() {
  --live_objects;
}
void LockModule() {
  ++server_locks;
}
void UnlockModule() {
  --server_locks;
}
bool ModuleInUse() {
  return live_objects.load() != 0 || server_locks.load() != 0;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

bool LogEnabled() noexcept {
  return GetEnvironmentVariableW(L"KESTRIX_LOG", nullptr, 0) != 0;
}

void Log(std::string_view line) noexcept {
  try {
    std::wstring path = LogPath();
    if (path.empty()) return;
    std::string text(line);
    text += "\r\n";
    std::lock_guard lock(log_mutex);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  } catch (...) {
    // A diagnostic log must never be the reason a call fails.
  }
}

void LogFailure(const char* entry, const char* what) noexcept {
  try {
    Log(std::string(entry) + ": " + what);
  } catch (...) {
  }
}

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.pop_back();
  return result;
}

std::string DescribeIid(REFIID iid) {
  wchar_t text[40] = {};
  StringFromGUID2(iid, text, 40);
  std::string result = Narrow(text);
  struct Known {
    const IID* iid;
    const char* name;
  };
  static const Known known[] = {
      {&IID_IUnknown, "IUnknown"},
      {&IID_IDispatch, "IDispatch"},
      {&kIidExtensibility2, "IDTExtensibility2"},
      {&IID_IClassFactory, "IClassFactory"},
      {&IID_IMarshal, "IMarshal"},
      {&IID_IPersist, "IPersist"},
      {&IID_ISupportErrorInfo, "ISupportErrorInfo"},
  };
  for (const Known& entry : known) {
    if (IsEqualIID(iid, *entry.iid)) return result + " " + entry.name;
  }
  return result;
}

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

}  // namespace kestrix::com
