#pragma once
// What the test host's scenario is made of: text and registry helpers, the step report, and
// one connection of the add-in to an IDE over a copy of the example group.
#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/idt_extensibility2.h"
#include "com/test_host/dispatch_object.h"
#include "com/test_host/host_scenario.h"
#include "platform/vbfiles/file_ide.h"

namespace kestrix::com::testing {

inline constexpr char kProgIdText[] = "Kestrix.Connect";

// Files below a folder by relative path, with their bytes.
using Files = std::map<std::string, std::string>;

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Hex(HRESULT hr);
// A cell as kestrix-batch writes it in its tab-separated rows: \\ \t \n \r escaped.
std::string TsvCell(const std::string& text);
std::optional<std::wstring> RegString(HKEY root, const std::wstring& key, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& key);
// The component's code as the code window shows it; "" for one without code.
std::string CodeOf(host::Component& component);
// The status rows of kestrix-batch's tab-separated output (without the leading "row"), less
// those that repeat a line of a compiler's log among the files it wrote.
std::vector<std::string> BatchRows(const std::string& output, const Files& written);

// The step report: one line per step.
class Steps {
 public:
  bool Check(bool ok, const std::string& step, const std::string& detail = "") {
    Line(ok ? "PASS" : "FAIL", step, detail);
    ++(ok ? result.passed : result.failed);
    return ok;
  }
  void Skip(const std::string& step, const std::string& why) {
    Line("SKIP", step, why);
    ++result.skipped;
  }
  void Note(const std::string& text) { std::printf("       %s\n", text.c_str()); }
  HostResult result;

 private:
  static void Line(const char* verdict, const std::string& step, const std::string& detail) {
    std::printf("[%s] %s%s%s\n", verdict, step.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
  }
};

// One connection of the add-in to an IDE holding a copy of the example group.
struct Session {
  std::unique_ptr<vbfiles::FileIde> ide = std::make_unique<vbfiles::FileIde>();
  Ref<IDispatch> vbe;
  Ref<IDTExtensibility2> add_in;
  Ref<IDispatch> record;  // the IDE's AddIn object for it
};

// OnConnection(Application, ext_cm_AfterStartup, AddInInst, custom()) and
// OnDisconnection(ext_dm_UserClosed, custom()), through the vtable or by name (IDispatch);
// the windows run a moment afterwards.
HRESULT ConnectAddIn(Session& session, bool by_name);
HRESULT DisconnectAddIn(Session& session, bool by_name);

}  // namespace kestrix::com::testing
