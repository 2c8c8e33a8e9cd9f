// kestrix-gui-bench module LINES | group LINES
//
// Times GO ! in the desktop IDE, as a user starts it, on a generated project: one module of
// LINES lines (its code window open) or a group of LINES lines (the largest module's code
// window open). Prints the time the command took, the longest wait between two turns of the
// event loop while it ran (what the user sees as a window that does not repaint), and the time
// kestrix-batch takes for the same build of the same files. Runs offscreen unless
// QT_QPA_PLATFORM says otherwise; everything is written below $TMPDIR and removed at the end.

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "bench_util.h"
#include "frontends/desktop/add_in_registry.h"
#include "frontends/desktop/code_editor.h"
#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/host_window.h"
#include "frontends/desktop/prompts.h"
#include "frontends/desktop/qt_command_bars.h"
#include "frontends/qt/add_in_controls.h"
#include "frontends/qt/add_in_window.h"
#include "frontends/qt/kestrix_add_in.h"
#include "platform/system/profile_files.h"
#include "platform/system/settings_store.h"
#include "templates/code_highlighter.h"
#include "vb_generator.h"

namespace kestrix::bench {
namespace {

constexpr int64_t kProcLines = 200;

GeneratedGroup Generate(std::string_view kind, const std::string& dir, int64_t lines) {
  if (kind == "module") return GenerateUniformModuleProject(dir, lines, kProcLines);
  return GenerateGroup(dir, lines);
}

// The component with the most lines of code in the active project.
host::Component* LargestModule(desktop::DesktopIde& ide) {
  host::Component* largest = nullptr;
  int32_t most = -1;
  host::Components& components = ide.ActiveVBProject()->VBComponents();
  for (int32_t c = 1; c <= components.Count(); ++c) {
    host::CodeModule* code = components.Item(c).GetCodeModule();
    if (code != nullptr && code->CountOfLines() > most) {
      most = code->CountOfLines();
      largest = &components.Item(c);
    }
  }
  return largest;
}

double TimeBatch(std::string_view kind, const fs::path& dir, int64_t lines) {
  GeneratedGroup generated = Generate(kind, (dir / "batch").string(), lines);
  std::string command = std::string("'") + KESTRIX_BATCH_PROGRAM + "' build '" +
                        generated.group_file + "' >/dev/null 2>&1";
  Clock::time_point start = Clock::now();
  int status = std::system(command.c_str());
  double seconds = SecondsSince(start);
  if (status != 0) std::fprintf(stderr, "kestrix-batch ended with status %d\n", status);
  return seconds;
}

int Run(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: kestrix-gui-bench module|group LINES\n", stderr);
    return 2;
  }
  std::string_view kind = argv[1];
  int64_t lines = 0;
  if ((kind != "module" && kind != "group") || !ParseNumber(argv[2], lines) || lines < 0) {
    std::fputs("usage: kestrix-gui-bench module|group LINES\n", stderr);
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  ScratchDir scratch;
  ::setenv("XDG_CONFIG_HOME", (scratch.path() / "home").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  GeneratedGroup generated = Generate(kind, (scratch.path() / "ide").string(), lines);

  QApplication app(argc, argv);
  system::FileSettingsStore settings;
  system::IniProfileFiles profiles;
  profiles.WriteString("Add-Ins32", "Kestrix.Connect", "1", "vbaddin.ini");
  settings.SaveSetting("Kestrix", "Settings", "Programmer", "Bench");
  settings.SaveSetting("Kestrix", "Settings", "Email", "bench@example.com");
  desktop::AddInRegistry registry;
  ui::KestrixAddIn* add_in = nullptr;
  registry.Register("Kestrix.Connect", "Kestrix", [&] {
    auto made = std::make_unique<ui::KestrixAddIn>();
    add_in = made.get();
    return made;
  });
  desktop::QtPrompts prompts;
  Clock::time_point start = Clock::now();
  auto window = std::make_unique<desktop::HostWindow>(
      desktop::HostServices{settings, profiles, registry, prompts});
  window->SetColourer([](QTextDocument& document) {
    new templates::CodeHighlighter(&document);  // owned by the document
  });
  window->Start(generated.group_file);
  QApplication::processEvents();
  host::Component* module = LargestModule(window->ide());
  if (add_in == nullptr || module == nullptr) throw std::runtime_error("nothing to build");
  desktop::CodeEditor* editor = window->OpenCodeWindow(*module);
  QApplication::processEvents();
  std::printf("opened %lld lines, code window of %d lines: %.2f s\n",
              static_cast<long long>(generated.code_lines), module->GetCodeModule()->CountOfLines(),
              SecondsSince(start));

  auto* bar = dynamic_cast<desktop::QtCommandBar*>(window->command_bars().Find("Kestrix"));
  if (bar == nullptr || bar->ButtonCount() < 1) throw std::runtime_error("no Kestrix button");
  // A message box would wait for a user who is not there: say what it asks, and stop.
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
        std::fprintf(stderr, "kestrix-gui-bench: a message box asks: %s\n",
                     qPrintable(box->text()));
        std::_Exit(1);
      }
    }
  });
  watchdog.start(1000);
  bar->Button(0).action()->trigger();
  QApplication::processEvents();

  // A timer of 0 ms fires at every turn of the event loop: the longest gap between two
  // firings is the longest the windows went without repainting.
  QElapsedTimer turn;
  qint64 longest_gap = 0;
  int64_t turns = 0;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    longest_gap = std::max(longest_gap, turn.restart());
    ++turns;
  });
  probe.start();
  turn.start();
  start = Clock::now();
  add_in->window()->controls().OKButton->click();
  double desktop_seconds = SecondsSince(start);
  longest_gap = std::max(longest_gap, turn.elapsed());
  qint64 command_gap = longest_gap;
  int64_t command_turns = turns;
  longest_gap = 0;
  turn.restart();
  QApplication::processEvents();  // what the desktop does straight after the command
  double settled_seconds = SecondsSince(start);
  std::printf("desktop GO !: %.2f s (%.2f s with the windows brought up to date), caption \"%s\"\n",
              desktop_seconds, settled_seconds, add_in->progress().Caption().c_str());
  std::printf("event-loop turns during the command: %lld, longest gap %lld ms\n",
              static_cast<long long>(command_turns), static_cast<long long>(command_gap));
  // Then the open code window shows the instrumented module (its line count tells).
  Clock::time_point ended = Clock::now();
  while (editor != nullptr &&
         (editor->Loading() ||
          editor->document()->blockCount() != module->GetCodeModule()->CountOfLines()) &&
         SecondsSince(ended) < 10) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  longest_gap = std::max(longest_gap, turn.elapsed());
  probe.stop();
  std::printf("code window shows the new text %.2f s after the command, longest gap %lld ms\n",
              SecondsSince(ended), static_cast<long long>(longest_gap));
  window.reset();

  double batch_seconds = TimeBatch(kind, scratch.path(), lines);
  std::printf("kestrix-batch build: %.2f s; desktop / batch = %.1f\n", batch_seconds,
              batch_seconds > 0 ? settled_seconds / batch_seconds : 0.0);
  return 0;
}

}  // namespace
}  // namespace kestrix::bench

int main(int argc, char** argv) {
  try {
    return kestrix::bench::Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kestrix-gui-bench: %s\n", error.what());
    return 1;
  }
}
