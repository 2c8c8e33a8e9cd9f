#include "templates/template_files.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace kestrix::templates {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr TemplateWhich kBoth[] = {TemplateWhich::kLocal, TemplateWhich::kGlobal};

// The files that ship in config/ are the ones the paths name.
TEST(TemplateFilesTest, PathsNameTheShippedTemplates) {
  for (TemplateWhich which : kBoth) {
    std::string live = LiveTemplatePath(which, testing::SourceDir());
    std::string backup = BackupTemplatePath(which, testing::SourceDir());
    ASSERT_TRUE(ReadTemplate(live).has_value()) << live;
    EXPECT_EQ(ReadTemplate(backup), ReadTemplate(live)) << backup;
  }
}

TEST(TemplateFilesTest, ReadsWholeFilesAsBytes) {
  TempDir dir;
  std::string bytes("a\r\n\0\xff\r\nb", 8);
  EXPECT_EQ(ReadTemplate(dir.Write("t.txt", bytes)), bytes);
  EXPECT_EQ(ReadTemplate(dir.Write("empty.txt", "")), "");
  EXPECT_EQ(ReadTemplate(dir.Path("missing.txt")), std::nullopt);
  EXPECT_EQ(ReadTemplate(dir.path()), std::nullopt);
}

// One final CR LF, never a second: saving what was read leaves the file as it was.
TEST(TemplateFilesTest, SaveEndsWithOneLineEnd) {
  const std::pair<std::string, std::string> cases[] = {
      {"x = 1", "x = 1\r\n"},
      {"x = 1\r\n", "x = 1\r\n"},
      {"x = 1\r\n\r\n", "x = 1\r\n\r\n"},
      {"", "\r\n"},
  };
  TempDir dir;
  std::string path = dir.Path("t.txt");
  for (const auto& [text, file] : cases) {
    std::string error;
    ASSERT_TRUE(SaveTemplate(path, text, error)) << error;
    EXPECT_EQ(ReadFile(path), file);
    ASSERT_TRUE(SaveTemplate(path, ReadFile(path), error)) << error;
    EXPECT_EQ(ReadFile(path), file) << "saved again";
  }
}

TEST(TemplateFilesTest, SaveReportsWhatItCouldNotWrite) {
  TempDir dir;
  std::string error;
  std::string nowhere = dir.Path("no/such/folder/t.txt");
  EXPECT_FALSE(SaveTemplate(nowhere, "x", error));
  EXPECT_NE(error.find(nowhere), std::string::npos) << error;

  std::string locked = dir.Write("locked.txt", "old\r\n");
  ASSERT_TRUE(testing::SetMode(locked, 0444));
  error.clear();
  EXPECT_FALSE(SaveTemplate(locked, "new", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(locked), "old\r\n");
}

TEST(TemplateFilesTest, RestoreCopiesTheBackupExactly) {
  TempDir dir;
  std::string original("' original\r\n\xe9\0no final line end", 31);
  dir.Write("config/Backup/LocalHandler.txt", original);
  dir.Write("config/LocalHandler.txt", "edited\r\n");
  dir.Write("config/Kestrix.bas", "global edited\r\n");
  std::string error;
  ASSERT_TRUE(RestoreOriginal(TemplateWhich::kLocal, dir.path(), error)) << error;
  EXPECT_EQ(ReadFile(dir.Path("config/LocalHandler.txt")), original);
  EXPECT_EQ(ReadFile(dir.Path("config/Backup/LocalHandler.txt")), original);
  EXPECT_EQ(ReadFile(dir.Path("config/Kestrix.bas")), "global edited\r\n");
}

TEST(TemplateFilesTest, RestoreWithoutBackupKeepsTheLiveFile) {
  TempDir dir;
  dir.Write("config/Kestrix.bas", "global edited\r\n");
  std::string error;
  EXPECT_FALSE(RestoreOriginal(TemplateWhich::kGlobal, dir.path(), error));
  EXPECT_NE(error.find(BackupTemplatePath(TemplateWhich::kGlobal, dir.path())), std::string::npos)
      << error;
  EXPECT_EQ(ReadFile(dir.Path("config/Kestrix.bas")), "global edited\r\n");

  // A live file that went missing comes back.
  dir.Write("config/Backup/LocalHandler.txt", "handler\r\n");
  ASSERT_TRUE(RestoreOriginal(TemplateWhich::kLocal, dir.path(), error)) << error;
  EXPECT_EQ(ReadFile(dir.Path("config/LocalHandler.txt")), "handler\r\n");
}

}  // namespace
}  // namespace kestrix::templates
