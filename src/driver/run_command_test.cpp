// The build and clean commands over the example projects: real files in a temporary
// folder, the real settings store (under a temporary XDG_CONFIG_HOME), message boxes
// answered from a script.

#include "driver/driver_test_support.h"
#include "driver/report_modules.h"

namespace kestrix::driver {
namespace {

using testing::ReadFile;

TEST_F(RunCommandTest, NotConnected) {
  form_.Connect = nullptr;
  for (int32_t mode : {0, 1})
    form_.RunCommand(mode);
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>(2, "Kestrix: Addin not connected to IDE!!"));
  EXPECT_FALSE(progress_.Loaded());
}

TEST_F(RunCommandTest, ActiveModuleScope) {
  form_.options().Option1 = 2;
  form_.RunCommand(0);  // no code window is active
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>{"Kestrix: There isn't an active module."});
  EXPECT_FALSE(progress_.Loaded());

  host::Component& util = Component(Shop(), "modUtil");
  std::string original = Code(util);
  ide_.SetActiveCodePane(&util);
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Done.");
  EXPECT_NE(Code(util).find("KestrixLocalHandler"), std::string::npos);
  EXPECT_EQ(Code(Component(Shop(), "modShop")).find("KestrixLocalHandler"), std::string::npos);
  // The report modules come in, with no build number, and no file of their own.
  host::Component& module = Component(Shop(), "KestrixErrorHandler");
  EXPECT_EQ(module.GetCodeModule()->Lines(1, 1), "Private Const BUILDNUMBER=\"N/A\"");
  EXPECT_EQ(module.FileNames(1), "");
  EXPECT_TRUE(ComponentExists(Shop(), "kestrix", host::ComponentType::kVBForm));

  form_.RunCommand(1);  // cleaning the module leaves the added modules
  EXPECT_EQ(Code(util), original);
  EXPECT_TRUE(ComponentExists(Shop(), "kestrix", host::ComponentType::kStdModule));
}

TEST_F(RunCommandTest, MissingTemplateStopsBuildsButNotCleans) {
  SourceShell empty(dir_.Path("nowhere"));
  frmAddIn form({settings_, dialogs_, empty, progress_, {}});
  form.vbinstance = &ide_;
  form.Connect = &connection_;
  form.RunCommand(0);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0],
            "Kestrix: Unable to read file " + dir_.Path("nowhere") + "/config/LocalHandler.txt");
  EXPECT_FALSE(progress_.Loaded());
  form.RunCommand(1);
  EXPECT_EQ(progress_.Caption(), "Project Shop CLEANED.");
}

TEST_F(RunCommandTest, ProjectWithoutBuildFolderStaysInMemory) {
  form_.options().Check2 = 0;
  std::string before = ReadFile(Component(Shop(), "modShop").FileNames(1));
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "OK.");
  EXPECT_TRUE(Component(Shop(), "modShop").IsDirty());
  EXPECT_EQ(ReadFile(Component(Shop(), "modShop").FileNames(1)), before);
  EXPECT_EQ(Component(Shop(), "KestrixErrorHandler").GetCodeModule()->Lines(1, 1),
            "Private Const BUILDNUMBER=\"1\"");
  // The number is counted up only by a build into a folder.
  EXPECT_EQ(settings_.GetSetting("Kestrix", "BuildNumbers", "Shop"), "");
  // A second build finds unsaved modules and refuses, naming the first.
  progress_.Unload();
  dialogs_.shown.clear();
  form_.RunCommand(0);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0],
            "Project Shop: frmMain is not saved.\nSave all modules before building the project.");
  EXPECT_EQ(Notes(), "Skipped (Unsaved modules)");
}

TEST_F(RunCommandTest, ProgrammerDetailsBecomeValidLiterals) {
  settings_.SaveSetting("Kestrix", "Settings", "Programmer", "Ann \"The Fixer\" Lee");
  settings_.SaveSetting("Kestrix", "Settings", "Email", "ann@example.com\r\nBcc: x");
  bool ok = false;
  form_.AddErrorReportModules(Shop(), 7, ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Code(Component(Shop(), "frmKestrixReport")).substr(0, 90),
            std::string("Private Const YourEmailAddr=\"ann@example.com Bcc: x\"\r\n"
                        "Private Const YourName=\"Ann \"\"The Fixer\"\" Lee\"")
                .substr(0, 90));
  // A second call adds nothing; a module named in lower case counts.
  int32_t count = Shop().VBComponents().Count();
  form_.AddErrorReportModules(Shop(), 8, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Shop().VBComponents().Count(), count);
  form_.RemoveAddedComponents(Shop());
  EXPECT_EQ(Shop().VBComponents().Count(), count - 2);
}

TEST_F(RunCommandTest, GroupScopeCleansEveryProjectInOrder) {
  form_.options().Option1 = 0;
  form_.RunCommand(1);
  EXPECT_EQ(progress_.Caption(), "Project ShopLib CLEANED.");
  EXPECT_EQ(progress_.Rows().front().project, "Shop");
  EXPECT_EQ(progress_.Rows().back().project, "ShopLib");
  EXPECT_TRUE(progress_.Visible());
}

}  // namespace
}  // namespace kestrix::driver
