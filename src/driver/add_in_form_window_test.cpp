// The main window's rules without the window: settings kept between runs, scope groups in
// step, what each choice enables. (The width per tab is checked on the window itself.)

#include "driver/driver_test_support.h"
#include "host/connect.h"

namespace kestrix::driver {
namespace {

using WindowTest = RunCommandTest;

TEST_F(WindowTest, FirstRunAndSettingsKeptBetweenRuns) {
  form_.Load();
  EXPECT_EQ(form_.options().Dir1, testing::SourceDir());  // the program's folder
  EXPECT_EQ(form_.options().Check4, 0);
  EXPECT_FALSE(form_.look().FolderListEnabled);
  EXPECT_FALSE(form_.look().PictureState);
  form_.options().Check3 = 1;
  form_.Check3Click();
  EXPECT_TRUE(form_.look().FolderListEnabled);
  form_.options().Dir1 = dir_.path();
  form_.options().Check4 = 1;
  form_.PictureClick();
  EXPECT_EQ(settings_.GetSetting("Kestrix", "Settings", "picState"), "-1");
  form_.Unload();

  frmAddIn again({settings_, dialogs_, shell_, progress_, {}});
  again.Load();
  EXPECT_EQ(again.options().Dir1, dir_.path());
  EXPECT_EQ(again.options().Check4, 1);
  EXPECT_TRUE(again.look().PictureState);
  EXPECT_EQ(again.options().Check3, 0);  // not kept: every load starts unchecked
  again.PictureClick();
  EXPECT_EQ(settings_.GetSetting("Kestrix", "Settings", "picState"), "0");
  again.Unload();
}

TEST_F(WindowTest, StoredValuesThatNoLongerFit) {
  settings_.SaveSetting("Kestrix", "Settings", "BuildPath", dir_.Path("gone"));
  settings_.SaveSetting("Kestrix", "Settings", "AppendProjectName", "maybe");
  form_.Load();
  EXPECT_EQ(form_.options().Dir1, testing::SourceDir());
  EXPECT_EQ(form_.options().Check4, 0);
  form_.Unload();
  EXPECT_EQ(settings_.GetSetting("Kestrix", "Settings", "BuildPath"), testing::SourceDir());
}

TEST_F(WindowTest, ScopeGroupsStayInStep) {
  form_.Option2Click(2);  // "Active Module" on the Clean tab
  EXPECT_EQ(form_.options().Option1, 2);
  EXPECT_FALSE(form_.look().Check2Enabled);
  EXPECT_FALSE(form_.look().Check5ModulesEnabled);
  form_.Option1Click(0);  // "Group of projects" on the Actions tab
  EXPECT_EQ(form_.options().Option2, 0);
  EXPECT_EQ(form_.look().Check2Caption, "Build Projects");
  EXPECT_TRUE(form_.look().Check2Enabled);
  EXPECT_TRUE(form_.look().Check5ModulesEnabled);
  form_.Option2Click(1);
  EXPECT_EQ(form_.look().Check2Caption, "Build Project");
}

TEST_F(WindowTest, CaptionNamesTheVersionAtFirstActivation) {
  form_.Load();
  form_.FirstActivation(1, 0);
  form_.FirstActivation(2, 5);  // later activations change nothing
  EXPECT_EQ(form_.look().Caption, "Kestrix 1.0");
  form_.Unload();
}

}  // namespace
}  // namespace kestrix::driver
