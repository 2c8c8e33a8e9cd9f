#include "com/native_about_box.h"

#include <vector>

#include "com/module.h"
#include "com/native_text.h"
#include "com/native_window_support.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixAbout";
constexpr int kSysInfoId = 101;
constexpr int kMailLinkId = 102;
constexpr int kWebLinkId = 103;

// The links: blue at rest, red under the pointer.
constexpr COLORREF kLinkAtRest = RGB(0, 0, 255);
constexpr COLORREF kLinkUnderPointer = RGB(255, 0, 0);

// The banner (480 x 121 pixels at 96 DPI), in twips.
constexpr RECT kBanner = {120, 120, 7320, 1935};

// A string value of the registry, environment variables expanded where the value asks for
// it; nullopt when the key or value is missing, is no text, or is empty.
std::optional<std::wstring> RegistryText(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key = nullptr;
  // Reading needs no more than read access, which every user has.
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  std::vector<wchar_t> value;
  LONG status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value.resize(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || value.empty()) return std::nullopt;
  std::wstring text(value.data());  // up to the first terminating zero
  if (type == REG_EXPAND_SZ) {
    DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    std::wstring expanded(needed, L'\0');
    if (needed != 0 && ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed) != 0) {
      expanded.resize(wcslen(expanded.c_str()));
      text = expanded;
    }
  }
  if (text.empty()) return std::nullopt;
  return text;
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Starts `program` without arguments, shown normally, and does not wait for it.
bool StartProgram(const std::wstring& program) {
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    Log("The system-information program cannot be started: error " +
        std::to_string(GetLastError()));
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

class AboutBox final : public ModalWindow {
 public:
  AboutBox(host::Shell& shell, host::Dialogs& dialogs) : shell_(shell), dialogs_(dialogs) {}
  ~AboutBox() override {
    if (link_font_ != nullptr) DeleteObject(link_font_);
  }
  AboutBox(const AboutBox&) = delete;
  AboutBox& operator=(const AboutBox&) = delete;

  void Show(HWND owner) {
    Run(kClassName, std::string("About ") + host::kProgramTitle, 0,
        WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, owner, 7440, 4620);
  }

 private:
  void MakeControls() override {
    version_ = MakeControl(window_, L"STATIC", WideText(VersionLabel()).c_str(), SS_LEFT, 0);
    notice_ = MakeControl(
        window_, L"STATIC",
        L"Kestrix numbers the lines of your Visual Basic projects and gives every procedure an "
        L"error handler, so that your programs report their errors instead of crashing.\n"
        L"This program is provided as is, without warranty of any kind; see the License "
        L"Agreement in the Admin menu.",
        SS_LEFT, 0);
    lines_[0] = MakeControl(window_, L"STATIC", L"", SS_ETCHEDHORZ, 0);
    support_ = MakeControl(window_, L"STATIC", L"Support:", SS_LEFT, 0);
    links_[0] = MakeControl(window_, L"STATIC", WideText(kSupportAddress).c_str(),
                            SS_LEFT | SS_NOTIFY, kMailLinkId);
    or_visit_ = MakeControl(window_, L"STATIC", L"or visit", SS_LEFT, 0);
    links_[1] = MakeControl(window_, L"STATIC", WideText(kWebAddress).c_str(), SS_LEFT | SS_NOTIFY,
                            kWebLinkId);
    lines_[1] = MakeControl(window_, L"STATIC", L"", SS_ETCHEDHORZ, 0);
    ok_ = MakeControl(window_, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    sys_info_ =
        MakeControl(window_, L"BUTTON", L"&System Info...", BS_PUSHBUTTON | WS_TABSTOP, kSysInfoId);
    UseLinkFont();
  }

  void LayOut() override {
    Place(version_, 120, 2040, 7200, 255);
    Place(notice_, 120, 2370, 7200, 1020);
    Place(lines_[0], 120, 3480, 7200, 30);
    Place(support_, 120, 3600, 840, 255);
    Place(links_[0], 960, 3600, 2640, 255);
    Place(or_visit_, 3660, 3600, 720, 255);
    Place(links_[1], 4380, 3600, 2940, 255);
    Place(lines_[1], 120, 3960, 7200, 30);
    Place(ok_, 4380, 4110, 1380, 375);
    Place(sys_info_, 5940, 4110, 1380, 375);
  }

  // The dialog font underlined, at the window's DPI.
  void UseLinkFont() {
    LOGFONTW font{};
    GetObjectW(DialogFont(Dpi()), sizeof font, &font);
    font.lfUnderline = TRUE;
    HFONT made = CreateFontIndirectW(&font);
    if (made == nullptr) return;
    for (HWND link : links_)
      SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (link_font_ != nullptr) DeleteObject(link_font_);
    link_font_ = made;
  }

  void Hover(HWND link) {
    if (link == hovered_) return;
    hovered_ = link;
    for (HWND each : links_)
      InvalidateRect(each, nullptr, TRUE);
  }

  void OpenLink(const std::string& target) {
    if (!shell_.OpenDocument(target)) {
      dialogs_.MsgBox("Unable to open " + target, host::MsgButtons::kOk,
                      host::MsgIcon::kExclamation);
    }
  }

  void PaintBanner() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    const int left = TwipsToPixels(kBanner.left, Dpi()), top = TwipsToPixels(kBanner.top, Dpi());
    const int width = TwipsToPixels(kBanner.right - kBanner.left, Dpi());
    const int height = TwipsToPixels(kBanner.bottom - kBanner.top, Dpi());
    // Deep blue to sky blue, left to right.
    TRIVERTEX ends[2] = {{left, top, 0x1000, 0x3000, 0x8000, 0},
                         {left + width, top + height, 0x5A00, 0x9600, 0xE600, 0}};
    GRADIENT_RECT rect{0, 1};
    GradientFill(dc, ends, 2, &rect, 1, GRADIENT_FILL_RECT_H);
    LOGFONTW face{};
    GetObjectW(DialogFont(Dpi()), sizeof face, &face);
    face.lfHeight = -MulDiv(44, static_cast<int>(Dpi()), 96);
    face.lfWeight = FW_BOLD;
    HFONT title = CreateFontIndirectW(&face);
    face.lfHeight = -MulDiv(15, static_cast<int>(Dpi()), 96);
    face.lfWeight = FW_NORMAL;
    HFONT motto = CreateFontIndirectW(&face);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    auto scaled = [this](int pixels) { return MulDiv(pixels, static_cast<int>(Dpi()), 96); };
    HGDIOBJ old = SelectObject(dc, title);
    RECT title_area = {left + scaled(24), top + scaled(14), left + width - scaled(8),
                       top + scaled(70)};
    DrawTextW(dc, L"Kestrix", -1, &title_area, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, motto);
    RECT motto_area = {left + scaled(26), top + scaled(72), left + width - scaled(8),
                       top + height - scaled(4)};
    DrawTextW(dc,
              L"Line numbers and error handlers for every procedure of your Visual Basic "
              L"projects",
              -1, &motto_area, DT_LEFT | DT_TOP | DT_WORDBREAK);
    SelectObject(dc, old);
    DeleteObject(title);
    DeleteObject(motto);
    EndPaint(window_, &paint);
  }

  LRESULT Handle(UINT message, WPARAM w, LPARAM l) override {
    switch (message) {
      case WM_PAINT:
        PaintBanner();
        return 0;
      case WM_COMMAND:
        switch (LOWORD(w)) {
          case IDOK:
            Close();
            return 0;
          case kSysInfoId:
            StartSysInfo(dialogs_);
            return 0;
          case kMailLinkId:
            if (HIWORD(w) == STN_CLICKED) OpenLink(std::string("mailto:") + kSupportAddress);
            return 0;
          case kWebLinkId:
            if (HIWORD(w) == STN_CLICKED) OpenLink(kWebAddress);
            return 0;
          default:
            break;
        }
        break;
      case WM_SETCURSOR: {
        // The pointer over a link turns it red; over the window or another label, both blue.
        auto over = reinterpret_cast<HWND>(w);
        bool link = over == links_[0] || over == links_[1];
        Hover(link ? over : nullptr);
        if (link) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
        break;
      }
      case WM_CTLCOLORSTATIC: {
        auto control = reinterpret_cast<HWND>(l);
        if (control != links_[0] && control != links_[1]) break;
        auto dc = reinterpret_cast<HDC>(w);
        SetTextColor(dc, control == hovered_ ? kLinkUnderPointer : kLinkAtRest);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      case WM_DPICHANGED: {
        LRESULT result = DefaultHandle(message, w, l);
        UseLinkFont();
        return result;
      }
      default:
        break;
    }
    return DefaultHandle(message, w, l);
  }

  host::Shell& shell_;
  host::Dialogs& dialogs_;
  HWND version_ = nullptr;
  HWND notice_ = nullptr;
  HWND lines_[2] = {};
  HWND support_ = nullptr;
  HWND or_visit_ = nullptr;
  HWND links_[2] = {};
  HWND ok_ = nullptr;
  HWND sys_info_ = nullptr;
  HWND hovered_ = nullptr;
  HFONT link_font_ = nullptr;
};

}  // namespace

std::string VersionLabel() {
  return "Version " + std::to_string(KESTRIX_VERSION_MAJOR) + "." +
         std::to_string(KESTRIX_VERSION_MINOR) + "." + std::to_string(KESTRIX_VERSION_PATCH);
}

void ShowAboutNative(HWND owner, host::Shell& shell, host::Dialogs& dialogs) {
  AboutBox box(shell, dialogs);
  box.Show(owner);
}

std::optional<std::wstring> SysInfoProgram(HKEY root) {
  if (auto path = RegistryText(root, L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH")) {
    return path;
  }
  if (auto folder = RegistryText(root, L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO")) {
    std::wstring program = *folder + L"\\MSINFO32.EXE";
    if (IsFile(program)) return program;
  }
  return std::nullopt;
}

bool StartSysInfo(host::Dialogs& dialogs, HKEY root) {
  std::optional<std::wstring> program = SysInfoProgram(root);
  if (program && StartProgram(*program)) return true;
  dialogs.MsgBox("System Information Is Unavailable At This Time");
  return false;
}

}  // namespace kestrix::com
