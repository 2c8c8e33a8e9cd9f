#include "host/add_in.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/system/profile_files.h"
#include "platform/system/settings_store.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::host {
namespace {

using testing::Crlf;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

const std::string kAdded = "Kestrix: Kestrix has been succesfully added to the Visual Basic IDE.";
const std::string kRemoved = "Kestrix: Kestrix has been REMOVED from the Visual Basic IDE.";

class AddInTest : public ::testing::Test {
 protected:
  std::string ListPath() const {
    return dir_.Path(std::string(testing::kConfigFolderName) + "/vbaddin.ini");
  }
  std::string Run(const std::string& command_line) {
    dialogs_ = testing::ScriptedDialogs();
    shell_.opened.clear();
    ::testing::internal::CaptureStdout();
    Main(services_, command_line);
    return ::testing::internal::GetCapturedStdout();
  }

  TempDir dir_;
  ScopedEnv xdg_{testing::kConfigHomeVariable, dir_.path().c_str()};
  system::FileSettingsStore settings_;
  system::IniProfileFiles profiles_;
  testing::FakeShell shell_{"/opt/kestrix"};
  testing::ScriptedDialogs dialogs_;
  AddInServices services_{settings_, profiles_, shell_, dialogs_};
};

TEST_F(AddInTest, FirstStartRegistersSecondSaysNothing) {
  EXPECT_EQ(Run(""), "");
  EXPECT_EQ(ReadFile(ListPath()), Crlf("[Add-Ins32]|Kestrix.Connect=1"));
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>{kAdded});
  EXPECT_EQ(shell_.opened, std::vector<std::string>{"/opt/kestrix/ReadMe.txt"});

  EXPECT_EQ(Run("anything"), "");
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_EQ(ReadFile(ListPath()), Crlf("[Add-Ins32]|Kestrix.Connect=1"));
}

TEST_F(AddInTest, SwitchedOffEntryIsSwitchedOn) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Add-Ins32]|App.Wizard=1|Kestrix.Connect=0|; mine",
       "[Add-Ins32]|App.Wizard=1|Kestrix.Connect=1|; mine"},
      {"[Add-Ins32]|kestrix.connect=-1", "[Add-Ins32]|kestrix.connect=1"},
      {"[Add-Ins32]|Kestrix.Connect=off", "[Add-Ins32]|Kestrix.Connect=1"},
      {"[Other]|Kestrix.Connect=1", "[Other]|Kestrix.Connect=1||[Add-Ins32]|Kestrix.Connect=1"},
  };
  for (const auto& [before, after] : cases) {
    dir_.Write("kestrix/vbaddin.ini", Crlf(before));
    Run("");
    EXPECT_EQ(ReadFile(ListPath()), Crlf(after)) << before;
    EXPECT_EQ(dialogs_.shown, std::vector<std::string>{kAdded}) << before;
  }
}

// Without a desktop, or with nothing on it that opens documents, the user is told where the
// read-me is, in a message the desktop shows and the console prints.
TEST_F(AddInTest, WhenNothingOpensTheReadMeItsPlaceIsSaid) {
  shell_.open_result = false;
  EXPECT_EQ(Run(""), "");
  EXPECT_EQ(dialogs_.shown,
            (std::vector<std::string>{kAdded,
                                      "Kestrix: The read-me could not be opened here: no program "
                                      "was found to open it. You can read it at:\n"
                                      "/opt/kestrix/ReadMe.txt"}));
}

TEST_F(AddInTest, RemoveAnywhereInTheCommandLine) {
  // Said even when there was nothing to remove, and no list is made for it.
  EXPECT_EQ(Run("x ReMoVe y"), "");
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>{kRemoved});
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_FALSE(testing::FileExists(ListPath()));

  const std::pair<const char*, bool> cases[] = {
      {"remove", true},  {"/REMOVE", true},  {"x ReMoVe y", true},
      {"removed", true}, {"rem ove", false}, {"/r", false},
  };
  for (const auto& [command_line, removes] : cases) {
    dir_.Write("kestrix/vbaddin.ini", Crlf("[Add-Ins32]|Other=1|Kestrix.Connect=0"));
    Run(command_line);
    EXPECT_EQ(ReadFile(ListPath()),
              Crlf(removes ? "[Add-Ins32]|Other=1" : "[Add-Ins32]|Other=1|Kestrix.Connect=1"))
        << command_line;
    EXPECT_EQ(dialogs_.shown, std::vector<std::string>{removes ? kRemoved : kAdded})
        << command_line;
  }
}

TEST_F(AddInTest, AListThatCannotBeWrittenIsNotReportedAsDone) {
  dir_.Write("kestrix/vbaddin.ini", Crlf("[Add-Ins32]|Kestrix.Connect=1"));
  ASSERT_TRUE(testing::SetMode(ListPath(), 0444));
  EXPECT_FALSE(Main(services_, "remove"));
  EXPECT_EQ(dialogs_.shown,
            std::vector<std::string>{"Kestrix: Kestrix could not be removed from the Visual "
                                     "Basic IDE: " +
                                     ListPath() + " cannot be written (the file is read-only)."});
  EXPECT_EQ(dialogs_.icons, std::vector<MsgIcon>{MsgIcon::kCritical});
  ASSERT_TRUE(testing::SetMode(ListPath(), 0644));
  dir_.Write("kestrix/vbaddin.ini", Crlf("[Add-Ins32]|Kestrix.Connect=0"));
  ASSERT_TRUE(testing::SetMode(ListPath(), 0444));
  dialogs_.shown.clear();
  EXPECT_FALSE(Main(services_, ""));
  EXPECT_EQ(dialogs_.shown,
            std::vector<std::string>{"Kestrix: Kestrix could not be added to the Visual "
                                     "Basic IDE: " +
                                     ListPath() + " cannot be written (the file is read-only)."});
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_EQ(ReadFile(ListPath()), Crlf("[Add-Ins32]|Kestrix.Connect=0"));
}

// The entry goes from every [Add-Ins32] section; a list that cannot even be read is a
// failure, not "nothing to remove".
TEST_F(AddInTest, RemoveTakesEveryEntryOrFails) {
  dir_.Write("kestrix/vbaddin.ini",
             Crlf("[Add-Ins32]|Other=1|[Extra]|Kestrix.Connect=1|[add-ins32]|Kestrix.Connect=1"));
  EXPECT_TRUE(Main(services_, "remove"));
  EXPECT_EQ(ReadFile(ListPath()),
            Crlf("[Add-Ins32]|Other=1|[Extra]|Kestrix.Connect=1|[add-ins32]"));
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>{kRemoved});

  std::filesystem::remove(ListPath());
  std::filesystem::create_directories(ListPath());
  dialogs_.shown.clear();
  EXPECT_FALSE(Main(services_, "remove"));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0], "Kestrix: Kestrix could not be removed from the Visual Basic IDE: " +
                                   ListPath() + " cannot be written (Is a directory).");
  EXPECT_TRUE(Main(services_, "") == false);
}

}  // namespace
}  // namespace kestrix::host
