// kestrix-ide: the desktop IDE. Opens the project or group named on the command line, loads
// the add-ins that the add-in list (vbaddin.ini) loads at start-up, and shows its window.

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "frontends/desktop/add_in_registry.h"
#include "frontends/desktop/host_window.h"
#include "frontends/desktop/prompts.h"
#include "frontends/qt/artwork.h"
#include "frontends/qt/kestrix_add_in.h"
#include "platform/system/environment.h"
#include "platform/system/profile_files.h"
#include "platform/system/qt_dialogs.h"
#include "platform/system/settings_store.h"
#include "templates/code_highlighter.h"

namespace {

const char* kUsage =
    "usage: kestrix-ide [PROJECT.vbp | GROUP.vbg]\n"
    "Opens the Visual Basic project or project group in the desktop IDE, with the add-ins\n"
    "that $XDG_CONFIG_HOME/kestrix/vbaddin.ini loads at start-up.\n";

}  // namespace

namespace kestrix::desktop {

// The add-ins this program can load, by the names the add-in list uses.
void RegisterAddIns(AddInRegistry& registry) {
  registry.Register("Kestrix.Connect",
                    "Kestrix: line numbers and error handlers in every procedure, numbered "
                    "builds, error reports",
                    [] { return std::make_unique<ui::KestrixAddIn>(); });
}

}  // namespace kestrix::desktop

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // Qt ends the program when it cannot reach a display; say why instead.
  if (!kestrix::system::QtDialogs::DesktopReachable()) {
    std::fputs("kestrix-ide: no graphical desktop to show the window on\n", stderr);
    return 1;
  }
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName("Kestrix IDE");
  // Every window shows it, the code windows and message boxes too.
  QApplication::setWindowIcon(kestrix::ui::DrawProgramIcon());
  if (argc > 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  kestrix::system::FileSettingsStore settings;
  kestrix::system::IniProfileFiles profiles;
  kestrix::desktop::AddInRegistry registry;
  kestrix::desktop::RegisterAddIns(registry);
  kestrix::desktop::QtPrompts prompts;
  kestrix::desktop::HostWindow window({settings, profiles, registry, prompts});
  window.SetColourer([](QTextDocument& document) {
    new kestrix::templates::CodeHighlighter(&document);  // owned by the document
  });
  window.Start(argc == 2 ? kestrix::system::FromNativePath(argv[1]) : std::string());
  return QApplication::exec();
}
