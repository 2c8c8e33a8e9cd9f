#include "frontends/desktop/host_window.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QTest>
#include <filesystem>

#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/desktop_test_support.h"
#include "frontends/desktop/project_explorer.h"
#include "frontends/desktop/prompts.h"
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

// A component an add-in removes while its window is open takes the window with it.
TEST_F(HostWindowTest, ComponentRemovedByAnAddInTakesItsWindow) {
  HostWindow& window = Open();
  host::Component& util = Component(1, "modUtil");
  DoubleClick(util);
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
