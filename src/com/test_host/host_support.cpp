#include "com/test_host/host_support.h"

#include <oleauto.h>

#include <algorithm>

#include "com/test_host/window_driver.h"

namespace kestrix::com::testing {

std::wstring Wide(const std::string& utf8) {
  int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

std::string Utf8(const std::wstring& wide) {
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string TsvCell(const std::string& text) {
  std::string cell;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      cell += "\\\\";
    } else if (c == '\t') {
      cell += "\\t";
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      cell += "\\n";
      ++i;
    } else if (c == '\n' || c == '\r') {
      cell += c == '\n' ? "\\n" : "\\r";
    } else {
      cell += c;
    }
  }
  return cell;
}

std::optional<std::wstring> RegString(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::string CodeOf(host::Component& component) {
  host::CodeModule* code = component.GetCodeModule();
  return code == nullptr ? "" : code->Lines(1, code->CountOfLines());
}

std::vector<std::string> BatchRows(const std::string& output, const Files& written) {
  std::vector<std::string> rows;
  size_t at = 0;
  while (at < output.size()) {
    size_t end = std::min(output.find('\n', at), output.size());
    std::string line = output.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("row\t")) rows.push_back(line.substr(4));
    at = end + 1;
  }
  // The compiler's log reaches kestrix-batch's rows only: the IDE's object model does not
  // hand it to an add-in.
  std::vector<std::string> log_lines;
  for (const auto& [path, bytes] : written) {
    if (!path.ends_with(".log")) continue;
    for (size_t from = 0; from < bytes.size();) {
      size_t end = std::min(bytes.find('\n', from), bytes.size());
      std::string line = bytes.substr(from, end - from);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      log_lines.push_back(TsvCell(line));
      from = end + 1;
    }
  }
  // Such rows name the project only: "<project>\t\t\t\t<line of the log>".
  std::erase_if(rows, [&](const std::string& line) {
    size_t project_end = line.find('\t');
    if (project_end == std::string::npos || line.compare(project_end, 4, "\t\t\t\t") != 0) {
      return false;
    }
    std::string notes = line.substr(project_end + 4);
    return std::find(log_lines.begin(), log_lines.end(), notes) != log_lines.end();
  });
  return rows;
}

// OnConnection(Application, ConnectMode, AddInInst, custom()) through the vtable or by name.
HRESULT ConnectAddIn(Session& session, bool by_name) {
  SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  HRESULT hr = S_OK;
  if (!by_name) {
    hr = session.add_in->OnConnection(session.vbe.get(), ext_cm_AfterStartup, session.record.get(),
                                      &custom);
  } else {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"OnConnection")};
    DISPID id = DISPID_UNKNOWN;
    hr = session.add_in->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT arguments[4];  // last first
    arguments[0].vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    arguments[0].pparray = &custom;
    arguments[1].vt = VT_DISPATCH;
    arguments[1].pdispVal = session.record.get();
    arguments[2].vt = VT_I4;
    arguments[2].lVal = ext_cm_AfterStartup;
    arguments[3].vt = VT_DISPATCH;
    arguments[3].pdispVal = session.vbe.get();
    DISPPARAMS params = {arguments, nullptr, 4, 0};
    EXCEPINFO exception = {};
    if (SUCCEEDED(hr)) {
      hr = session.add_in->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, &exception, nullptr);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
  SafeArrayDestroy(custom);
  PumpFor(200);
  return hr;
}

HRESULT DisconnectAddIn(Session& session, bool by_name) {
  SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  HRESULT hr = S_OK;
  if (!by_name) {
    hr = session.add_in->OnDisconnection(ext_dm_UserClosed, &custom);
  } else {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"OnDisconnection")};
    DISPID id = DISPID_UNKNOWN;
    hr = session.add_in->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT arguments[2];
    arguments[0].vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    arguments[0].pparray = &custom;
    arguments[1].vt = VT_I4;
    arguments[1].lVal = ext_dm_UserClosed;
    DISPPARAMS params = {arguments, nullptr, 2, 0};
    if (SUCCEEDED(hr)) {
      hr = session.add_in->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
    }
  }
  SafeArrayDestroy(custom);
  PumpFor(200);
  return hr;
}

}  // namespace kestrix::com::testing
