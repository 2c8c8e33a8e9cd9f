#include "com/native_main_window.h"

#include <exception>

#include "com/module.h"
#include "com/native_text.h"
#include "host/ide_error.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixMainWindow";
constexpr int kWidth = 280;
constexpr int kHeight = 330;

// Control identifiers. "&GO !" and "&Exit" answer Enter and Escape as a dialog's OK and Cancel.
enum Control : int {
  kGo = IDOK,
  kExit = IDCANCEL,
  kRemove = 131,
  kScope = 100,  // + kScopeGroup, kScopeActiveProject, kScopeActiveModule
  kInsertHandlers = 110,
  kBuildProject = 111,
  kRemoveWhat = 120,  // + engine::kRemoveLineNumbers, kRemoveErrorHandlers, kRemoveAddedModules
};

// The keyboard works in the window as in a dialog (Tab, the arrows, Enter, Escape and the
// access keys) although the IDE's message loop knows nothing of it: a hook on this thread's
// messages hands those for an add-in window to IsDialogMessage.
HHOOK keyboard_hook = nullptr;
int hooked_windows = 0;

LRESULT CALLBACK KeyboardHook(int code, WPARAM w, LPARAM l) {
  auto* message = reinterpret_cast<MSG*>(l);
  if (code == HC_ACTION && w == PM_REMOVE && message->message >= WM_KEYFIRST &&
      message->message <= WM_KEYLAST && message->hwnd != nullptr) {
    HWND root = GetAncestor(message->hwnd, GA_ROOT);
    wchar_t type[32] = {};
    GetClassNameW(root, type, 32);
    if (wcscmp(type, kClassName) == 0 && IsDialogMessageW(root, message)) {
      message->message = WM_NULL;
    }
  }
  return CallNextHookEx(keyboard_hook, code, w, l);
}

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int x, int y,
           int width, int height, int id = 0) {
  HWND child =
      CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (child != nullptr) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  }
  return child;
}

// Check box values as the model keeps them: a two-state box is checked or not.
int32_t ValueOf(HWND box) {
  return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? engine::kChecked
                                                             : engine::kUnchecked;
}

WPARAM StateOf(int32_t value) {
  if (value == engine::kChecked) return BST_CHECKED;
  return value == engine::kGreyed ? BST_INDETERMINATE : BST_UNCHECKED;
}

driver::FormServices FormServicesOf(const NativeMainWindow::Services& services) {
  return {services.settings, services.dialogs, services.shell, services.progress,
          services.do_events};
}

}  // namespace

NativeMainWindow::NativeMainWindow(Services services)
    : services_(std::move(services)),
      form_(std::make_unique<driver::frmAddIn>(FormServicesOf(services_))) {}

// A window that goes while loaded keeps its settings, as an unload would; there is nobody
// left to tell when they cannot be written.
NativeMainWindow::~NativeMainWindow() {
  if (loaded_) {
    try {
      form_->Unload();
    } catch (const std::exception&) {
      LogFailure("main window", "the settings could not be saved");
    }
  }
  if (window_ != nullptr) DestroyWindow(window_);
  UnregisterClassW(kClassName, ThisModule());
}

void NativeMainWindow::SetVbInstance(host::Ide* ide) {
  ide_ = ide;
  form_->vbinstance = ide;
}

void NativeMainWindow::SetConnect(host::Connection* connect) {
  connect_ = connect;
  form_->Connect = connect;
}

void NativeMainWindow::Show() {
  // A command waiting in a message box keeps its model: a fresh load would pull it from
  // under the command.
  if (!loaded_ && running_) loaded_ = true;
  if (!loaded_) LoadWindow();
  if (!MakeWindow()) return;
  form_->FirstActivation(KESTRIX_VERSION_MAJOR, KESTRIX_VERSION_MINOR);
  Refresh();
  if (!placed_) {
    placed_ = true;
    RECT area{}, frame{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window_, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  // The keyboard starts at the chosen scope, as in a dialog.
  if (!IsChild(window_, GetFocus()))
    SetFocus(GetDlgItem(window_, kScope + form_->options().Option1));
  UpdateWindow(window_);
}

void NativeMainWindow::Hide() {
  if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

void NativeMainWindow::Unload() {
  if (loaded_) {
    loaded_ = false;
    try {
      form_->Unload();
    } catch (const host::IdeError& error) {
      // The window goes all the same; the user learns that the options were not kept.
      TellSettingsNotSaved(error);
    }
  }
  Hide();
}

void NativeMainWindow::TellSettingsNotSaved(const host::IdeError& error) {
  services_.dialogs.MsgBox("Unable to save the settings:\n" + error.Description(),
                           host::MsgButtons::kOk, host::MsgIcon::kExclamation);
}

// Every load starts from the model's initial values, then reads the settings.
void NativeMainWindow::LoadWindow() {
  form_ = std::make_unique<driver::frmAddIn>(FormServicesOf(services_));
  form_->vbinstance = ide_;
  form_->Connect = connect_;
  try {
    form_->Load();
  } catch (const host::IdeError& error) {
    // Only the logo's look could not be stored; the window is loaded all the same.
    TellSettingsNotSaved(error);
  }
  loaded_ = true;
}

bool NativeMainWindow::MakeWindow() {
  if (window_ != nullptr) return true;
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = &NativeMainWindow::Procedure;
  type.hInstance = ThisModule();
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);  // fails harmlessly when the class is there already
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame = {0, 0, kWidth, kHeight};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  HWND owner = services_.owner ? services_.owner() : nullptr;
  window_ = CreateWindowExW(ex_style, kClassName, WideText(form_->look().Caption).c_str(), style,
                            CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                            frame.bottom - frame.top, owner, nullptr, ThisModule(), this);
  if (window_ == nullptr) {
    Log("The main window cannot be made: error " + std::to_string(GetLastError()));
    return false;
  }
  if (hooked_windows++ == 0) {
    keyboard_hook = SetWindowsHookExW(WH_GETMESSAGE, &KeyboardHook, nullptr, GetCurrentThreadId());
  }
  MakeControls();
  return true;
}

void NativeMainWindow::MakeControls() {
  Child(window_, L"BUTTON", L"Scope", BS_GROUPBOX, 8, 4, kWidth - 16, 94);
  const wchar_t* scopes[3] = {L"Group of projects", L"Active Project", L"Active Module"};
  for (int i = 0; i < 3; ++i) {
    Child(window_, L"BUTTON", scopes[i], BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0),
          20, 22 + 24 * i, 230, 20, kScope + i);
  }
  Child(window_, L"BUTTON", L"Build", BS_GROUPBOX, 8, 102, kWidth - 16, 84);
  Child(window_, L"BUTTON", L"Insert Error Handlers", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 20,
        122, 150, 20, kInsertHandlers);
  Child(window_, L"BUTTON", L"Build Project", BS_AUTOCHECKBOX | WS_TABSTOP, 20, 148, 150, 20,
        kBuildProject);
  Child(window_, L"BUTTON", L"&GO !", BS_DEFPUSHBUTTON | WS_TABSTOP, 180, 122, 84, 28, kGo);
  Child(window_, L"BUTTON", L"Clean", BS_GROUPBOX, 8, 190, kWidth - 16, 96);
  const wchar_t* removes[3] = {L"Line Numbers", L"Error Handlers", L"Kestrix Modules"};
  for (int i = 0; i < 3; ++i) {
    Child(window_, L"BUTTON", removes[i], BS_AUTOCHECKBOX | WS_TABSTOP | (i == 0 ? WS_GROUP : 0),
          20, 210 + 24 * i, 150, 20, kRemoveWhat + i);
  }
  Child(window_, L"BUTTON", L"Remove", BS_PUSHBUTTON | WS_TABSTOP, 180, 210, 84, 28, kRemove);
  Child(window_, L"BUTTON", L"&Exit", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kWidth - 92,
        kHeight - 36, 84, 28, kExit);
}

void NativeMainWindow::Refresh() {
  if (window_ == nullptr) return;
  const driver::Options& o = form_->options();
  const driver::FormLook& look = form_->look();
  SetWindowTextW(window_, WideText(look.Caption).c_str());
  for (int i = 0; i < 3; ++i) {
    SendDlgItemMessageW(window_, kScope + i, BM_SETCHECK,
                        o.Option1 == i ? BST_CHECKED : BST_UNCHECKED, 0);
    SendDlgItemMessageW(window_, kRemoveWhat + i, BM_SETCHECK, StateOf(o.Check5[i]), 0);
  }
  SendDlgItemMessageW(window_, kInsertHandlers, BM_SETCHECK, StateOf(o.Check1), 0);
  HWND build = GetDlgItem(window_, kBuildProject);
  SendMessageW(build, BM_SETCHECK, StateOf(o.Check2), 0);
  SetWindowTextW(build, WideText(look.Check2Caption).c_str());
  EnableWindow(build, look.Check2Enabled);
  EnableWindow(GetDlgItem(window_, kRemoveWhat + engine::kRemoveAddedModules),
               look.Check5ModulesEnabled);
}

void NativeMainWindow::Clicked(int id) {
  if (running_) return;
  if (id >= kScope && id < kScope + 3) {
    form_->Option1Click(id - kScope);
  } else if (id == kInsertHandlers) {
    form_->options().Check1 = ValueOf(GetDlgItem(window_, id));
  } else if (id == kBuildProject) {
    form_->options().Check2 = ValueOf(GetDlgItem(window_, id));
  } else if (id >= kRemoveWhat && id < kRemoveWhat + 3) {
    form_->options().Check5[id - kRemoveWhat] = ValueOf(GetDlgItem(window_, id));
  } else if (id == kGo) {
    RunCommand(driver::kModeBuild);
  } else if (id == kRemove) {
    RunCommand(driver::kModeClean);
  } else if (id == kExit) {
    Exit();
    return;
  }
  Refresh();
}

void NativeMainWindow::RunCommand(int32_t mode) {
  running_ = true;
  try {
    form_->RunCommand(mode);
  } catch (const std::exception& error) {
    // Nothing may escape into the system's dispatch of the click; the command ends here.
    services_.dialogs.MsgBox(error.what(), host::MsgButtons::kOk, host::MsgIcon::kCritical);
  }
  running_ = false;
}

// "&Exit" and Escape: the connection learns that the window is no longer shown (so it does
// not come back at the IDE's next start), then the window unloads.
void NativeMainWindow::Exit() {
  if (form_->Connect != nullptr) {
    form_->Connect->HideForm();
  } else {
    Hide();
  }
  Unload();
}

LRESULT CALLBACK NativeMainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<NativeMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) return DefWindowProcW(window, message, w, l);
  // Nothing may escape into the system's dispatch of the message.
  try {
    return self->Handle(message, w, l);
  } catch (...) {
    LogFailure("main window", "a message could not be handled");
    return 0;
  }
}

LRESULT NativeMainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED) Clicked(LOWORD(w));
      return 0;
    case WM_CLOSE:
      // The close box only unloads: the connection still counts the window as shown, so it
      // opens again at the next connection.
      if (!running_) Unload();
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      if (--hooked_windows == 0 && keyboard_hook != nullptr) {
        UnhookWindowsHookEx(keyboard_hook);
        keyboard_hook = nullptr;
      }
      return 0;
    default:
      return DefWindowProcW(window_, message, w, l);
  }
}

}  // namespace kestrix::com
