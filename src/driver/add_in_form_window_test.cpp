// The main window's rules without the window: stored settings that no longer fit, and the
// scope groups in step.

#include "driver/driver_test_support.h"

namespace kestrix::driver {
namespace {

using WindowTest = RunCommandTest;

TEST_F(WindowTest, StoredValuesThatNoLongerFit) {
  settings_.SaveSetting("Kestrix", "Settings", "BuildPath", dir_.Path("gone"));
  settings_.SaveSetting("Kestrix", "Settings", "AppendProjectName", "maybe");
  form_.Load();
  EXPECT_EQ(form_.options().Dir1, testing::SourceDir());
  EXPECT_EQ(form_.options().Check4, 0);
  form_.Unload();
  EXPECT_EQ(settings_.GetSetting("Kestrix", "Settings", "BuildPath"), testing::SourceDir());
}

// The Actions and Clean tabs' scope groups are one choice; a single module cannot be built.
TEST_F(WindowTest, ScopeGroupsStayInStep) {
  form_.Option2Click(2);  // "Active Module" on the Clean tab
  EXPECT_EQ(form_.options().Option1, 2);
  EXPECT_FALSE(form_.look().Check2Enabled);
  EXPECT_FALSE(form_.look().Check5ModulesEnabled);
  form_.Option1Click(0);  // "Group of projects" on the Actions tab
  EXPECT_EQ(form_.options().Option2, 0);
  EXPECT_TRUE(form_.look().Check2Enabled);
  EXPECT_TRUE(form_.look().Check5ModulesEnabled);
}

}  // namespace
}  // namespace kestrix::driver
