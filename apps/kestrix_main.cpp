// kestrix: the add-in's stand-alone start. Registers Kestrix in the Visual Basic IDE's add-in
// list, or removes it from there with "kestrix remove".

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
    "The add-in list lies in the Windows folder, where the IDE reads it.\n"
#else
    "The add-in list lies in $XDG_CONFIG_HOME/kestrix (~/.config/kestrix by default).\n"
#endif
#if KESTRIX_GUI
    "Messages show in a window when there is a display, on standard output otherwise.\n"
#else
    "Messages show on standard output.\n"
#endif
    "Exit status 0 when the add-in list says what was asked for, 1 when it could not be\n"
    "written.\n";

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
    // now says what was asked for.
    if (!kestrix::host::Main(services, command_line)) return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestrix: %s\n", e.what());
    return 1;
  }
  return 0;
}
