#include "frontends/desktop/host_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/desktop_test_support.h"
#include "frontends/desktop/project_explorer.h"
#include "frontends/desktop/prompts.h"
#include "frontends/desktop/recent_files.h"
#include "support/fakes.h"

namespace kestrix::desktop {
namespace {

using kestrix::testing::ReadFile;

std::string Dump(const QTreeWidgetItem* item, int depth = 0) {
  std::string out =
      std::string(static_cast<size_t>(depth) * 2, ' ') + item->text(0).toStdString() + "\n";
  for (int i = 0; i < item->childCount(); ++i)
    out += Dump(item->child(i), depth + 1);
  return out;
}

class HostWindowTest : public testing::HostFixture {
 protected:
  HostWindow& Open() {
    group_ = testing::CopyShop(work_);
    HostWindow& window = MakeWindow();
    window.Start(group_);
    testing::ProcessEvents();
    return window;
  }

  host::Component& Component(int project, const std::string& name) {
    return kestrix::testing::ComponentNamed(window_->ide().Item(project), name);
  }
  QTreeWidgetItem* ItemOf(const host::Component& component) {
    return window_->explorer().ItemOf(component);
  }
  void DoubleClick(const host::Component& component) {
    emit window_->explorer().itemDoubleClicked(ItemOf(component), 0);
  }

  std::string group_;
};

TEST_F(HostWindowTest, ExplorerShowsTheGroup) {
  HostWindow& window = Open();
  ASSERT_EQ(window.explorer().topLevelItemCount(), 1);
  EXPECT_EQ(Dump(window.explorer().topLevelItem(0)),
            "Shop (Shop.vbg)\n"
            "  Shop (Shop.vbp)\n"
            "    Forms\n"
            "      frmMain (frmMain.frm)\n"
            "      frmOrder (frmOrder.frm)\n"
            "    Modules\n"
            "      modShop (modShop.bas)\n"
            "      modUtil (modUtil.bas)\n"
            "    Class Modules\n"
            "      clsLog (clsLog.cls)\n"
            "    User Controls\n"
            "      PriceBox (PriceBox.ctl)\n"
            "  ShopLib (ShopLib.vbp)\n"
            "    Modules\n"
            "      modLib (modLib.bas)\n"
            "      modCommon (Common.bas)\n"
            "    Class Modules\n"
            "      Customer (Customer.cls)\n"
            "      OrderLine (OrderLine.cls)\n"
            "      Order (Order.cls)\n"
            "      OrderBook (OrderBook.cls)\n");
  EXPECT_EQ(window.windowTitle(), "Kestrix IDE - Shop[*]");
  EXPECT_FALSE(window.isWindowModified());
  EXPECT_EQ(window.ide().ActiveVBProject()->Name(), "Shop");
  EXPECT_EQ(window.save_action()->text(), "&Save Project Group");
  EXPECT_EQ(RecentFiles(settings_).List(), std::vector<std::string>{group_});
}

// A name wider than the pane is not cut short: the pane scrolls sideways to it.
TEST_F(HostWindowTest, ExplorerScrollsSidewaysToLongNames) {
  HostWindow& window = Open();
  ProjectExplorer& explorer = window.explorer();
  explorer.topLevelItem(0)->setText(0, QString(200, 'W'));
  explorer.setFixedWidth(120);
  testing::ProcessEvents();
  EXPECT_GT(explorer.header()->sectionSize(0), explorer.viewport()->width());
  EXPECT_GT(explorer.horizontalScrollBar()->maximum(), 0);
}

// The question on closing answers Alt+S, Alt+D and Alt+C.
TEST(QtPromptsTest, TheSaveQuestionsButtonsHaveAccelerators) {
  testing::ProcessEvents();
  QStringList texts;
  QTimer::singleShot(0, [&texts] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* button : box->buttons())
      texts << button->text();
    box->button(QMessageBox::Cancel)->click();
  });
  QtPrompts prompts;
  EXPECT_EQ(prompts.AskSaveChanges(nullptr, "Save changes to Shop?"), SaveAnswer::kCancel);
  texts.sort();
  EXPECT_EQ(texts.join("|").toStdString(), "&Cancel|&Don't Save|&Save");
}

TEST_F(HostWindowTest, TypingInACodeWindowChangesTheModuleUntilSaved) {
  HostWindow& window = Open();
  host::Component& util = Component(1, "modUtil");
  host::CodeModule& code = *util.GetCodeModule();
  DoubleClick(util);
  CodeEditor* editor = window.CodeWindowOf(util);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->ShownText(), code.Lines(1, code.CountOfLines()));
  EXPECT_EQ(&window.ide().ActiveCodePane().GetCodeModule(), &code);

  editor->moveCursor(QTextCursor::Start);
  QTest::keyClicks(editor, "' Till helpers");
  QTest::keyClick(editor, Qt::Key_Return);
  testing::ProcessEvents();
  EXPECT_EQ(code.Lines(1, 2), "' Till helpers\r\nOption Explicit");
  EXPECT_EQ(editor->ShownText(), code.Lines(1, code.CountOfLines()));
  EXPECT_EQ(ItemOf(util)->text(0), "modUtil (modUtil.bas) *");
  EXPECT_TRUE(window.isWindowModified());

  std::string app_project = ReadFile(window.ide().Item(1).FileName());
  EXPECT_TRUE(window.SaveProject());
  EXPECT_NE(
      ReadFile(util.FileNames(1)).find("Attribute VB_Name = \"modUtil\"\r\n' Till helpers\r\n"),
      std::string::npos);
  EXPECT_EQ(ReadFile(window.ide().Item(1).FileName()), app_project);  // nothing new in it
  EXPECT_FALSE(util.IsDirty());
  EXPECT_EQ(ItemOf(util)->text(0), "modUtil (modUtil.bas)");
  EXPECT_FALSE(window.isWindowModified());
}

TEST_F(HostWindowTest, ActiveProjectAndCodePaneFollowTheUser) {
  HostWindow& window = Open();
  host::Component& customer = Component(2, "Customer");
  window.explorer().setCurrentItem(ItemOf(customer));
  EXPECT_EQ(window.ide().ActiveVBProject(), &window.ide().Item(2));

  DoubleClick(customer);
  DoubleClick(Component(1, "modShop"));
  EXPECT_EQ(&window.ide().ActiveCodePane().GetCodeModule(),
            Component(1, "modShop").GetCodeModule());
  window.code_area().setActiveSubWindow(
      qobject_cast<QMdiSubWindow*>(window.CodeWindowOf(customer)->parentWidget()));
  EXPECT_EQ(&window.ide().ActiveCodePane().GetCodeModule(), customer.GetCodeModule());

  customer.GetCodeModule()->InsertLines(1, "' changed");
  window.RefreshState();
  window.code_area().closeAllSubWindows();
  testing::ProcessEvents();
  EXPECT_TRUE(window.isWindowModified());  // closing windows saves nothing
  EXPECT_EQ(kestrix::testing::IdeErrorOf([&] { window.ide().ActiveCodePane(); }).Number(),
            host::kErrNoActiveCodePane);
}

TEST_F(HostWindowTest, ChangesByAddInsShowInWindowAndExplorer) {
  HostWindow& window = Open();
  host::Component& util = Component(1, "modUtil");
  DoubleClick(util);
  util.GetCodeModule()->InsertLines(1, "' inserted");
  window.RefreshState();
  EXPECT_TRUE(window.CodeWindowOf(util)->ShownText().starts_with("' inserted\r\n"));
  EXPECT_EQ(ItemOf(util)->text(0), "modUtil (modUtil.bas) *");

  // A component removed while its window is open takes the window with it.
  window.ide().Item(1).VBComponents().Remove(util);
  testing::ProcessEvents();
  EXPECT_TRUE(window.code_area().subWindowList().isEmpty());
  EXPECT_EQ(window.explorer().findItems("modUtil", Qt::MatchStartsWith | Qt::MatchRecursive).size(),
            0);
  EXPECT_THROW(window.ide().ActiveCodePane(), host::IdeError);
  EXPECT_TRUE(window.ide().Item(1).IsDirty());
  EXPECT_TRUE(window.isWindowModified());
}

TEST_F(HostWindowTest, SaveAsMovesTheProjectAndTheGroupFollows) {
  HostWindow& window = Open();
  window.explorer().setCurrentItem(window.explorer().ItemOf(window.ide().Item(2)));
  std::string moved = work_.Path("Shop/Lib2/ShopLib2.vbp");
  std::filesystem::create_directories(work_.Path("Shop/Lib2"));
  prompts_.path_answer = QString::fromStdString(work_.Path("Shop/Lib2/ShopLib2"));
  EXPECT_TRUE(window.SaveProjectAs());
  EXPECT_TRUE(prompts_.errors.empty());
  EXPECT_EQ(window.ide().Item(2).FileName(), moved);
  EXPECT_NE(ReadFile(moved).find("Module=modCommon; ..\\Shared\\Common.bas\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(group_),
            "VBGROUP 5.0\r\nStartupProject=App\\Shop.vbp\r\nProject=Lib2\\ShopLib2.vbp\r\n");
  EXPECT_TRUE(window.OpenProject(group_));
  EXPECT_EQ(window.ide().Item(2).FileName(), moved);
}

TEST_F(HostWindowTest, OpeningAsksAboutChangesAndReportsFailures) {
  HostWindow& window = Open();
  Component(1, "modShop").GetCodeModule()->InsertLines(1, "' changed");
  prompts_.save_answer = SaveAnswer::kCancel;
  EXPECT_FALSE(window.OpenProject(group_));
  EXPECT_TRUE(Component(1, "modShop").IsDirty());  // still the same projects

  prompts_.save_answer = SaveAnswer::kDiscard;
  EXPECT_FALSE(window.OpenProject(work_.Path("missing.vbp")));
  ASSERT_EQ(prompts_.errors.size(), 1u);
  EXPECT_TRUE(prompts_.errors[0].contains("missing.vbp"));
  EXPECT_EQ(window.ide().Count(), 2);  // a failed open changes nothing

  prompts_.save_answer = SaveAnswer::kSave;
  EXPECT_TRUE(window.CloseProject());
  EXPECT_EQ(window.ide().Count(), 0);
  EXPECT_EQ(window.windowTitle(), "Kestrix IDE[*]");
  EXPECT_EQ(window.explorer().topLevelItemCount(), 0);
  EXPECT_NE(ReadFile(work_.Path("Shop/App/Modules/modShop.bas")).find("' changed"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrix::desktop
