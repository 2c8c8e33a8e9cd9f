#include "platform/system/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "host/ide_error.h"
#include "support/test_support.h"

namespace kestrix::system {
namespace {

using testing::Crlf;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

std::set<std::string> FolderEntries(const std::string& path) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(path, ec))
    names.insert(entry.path().filename().string());
  return names;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::string Folder() const { return dir_.Path(testing::kConfigFolderName); }

  TempDir dir_;
  ScopedEnv xdg_{testing::kConfigHomeVariable, dir_.path().c_str()};
  FileSettingsStore store_;
};

TEST_F(SettingsStoreTest, MissingGivesDefaultAndCreatesNothing) {
  EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Email", "none"), "none");
  store_.DeleteSetting("Kestrix", "Settings", "Email");
  EXPECT_FALSE(testing::FileExists(Folder()));
}

TEST_F(SettingsStoreTest, WritesOneSectionPerApplicationAndSection) {
  EXPECT_EQ(store_.FilePath(), Folder() + "/settings.ini");
  store_.SaveSetting("Kestrix", "Settings", "Email", "me@example.org");
  store_.SaveSetting("Kestrix", "BuildNumbers", "Shop", "7");
  store_.SaveSetting("Kestrix", "Settings", "Programmer", "Ann");
  store_.SaveSetting("Other", "Settings", "Email", "other");
  EXPECT_EQ(ReadFile(store_.FilePath()),
            Crlf("[Kestrix\\Settings]|Email=me@example.org|Programmer=Ann||"
                 "[Kestrix\\BuildNumbers]|Shop=7||[Other\\Settings]|Email=other"));
  EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Email"), "me@example.org");
  EXPECT_EQ(store_.GetSetting("Kestrix", "BuildNumbers", "Email", "-"), "-");
  EXPECT_EQ(store_.GetSetting("Other", "Settings", "Email"), "other");
  // Only the file and its lock: no temporary file is left behind.
  EXPECT_EQ(FolderEntries(Folder()), (std::set<std::string>{"settings.ini", "settings.lock"}));
}

TEST_F(SettingsStoreTest, ValuesRoundTripOnOneLine) {
  struct Case {
    std::string value;
    std::string stored;
  };
  const Case cases[] = {
      {"", ""},
      {"a\r\nb", "a\\r\\nb"},
      {"C:\\new\\", "C:\\\\new\\\\"},
      {" both ", "\\sboth\\s"},
      {"a\tb", "a\\tb"},
      {"x=y ; [z]", "x=y ; [z]"},
      {std::string("\x01\xff\0z", 4), std::string("\x01\xff\0z", 4)},
  };
  for (const Case& c : cases) {
    store_.SaveSetting("Kestrix", "Settings", "Value", c.value);
    EXPECT_EQ(ReadFile(store_.FilePath()), "[Kestrix\\Settings]\r\nValue=" + c.stored + "\r\n");
    EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Value", "?"), c.value);
  }
}

// An update that throws keeps the stored value and releases the lock.
TEST_F(SettingsStoreTest, UpdateThatThrowsKeepsTheValue) {
  store_.SaveSetting("Kestrix", "BuildNumbers", "Shop", "2");
  auto throwing = [](std::optional<std::string>) -> std::optional<std::string> {
    throw std::runtime_error("no");
  };
  EXPECT_THROW(store_.Update("Kestrix", "BuildNumbers", "Shop", throwing), std::runtime_error);
  EXPECT_EQ(store_.GetSetting("Kestrix", "BuildNumbers", "Shop"), "2");
  // The lock went with the exception.
  store_.SaveSetting("Kestrix", "BuildNumbers", "Shop", "3");
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNoUpdate) {
  constexpr int kWriters = 2;
  constexpr int kIncrements = 200;
  store_.SaveSetting("Kestrix", "Settings", "Email", "kept");
  auto count = [] {  // in a child: no test assertions, only an exit status
    FileSettingsStore mine;
    for (int i = 0; i < kIncrements; ++i) {
      mine.Update("Kestrix", "BuildNumbers", "Counter", [](std::optional<std::string> current) {
        return std::to_string(std::stoi(current.value_or("0")) + 1);
      });
    }
    return 0;
  };
  EXPECT_EQ(testing::RunInChildProcesses(kWriters, count), 0);
  EXPECT_EQ(store_.GetSetting("Kestrix", "BuildNumbers", "Counter"),
            std::to_string(kWriters * kIncrements));
  EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Email"), "kept");
  EXPECT_EQ(FolderEntries(Folder()), (std::set<std::string>{"settings.ini", "settings.lock"}));
}

void ExpectWriteFails(FileSettingsStore& store, const std::string& what) {
  try {
    store.SaveSetting("Kestrix", "Settings", "Email", "new");
    ADD_FAILURE() << what << ": no error";
  } catch (const host::IdeError& e) {
    EXPECT_EQ(e.Number(), host::kErrPathFileAccess) << what;
    EXPECT_EQ(e.Source(), "Settings") << what;
    EXPECT_EQ(e.Description().rfind("Cannot write ", 0), 0u) << what << ": " << e.Description();
  }
}

TEST_F(SettingsStoreTest, ReadOnlyFileIsNotReplaced) {
  store_.SaveSetting("Kestrix", "Settings", "Email", "old");
  ASSERT_TRUE(testing::SetMode(store_.FilePath(), 0444));
  ExpectWriteFails(store_, "read-only file");
  EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Email"), "old");
}

TEST_F(SettingsStoreTest, UnwritableFolderOrUnreadableFile) {
  // Root passes every permission check.
  if (const char* why = testing::WhyPermissionsDoNotApply()) GTEST_SKIP() << why;
  store_.SaveSetting("Kestrix", "Settings", "Email", "old");
  ASSERT_TRUE(testing::SetMode(store_.FilePath(), 0200));
  ExpectWriteFails(store_, "unreadable file");
  EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Email", "default"), "default");
  ASSERT_TRUE(testing::SetMode(store_.FilePath(), 0644));
  ASSERT_TRUE(std::filesystem::remove(Folder() + "/settings.lock"));
  ASSERT_TRUE(testing::SetMode(Folder(), 0555));
  ExpectWriteFails(store_, "read-only folder");
  EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", "Email"), "old");
}

TEST_F(SettingsStoreTest, NamesThatCannotBeStored) {
  const char* keys[] = {"", "a=b", "a\nb", " a"};
  for (const char* key : keys) {
    EXPECT_THROW(store_.SaveSetting("Kestrix", "Settings", key, "v"), host::IdeError) << key;
    EXPECT_EQ(store_.GetSetting("Kestrix", "Settings", key, "d"), "d") << key;
  }
  EXPECT_THROW(store_.SaveSetting("Kes]trix", "Settings", "k", "v"), host::IdeError);
  EXPECT_THROW(store_.SaveSetting("Kestrix", "", "k", "v"), host::IdeError);
  EXPECT_FALSE(testing::FileExists(store_.FilePath()));
}

// ReadSetting tells "none stored" from "cannot be read": a binary file, a folder in the
// file's place, a name that can never be stored. A binary file is never rewritten.
TEST_F(SettingsStoreTest, ReadSettingTellsMissingFromUnreadable) {
  std::optional<std::string> value = "x";
  std::string error;
  EXPECT_TRUE(store_.ReadSetting("Kestrix", "BuildNumbers", "Shop", value, error));
  EXPECT_EQ(value, std::nullopt);
  store_.SaveSetting("Kestrix", "BuildNumbers", "Shop", "4");
  EXPECT_TRUE(store_.ReadSetting("Kestrix", "BuildNumbers", "shop", value, error));
  EXPECT_EQ(value, "4");

  EXPECT_FALSE(store_.ReadSetting("Kestrix", "BuildNumbers", "A=B", value, error));
  EXPECT_NE(error.find("\"A=B\" cannot be a key"), std::string::npos) << error;

  const char kBinary[] = "[Kestrix\\BuildNumbers]\r\nShop=4\r\n\0\x01";
  std::string binary(kBinary, sizeof kBinary - 1);
  dir_.Write("kestrix/settings.ini", binary);
  EXPECT_FALSE(store_.ReadSetting("Kestrix", "BuildNumbers", "Shop", value, error));
  EXPECT_NE(error.find("NUL bytes"), std::string::npos) << error;
  ExpectWriteFails(store_, "binary file");
  EXPECT_EQ(ReadFile(store_.FilePath()), binary);

  std::filesystem::remove(store_.FilePath());
  std::filesystem::create_directories(store_.FilePath());
  EXPECT_FALSE(store_.ReadSetting("Kestrix", "BuildNumbers", "Shop", value, error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
}

// A key held by another claim is no error; a lock that cannot be made is, with its reason.
TEST_F(SettingsStoreTest, LockHeldElsewhereOrNotMade) {
  auto held = store_.TryLock("Kestrix", "BuildNumbers", "Shop");
  ASSERT_NE(held, nullptr);
  FileSettingsStore other(Folder());
  EXPECT_EQ(other.TryLock("Kestrix", "BuildNumbers", "SHOP"), nullptr);
  EXPECT_EQ(other.LockError(), "");
  held.reset();
  EXPECT_NE(other.TryLock("Kestrix", "BuildNumbers", "SHOP"), nullptr);

  FileSettingsStore broken(dir_.Write("file", "") + "/kestrix");
  EXPECT_EQ(broken.TryLock("Kestrix", "BuildNumbers", "Shop"), nullptr);
  EXPECT_NE(broken.LockError().find("Not a directory"), std::string::npos) << broken.LockError();
}

}  // namespace
}  // namespace kestrix::system
