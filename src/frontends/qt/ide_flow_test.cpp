// The whole desktop flow, offscreen, as a user goes through it: the add-in registered in the
// IDE's add-in list, the IDE started on the example group, the Kestrix toolbar button, the
// main window, a build of the active project into BUILD 1 with the status window filling,
// the programmer's name in the built report form, and a clean.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>
#include <filesystem>

#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/desktop_test_support.h"
#include "frontends/desktop/qt_command_bars.h"
#include "frontends/qt/add_in_window.h"
#include "frontends/qt/kestrix_add_in.h"
#include "frontends/qt/progress_window.h"
#include "frontends/qt/ui_test_support.h"

namespace kestrix::ui {
namespace {

namespace fs = std::filesystem;

TEST(IdeFlow, RegisterStartBuildAndClean) {
  testing::TempDir dir;
  testing::ScopedEnv home("XDG_CONFIG_HOME", dir.Path("home").c_str());
  std::string shop = testing::CopyTree(testing::SourceDir() + "/examples/Shop", dir.Path("Shop"));
  system::FileSettingsStore settings;
  system::IniProfileFiles profiles;
  ASSERT_TRUE(profiles.WriteString("Add-Ins32", "Kestrix.Connect", "1", "vbaddin.ini"));
  settings.SaveSetting("Kestrix", "Settings", "Programmer", "Ann Lee");
  settings.SaveSetting("Kestrix", "Settings", "Email", "ann@example.com");

  ScriptedDialogs dialogs;
  FakeShell shell(MakeProgramFolder(dir));
  KestrixAddIn* add_in = nullptr;
  desktop::AddInRegistry registry;
  registry.Register("Kestrix.Connect", "Kestrix", [&] {
    auto made = std::make_unique<KestrixAddIn>(KestrixAddIn::Overrides{&dialogs, &shell});
    add_in = made.get();
    return made;
  });
  desktop::testing::FakePrompts prompts;
  desktop::HostWindow window({settings, profiles, registry, prompts});
  window.Start(shop + "/Shop.vbg");
  QApplication::processEvents();

  // The toolbar "Kestrix" docks at the bottom with its button; the button opens the window.
  ASSERT_NE(add_in, nullptr);
  auto* bar = dynamic_cast<desktop::QtCommandBar*>(window.command_bars().Find("Kestrix"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(window.toolBarArea(bar->toolbar()), Qt::BottomToolBarArea);
  ASSERT_EQ(bar->ButtonCount(), 1);
  bar->Button(0).action()->trigger();
  QApplication::processEvents();
  AddInWindow* main = add_in->window();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isVisible());
  // Owned by the IDE's window, so that a click into the IDE does not bury it.
  ASSERT_NE(main->windowHandle(), nullptr);
  EXPECT_EQ(main->windowHandle()->transientParent(), window.windowHandle());

  // GO builds the active project (the startup project) into BUILD 1.
  main->controls().OKButton->click();
  QApplication::processEvents();
  EXPECT_EQ(add_in->progress().Caption(), "Project Shop BUILD 1 OK!!!");
  EXPECT_TRUE(add_in->progress_window()->isVisible());
  EXPECT_GT(add_in->progress_window()->rows()->model()->rowCount(), 50);
  std::string report = testing::ReadFile(shop + "/App/BUILD 1/frmKestrixReport.frm");
  EXPECT_NE(report.find("Private Const YourName=\"Ann Lee\""), std::string::npos);
  EXPECT_NE(report.find("Private Const YourEmailAddr=\"ann@example.com\""), std::string::npos);
  EXPECT_TRUE(dialogs.shown.empty());

  // Remove on the Clean tab cleans the build copy the IDE now holds.
  main->form().RunCommand(1);
  EXPECT_EQ(add_in->progress().Caption(), "Project Shop CLEANED.");
  EXPECT_TRUE(window.ide().ActiveVBProject()->VBComponents().Item(1).IsDirty());

  // Leaving the IDE disconnects the add-in: the bar goes, the open window is remembered.
  window.add_ins().DisconnectAll(host::DisconnectMode::kHostShutdown);
  EXPECT_EQ(window.command_bars().Find("Kestrix"), nullptr);
  EXPECT_EQ(settings.GetSetting("Kestrix", "Settings", "DisplayOnConnect"), "1");
}

}  // namespace
}  // namespace kestrix::ui
