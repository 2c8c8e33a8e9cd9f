#include "com/add_in_session.h"

#include <exception>
#include <new>
#include <vector>

#include "com/button_face.h"
#include "com/ide_bridge.h"
#include "com/module.h"
#include "host/ide_error.h"
#include "platform/system/environment.h"

namespace kestrix::com {
namespace {

// Repaints come often enough at about 60 a second; a command yields far more often.
constexpr ULONGLONG kYieldMilliseconds = 16;

// The HRESULT that carries an error number back: the IDE's numbers as the IDE raises them.
HRESULT ResultOf(int32_t number) {
  if (number >= 0 && number <= 0xFFFF) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<HRESULT>(number));
  }
  return number < 0 ? static_cast<HRESULT>(number) : E_FAIL;
}

// A failed late-bound call as the error the IDE raised: its number (the low word of an
// 0x800A… code, the HRESULT itself otherwise) and its description.
[[noreturn]] void ThrowCallFailure(HRESULT hr, EXCEPINFO& exception, const char* member) {
  if (hr == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    hr =
        exception.scode != 0 ? exception.scode : MAKE_HRESULT(1, FACILITY_CONTROL, exception.wCode);
  }
  std::string description =
      exception.bstrDescription != nullptr
          ? Narrow(exception.bstrDescription)
          : std::string("The IDE did not answer ") + member + " (" + HresultText(hr) + ").";
  std::string source = exception.bstrSource != nullptr ? Narrow(exception.bstrSource) : "VBE";
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  int32_t number = HRESULT_FACILITY(hr) == FACILITY_CONTROL ? static_cast<int32_t>(hr & 0xFFFF)
                                                            : static_cast<int32_t>(hr);
  throw host::IdeError(number, description, source);
}

// The IDE root's FullName, read by late binding.
std::string FullNameOf(IDispatch* application) {
  wchar_t name[] = L"FullName";
  LPOLESTR names[] = {name};
  DISPID id = DISPID_UNKNOWN;
  EXCEPINFO exception{};
  HRESULT hr = application->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) ThrowCallFailure(hr, exception, "FullName");
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  hr = application->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                           &exception, nullptr);
  if (FAILED(hr)) ThrowCallFailure(hr, exception, "FullName");
  std::string text;
  if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR))) text = Narrow(value.bstrVal);
  VariantClear(&value);
  return text;
}

bool Shows(HWND window) {
  return window != nullptr && IsWindowVisible(window);
}

}  // namespace

Failure CurrentFailure() noexcept {
  try {
    try {
      throw;
    } catch (const host::IdeError& error) {
      return {error.Number(), error.Description(), ResultOf(error.Number())};
    } catch (const std::bad_alloc&) {
      return {7, "Out of memory", E_OUTOFMEMORY};
    } catch (const std::exception& error) {
      return {static_cast<int32_t>(E_FAIL), error.what(), E_FAIL};
    }
  } catch (...) {
  }
  return {static_cast<int32_t>(E_UNEXPECTED), {}, E_UNEXPECTED};
}

std::string DllShell::ProgramFolder() const {
  if (!folder_.empty()) return folder_;
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) break;
    path.resize(path.size() * 2);
  }
  std::string folder = system::FromNativePath(Narrow(path.data()));
  size_t slash = folder.rfind('/');
  return slash == std::string::npos ? "." : folder.substr(0, slash);
}

AddInSession::AddInSession(const Places& places)
    : settings_(places.settings_folder.empty()
                    ? std::make_unique<system::FileSettingsStore>()
                    : std::make_unique<system::FileSettingsStore>(places.settings_folder)),
      shell_(places.program_folder),
      dialogs_([this] { return FrontWindow(); }) {
  status_.PlaceBeside(
      [this] { return main_window_ != nullptr ? main_window_->window() : nullptr; });
}

AddInSession::~AddInSession() {
  Disconnect(ext_dm_HostShutdown);
  main_window_.reset();
}

HRESULT AddInSession::Connect(IDispatch* application, ext_ConnectMode mode) {
  if (Connected()) Disconnect(ext_dm_UserClosed);
  if (application == nullptr) {
    ReportFailure(dialogs_, "Connecting Kestrix to the IDE", E_INVALIDARG, "No IDE was given.");
    return E_INVALIDARG;
  }
  HRESULT hr = Reported("Connecting Kestrix to the IDE", [&]() -> HRESULT {
    std::string name = FullNameOf(application);
    Log("IDE FullName = " + name);
    application->AddRef();
    application_ = application;
    bridge_ = MakeIdeBridge(application);
    return S_OK;
  });
  if (SUCCEEDED(hr)) hr = ConnectTo(*bridge_, mode);
  if (FAILED(hr)) Release();
  return hr;
}

HRESULT AddInSession::ConnectTo(host::Ide& ide, ext_ConnectMode mode) {
  if (Connected()) Disconnect(ext_dm_UserClosed);
  HRESULT hr = Reported("Connecting Kestrix to the IDE", [&]() -> HRESULT {
    auto guard = [this](const std::function<void()>& handler) {
      Reported("Opening the Kestrix window", [&] {
        handler();
        return S_OK;
      });
    };
    ide_ = std::make_unique<WatchedIde>(ide, ButtonFaceResource(ThisModule()), guard);
    connect_ = std::make_unique<host::Connect>(host::Connect::Services{
        *settings_, dialogs_, [this]() -> host::MainWindow& { return MainWindow(); }});
    connect_->OnConnection(*ide_, static_cast<host::ConnectMode>(mode));
    ReportToolbarFailure();
    return S_OK;
  });
  if (FAILED(hr)) Release();
  return hr;
}

// The add-in stays connected without its toolbar, but the user must learn why the button is
// missing: without it the main window cannot be opened.
void AddInSession::ReportToolbarFailure() {
  std::optional<ToolbarFailure> failure = ide_->TakeFailure();
  if (!failure) return;
  ReportFailure(dialogs_, "Adding the Kestrix toolbar to the IDE (" + failure->step + ")",
                failure->number, failure->description);
}

HRESULT AddInSession::Disconnect(ext_DisconnectMode mode) {
  if (!Connected()) return S_OK;
  HRESULT hr = Reported("Disconnecting Kestrix from the IDE", [&] {
    connect_->OnDisconnection(static_cast<host::DisconnectMode>(mode));
    return S_OK;
  });
  // The status window's rows belong to this connection; the windows forget the IDE, unless a
  // command still runs on it (its objects then stay until the add-in goes, see Release).
  Reported("Closing the Kestrix windows", [&] {
    status_.Unload();
    if (main_window_ != nullptr) {
      main_window_->Unload();
      if (!main_window_->Running()) {
        main_window_->SetVbInstance(nullptr);
        main_window_->SetConnect(nullptr);
      }
    }
    return S_OK;
  });
  Release();
  return hr;
}

HRESULT AddInSession::StartupComplete() {
  if (connect_ == nullptr) return S_OK;
  return Reported("Opening the Kestrix window", [&] {
    connect_->OnStartupComplete();
    return S_OK;
  });
}

void AddInSession::Release() {
  if (main_window_ != nullptr && main_window_->Running()) {
    // A command still works with the IDE further up this thread's stack: its objects stay
    // until the add-in goes.
    retired_.push_back(std::move(connect_));
    retired_.push_back(std::move(ide_));
    retired_.push_back(std::move(bridge_));
  }
  connect_.reset();
  ide_.reset();
  bridge_.reset();
  if (application_ != nullptr) {
    IDispatch* application = application_;
    application_ = nullptr;
    application->Release();
  }
}

NativeMainWindow& AddInSession::MainWindow() {
  if (main_window_ == nullptr) {
    main_window_ = std::make_unique<NativeMainWindow>(
        NativeMainWindow::Services{*settings_, dialogs_, shell_, status_, [this] { DoEvents(); },
                                   [this] { return IdeWindow(); }});
  }
  return *main_window_;
}

// The window a message box belongs to: the add-in's window in front (a topmost one first, the
// editor or the status window), else the IDE's active window.
HWND AddInSession::FrontWindow() const {
  HWND active = GetActiveWindow();
  const bool ours = active != nullptr && reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(
                                             active, GWLP_HINSTANCE)) == ThisModule();
  if (ours && (GetWindowLongPtrW(active, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) return active;
  if (Shows(status_.window())) return status_.window();
  if (ours) return active;
  if (main_window_ != nullptr && Shows(main_window_->window())) return main_window_->window();
  return ActiveWindowOfThisProcess();
}

// The IDE's main window, which the add-in's main window belongs to, so that it stays above
// the IDE's windows.
HWND AddInSession::IdeWindow() const {
  HWND active = ActiveWindowOfThisProcess();
  HWND root = active != nullptr ? GetAncestor(active, GA_ROOTOWNER) : nullptr;
  if (root == status_.window()) return nullptr;
  if (main_window_ != nullptr && root == main_window_->window()) return nullptr;
  return root;
}

// A step of the message loop while a command runs: the windows repaint, but input waits until
// the command ends, so that nobody can start a second command or close a window in the
// middle of one.
void AddInSession::DoEvents() {
  ULONGLONG now = GetTickCount64();
  if (now - last_yield_ < kYieldMilliseconds) return;
  last_yield_ = now;
  status_.Update();
  MSG message;
  for (int i = 0;
       i < 64 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE);
       ++i) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kestrix::com
