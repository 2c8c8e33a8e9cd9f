// The add-in's own windows besides the main window: the coloured rich-text view, the template
// editor, the name and e-mail dialog, the about box with the system-information program, and
// the status window's notes. A modal window is driven from a second thread while the test's
// thread runs its loop. Where no window can be made (Wine without an X server) these are left
// out.

// windows.h comes first: the other system headers rely on its types.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "com/add_in_session.h"
#include "com/module.h"
#include "com/native_about_box.h"
#include "com/native_email_dialog.h"
#include "com/native_help.h"
#include "com/native_rich_text.h"
#include "com/native_status_window.h"
#include "com/native_template_editor.h"
#include "com/native_window_support.h"
#include "com/window_test_support.h"
#include "host/settings_keys.h"
#include "platform/system/settings_store.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::com {
namespace {

using testing::ScriptedDialogs;
using testing::TempDir;

// Runs `act` on a thread of its own with the first visible window of this process titled
// `title`, once it opens; closes the window when `act` leaves it open, so that a failing
// test never hangs in the window's loop.
class WhenOpen {
 public:
  WhenOpen(std::wstring title, std::function<void(HWND)> act)
      : title_(std::move(title)), act_(std::move(act)), thread_([this] { Run(); }) {}
  ~WhenOpen() { Forced(); }
  // True when the window did not close by what `act` did (or never opened).
  bool Forced() {
    if (thread_.joinable()) thread_.join();
    return forced_;
  }
  WhenOpen(const WhenOpen&) = delete;
  WhenOpen& operator=(const WhenOpen&) = delete;

 private:
  void Run() {
    HWND window = nullptr;
    for (int i = 0; i < 500 && window == nullptr; ++i) {
      Sleep(20);
      window = FindWindowW(nullptr, title_.c_str());
      DWORD process = 0;
      if (window != nullptr) GetWindowThreadProcessId(window, &process);
      if (process != GetCurrentProcessId() || !IsWindowVisible(window)) window = nullptr;
    }
    if (window == nullptr) return;
    act_(window);
    for (int i = 0; i < 100 && IsWindow(window) && IsWindowVisible(window); ++i)
      Sleep(20);
    if (IsWindow(window) && IsWindowVisible(window)) {
      PostMessageW(window, WM_CLOSE, 0, 0);
      return;
    }
    forced_ = false;
  }

  std::wstring title_;
  std::function<void(HWND)> act_;
  std::atomic<bool> forced_{true};
  std::thread thread_;
};

void Click(HWND window, const wchar_t* caption) {
  HWND button = FindChild(window, caption);
  ASSERT_NE(button, nullptr) << caption;
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

// The colour of the character at `offset`; CLR_INVALID for the control's own colour.
COLORREF ColourAt(HWND view, int offset) {
  SendMessageW(view, EM_SETSEL, static_cast<WPARAM>(offset), offset + 1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return (format.dwEffects & CFE_AUTOCOLOR) != 0 ? CLR_INVALID : format.crTextColor;
}

constexpr COLORREF kBlue = RGB(0, 0, 220);
constexpr COLORREF kGreen = RGB(0, 127, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class NativeWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DesktopAvailable()) GTEST_SKIP() << "no window can be made here";
  }
};

// The view shows the text as the colouring respells it, each character in its colour, and
// gives back every byte it was given: the characters the document format escapes, tabs,
// Windows-ANSI letters, and line ends at the end or not.
TEST_F(NativeWindows, RichTextViewShowsTheColouringAndKeepsEveryByte) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                nullptr, nullptr);
  HWND view = MakeRichTextView(parent, 1, false);
  ASSERT_NE(view, nullptr);
  struct Case {
    std::string text, shown;
  };
  const Case cases[] = {
      {"dim x as integer ' count {a} \\b", "Dim x As Integer ' count {a} \\b"},
      {"\tif caf\xE9 = \"\x80\x81\" then\r\n\t\tstop\r\n",
       "\tIf caf\xE9 = \"\x80\x81\" Then\r\n\t\tStop\r\n"},
      {"REM Check This", "REM Check This"},
      {"a\r\n\r\n", "a\r\n\r\n"},
      {"", ""},
  };
  HWND read_only = MakeRichTextView(parent, 2, true);
  for (const Case& c : cases) {
    ShowColouredText(view, c.text);
    EXPECT_EQ(RichTextPlainText(view), c.shown) << c.text;
    ShowColouredText(read_only, c.text);
    EXPECT_EQ(RichTextPlainText(read_only), c.shown) << c.text;
  }
  EXPECT_NE(GetWindowLongPtrW(read_only, GWL_STYLE) & ES_READONLY, 0);
  ShowColouredText(view, "dim x ' note\r\nMsgBox \"dim\"");
  struct Colour {
    int offset;
    COLORREF colour;
  };
  for (const Colour& c :
       {Colour{0, kBlue}, Colour{2, kBlue}, Colour{4, CLR_INVALID}, Colour{6, kGreen},
        Colour{11, kGreen}, Colour{14, CLR_INVALID}, Colour{22, CLR_INVALID}}) {
    COLORREF colour = ColourAt(view, c.offset);
    EXPECT_TRUE(colour == c.colour || (c.colour == CLR_INVALID && colour == kBlack))
        << "offset " << c.offset << ": " << std::hex << colour;
  }
  DestroyWindow(parent);
}

// Save (Alt+S) gives the edited text with CR LF lines; Cancel, Escape and the close box leave
// the text as it was. The text shows coloured when the editor opens, and the window cannot be
// made smaller than 2800 twips either way; the buttons follow the bottom-right corner.
TEST_F(NativeWindows, TemplateEditorSavesOnlyOnSave) {
  const std::string original = "dim x ' count\r\nx = 1\r\n";
  std::string text = original;
  {
    WhenOpen act(L"Edit Handler", [](HWND window) {
      HWND view = GetDlgItem(window, kEditorTextId);
      EXPECT_EQ(ColourAt(view, 0), kBlue);
      EXPECT_EQ(ColourAt(view, 8), kGreen);
      SendMessageW(view, EM_SETSEL, 0, 0);
      SendMessageW(view, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"' top\r"));
      PostMessageW(view, WM_SYSCHAR, 's', 1 << 29);  // Alt+S
    });
    EXPECT_TRUE(EditTemplateNative(nullptr, "Edit Handler", text));
    EXPECT_FALSE(act.Forced());
  }
  EXPECT_EQ(text, "' top\r\nDim x ' count\r\nx = 1\r\n");

  for (int way = 0; way < 3; ++way) {
    text = original;
    WhenOpen act(L"Edit Handler", [way](HWND window) {
      HWND view = GetDlgItem(window, kEditorTextId);
      SendMessageW(view, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"changed"));
      if (way == 0) Click(window, L"&Cancel");
      if (way == 1) PostMessageW(window, WM_CLOSE, 0, 0);
      if (way == 2) PostMessageW(view, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_FALSE(EditTemplateNative(nullptr, "Edit Handler", text)) << way;
    EXPECT_FALSE(act.Forced()) << way;
    EXPECT_EQ(text, original) << way;
  }

  WhenOpen act(L"Edit Handler", [](HWND window) {
    const int minimum = TwipsToPixels(2800, WindowDpi(window));
    SetWindowPos(window, nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_GE(frame.right - frame.left, minimum);
    EXPECT_GE(frame.bottom - frame.top, minimum);
    SetWindowPos(window, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{}, cancel{}, view{};
    GetClientRect(window, &client);
    GetWindowRect(FindChild(window, L"&Cancel"), &cancel);
    GetWindowRect(GetDlgItem(window, kEditorTextId), &view);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&cancel), 2);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&view), 2);
    EXPECT_LT(client.right - cancel.right, 20);
    EXPECT_LT(client.bottom - cancel.bottom, 20);
    EXPECT_LT(view.bottom, cancel.top);
    EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    Click(window, L"&Cancel");
  });
  EXPECT_FALSE(EditTemplateNative(nullptr, "Edit Handler", text));
}

// OK stores the name and then the address exactly as typed, blanks included; Cancel and the
// close box store nothing; the dialog opens with what is stored.
TEST_F(NativeWindows, NameAndEmailAreStoredOnOkOnly) {
  TempDir temp;
  system::FileSettingsStore settings(temp.path());
  ScriptedDialogs dialogs;
  auto stored = [&](const char* key) {
    return settings.GetSetting(host::kSettingsApp, host::kSettingsSection, key, "(none)");
  };
  auto fill = [](HWND window, const wchar_t* name, const wchar_t* email) {
    HWND first = FindWindowExW(window, nullptr, L"Edit", nullptr);
    HWND second = FindWindowExW(window, first, L"Edit", nullptr);
    ASSERT_NE(second, nullptr);
    SendMessageW(first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    SendMessageW(second, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(email));
  };
  {
    WhenOpen act(L"Configuration", [&](HWND window) {
      fill(window, L" Zo\u00EB Doe ", L"zoe@example.com ");
      Click(window, L"OK");
    });
    ShowNameAndEmailNative(nullptr, settings, dialogs);
    EXPECT_FALSE(act.Forced());
  }
  EXPECT_EQ(stored(host::kKeyProgrammer), " Zo\xEB Doe ");
  EXPECT_EQ(stored(host::kKeyEmail), "zoe@example.com ");
  for (bool close_box : {false, true}) {
    WhenOpen act(L"Configuration", [&](HWND window) {
      EXPECT_NE(FindChild(window, L" Zo\u00EB Doe "), nullptr);
      fill(window, L"Someone", L"");
      if (close_box) {
        PostMessageW(window, WM_CLOSE, 0, 0);
      } else {
        Click(window, L"Cancel");
      }
    });
    ShowNameAndEmailNative(nullptr, settings, dialogs);
    EXPECT_FALSE(act.Forced());
    EXPECT_EQ(stored(host::kKeyProgrammer), " Zo\xEB Doe ");
    EXPECT_EQ(stored(host::kKeyEmail), "zoe@example.com ");
  }
  EXPECT_TRUE(dialogs.shown.empty());
}

// The about box shows this build's version; its links open through the shell.
TEST_F(NativeWindows, AboutBoxShowsTheVersionAndOpensItsLinks) {
  TempDir temp;
  testing::FakeShell shell(temp.path());
  ScriptedDialogs dialogs;
  WhenOpen act(L"About Kestrix", [](HWND window) {
    EXPECT_NE(FindChild(window, L"Version " KESTRIX_TEST_VERSION), nullptr);
    HWND mail = FindChild(window, L"support@kestrix.example");
    HWND web = FindChild(window, L"https://kestrix.example/");
    ASSERT_NE(mail, nullptr);
    ASSERT_NE(web, nullptr);
    // Red under the pointer, blue at rest; the pointer over the window turns both blue.
    // The real pointer must not be over the window: moved there, the window's own thread would
    // take its WM_SETCURSOR between the ones sent below and turn the links back.
    RECT area{};
    GetWindowRect(window, &area);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    for (POINT corner : {POINT{0, 0}, POINT{width - 1, 0}, POINT{0, height - 1},
                         POINT{width - 1, height - 1}}) {
      if (!PtInRect(&area, corner)) {
        SetCursorPos(corner.x, corner.y);
        break;
      }
    }
    Sleep(100);
    HDC dc = CreateCompatibleDC(nullptr);
    auto colour = [&](HWND link) {
      SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(link));
      return GetTextColor(dc);
    };
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(web), HTCLIENT);
    EXPECT_EQ(colour(web), RGB(255, 0, 0));
    EXPECT_EQ(colour(mail), RGB(0, 0, 255));
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT);
    EXPECT_EQ(colour(web), RGB(0, 0, 255));
    DeleteDC(dc);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(mail), STN_CLICKED),
                 reinterpret_cast<LPARAM>(mail));
    Click(window, L"OK");
  });
  ShowAboutNative(nullptr, shell, dialogs);
  EXPECT_FALSE(act.Forced());
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], "mailto:support@kestrix.example");
}

// The system-information program comes from the first registry value that names one; with
// neither value (or a folder without the program) the user is told, and nothing starts.
TEST(SysInfo, IsFoundThroughTheRegistryOrSaidToBeUnavailable) {
  TempDir temp;
  temp.Write("MSINFO32.EXE", "");
  std::wstring wide_folder(temp.path().begin(), temp.path().end());
  for (wchar_t& c : wide_folder) {
    if (c == L'/') c = L'\\';
  }
  HKEY root = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\KestrixTests\\SysInfo", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &root, nullptr),
            ERROR_SUCCESS);
  auto set = [&](const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(root, key, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  };
  const wchar_t* location = L"SOFTWARE\\Microsoft\\Shared Tools Location";
  const wchar_t* msinfo = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

  ScriptedDialogs dialogs;
  EXPECT_EQ(SysInfoProgram(root), std::nullopt);
  EXPECT_FALSE(StartSysInfo(dialogs, root));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "Kestrix: System Information Is Unavailable At This Time");

  set(location, L"MSINFO", wide_folder + L"\\missing");
  EXPECT_EQ(SysInfoProgram(root), std::nullopt);
  set(location, L"MSINFO", wide_folder);
  EXPECT_EQ(SysInfoProgram(root), wide_folder + L"\\MSINFO32.EXE");
  set(msinfo, L"PATH", L"C:\\Tools\\msinfo32.exe");
  EXPECT_EQ(SysInfoProgram(root), L"C:\\Tools\\msinfo32.exe");
  RegCloseKey(root);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KestrixTests");
}

// Every page of the main window has its help page among those the help folder holds; the
// pages, the contents and the licence open from the program's folder, and nothing else does.
TEST(NativeHelp, OpensThePagesOfTheHelpFolder) {
  testing::FakeShell shell(testing::SourceDir());
  for (int tab = 0; tab < 4; ++tab) {
    const std::string topic = HelpTopicOfTab(tab);
    EXPECT_TRUE(ShowHelpTopicNative(nullptr, shell, topic)) << tab;
    EXPECT_TRUE(testing::FileExists(shell.opened.back())) << shell.opened.back();
  }
  EXPECT_EQ(shell.opened[2], testing::SourceDir() + "/help/ErrHand.htm");
  EXPECT_EQ(HelpTopicOfTab(4), "");
  EXPECT_TRUE(ShowHelpContentsNative(nullptr, shell));
  EXPECT_TRUE(ShowLicenseNative(nullptr, shell));
  for (size_t i = 4; i < shell.opened.size(); ++i) {
    EXPECT_TRUE(testing::FileExists(shell.opened[i])) << shell.opened[i];
  }
  const size_t opened = shell.opened.size();
  for (const char* topic : {"", "../license.rtf", "..\\ReadMe.txt", "C:\\x.htm"}) {
    EXPECT_FALSE(ShowHelpTopicNative(nullptr, shell, topic)) << topic;
  }
  EXPECT_EQ(shell.opened.size(), opened);
}

// A long note widens its column so that it shows whole; what waits for the timer shows on the
// next update of a running command, which lets no timer through; the window opens beside the
// main window, not over it.
TEST_F(NativeWindows, StatusWindowShowsLongNotesKeepsUpAndStandsAside) {
  HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 100,
                              600, 400, nullptr, nullptr, nullptr, nullptr);
  NativeStatusWindow status;
  status.PlaceBeside([main] { return main; });
  status.Show();
  RECT own{}, other{}, both{};
  GetWindowRect(status.window(), &own);
  GetWindowRect(main, &other);
  EXPECT_FALSE(IntersectRect(&both, &own, &other));
  DestroyWindow(main);
  const std::string note(180, 'n');
  status.AddRow({"Hello", "modHello", "Main", "12", "Ok"});
  status.AddRow({"Hello", "modHello", "", "", "Skipped (" + note + ")"});
  status.Flush();
  HWND list = FindWindowExW(status.window(), nullptr, WC_LISTVIEWW, nullptr);
  ASSERT_NE(list, nullptr);
  const std::wstring wide_note = L"Skipped (" + std::wstring(note.begin(), note.end()) + L")";
  const auto needed =
      SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide_note.c_str()));
  EXPECT_GE(SendMessageW(list, LVM_GETCOLUMNWIDTH, 4, 0), needed);

  status.AddRow({"Hello", "modHello", "Main", "12", "Ok"});
  Sleep(60);
  status.Update();
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
}

// A message box belongs to the add-in's topmost window in front (the editor, say), else to
// the topmost status window, so that it never opens behind either.
TEST_F(NativeWindows, MessageBoxesBelongToTheTopmostWindowInFront) {
  TempDir temp;
  AddInSession session({temp.Path("settings"), testing::SourceDir()});
  session.status().Show();
  HWND front =
      CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"front", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100,
                      100, 300, 200, nullptr, nullptr, ThisModule(), nullptr);
  SetForegroundWindow(front);
  SetActiveWindow(front);
  BoxAnswerer answerer;
  session.dialogs().MsgBox("In front");
  DestroyWindow(front);
  session.dialogs().MsgBox("Behind");
  std::vector<BoxAnswerer::Box> boxes = answerer.Seen();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, front);
  EXPECT_EQ(boxes[1].owner, session.status().window());
}

}  // namespace
}  // namespace kestrix::com
