#include "com/native_main_window.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include <cwctype>
#include <exception>
#include <string>
#include <vector>

#include "com/module.h"
#include "com/native_about_box.h"
#include "com/native_email_dialog.h"
#include "com/native_help.h"
#include "com/native_rich_text.h"
#include "com/native_text.h"
#include "com/native_window_support.h"
#include "host/ide_error.h"
#include "platform/system/environment.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixMainWindow";
// The layout, in pixels at 96 DPI: the tab control's height (the window keeps one height on
// every page) and the margin under it; the logo's size.
constexpr int kTabHeight = 300;
constexpr int kBottomMargin = 6;
constexpr int kTabLeftTwips = 72;  // the tab control's place in the window
constexpr int kTabTopTwips = 48;
constexpr int kLogoWidth = 59;
constexpr int kLogoHeight = 225;

constexpr const wchar_t* kScopeCaptions[3] = {L"Group of projects", L"Active Project",
                                              L"Active Module"};
constexpr const wchar_t* kRemoveCaptions[3] = {L"Line Numbers", L"Error Handlers",
                                               L"Kestrix Modules"};
constexpr const wchar_t* kTabCaptions[NativeMainWindow::kPages] = {L"Actions", L"Clean",
                                                                   L"Error Handler", L"Options"};
constexpr const wchar_t* kWholeGroupTip = L"Work on the entire .vbg file if loaded.";
constexpr const wchar_t* kProjectTip = L"Work on the active .vbp file";

// The keyboard works in the window as in a dialog although the IDE's message loop knows
// nothing of it: a hook on this thread's messages hands the keys for an add-in window to it.
HHOOK keyboard_hook = nullptr;
int hooked_windows = 0;

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

// Paths: the model keeps UTF-8 with '/', the windows show the system's form.
std::wstring WidePath(const std::string& path) {
  std::string native = system::ToNativePath(path);
  int size =
      MultiByteToWideChar(CP_UTF8, 0, native.data(), static_cast<int>(native.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_UTF8, 0, native.data(), static_cast<int>(native.size()), wide.data(),
                        size);
  }
  return wide;
}

std::string InternalPath(const std::wstring& path) {
  return system::FromNativePath(Narrow(path.c_str()));
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder the user picks in the shell's folder dialog, starting at `start`; "" when none
// was picked.
std::wstring PickFolder(HWND owner, const std::wstring& start) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring chosen;
  IFileOpenDialog* dialog = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(L"Put Build Folder in");
    IShellItem* folder = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(&folder)))) {
      dialog->SetFolder(folder);
      folder->Release();
    }
    IShellItem* result = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&result))) {
      PWSTR path = nullptr;
      if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        chosen = path;
        CoTaskMemFree(path);
      }
      result->Release();
    }
    dialog->Release();
  } else {
    // Systems before the folder picker: the older browse dialog.
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = L"Put Build Folder in";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&browse)) {
      wchar_t path[MAX_PATH] = {};
      if (SHGetPathFromIDListW(list, path)) chosen = path;
      CoTaskMemFree(list);
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return chosen;
}

// A page of the tab control: an empty child dialog, so that the system draws it as a tab's
// page and the keyboard moves through its controls.
HWND MakePage(HWND parent, DLGPROC procedure, LPARAM data) {
  struct Template {
    DLGTEMPLATE head;
    WORD menu, type, title;
  } page{};
  page.head.style = WS_CHILD | DS_CONTROL;
  page.head.dwExtendedStyle = WS_EX_CONTROLPARENT;
  return CreateDialogIndirectParamW(ThisModule(), &page.head, parent, procedure, data);
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
  // The class goes with the last window: the DLL may be unloaded, and its procedure with it.
  UnregisterClassW(kClassName, ThisModule());
}

HWND NativeMainWindow::Control(int id) const {
  if (window_ == nullptr) return nullptr;
  if (id == kTabs) return tabs_;
  for (HWND page : pages_) {
    if (HWND control = page != nullptr ? GetDlgItem(page, id) : nullptr) return control;
  }
  return nullptr;
}

void NativeMainWindow::SetTemplateEditor(NativeTemplateViews::Editor editor) {
  editor_ = std::move(editor);
  if (templates_ != nullptr && editor_) templates_->SetEditor(editor_);
}

void NativeMainWindow::SetVbInstance(host::Ide* ide) {
  ide_ = ide;
  form_->vbinstance = ide;
}

void NativeMainWindow::SetConnect(host::Connection* connect) {
  connect_ = connect;
  form_->Connect = connect;
}

int NativeMainWindow::Scaled(int pixels) const {
  return MulDiv(pixels, static_cast<int>(dpi_), 96);
}

// A second Show (the toolbar button clicked again) brings the same window to the front.
void NativeMainWindow::Show() {
  // A command waiting in a message box keeps its model: a fresh load would pull it from
  // under the command.
  if (!loaded_ && running_) loaded_ = true;
  const bool made = MakeWindow();
  if (!loaded_) LoadWindow();
  if (!made) return;
  form_->FirstActivation(KESTRIX_VERSION_MAJOR, KESTRIX_VERSION_MINOR);
  Refresh();
  if (!placed_) {
    placed_ = true;
    CentreWindow(window_, nullptr);
  }
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  ShowWindow(window_, SW_SHOW);
  BringWindowToTop(window_);
  SetForegroundWindow(window_);
  // The keyboard starts at the chosen scope, as in a dialog.
  if (!IsChild(window_, GetFocus())) {
    HWND start = form_->look().Tab == 1 ? Control(kCleanScope + form_->options().Option2)
                                        : Control(kScope + form_->options().Option1);
    SetFocus(start != nullptr && IsWindowVisible(start) ? start : tabs_);
  }
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

// Every load starts from the model's initial values: the template views are filled (with the
// Clean page chosen, as the window has always done it), then the settings are read.
void NativeMainWindow::LoadWindow() {
  form_ = std::make_unique<driver::frmAddIn>(FormServicesOf(services_));
  form_->vbinstance = ide_;
  form_->Connect = connect_;
  form_->TabClick(1);
  if (templates_ != nullptr) templates_->LoadTemplates(NativeTemplateViews::kBoth);
  form_->TabClick(0);
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
  WindowMakingScope scope;
  INITCOMMONCONTROLSEX common{
      sizeof common, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  RegisterWindowClass(kClassName, &NativeMainWindow::Procedure);
  // A fixed dialog frame: neither minimize nor maximize.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  HWND owner = services_.owner ? services_.owner() : nullptr;
  window_ =
      CreateWindowExW(ex_style, kClassName, WideText(form_->look().Caption).c_str(), style,
                      CW_USEDEFAULT, CW_USEDEFAULT, 300, 300, owner, nullptr, ThisModule(), this);
  if (window_ == nullptr) {
    Log("The main window cannot be made: error " + std::to_string(GetLastError()));
    return false;
  }
  if (hooked_windows++ == 0) {
    keyboard_hook = SetWindowsHookExW(WH_GETMESSAGE, &NativeMainWindow::KeyboardHook, nullptr,
                                      GetCurrentThreadId());
  }
  dpi_ = WindowDpi(window_);
  MakeMenus();
  MakePages();
  MakeTips();
  templates_ = std::make_unique<NativeTemplateViews>(Control(kLocalView), Control(kGlobalView),
                                                     services_.dialogs,
                                                     services_.shell.ProgramFolder(), window_);
  if (editor_) templates_->SetEditor(editor_);
  SetFonts();
  ResizeForTab();
  LayOut();
  return true;
}

void NativeMainWindow::MakeMenus() {
  HMENU bar = CreateMenu();
  HMENU admin = CreatePopupMenu();
  AppendMenuW(admin, MF_STRING, kMenuWebsite, L"&Website");
  AppendMenuW(admin, MF_STRING, kMenuLicense, L"&License Agreement");
  HMENU config = CreatePopupMenu();
  AppendMenuW(config, MF_STRING, kMenuNameAndEmail, L"&Name and Email");
  HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, kMenuHelp, L"&Help");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(help, MF_STRING, kMenuAbout, L"&About Kestrix");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(admin), L"&Admin");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(config), L"&Configuration");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  SetMenu(window_, bar);
}

HWND NativeMainWindow::Add(int page, const wchar_t* type, const wchar_t* text, DWORD style, int id,
                           DWORD ex_style) {
  return CreateWindowExW(ex_style, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                         pages_[static_cast<size_t>(page)],
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
}

// The controls of each page, made in the order Tab takes through them: the scope first.
// The frames go to the bottom of their page: they are no tab stops, and a control found by
// its caption is the button "Remove", not the frame of that name.
void NativeMainWindow::MakePages() {
  tabs_ = CreateWindowExW(0, WC_TABCONTROLW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE, 0,
                          0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTabs)),
                          ThisModule(), nullptr);
  // Little room around the captions, so that the four tabs fit in one row where the font
  // allows it; where it does not, they take two rows rather than hide one.
  SendMessageW(tabs_, TCM_SETPADDING, 0, MAKELPARAM(Scaled(4), Scaled(3)));
  for (int i = 0; i < kPages; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabCaptions[i]);
    SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    pages_[static_cast<size_t>(i)] =
        MakePage(window_, &NativeMainWindow::PageProcedure, reinterpret_cast<LPARAM>(this));
    EnableThemeDialogTexture(pages_[static_cast<size_t>(i)], ETDT_ENABLETAB);
  }
  std::vector<HWND> frames;
  const DWORD radio = BS_AUTORADIOBUTTON;
  const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
  // Actions.
  frames.push_back(Add(0, L"BUTTON", L"Work On", BS_GROUPBOX, kFrame + 0));
  for (int i = 0; i < 3; ++i)
    Add(0, L"BUTTON", kScopeCaptions[i], radio | (i == 0 ? WS_GROUP : 0), kScope + i);
  Add(0, L"BUTTON", L"Insert Error Handlers", check | WS_GROUP, kInsertHandlers);
  Add(0, L"BUTTON", L"Build Project", check, kBuildProject);
  Add(0, L"BUTTON", L"&GO !", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, kGo);
  Add(0, L"BUTTON", L"&Exit", BS_PUSHBUTTON | WS_TABSTOP, kExit);
  Add(0, L"STATIC", L"", SS_OWNERDRAW | SS_NOTIFY | WS_GROUP, kPicture);
  // Clean.
  frames.push_back(Add(1, L"BUTTON", L"Work On", BS_GROUPBOX, kFrame + 1));
  for (int i = 0; i < 3; ++i) {
    Add(1, L"BUTTON", kScopeCaptions[i], radio | (i == 0 ? WS_GROUP : 0), kCleanScope + i);
  }
  frames.push_back(Add(1, L"BUTTON", L"Remove", BS_GROUPBOX, kFrame + 2));
  for (int i = 0; i < 3; ++i)
    Add(1, L"BUTTON", kRemoveCaptions[i], check | (i == 0 ? WS_GROUP : 0), kRemoveWhat + i);
  Add(1, L"BUTTON", L"Remove", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kRemove);
  // Error Handler: each frame holds its view and the view's two buttons.
  const wchar_t* frame_captions[2] = {L"Local", L"Global"};
  for (int i = 0; i < 2; ++i) {
    frames.push_back(Add(2, L"BUTTON", frame_captions[i], BS_GROUPBOX, kFrame + 3 + i));
    HWND view = MakeRichTextView(pages_[2], kLocalView + i, true);
    if (view == nullptr) {
      // Without a rich-edit control the text shows uncoloured.
      Add(2, L"EDIT", L"",
          ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL |
              WS_TABSTOP,
          kLocalView + i, WS_EX_CLIENTEDGE);
    }
    Add(2, L"BUTTON", L"Load/Edit", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kTemplateButton + i);
    Add(2, L"BUTTON", L"Restore Original", BS_PUSHBUTTON | WS_TABSTOP, kTemplateButton + 2 + i);
  }
  // Options.
  Add(3, L"BUTTON", L"Put Build Folder in :", check | WS_GROUP, kBuildFolderOn);
  frames.push_back(Add(3, L"BUTTON", L"", BS_GROUPBOX, kFrame + 5));
  HWND drives =
      Add(3, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, kDrives);
  Add(3, L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, kFolder, WS_EX_CLIENTEDGE);
  Add(3, L"BUTTON", L"Browse...", BS_PUSHBUTTON | WS_TABSTOP, kChooseFolder);
  Add(3, L"BUTTON", L"Put Project Name in Build Folder Name", check | WS_GROUP, kAppendProjectName);
  for (HWND frame : frames)
    SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The drives as the system has them, "C:\" shown as "C:".
  std::vector<wchar_t> names(GetLogicalDriveStringsW(0, nullptr) + 1, L'\0');
  GetLogicalDriveStringsW(static_cast<DWORD>(names.size()), names.data());
  for (const wchar_t* name = names.data(); *name != L'\0'; name += wcslen(name) + 1) {
    std::wstring drive(name, wcsnlen(name, 2));
    SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
  }
  // The tab control lies under its pages.
  SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void NativeMainWindow::MakeTips() {
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, ThisModule(), nullptr);
  if (tips_ == nullptr) return;
  SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, Scaled(300));
  const struct {
    int id;
    const wchar_t* tip;
  } tips[] = {
      {kScope + 0, kWholeGroupTip},
      {kScope + 1, kProjectTip},
      {kScope + 2, L"Work only on the active module"},
      {kCleanScope + 0, kWholeGroupTip},
      {kCleanScope + 1, kProjectTip},
      {kCleanScope + 2, L"Work only on the active module... are you sure you want to do this??"},
      {kGo, L"Insert line numbers and error handlers and build project(s)"},
      {kAppendProjectName, L"Example:  \"myProject BUILD 5\" instead of only \"BUILD 5\""},
  };
  for (const auto& [id, tip] : tips) {
    HWND control = Control(id);
    if (control == nullptr) continue;
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the control
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(tip);
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

// The dialog font of the window's DPI for every control but the template views, which keep
// their fixed-width font.
void NativeMainWindow::SetFonts() {
  HFONT font = DialogFont(dpi_);
  SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (HWND page : pages_) {
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      const int id = GetDlgCtrlID(child);
      if (id == kLocalView || id == kGlobalView) continue;
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
  }
}

// The tab control at its place, each page in its display area, and the pages' controls.
void NativeMainWindow::LayOut() {
  if (window_ == nullptr) return;
  const driver::FormLook& look = form_->look();
  const int left = TwipsToPixels(kTabLeftTwips, dpi_);
  const int top = TwipsToPixels(kTabTopTwips, dpi_);
  RECT area = {left, top, left + TwipsToPixels(look.TabWidth, dpi_), top + Scaled(kTabHeight)};
  MoveWindow(tabs_, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (int i = 0; i < kPages; ++i) {
    HWND page = pages_[static_cast<size_t>(i)];
    MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    LayOutPage(i, MulDiv(area.right - area.left, 96, static_cast<int>(dpi_)),
               MulDiv(area.bottom - area.top, 96, static_cast<int>(dpi_)));
  }
}

// One page's controls for a page of `width` by `height` pixels at 96 DPI.
void NativeMainWindow::LayOutPage(int page, int width, int height) {
  HWND parent = pages_[static_cast<size_t>(page)];
  auto place = [&](int id, int x, int y, int w, int h) {
    if (HWND control = GetDlgItem(parent, id))
      MoveWindow(control, Scaled(x), Scaled(y), Scaled(w), Scaled(h), TRUE);
  };
  const int W = width, H = height;
  switch (page) {
    case 0: {
      place(kPicture, 6, 6, kLogoWidth, kLogoHeight);
      const int x = 72, w = W - x - 6;
      place(kFrame + 0, x, 2, w, 82);
      for (int i = 0; i < 3; ++i)
        place(kScope + i, x + 8, 18 + 20 * i, w - 14, 18);
      place(kInsertHandlers, x + 2, 92, w - 2, 18);
      place(kBuildProject, x + 2, 114, w - 2, 18);
      place(kGo, x, H - 72, w, 28);
      place(kExit, x, H - 38, w, 28);
      break;
    }
    case 1: {
      const int half = (W - 18) / 2;
      place(kFrame + 2, 6, 2, half, 82);
      place(kFrame + 1, 12 + half, 2, half, 82);
      for (int i = 0; i < 3; ++i) {
        place(kRemoveWhat + i, 14, 18 + 20 * i, half - 14, 18);
        place(kCleanScope + i, 20 + half, 18 + 20 * i, half - 14, 18);
      }
      place(kRemove, W - 6 - 96, H - 38, 96, 28);
      break;
    }
    case 2: {
      const int frame = (H - 10) / 2;
      for (int i = 0; i < 2; ++i) {
        const int y = 2 + i * (frame + 4);
        place(kFrame + 3 + i, 6, y, W - 12, frame);
        place(kLocalView + i, 14, y + 18, W - 28, frame - 54);
        place(kTemplateButton + i, 14, y + frame - 32, 90, 24);
        place(kTemplateButton + 2 + i, 110, y + frame - 32, 110, 24);
      }
      break;
    }
    default: {
      place(kBuildFolderOn, 8, 6, W - 16, 18);
      place(kFrame + 5, 6, 28, W - 12, 80);
      place(kDrives, 14, 44, 90, 200);
      place(kFolder, 14, 76, W - 28 - 90, 22);
      place(kChooseFolder, W - 14 - 84, 75, 84, 24);
      place(kAppendProjectName, 8, 116, W - 16, 18);
      break;
    }
  }
}

void NativeMainWindow::Refresh() {
  if (window_ == nullptr) return;
  const driver::Options& o = form_->options();
  const driver::FormLook& look = form_->look();
  SetWindowTextW(window_, WideText(look.Caption).c_str());
  auto set = [&](int id, WPARAM state) {
    if (HWND control = Control(id)) SendMessageW(control, BM_SETCHECK, state, 0);
  };
  // Tab stops at the chosen scope only; the arrow keys move between the three.
  auto choose = [&](int id, bool chosen) {
    HWND control = Control(id);
    if (control == nullptr) return;
    SendMessageW(control, BM_SETCHECK, chosen ? BST_CHECKED : BST_UNCHECKED, 0);
    LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    SetWindowLongPtrW(control, GWL_STYLE, chosen ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  };
  for (int i = 0; i < 3; ++i) {
    choose(kScope + i, o.Option1 == i);
    choose(kCleanScope + i, o.Option2 == i);
    set(kRemoveWhat + i, StateOf(o.Check5[i]));
  }
  set(kInsertHandlers, StateOf(o.Check1));
  set(kBuildProject, StateOf(o.Check2));
  set(kBuildFolderOn, StateOf(o.Check3));
  set(kAppendProjectName, StateOf(o.Check4));
  HWND build = Control(kBuildProject);
  SetWindowTextW(build, WideText(look.Check2Caption).c_str());
  EnableWindow(build, look.Check2Enabled);
  EnableWindow(Control(kRemoveWhat + engine::kRemoveAddedModules), look.Check5ModulesEnabled);
  RefreshFolder();
  InvalidateRect(Control(kPicture), nullptr, TRUE);
  ShowPage(look.Tab);
  ResizeForTab();
}

// While "Put Build Folder in :" is unchecked the folder cannot be chosen, and its box has the
// colour of a button face instead of a window's (see the page's colours).
void NativeMainWindow::RefreshFolder() {
  const std::string& folder = form_->options().Dir1;
  HWND drives = Control(kDrives);
  int index = -1;
  if (folder.size() >= 2 && folder[1] == ':') {
    wchar_t letter[3] = {static_cast<wchar_t>(std::towupper(static_cast<wint_t>(folder[0]))), L':',
                         L'\0'};
    index = static_cast<int>(SendMessageW(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(letter)));
  }
  SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  HWND path = Control(kFolder);
  std::wstring shown = WidePath(folder);
  if (TextOf(path) != shown) SetWindowTextW(path, shown.c_str());
  const bool on = form_->look().FolderListEnabled;
  for (int id : {kDrives, kFolder, kChooseFolder})
    EnableWindow(Control(id), on);
  InvalidateRect(path, nullptr, TRUE);
}

void NativeMainWindow::ShowPage(int tab) {
  if (tab < 0 || tab >= kPages) return;
  if (SendMessageW(tabs_, TCM_GETCURSEL, 0, 0) != tab)
    SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  HWND focus = GetFocus();
  for (int i = 0; i < kPages; ++i) {
    HWND page = pages_[static_cast<size_t>(i)];
    if (i == tab) continue;
    // The focus does not stay on a control that goes out of sight.
    if (focus != nullptr && IsChild(page, focus)) SetFocus(tabs_);
    ShowWindow(page, SW_HIDE);
  }
  ShowWindow(pages_[static_cast<size_t>(tab)], SW_SHOW);
}

// The width follows the tab (the model's widths in twips); the window keeps its centre.
void NativeMainWindow::ResizeForTab() {
  if (window_ == nullptr) return;
  RECT frame{}, client{};
  GetWindowRect(window_, &frame);
  GetClientRect(window_, &client);
  const int width = TwipsToPixels(form_->look().WindowWidth, dpi_);
  const int client_height = TwipsToPixels(kTabTopTwips, dpi_) + Scaled(kTabHeight + kBottomMargin);
  const int height = client_height + (frame.bottom - frame.top) - (client.bottom - client.top);
  if (width == frame.right - frame.left && height == frame.bottom - frame.top) return;
  const int centre_x = (frame.left + frame.right) / 2;
  const int centre_y = (frame.top + frame.bottom) / 2;
  SetWindowPos(window_, nullptr, centre_x - width / 2, centre_y - height / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps in the new width changes the client's height: measured once more.
  GetWindowRect(window_, &frame);
  GetClientRect(window_, &client);
  if (client.bottom - client.top != client_height) {
    const int fixed = client_height + (frame.bottom - frame.top) - (client.bottom - client.top);
    SetWindowPos(window_, nullptr, 0, 0, width, fixed, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  LayOut();
}

void NativeMainWindow::TabChanged(int tab) {
  if (tab < 0 || tab >= kPages) return;
  form_->TabClick(tab);
  ShowPage(tab);
  ResizeForTab();
}

void NativeMainWindow::Command(int id, int code, HWND control) {
  if (control == nullptr || code == BN_CLICKED) {
    // Menus, buttons, the logo, and Enter and Escape as the dialog keys give them.
    if (code == 0 || code == 1) Clicked(id);
  } else if (id == kDrives && code == CBN_SELCHANGE) {
    DriveChosen();
  }
}

void NativeMainWindow::Clicked(int id) {
  if (running_) return;
  driver::Options& o = form_->options();
  auto value = [&](int of) { return ValueOf(Control(of)); };
  if (id >= kScope && id < kScope + 3) {
    form_->Option1Click(id - kScope);
  } else if (id >= kCleanScope && id < kCleanScope + 3) {
    form_->Option2Click(id - kCleanScope);
  } else if (id == kInsertHandlers) {
    o.Check1 = value(id);
  } else if (id == kBuildProject) {
    o.Check2 = value(id);
  } else if (id >= kRemoveWhat && id < kRemoveWhat + 3) {
    o.Check5[id - kRemoveWhat] = value(id);
  } else if (id == kBuildFolderOn) {
    o.Check3 = value(id);
    form_->Check3Click();
  } else if (id == kAppendProjectName) {
    o.Check4 = value(id);
  } else if (id == kGo) {
    RunCommand(driver::kModeBuild);
  } else if (id == kRemove) {
    RunCommand(driver::kModeClean);
  } else if (id == kExit) {
    Exit();
    return;
  } else if (id == kPicture) {
    PictureClicked();
  } else if (id >= kTemplateButton && id < kTemplateButton + 4) {
    if (templates_ != nullptr) templates_->Command1Click(id - kTemplateButton);
  } else if (id == kChooseFolder) {
    ChooseFolder();
  } else if (id == kMenuWebsite) {
    if (!services_.shell.OpenDocument(kWebAddress)) {
      services_.dialogs.MsgBox(std::string("Unable to open ") + kWebAddress, host::MsgButtons::kOk,
                               host::MsgIcon::kExclamation);
    }
  } else if (id == kMenuLicense) {
    if (!ShowLicenseNative(window_, services_.shell)) {
      services_.dialogs.MsgBox("Unable to open " + services_.shell.ProgramFolder() + "/license.rtf",
                               host::MsgButtons::kOk, host::MsgIcon::kExclamation);
    }
  } else if (id == kMenuNameAndEmail) {
    ShowNameAndEmailNative(window_, services_.settings, services_.dialogs);
  } else if (id == kMenuHelp) {
    if (!ShowHelpContentsNative(window_, services_.shell)) {
      services_.dialogs.MsgBox("Unable to open the help", host::MsgButtons::kOk,
                               host::MsgIcon::kExclamation);
    }
  } else if (id == kMenuAbout) {
    ShowAboutNative(window_, services_.shell, services_.dialogs);
  } else {
    return;  // kNoDefault: Enter on a page without a default button
  }
  Refresh();
}

// A drive chosen in the list: the folder becomes that drive's current folder. A drive that
// cannot be read (no disc, say) keeps the folder as it was.
void NativeMainWindow::DriveChosen() {
  HWND drives = Control(kDrives);
  LRESULT index = SendMessageW(drives, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  wchar_t drive[8] = {};
  if (SendMessageW(drives, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) >= 8) return;
  SendMessageW(drives, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(drive));
  wchar_t current[MAX_PATH] = {};
  DWORD length = GetFullPathNameW(drive, MAX_PATH, current, nullptr);
  if (length == 0 || length >= MAX_PATH || !IsFolder(current)) {
    services_.dialogs.MsgBox("Unable to read drive " + Narrow(drive), host::MsgButtons::kOk,
                             host::MsgIcon::kExclamation);
  } else {
    form_->options().Dir1 = InternalPath(current);
  }
  Refresh();
}

void NativeMainWindow::ChooseFolder() {
  std::wstring chosen = PickFolder(window_, WidePath(form_->options().Dir1));
  if (chosen.empty()) return;
  form_->options().Dir1 = InternalPath(chosen);
}

void NativeMainWindow::PictureClicked() {
  try {
    form_->PictureClick();
  } catch (const host::IdeError& error) {
    TellSettingsNotSaved(error);
  }
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

// F1: the help page of the page shown. A page that cannot be opened shows nothing.
void NativeMainWindow::ShowHelpTopic() {
  std::string topic = HelpTopicOfTab(form_->look().Tab);
  if (!topic.empty()) ShowHelpTopicNative(window_, services_.shell, topic);
}

// The keys of the window, before the dialog keys: F1 (on its release) and Ctrl+Tab.
bool NativeMainWindow::HandleKey(MSG& message) {
  if (running_) return false;
  if (message.wParam == VK_F1 && (message.message == WM_KEYDOWN || message.message == WM_KEYUP)) {
    if (message.message == WM_KEYUP) ShowHelpTopic();
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
    const int step = (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? kPages - 1 : 1;
    TabChanged((form_->look().Tab + step) % kPages);
    return true;
  }
  return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK NativeMainWindow::KeyboardHook(int code, WPARAM w, LPARAM l) {
  auto* message = reinterpret_cast<MSG*>(l);
  if (code == HC_ACTION && w == PM_REMOVE && message->message >= WM_KEYFIRST &&
      message->message <= WM_KEYLAST && message->hwnd != nullptr) {
    HWND root = GetAncestor(message->hwnd, GA_ROOT);
    wchar_t type[32] = {};
    GetClassNameW(root, type, 32);
    auto* self = wcscmp(type, kClassName) == 0
                     ? reinterpret_cast<NativeMainWindow*>(GetWindowLongPtrW(root, GWLP_USERDATA))
                     : nullptr;
    try {
      if (self != nullptr && self->window_ == root && self->HandleKey(*message))
        message->message = WM_NULL;
    } catch (...) {
      LogFailure("main window", "a key could not be handled");
      message->message = WM_NULL;
    }
  }
  return CallNextHookEx(keyboard_hook, code, w, l);
}

// The logo: the product's name on a band, in two looks (dark on light after a click).
void NativeMainWindow::DrawLogo(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  const bool initial = !form_->look().PictureState;
  const COLORREF dark = RGB(16, 48, 96), light = RGB(236, 240, 246);
  const COLORREF back = initial ? dark : light, fore = initial ? light : dark;
  HBRUSH fill = CreateSolidBrush(back);
  FillRect(dc, &area, fill);
  DeleteObject(fill);
  HBRUSH edge = CreateSolidBrush(fore);
  FrameRect(dc, &area, edge);
  RECT band = {area.left + Scaled(6), area.bottom - Scaled(14), area.right - Scaled(6),
               area.bottom - Scaled(10)};
  FillRect(dc, &band, edge);
  DeleteObject(edge);
  LOGFONTW face{};
  GetObjectW(DialogFont(dpi_), sizeof face, &face);
  face.lfHeight = -((area.right - area.left) * 11 / 20);
  face.lfWidth = 0;
  face.lfWeight = FW_BOLD;
  face.lfEscapement = face.lfOrientation = 900;
  HFONT font = CreateFontIndirectW(&face);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, fore);
  SetTextAlign(dc, TA_CENTER | TA_BASELINE);
  const int x = (area.left + area.right) / 2 + (metrics.tmAscent - metrics.tmDescent) / 2;
  const int y = (area.top + area.bottom) / 2 - Scaled(6);
  TextOutW(dc, x, y, L"Kestrix", 7);
  SelectObject(dc, old);
  DeleteObject(font);
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

// The pages hand what their controls tell them to the window, and colour the folder's box.
INT_PTR CALLBACK NativeMainWindow::PageProcedure(HWND page, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(page, DWLP_USER, l);
    return FALSE;
  }
  auto* self = reinterpret_cast<NativeMainWindow*>(GetWindowLongPtrW(page, DWLP_USER));
  if (self == nullptr || self->window_ == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
      SendMessageW(self->window_, message, w, l);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(l) == GetDlgItem(page, kFolder)) {
        const int colour = self->form_->look().FolderListEnabled ? COLOR_WINDOW : COLOR_BTNFACE;
        SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(colour));
        SetTextColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(colour));
      }
      return FALSE;
    default:
      return FALSE;
  }
}

LRESULT NativeMainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l));
      return 0;
    case WM_NOTIFY: {
      const auto* note = reinterpret_cast<const NMHDR*>(l);
      if (note->hwndFrom == tabs_ && note->code == TCN_SELCHANGE)
        TabChanged(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      if (item->CtlID == kPicture) DrawLogo(*item);
      return TRUE;
    }
    case DM_GETDEFID: {
      // Enter clicks the push button that has the focus; else "&GO !" on the Actions page,
      // and nothing on the other pages.
      HWND focus = GetFocus();
      if (focus != nullptr && IsChild(window_, focus) &&
          (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0) {
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
      }
      return MAKELRESULT(form_->look().Tab == 0 ? kGo : kNoDefault, DC_HASDEFID);
    }
    case WM_ACTIVATE:
      // The focus comes back where it was, as in a dialog.
      if (LOWORD(w) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
      } else if (focus_ != nullptr && IsWindow(focus_) && IsWindowVisible(focus_)) {
        SetFocus(focus_);
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      SetFonts();
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
      ResizeForTab();
      LayOut();
      return 0;
    }
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
