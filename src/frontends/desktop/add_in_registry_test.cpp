#include "frontends/desktop/add_in_registry.h"

#include <gtest/gtest.h>

#include "frontends/desktop/add_in_manager_dialog.h"
#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/desktop_test_support.h"

namespace kestrix::desktop {
namespace {

using Log = std::vector<std::string>;

class AddInsTest : public testing::HostFixture {
 protected:
  void WriteAddInList(const std::string& body) {
    config_.Write("kestrix/vbaddin.ini", "[Add-Ins32]\r\n" + body);
  }
  std::string AddInList() {
    return kestrix::testing::ReadFile(config_.Path("kestrix/vbaddin.ini"));
  }
};

TEST_F(AddInsTest, LoadOnStartupIsBitZeroOfTheListValue) {
  const std::pair<const char*, bool> cases[] = {
      {"A.Connect=1\r\n", true},  {"A.Connect=0\r\n", false},  {"A.Connect=3\r\n", true},
      {"A.Connect=2\r\n", false}, {"A.Connect=-1\r\n", false}, {"B.Connect=1\r\n", false},
  };
  RegisterRecorder("A.Connect");
  HostWindow& window = MakeWindow();
  for (const auto& [body, loads] : cases) {
    WriteAddInList(body);
    EXPECT_EQ(window.add_ins().LoadsOnStartup("A.Connect"), loads) << body;
  }
  WriteAddInList("A.Connect=3\r\n");
  EXPECT_TRUE(window.add_ins().SetLoadOnStartup("A.Connect", false));
  EXPECT_EQ(AddInList(), "[Add-Ins32]\r\nA.Connect=2\r\n");
}

TEST_F(AddInsTest, ManagerChoicesLoadUnloadAndWriteTheList) {
  WriteAddInList("A.Connect=1\r\nC.Connect=3\r\n");
  RegisterRecorder("A.Connect");
  RegisterRecorder("B.Connect");
  RegisterRecorder("C.Connect");
  HostWindow& window = MakeWindow();
  window.add_ins().ConnectStartupAddIns();
  log_.clear();
  std::vector<AddInChoice> choices = CurrentAddInChoices(window.add_ins());
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_TRUE(choices[0].loaded && choices[0].load_on_startup);
  EXPECT_FALSE(choices[1].loaded || choices[1].load_on_startup);
  choices[0] = {"A.Connect", false, false};
  choices[1] = {"B.Connect", true, true};

  EXPECT_TRUE(ApplyAddInChoices(window.add_ins(), choices).empty());
  EXPECT_EQ(log_, (Log{"A.Connect:disconnect 1", "B.Connect:connect 0", "C.Connect:update",
                       "B.Connect:update"}));
  EXPECT_FALSE(window.add_ins().IsConnected("A.Connect"));
  EXPECT_TRUE(window.add_ins().IsConnected("B.Connect"));
  // C, left as it was, keeps its value as written.
  EXPECT_EQ(AddInList(), "[Add-Ins32]\r\nA.Connect=0\r\nC.Connect=3\r\nB.Connect=1\r\n");

  log_.clear();
  EXPECT_TRUE(ApplyAddInChoices(window.add_ins(), CurrentAddInChoices(window.add_ins())).empty());
  EXPECT_TRUE(log_.empty());  // nothing changed, nothing raised
}

TEST_F(AddInsTest, ManagerReportsAListItCannotWrite) {
  RegisterRecorder("A.Connect");
  HostWindow& window = MakeWindow();
  config_.Write("kestrix/vbaddin.ini/blocker", "");  // a folder where the file should be
  prompts_.edit_choices = [](std::vector<AddInChoice>& choices) {
    choices[0].load_on_startup = true;
  };
  window.ManageAddIns();
  ASSERT_EQ(prompts_.errors.size(), 1u);
  EXPECT_TRUE(prompts_.errors[0].contains("vbaddin.ini")) << prompts_.errors[0].toStdString();
}

TEST_F(AddInsTest, QuittingDisconnectsUnlessTheUserCancels) {
  WriteAddInList("A.Connect=1\r\nB.Connect=1\r\n");
  RegisterRecorder("A.Connect");
  RegisterRecorder("B.Connect");
  HostWindow& window = MakeWindow();
  window.Start(testing::CopyShop(work_));
  testing::ProcessEvents();
  log_.clear();

  host::CodeModule& code = *window.ide().Item(1).VBComponents().Item(3).GetCodeModule();
  code.InsertLines(1, "' changed");
  prompts_.save_answer = SaveAnswer::kCancel;
  EXPECT_FALSE(window.close());
  EXPECT_EQ(prompts_.save_questions, 1);
  EXPECT_EQ(prompts_.save_question,
            "Save changes to the following files?\n\nmodShop (modShop.bas)");
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(window.isVisible());

  prompts_.save_answer = SaveAnswer::kDiscard;
  EXPECT_TRUE(window.close());
  EXPECT_EQ(log_, (Log{"B.Connect:disconnect 0", "A.Connect:disconnect 0"}));
}

TEST_F(AddInsTest, FailingEventsAreReportedAndTheHostGoesOn) {
  WriteAddInList("A.Connect=1\r\n");
  RegisterRecorder("A.Connect", [](host::Ide& ide) { ide.ActiveCodePane(); });  // none open
  HostWindow& window = MakeWindow();
  window.Start("");
  testing::ProcessEvents();
  ASSERT_EQ(prompts_.errors.size(), 1u);
  EXPECT_TRUE(prompts_.errors[0].startsWith("A.Connect (OnConnection): "));
  EXPECT_TRUE(window.add_ins().IsConnected("A.Connect"));
  EXPECT_EQ(log_, (Log{"A.Connect:connect 1", "A.Connect:startup"}));
}

}  // namespace
}  // namespace kestrix::desktop
