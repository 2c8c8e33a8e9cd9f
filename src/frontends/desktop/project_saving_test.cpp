#include "frontends/desktop/project_saving.h"

#include <gtest/gtest.h>

#include "frontends/desktop/recent_files.h"
#include "platform/system/settings_store.h"
#include "support/test_support.h"

namespace kestrix::desktop {
namespace {

using kestrix::testing::TempDir;

TEST(RecentFilesTest, LatestFirstWithoutRepeatsAtMostEight) {
  TempDir dir;
  system::FileSettingsStore store(dir.path());
  RecentFiles recent(store);
  for (int i = 1; i <= 9; ++i)
    recent.Add("/p/" + std::to_string(i) + ".vbp");
  recent.Add("/p/5.vbp");
  EXPECT_EQ(recent.List(),
            (std::vector<std::string>{"/p/5.vbp", "/p/9.vbp", "/p/8.vbp", "/p/7.vbp", "/p/6.vbp",
                                      "/p/4.vbp", "/p/3.vbp", "/p/2.vbp"}));
  EXPECT_EQ(store.GetSetting("Kestrix IDE", "Recent", "1"), "/p/5.vbp");
  recent.Remove("/p/9.vbp");
  EXPECT_EQ(recent.List().size(), 7u);
  EXPECT_EQ(store.GetSetting("Kestrix IDE", "Recent", "8"), "");

  // A list written by hand, with gaps and a repeat, reads cleanly.
  TempDir other;
  system::FileSettingsStore hand(other.path());
  hand.SaveSetting("Kestrix IDE", "Recent", "3", "/a.vbg");
  hand.SaveSetting("Kestrix IDE", "Recent", "5", "/a.vbg");
  hand.SaveSetting("Kestrix IDE", "Recent", "6", "/b.vbp");
  EXPECT_EQ(RecentFiles(hand).List(), (std::vector<std::string>{"/a.vbg", "/b.vbp"}));
}

}  // namespace
}  // namespace kestrix::desktop
