// kestrix: the add-in's stand-alone start. Registers Kestrix in the Visual Basic IDE's add-in
// list, or removes it from there with "kestrix remove". On Windows it also registers the add-in
// itself, Kestrix.dll beside the program, for the current user (and unregisters it on remove).

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/add_in.h"
#include "platform/system/console_dialogs.h"
#include "platform/system/environment.h"
#include "platform/system/profile_files.h"
#include "platform/system/settings_store.h"
#include "platform/system/shell.h"
#ifdef _WIN32
#include <windows.h>
#endif
#if KESTRIX_GUI
#include <QApplication>

#include "frontends/qt/artwork.h"
#include "platform/system/qt_dialogs.h"
#endif

namespace {

const char* kUsage =
    "usage: kestrix [remove]\n"
    "  kestrix          adds Kestrix to the Visual Basic IDE's add-in list (vbaddin.ini)\n"
    "  kestrix remove   takes it out again\n"
#ifdef _WIN32
    "The add-in list lies in the Windows folder, where the IDE reads it. The add-in,\n"
    "Kestrix.dll beside kestrix.exe, is registered for the current user with it, and\n"
    "unregistered on remove.\n"
#else
    "The add-in list lies in $XDG_CONFIG_HOME/kestrix (~/.config/kestrix by default).\n"
#endif
#if KESTRIX_GUI
    "Messages show in a window when there is a display, on standard output otherwise.\n"
#else
    "Messages show on standard output.\n"
#endif
    "Exit status 0 when the add-in list says what was asked for, 1 when it could not be\n"
    "written (or, on Windows, the add-in could not be registered or unregistered).\n";

std::string CommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    line += arg;
  }
  return line;
}

// Message boxes when Qt is built in and can show windows here; printed messages otherwise.
std::unique_ptr<kestrix::host::Dialogs> MakeDialogs([[maybe_unused]] int& argc,
                                                    [[maybe_unused]] char** argv) {
#if KESTRIX_GUI
  if (kestrix::system::DisplayAvailable() && kestrix::system::QtDialogs::DesktopReachable()) {
    auto dialogs = std::make_unique<kestrix::system::QtDialogs>(argc, argv);
    // The message boxes carry the program's icon in their title bar and task bar entry.
    QApplication::setWindowIcon(kestrix::ui::DrawProgramIcon());
    return dialogs;
  }
#endif
  return std::make_unique<kestrix::system::ConsoleDialogs>();
}

#ifdef _WIN32
std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
  }
  return result;
}

// "0x80070005: Access is denied." for a failed HRESULT.
std::string ErrorText(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", length);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return message.empty() ? code : std::string(code) + ": " + Utf8(message);
}

// Registers (or unregisters) Kestrix.dll beside this program through its own entry points, for
// the current user. Says why when it cannot, and then returns false. Unregistering without the
// DLL beside the program has nothing to do.
bool RegisterAddInDll(bool install, kestrix::host::Dialogs& dialogs) {
  std::vector<wchar_t> exe(MAX_PATH);
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()))) ==
         exe.size()) {
    exe.resize(exe.size() * 2);
  }
  std::wstring path(exe.data(), length);
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"Kestrix.dll";
  const std::string what = install ? "registered" : "unregistered";
  auto fail = [&](const std::string& why) {
    dialogs.MsgBox("The add-in Kestrix.dll could not be " + what + ": " + why,
                   kestrix::host::MsgButtons::kOk, kestrix::host::MsgIcon::kCritical,
                   kestrix::host::kProgramTitle);
    return false;
  };
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (!install) return true;
    return fail(Utf8(path) + " is missing (the 32-bit package holds it).");
  }
  HMODULE dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (dll == nullptr) {
    return fail(Utf8(path) + " cannot be loaded (" + ErrorText(HRESULT_FROM_WIN32(GetLastError())) +
                ").");
  }
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(
      GetProcAddress(dll, install ? "DllRegisterServer" : "DllUnregisterServer")));
  HRESULT hr = entry != nullptr ? entry() : HRESULT_FROM_WIN32(GetLastError());
  FreeLibrary(dll);
  if (FAILED(hr)) return fail(Utf8(path) + ": " + ErrorText(hr) + ".");
  return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  kestrix::system::PrepareStandardStreams();
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string command_line = CommandLine(kestrix::system::ProgramArguments(argc, argv));
  try {
    kestrix::system::FileSettingsStore settings;
#ifdef _WIN32
    // The IDE reads its add-in list with the system's profile functions: write it with them.
    kestrix::system::SystemProfileFiles profiles;
#else
    kestrix::system::IniProfileFiles profiles;
#endif
    kestrix::system::DesktopShell shell;
    std::unique_ptr<kestrix::host::Dialogs> dialogs = MakeDialogs(argc, argv);
    kestrix::host::AddInServices services{settings, profiles, shell, *dialogs};
    // The messages told the user; scripts learn from the exit status whether the add-in list
    // (and on Windows the add-in's registration) now says what was asked for.
#ifdef _WIN32
    // The add-in list names the add-in only once the IDE can load it.
    bool remove = kestrix::host::IsRemoveCommand(command_line);
    if (!remove && !RegisterAddInDll(true, *dialogs)) return 1;
    bool done = kestrix::host::Main(services, command_line);
    if (remove) done = RegisterAddInDll(false, *dialogs) && done;
    if (!done) return 1;
#else
    if (!kestrix::host::Main(services, command_line)) return 1;
#endif
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestrix: %s\n", e.what());
    return 1;
  }
  return 0;
}
