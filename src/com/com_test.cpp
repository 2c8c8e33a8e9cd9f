// Loads Kestrix.dll as the IDE does: registers it, creates Kestrix.Connect by its ProgID,
// connects and disconnects it through the vtable and by name, and removes it again.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "com/button_face.h"
#include "com/idt_extensibility2.h"
#include "com/window_test_support.h"
#include "host/connect.h"

namespace kestrix::com {
namespace {

using ServerEntry = HRESULT(STDAPICALLTYPE*)();
using InstallEntry = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);

constexpr HRESULT kIdeError = static_cast<HRESULT>(0x800A0005);  // "Invalid procedure call"
constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{02D0E11A-B407-42A6-BF73-9DA4DB63FBDF}";
constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Kestrix.Connect";
constexpr wchar_t kVbKey[] = L"Software\\Microsoft\\Visual Basic\\6.0";
constexpr wchar_t kAddInKey[] = L"Software\\Microsoft\\Visual Basic\\6.0\\Addins\\Kestrix.Connect";

// The IDE's root object as far as a connection uses it: FullName, or an error for every call.
class FakeApplication final : public IDispatch {
 public:
  explicit FakeApplication(bool failing) : failing_(failing) {}
  LONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    if (_wcsicmp(names[0], L"FullName") != 0) return DISP_E_UNKNOWNNAME;
    ids[0] = 7;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (failing_) return kIdeError;
    if (id != 7 || (flags & DISPATCH_PROPERTYGET) == 0 || result == nullptr) {
      return DISP_E_MEMBERNOTFOUND;
    }
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(L"C:\\VB98\\VB6.EXE");
    return S_OK;
  }

 private:
  bool failing_;
  LONG references_ = 1;
};

std::wstring DllPath() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path = exe;
  path.erase(path.rfind(L'\\'));  // tests
  path.erase(path.rfind(L'\\'));  // the build folder
  return path + L"\\bin\\Kestrix.dll";
}

bool KeyExists(HKEY root, const wchar_t* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::wstring StringValue(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ComServer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    module_ = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module_, nullptr) << "cannot load the DLL, error " << GetLastError();
  }
  static void TearDownTestSuite() {
    Install(FALSE, L"machine");
    Entry("DllUnregisterServer")();
    CoUninitialize();
  }
  void SetUp() override { ASSERT_NE(module_, nullptr); }

  // Where windows can be made, the add-in's message boxes are answered.
  BoxAnswerer answerer_;

  static ServerEntry Entry(const char* name) {
    return reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  static HRESULT Install(BOOL install, PCWSTR argument) {
    auto entry = reinterpret_cast<InstallEntry>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllInstall")));
    return entry(install, argument);
  }
  static HRESULT CanUnloadNow() { return Entry("DllCanUnloadNow")(); }

  // Kestrix.Connect created through the machine's registration, as the IDE creates it.
  IDTExtensibility2* Create() {
    EXPECT_EQ(Install(TRUE, L"machine"), S_OK);
    CLSID clsid = {};
    EXPECT_EQ(CLSIDFromProgID(kProgId, &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, kClsidConnect));
    IDTExtensibility2* connect = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidExtensibility2,
                               reinterpret_cast<void**>(&connect)),
              S_OK);
    return connect;
  }

  static inline HMODULE module_ = nullptr;
};

TEST_F(ComServer, ExportsTheServerEntriesUndecorated) {
  for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                           "DllUnregisterServer", "DllInstall"}) {
    EXPECT_NE(GetProcAddress(module_, name), nullptr) << name;
  }
}

TEST_F(ComServer, RegistersPerUserAndRemovesOnlyWhatItWrote) {
  // The IDE's own settings beside the add-in list must outlive the add-in's removal.
  bool vb_key_existed = KeyExists(HKEY_CURRENT_USER, kVbKey);
  HKEY vb = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kVbKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &vb,
                            nullptr),
            ERROR_SUCCESS);
  DWORD setting = 1;
  RegSetValueExW(vb, L"KestrixTestSetting", 0, REG_DWORD, reinterpret_cast<BYTE*>(&setting),
                 sizeof setting);

  ASSERT_EQ(Entry("DllRegisterServer")(), S_OK);
  std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(module_, loaded, MAX_PATH);
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, server, nullptr), loaded);
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, server, L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, std::wstring(kClassKey) + L"\\ProgID", nullptr),
            kProgId);
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, std::wstring(kProgIdKey) + L"\\CLSID", nullptr),
            L"{02D0E11A-B407-42A6-BF73-9DA4DB63FBDF}");
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kAddInKey, L"FriendlyName"), L"Kestrix");
  EXPECT_NE(StringValue(HKEY_CURRENT_USER, kAddInKey, L"Description"), L"<missing>");
  DWORD load_behavior = 99;
  DWORD size = sizeof load_behavior;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kAddInKey, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr,
                         &load_behavior, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(load_behavior, 0u);
  // Registering again over an existing registration is fine.
  EXPECT_EQ(Entry("DllRegisterServer")(), S_OK);

  EXPECT_EQ(Entry("DllUnregisterServer")(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProgIdKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddInKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Visual Basic\\6.0\\Addins"));
  EXPECT_EQ(RegQueryValueExW(vb, L"KestrixTestSetting", nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  // Removing what is not there is not an error.
  EXPECT_EQ(Entry("DllUnregisterServer")(), S_OK);

  RegDeleteValueW(vb, L"KestrixTestSetting");
  RegCloseKey(vb);
  if (!vb_key_existed) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kVbKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Visual Basic");
  }
}

TEST_F(ComServer, RegistersPerMachineOnRequest) {
  EXPECT_EQ(Install(TRUE, L"everyone"), E_INVALIDARG);
  ASSERT_EQ(Install(TRUE, L"machine"), S_OK);
  EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, std::wstring(kClassKey) + L"\\InprocServer32",
                        L"ThreadingModel"),
            L"Apartment");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kAddInKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClassKey));
  ASSERT_EQ(Install(FALSE, L"machine"), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProgIdKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAddInKey));
}

TEST_F(ComServer, AnswersAsOneObjectAndUnloadsWhenReleased) {
  IDTExtensibility2* connect = Create();
  ASSERT_NE(connect, nullptr);
  IDispatch* dispatch = nullptr;
  IUnknown* unknown = nullptr;
  ASSERT_EQ(connect->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  ASSERT_EQ(connect->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  IUnknown* other = nullptr;
  EXPECT_EQ(connect->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&other)),
            E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  dispatch->Release();
  unknown->Release();
  connect->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);

  // A class factory, and a lock on the server, keep the DLL loaded too.
  auto get_class = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  EXPECT_EQ(get_class(IID_IDispatch, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(get_class(kClsidConnect, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  factory->LockServer(TRUE);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  ASSERT_EQ(get_class(kClsidConnect, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ComServer, ConnectsThroughTheVtableAndLogsWhatItWasAsked) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring log = std::wstring(temp) + L"kestrix-com-test.log";
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"KESTRIX_LOG", log.c_str());

  IDTExtensibility2* connect = Create();
  ASSERT_NE(connect, nullptr);
  FakeApplication application(false);
  EXPECT_EQ(connect->OnConnection(&application, ext_cm_AfterStartup, nullptr, nullptr), S_OK);
  EXPECT_GT(application.references(), 1);  // kept while connected
  EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
  EXPECT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
  EXPECT_EQ(application.references(), 1);
  // Connected twice, or released while connected, the IDE's object is released once.
  connect->OnConnection(&application, ext_cm_Startup, nullptr, nullptr);
  LONG once = application.references();
  connect->OnConnection(&application, ext_cm_Startup, nullptr, nullptr);
  EXPECT_EQ(application.references(), once);
  connect->Release();
  EXPECT_EQ(application.references(), 1);
  SetEnvironmentVariableW(L"KESTRIX_LOG", nullptr);

  std::string text = ReadFile(log);
  for (const char* line :
       {"QueryInterface {B65AD801-ABAF-11D0-BB8B-00A0C90F2744} "
        "IDTExtensibility2 -> 0x00000000",
        "IDE FullName = C:\\VB98\\VB6.EXE", "OnConnection mode 0 -> 0x00000000",
        "OnStartupComplete", "OnDisconnection mode 1",
        // An IDE without command bars: the user learns why the button is
        // missing, with the IDE's error.
        ": Adding the Kestrix toolbar to the IDE (", ") failed.\n\nError 438: "}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
  }
  DeleteFileW(log.c_str());
}

// An IDE that fails every call: the add-in says what failed, with the IDE's error, comes back
// with the error, and connects all the same once the IDE answers.
TEST_F(ComServer, AFailingIdeIsReportedAndComesBackAsAnError) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring log = std::wstring(temp) + L"kestrix-com-failing.log";
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"KESTRIX_LOG", log.c_str());
  IDTExtensibility2* connect = Create();
  ASSERT_NE(connect, nullptr);
  FakeApplication failing(true);
  EXPECT_EQ(connect->OnConnection(&failing, ext_cm_Startup, nullptr, nullptr), kIdeError);
  EXPECT_EQ(failing.references(), 1);  // not kept
  EXPECT_EQ(connect->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
  EXPECT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
  FakeApplication answering(false);
  EXPECT_EQ(connect->OnConnection(&answering, ext_cm_AfterStartup, nullptr, nullptr), S_OK);
  EXPECT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
  connect->Release();
  EXPECT_EQ(answering.references(), 1);
  SetEnvironmentVariableW(L"KESTRIX_LOG", nullptr);
  std::string text = ReadFile(log);
  EXPECT_NE(text.find("Connecting Kestrix to the IDE failed.\n\nError 5: "), std::string::npos)
      << text;
  // Where no box can be shown, the log does not pretend that the user saw one.
  EXPECT_NE(
      text.find(DesktopAvailable() ? "MsgBox shown: Connecting" : "MsgBox not shown: Connecting"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("Error 0x80070057: No IDE was given."), std::string::npos) << text;
  DeleteFileW(log.c_str());
}

// The button's face in the DLL is the face the connection draws.
TEST_F(ComServer, CarriesTheButtonFaceAsABitmapResource) {
  EXPECT_EQ(ButtonFaceResource(module_), host::Connect::ButtonFace());
}

// The manifest the windows are made under is one the system takes.
TEST_F(ComServer, CarriesAManifestForItsWindows) {
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = module_;
  request.lpResourceName = MAKEINTRESOURCEW(2);
  HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();
  ReleaseActCtx(context);
}

// Calls a member of `target` by name, arguments in the caller's order.
HRESULT CallByName(IDispatch* target, const wchar_t* name, std::vector<VARIANT> arguments,
                   EXCEPINFO* exception = nullptr, UINT* arg_error = nullptr) {
  std::wstring member = name;
  LPOLESTR names[] = {member.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  VARIANT result;
  VariantInit(&result);
  hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                      exception, arg_error);
  VariantClear(&result);
  return hr;
}

VARIANT Object(IDispatch* object) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_DISPATCH;
  value.pdispVal = object;
  return value;
}

VARIANT Number(int number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I2;  // as Visual Basic passes an Integer
  value.iVal = static_cast<SHORT>(number);
  return value;
}

VARIANT Custom(SAFEARRAY** array) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
  value.pparray = array;
  return value;
}

TEST_F(ComServer, AnswersTheEventsByName) {
  IDTExtensibility2* connect = Create();
  ASSERT_NE(connect, nullptr);
  IDispatch* dispatch = connect;
  struct Case {
    const wchar_t* name;
    DISPID id;
  };
  for (Case known : {Case{L"OnConnection", 1}, Case{L"ondisconnection", 2},
                     Case{L"OnAddInsUpdate", 3}, Case{L"ONSTARTUPCOMPLETE", 4},
                     Case{L"OnBeginShutdown", 5}, Case{L"Connect", DISPID_UNKNOWN}}) {
    std::wstring name = known.name;
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    EXPECT_EQ(hr, known.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
    EXPECT_EQ(id, known.id);
  }

  SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  FakeApplication application(false);
  EXPECT_EQ(CallByName(dispatch, L"OnConnection",
                       {Object(&application), Number(1), Object(nullptr), Custom(&custom)}),
            S_OK);
  EXPECT_GT(application.references(), 1);
  EXPECT_EQ(CallByName(dispatch, L"OnStartupComplete", {Custom(&custom)}), S_OK);
  EXPECT_EQ(CallByName(dispatch, L"OnBeginShutdown", {Custom(&custom)}), S_OK);
  EXPECT_EQ(CallByName(dispatch, L"OnDisconnection", {Number(0), Custom(&custom)}), S_OK);
  EXPECT_EQ(application.references(), 1);

  // Wrong calls are refused with the automation errors that say why.
  EXPECT_EQ(CallByName(dispatch, L"OnAddInsUpdate", {}), DISP_E_BADPARAMCOUNT);
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"soon");
  UINT arg_error = 99;
  EXPECT_EQ(CallByName(dispatch, L"OnDisconnection", {text, Custom(&custom)}, nullptr, &arg_error),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error, 1u);  // rgvarg index of the first argument
  VariantClear(&text);

  // A failing IDE comes back as an automation exception carrying its error.
  FakeApplication failing(true);
  EXCEPINFO exception = {};
  EXPECT_EQ(CallByName(dispatch, L"OnConnection",
                       {Object(&failing), Number(1), Object(nullptr), Custom(&custom)}, &exception),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, kIdeError);
  EXPECT_EQ(failing.references(), 1);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);

  SafeArrayDestroy(custom);
  connect->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace kestrix::com

namespace kestrix::com {
namespace {

// Runs `program` with `arguments`, its output into `output`; the exit code, -1 when it cannot
// be started.
int RunProgram(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& output) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           0, nullptr);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = start.hStdError = out;
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + program + L"\" " + arguments;
  BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &start, &process);
  CloseHandle(out);
  if (!started) return -1;
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

int AddInListValue() {
  return static_cast<int>(
      GetPrivateProfileIntW(L"Add-Ins32", L"Kestrix.Connect", -1, L"vbaddin.ini"));
}

// kestrix.exe registers the add-in beside it with the add-in list, and takes both out again;
// without the add-in beside it, it says so and leaves the list alone.
TEST(KestrixProgram, RegistersAndRemovesTheAddInBesideIt) {
  std::wstring bin = DllPath();
  bin.erase(bin.rfind(L'\\'));
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring output = std::wstring(temp) + L"kestrix-exe-output.txt";
  const std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
  ASSERT_EQ(RunProgram(bin + L"\\kestrix.exe", L"remove", output), 0) << ReadFile(output);
  ASSERT_EQ(AddInListValue(), -1);

  const std::wstring alone = std::wstring(temp) + L"kestrix-alone.exe";
  ASSERT_TRUE(CopyFileW((bin + L"\\kestrix.exe").c_str(), alone.c_str(), FALSE));
  EXPECT_EQ(RunProgram(alone, L"", output), 1);
  EXPECT_NE(ReadFile(output).find("Kestrix.dll could not be registered"), std::string::npos)
      << ReadFile(output);
  EXPECT_EQ(AddInListValue(), -1);
  DeleteFileW(alone.c_str());

  // Listed already: no message and no read-me, only the registration.
  WritePrivateProfileStringW(L"Add-Ins32", L"Kestrix.Connect", L"1", L"vbaddin.ini");
  EXPECT_EQ(RunProgram(bin + L"\\kestrix.exe", L"", output), 0) << ReadFile(output);
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, server, nullptr), bin + L"\\Kestrix.dll");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddInKey));

  EXPECT_EQ(RunProgram(bin + L"\\kestrix.exe", L"remove", output), 0) << ReadFile(output);
  EXPECT_EQ(AddInListValue(), -1);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddInKey));
  DeleteFileW(output.c_str());
}

}  // namespace
}  // namespace kestrix::com
