#include "platform/system/profile_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "support/test_support.h"

namespace kestrix::system {
namespace {

using testing::Crlf;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

// As the IDE leaves it: other add-ins, a comment, a second section.
constexpr const char* kAddInList =
    "[Add-Ins32]|VBSDIAddIn.Connect=0|AppWizard.Wizard=1|; added by hand||[Other]|x=1";

class ProfileFilesTest : public ::testing::Test {
 protected:
  std::string ListPath() const {
    return dir_.Path(std::string(testing::kConfigFolderName) + "/vbaddin.ini");
  }
  std::string WriteList(const std::string& bar_separated) const {
    return dir_.Write("kestrix/vbaddin.ini", Crlf(bar_separated));
  }

  TempDir dir_;
  ScopedEnv xdg_{testing::kConfigHomeVariable, dir_.path().c_str()};
  IniProfileFiles profiles_;
};

TEST_F(ProfileFilesTest, GetIntReadsLeadingDigits) {
  const std::pair<std::string, int32_t> cases[] = {
      {" 1 ", 1},
      {"-3", -3},
      {"+4", 4},
      {"1abc", 1},
      {"abc", 0},
      {"-", 0},
      {"\"5\"", 5},
      {"", 7},  // empty: the default
      {"99999999999", std::numeric_limits<int32_t>::max()},
      {"-99999999999", std::numeric_limits<int32_t>::min()},
  };
  for (const auto& [text, expected] : cases) {
    WriteList("[Add-Ins32]|Kestrix.Connect=" + text);
    EXPECT_EQ(profiles_.GetInt("add-ins32", "KESTRIX.CONNECT", 7, "vbaddin.ini"), expected) << text;
  }
}

TEST_F(ProfileFilesTest, WriteThenDeleteGivesBackTheFile) {
  WriteList(kAddInList);
  EXPECT_TRUE(profiles_.WriteString("Add-Ins32", "Kestrix.Connect", "1", "vbaddin.ini"));
  EXPECT_EQ(ReadFile(ListPath()),
            Crlf("[Add-Ins32]|VBSDIAddIn.Connect=0|AppWizard.Wizard=1|Kestrix.Connect=1|"
                 "; added by hand||[Other]|x=1"));
  EXPECT_TRUE(profiles_.WriteString("ADD-INS32", "kestrix.connect", std::nullopt, "vbaddin.ini"));
  EXPECT_EQ(ReadFile(ListPath()), Crlf(kAddInList));
  // Deleting what is not there writes nothing and succeeds.
  EXPECT_TRUE(profiles_.WriteString("Add-Ins32", "Kestrix.Connect", std::nullopt, "vbaddin.ini"));
  EXPECT_TRUE(profiles_.WriteString("Add-Ins32", "Kestrix.Connect", std::nullopt, "none.ini"));
  EXPECT_FALSE(testing::FileExists(dir_.Path("kestrix/none.ini")));
}

TEST_F(ProfileFilesTest, RefusesWhatWouldCorruptTheFile) {
  WriteList(kAddInList);
  EXPECT_FALSE(profiles_.WriteString("Add-Ins32", "Kestrix.Connect", "1\r\n[Evil]", "vbaddin.ini"));
  EXPECT_FALSE(profiles_.WriteString("Add-Ins32", "a=b", "1", "vbaddin.ini"));
  EXPECT_FALSE(profiles_.WriteString("Add]Ins", "k", "1", "vbaddin.ini"));
  EXPECT_EQ(ReadFile(ListPath()), Crlf(kAddInList));
}

TEST_F(ProfileFilesTest, ReportsFilesThatCannotBeWritten) {
  WriteList(kAddInList);
  ASSERT_TRUE(testing::SetMode(ListPath(), 0444));
  EXPECT_FALSE(profiles_.WriteString("Add-Ins32", "Kestrix.Connect", "1", "vbaddin.ini"));
  EXPECT_FALSE(profiles_.WriteString("Add-Ins32", "AppWizard.Wizard", std::nullopt, "vbaddin.ini"));
  EXPECT_EQ(ReadFile(ListPath()), Crlf(kAddInList));
  // A folder given with the name is not created.
  EXPECT_FALSE(profiles_.WriteString("S", "k", "1", dir_.Path("missing/x.ini")));
}

TEST_F(ProfileFilesTest, LinkedFileStaysALink) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links on Windows need a privilege that users rarely hold";
#else
  std::string target = dir_.Write("dotfiles/vbaddin.ini", Crlf(kAddInList));
  std::filesystem::create_directory(dir_.Path("kestrix"));
  std::filesystem::create_symlink(target, ListPath());
  EXPECT_TRUE(profiles_.WriteString("Other", "x", "2", "vbaddin.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(ListPath()));
  EXPECT_EQ(profiles_.GetInt("Other", "x", 0, "vbaddin.ini"), 2);
#endif
}

// The first write makes the folder and the file; a name with a folder is a path.
TEST_F(ProfileFilesTest, FirstWriteCreatesFolderAndFileAndANameWithFolderIsAPath) {
  EXPECT_TRUE(profiles_.WriteString("Add-Ins32", "Kestrix.Connect", "1", "vbaddin.ini"));
  EXPECT_EQ(ReadFile(ListPath()), Crlf("[Add-Ins32]|Kestrix.Connect=1"));
  std::string path = dir_.Path("elsewhere.ini");
  EXPECT_TRUE(profiles_.WriteString("S", "k", "12", path));
  EXPECT_EQ(profiles_.GetInt("s", "K", 0, path), 12);
  EXPECT_EQ(ReadFile(path), Crlf("[S]|k=12"));
}

#ifdef _WIN32
// The system's profile functions, on a file named with its folder; a bare name lies in the
// Windows folder, where the IDE reads its add-in list.
TEST(SystemProfileFilesTest, WritesReadsAndDeletesKeys) {
  TempDir dir;
  std::string list = dir.Write("vbaddin.ini", Crlf(kAddInList));
  SystemProfileFiles profiles;
  EXPECT_EQ(profiles.GetInt("Add-Ins32", "AppWizard.Wizard", -1, list), 1);
  EXPECT_EQ(profiles.GetInt("add-ins32", "kestrix.connect", -1, list), -1);
  EXPECT_TRUE(profiles.WriteString("Add-Ins32", "Kestrix.Connect", "1", list));
  EXPECT_EQ(profiles.GetInt("Add-Ins32", "Kestrix.Connect", -1, list), 1);
  EXPECT_TRUE(profiles.WriteString("Add-Ins32", "Kestrix.Connect", std::nullopt, list));
  EXPECT_EQ(profiles.GetInt("Add-Ins32", "Kestrix.Connect", -1, list), -1);
  EXPECT_EQ(profiles.GetInt("Add-Ins32", "AppWizard.Wizard", -1, list), 1);
  EXPECT_FALSE(profiles.WriteString("Add-Ins32", "Kestrix.Connect", "1\r\nX=2", list));
  EXPECT_EQ(profiles.FilePath(list), list);
  std::string bare = profiles.FilePath("vbaddin.ini");
  EXPECT_EQ(bare.substr(bare.size() - 12), "/vbaddin.ini");
  EXPECT_NE(bare.find(":/"), std::string::npos) << bare;
}
#endif

}  // namespace
}  // namespace kestrix::system
