#include "platform/system/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/test_support.h"

namespace kestrix::system {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

// Waits for a file that a detached program writes.
bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    if (testing::FileExists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class DesktopShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Windows opens documents through the user's file associations, which a "
                    "test cannot point at a stand-in";
#endif
  }

  // A stand-in for xdg-open that writes its argument to "opened" beside itself.
  void InstallOpener() {
    dir_.WriteScript("bin/xdg-open",
                     "here=$(dirname \"$0\")\n"
                     "printf '%s' \"$1\" > \"$here/opened.tmp\" && mv \"$here/opened.tmp\" "
                     "\"$here/opened\"\n");
  }

  TempDir dir_;
  ScopedEnv path_{"PATH", (dir_.Path("bin") + ":/usr/bin:/bin").c_str()};
  ScopedEnv display_{"DISPLAY", ":99"};
  ScopedEnv wayland_{"WAYLAND_DISPLAY", nullptr};
  DesktopShell shell_;
};

TEST_F(DesktopShellTest, OpensWithTheDesktopsProgram) {
  InstallOpener();
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/Kestrix/Read Me.txt", "/opt/Kestrix/Read Me.txt"},
      {"-rf.txt", "./-rf.txt"},  // never an option
      {"https://example.org/a?b=c&d", "https://example.org/a?b=c&d"},
  };
  for (const auto& [target, argument] : cases) {
    std::remove(dir_.Path("bin/opened").c_str());
    EXPECT_TRUE(shell_.OpenDocument(target)) << target;
    ASSERT_TRUE(WaitForFile(dir_.Path("bin/opened"))) << target;
    EXPECT_EQ(testing::ReadFile(dir_.Path("bin/opened")), argument);
  }
}

TEST_F(DesktopShellTest, FalseWithoutDesktopOrProgram) {
  {
    ScopedEnv no_program("PATH", dir_.Path("none").c_str());
    EXPECT_FALSE(shell_.OpenDocument("/tmp/x.txt"));
  }
  InstallOpener();
  {
    ScopedEnv no_display("DISPLAY", "");
    EXPECT_FALSE(DisplayAvailable());
    EXPECT_FALSE(shell_.OpenDocument("/tmp/x.txt"));
    ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(DisplayAvailable());
  }
  EXPECT_FALSE(shell_.OpenDocument(""));
  EXPECT_FALSE(testing::FileExists(dir_.Path("bin/opened")));
}

}  // namespace
}  // namespace kestrix::system
