#include "com/registration.h"

#include <vector>

#include "com/idt_extensibility2.h"
#include "com/module.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kFriendlyName[] = L"Kestrix";
constexpr wchar_t kDescription[] =
    L"Numbers the statement lines of a project's procedures and adds error handlers, in a "
    L"build copy";
constexpr wchar_t kClassName[] = L"Kestrix Connect";
constexpr wchar_t kAddInsKey[] = L"Software\\Microsoft\\Visual Basic\\6.0\\Addins";

std::wstring ClsidText() {
  wchar_t text[40] = {};
  StringFromGUID2(kClsidConnect, text, 40);
  return text;
}

std::wstring ClassKey() {
  return L"Software\\Classes\\CLSID\\" + ClsidText();
}
std::wstring ProgIdKey() {
  return std::wstring(L"Software\\Classes\\") + kProgId;
}
std::wstring AddInKey() {
  return std::wstring(kAddInsKey) + L"\\" + kProgId;
}

HRESULT SetString(HKEY root, const std::wstring& key, const wchar_t* name,
                  const std::wstring& value) {
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return HRESULT_FROM_WIN32(status);
}

HRESULT SetNumber(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value) {
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
  RegCloseKey(handle);
  return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(HKEY root, const std::wstring& key) {
  LSTATUS status = RegDeleteTreeW(root, key.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(status);
}

// Deletes `key` only when it holds neither subkeys nor values: the IDE keeps its own
// settings beside the add-in list, and they must survive our removal.
void DeleteIfEmpty(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
  DWORD subkeys = 0;
  DWORD values = 0;
  LSTATUS status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                    &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(root, key.c_str());
}

HRESULT WriteAll(HKEY root, const std::wstring& dll_path) {
  const std::wstring class_key = ClassKey();
  const std::wstring server_key = class_key + L"\\InprocServer32";
  HRESULT steps[] = {
      SetString(root, class_key, nullptr, kClassName),
      SetString(root, server_key, nullptr, dll_path),
      SetString(root, server_key, L"ThreadingModel", L"Apartment"),
      SetString(root, class_key + L"\\ProgID", nullptr, kProgId),
      SetString(root, ProgIdKey(), nullptr, kClassName),
      SetString(root, ProgIdKey() + L"\\CLSID", nullptr, ClsidText()),
      SetString(root, AddInKey(), L"FriendlyName", kFriendlyName),
      SetString(root, AddInKey(), L"Description", kDescription),
      SetNumber(root, AddInKey(), L"LoadBehavior", 0),
  };
  for (HRESULT hr : steps) {
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT Register(HKEY root, const std::wstring& dll_path) {
  HRESULT hr = WriteAll(root, dll_path);
  if (FAILED(hr)) Unregister(root);
  return hr;
}

HRESULT Unregister(HKEY root) {
  HRESULT steps[] = {DeleteTree(root, ClassKey()), DeleteTree(root, ProgIdKey()),
                     DeleteTree(root, AddInKey())};
  std::wstring parent = kAddInsKey;
  for (int level = 0; level < 3; ++level) {  // Addins, 6.0, Visual Basic
    DeleteIfEmpty(root, parent);
    parent.erase(parent.rfind(L'\\'));
  }
  for (HRESULT hr : steps) {
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

std::wstring ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length =
        GetModuleFileNameW(ThisModule(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace kestrix::com

using namespace kestrix::com;

namespace {

HRESULT RegisterIn(HKEY root, bool install) {
  if (!install) return Unregister(root);
  std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return Register(root, path);
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return Guarded("DllRegisterServer", [] { return RegisterIn(HKEY_CURRENT_USER, true); });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return Guarded("DllUnregisterServer", [] { return RegisterIn(HKEY_CURRENT_USER, false); });
}

// regsvr32 /i:machine Kestrix.dll (or /n /i:machine) registers for every user of the
// machine; "user" or no argument means the current user, as DllRegisterServer does.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, PCWSTR argument) {
  return Guarded("DllInstall", [&]() -> HRESULT {
    HKEY root = HKEY_CURRENT_USER;
    if (argument != nullptr && _wcsicmp(argument, L"machine") == 0) {
      root = HKEY_LOCAL_MACHINE;
    } else if (argument != nullptr && *argument != L'\0' && _wcsicmp(argument, L"user") != 0) {
      return E_INVALIDARG;
    }
    return RegisterIn(root, install != FALSE);
  });
}
