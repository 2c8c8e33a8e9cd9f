// The status window's list and the compiler command dialog.

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeView>

#include "driver/status_model.h"
#include "frontends/qt/compiler_dialog.h"
#include "frontends/qt/progress_window.h"
#include "frontends/qt/ui_test_support.h"
#include "platform/system/settings_store.h"

namespace kestrix::ui {
namespace {

void ProcessEventsFor(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

host::StatusRow Row(const std::string& member, const std::string& notes) {
  return {"LibAccounts", "modLedger", member, "12", notes};
}

QString Cell(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole) {
  return model.data(model.index(row, column), role).toString();
}

// A command adds a row per procedure: the list takes them in batches on the next turn of the
// event loop, not one layout each, and shows them all in the end.
TEST(StatusWindowTest, RowsArriveInBatches) {
  driver::StatusModel status;
  ProgressWindow window(status);
  status.SetProgressMax(host::StatusOutput::kLinesBar, 2000);
  for (int i = 0; i < 2000; ++i) {
    status.SetText(host::StatusOutput::kItemField, "Proc" + std::to_string(i));
    status.SetProgressValue(host::StatusOutput::kLinesBar, i + 1);
    status.AddRow(Row("Proc" + std::to_string(i), ""));
  }
  auto& item = Child<QLineEdit>(window, "Text1_2");
  auto& bar = Child<QProgressBar>(window, "ProgressBar1_1");
  EXPECT_EQ(window.rows()->model()->rowCount(), 0);
  EXPECT_EQ(item.text(), "");
  ProcessEventsFor(100);
  ASSERT_EQ(window.rows()->model()->rowCount(), 2000);
  EXPECT_EQ(item.text(), "Proc1999");
  EXPECT_EQ(bar.value(), 2000);
  EXPECT_EQ(Cell(*window.rows()->model(), 1999, 2), "Proc1999");
  // The outcome's caption brings the rows with it at once.
  status.AddRow(Row("Last", ""));
  status.SetCaption("Project Bench BUILD 1 OK!!!");
  EXPECT_EQ(window.rows()->model()->rowCount(), 2001);
  status.Unload();
  EXPECT_EQ(window.rows()->model()->rowCount(), 0);
}

class CompilerDialogTest : public ::testing::Test {
 protected:
  CompilerDialogTest() : settings_(dir_.Path("settings")) {}

  std::string Stored() { return settings_.GetSetting("Kestrix", "Settings", "Compiler", "<none>"); }

  testing::TempDir dir_;
  system::FileSettingsStore settings_;
  ScriptedDialogs dialogs_;
};

// What OK does with what was typed: stored as typed, or refused as `config` refuses it.
TEST_F(CompilerDialogTest, OkStoresACommandThatSplitsAndRefusesAnUnclosedQuote) {
  struct Case {
    const char* typed;
    bool stored;
  } cases[] = {
      {R"(wine "C:\VB98\VB6.EXE" /make "{project_win}" /outdir "{outdir_win}")", true},
      {"", true},  // no compiler: builds are checked only
      {"vb6 'C:\\My Projects\\", false},
      {R"(vb6 "/make {project_win})", false},
  };
  for (const Case& c : cases) {
    settings_.SaveSetting("Kestrix", "Settings", "Compiler", "before");
    dialogs_.shown.clear();
    CompilerDialog dialog(settings_, dialogs_);
    EXPECT_EQ(dialog.command()->text(), "before") << c.typed;
    dialog.command()->setText(QString::fromUtf8(c.typed));
    dialog.accept();
    EXPECT_EQ(Stored(), c.stored ? c.typed : "before") << c.typed;
    EXPECT_EQ(dialog.result(), c.stored ? QDialog::Accepted : QDialog::Rejected) << c.typed;
    EXPECT_EQ(dialogs_.shown.size(), c.stored ? 0u : 1u) << c.typed;
  }
}

}  // namespace
}  // namespace kestrix::ui
