// The Error Handler tab: the template views as the window loads them, and the Load/Edit and
// Restore Original buttons against real files.

#include "frontends/qt/template_views.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <filesystem>

#include "driver/status_model.h"
#include "frontends/qt/add_in_window.h"
#include "frontends/qt/ui_test_support.h"
#include "platform/system/settings_store.h"

namespace kestrix::ui {
namespace {

using testing::ReadFile;

class TemplateViewsTest : public ::testing::Test {
 protected:
  TemplateViewsTest()
      : program_(MakeProgramFolder(dir_)),
        settings_(dir_.Path("settings")),
        shell_(program_),
        window_({settings_, dialogs_, shell_, progress_, &help_}) {}
  ~TemplateViewsTest() override { window_.Unload(); }

  std::string Live(const char* name) { return program_ + "/config/" + name; }
  std::string Backup(const char* name) { return program_ + "/config/Backup/" + name; }
  QTextEdit& View(const char* name) { return Child<QTextEdit>(window_, name); }
  QPushButton& Button(const char* name) { return Child<QPushButton>(window_, name); }

  testing::TempDir dir_;
  std::string program_;
  system::FileSettingsStore settings_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  driver::StatusModel progress_;
  RecordingHelp help_;
  AddInWindow window_;
};

// Presses the editor's button `caption` as soon as the editor is open.
void PressInEditor(const QString& caption) {
  WhenModal([caption](QWidget& editor) { ButtonCalled(editor, caption).click(); });
}

// Each Load/Edit button edits its own template; Save writes what the editor holds (the
// line-end rules of saving are the template files' own).
TEST_F(TemplateViewsTest, SaveWritesTheEditorsTextToItsTemplate) {
  const std::pair<const char*, const char*> buttons[] = {{"LocalHandler.txt", "Command1_0"},
                                                         {"Kestrix.bas", "Command1_1"}};
  for (const auto& [file, button] : buttons) {
    testing::TempDir scratch;
    // The editor gets the view's text, with the keywords as the colouring spells them.
    std::filesystem::copy_file(scratch.Write("t", "\tresume next ' as typed\r\n"), Live(file),
                               std::filesystem::copy_options::overwrite_existing);
    window_.Show();
    PressInEditor("Save");
    Button(button).click();
    EXPECT_EQ(ReadFile(Live(file)), "\tResume Next ' as typed\r\n") << file;
    EXPECT_TRUE(dialogs_.shown.empty());
    window_.Unload();
  }
}

TEST_F(TemplateViewsTest, CancelWritesNothing) {
  window_.Show();
  const std::string before = ReadFile(Live("LocalHandler.txt"));
  View("Text1").setPlainText("changed in the view only");
  PressInEditor("Cancel");
  Button("Command1_0").click();
  EXPECT_EQ(ReadFile(Live("LocalHandler.txt")), before);
  EXPECT_EQ(View("Text1").toPlainText(), "changed in the view only");
}

TEST_F(TemplateViewsTest, RestoreOriginalCopiesTheBackupAndReloadsOnlyThatView) {
  testing::TempDir scratch;
  for (const char* file : {"LocalHandler.txt", "Kestrix.bas"}) {
    std::filesystem::remove(Live(file));
    std::filesystem::copy_file(scratch.Write(file, "' mine\r\n"), Live(file));
  }
  window_.Show();
  Button("Command1_2").click();
  EXPECT_EQ(ReadFile(Live("LocalHandler.txt")), ReadFile(Backup("LocalHandler.txt")));
  EXPECT_TRUE(View("Text1").toPlainText().contains("KestrixHandleError"));
  EXPECT_EQ(View("Text2").toPlainText(), "' mine\n");
  Button("Command1_3").click();
  EXPECT_EQ(ReadFile(Live("Kestrix.bas")), ReadFile(Backup("Kestrix.bas")));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(TemplateViewsTest, AMissingLocalTemplateIsReportedAndStopsTheLoad) {
  std::filesystem::remove(Live("LocalHandler.txt"));
  window_.Show();
  EXPECT_EQ(dialogs_.shown,
            std::vector<std::string>{"Kestrix: Unable to read file " + Live("LocalHandler.txt")});
  EXPECT_EQ(dialogs_.icons, std::vector<host::MsgIcon>{host::MsgIcon::kCritical});
  EXPECT_TRUE(View("Text2").toPlainText().isEmpty());  // not read after the failure
  EXPECT_TRUE(window_.IsLoaded());                     // the load goes on
}

TEST_F(TemplateViewsTest, FailedSaveAndRestoreAreReported) {
  window_.Show();
  // A folder where the live file should be: it can be neither written nor replaced.
  std::filesystem::remove(Live("LocalHandler.txt"));
  std::filesystem::create_directory(Live("LocalHandler.txt"));
  PressInEditor("Save");
  Button("Command1_0").click();
  // Then the view is read again from what is there (a folder: which may fail too).
  ASSERT_GE(dialogs_.shown.size(), 1u);
  EXPECT_TRUE(dialogs_.shown[0].starts_with("Kestrix: Unable to save " + Live("LocalHandler.txt")))
      << dialogs_.shown[0];

  dialogs_.shown.clear();
  std::filesystem::remove(Backup("Kestrix.bas"));
  Button("Command1_3").click();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_TRUE(dialogs_.shown[0].starts_with("Kestrix: Unable to restore the original of " +
                                            Live("Kestrix.bas")))
      << dialogs_.shown[0];
  EXPECT_TRUE(View("Text2").toPlainText().contains("KestrixErrorHandler"));  // as the file is
}

}  // namespace
}  // namespace kestrix::ui
