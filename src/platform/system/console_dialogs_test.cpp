#include "platform/system/console_dialogs.h"

#include <gtest/gtest.h>

namespace kestrix::system {
namespace {

TEST(ConsoleDialogsTest, PrintsAndAgrees) {
  struct Case {
    host::MsgButtons buttons;
    std::string title;
    host::MsgResult answer;
    std::string printed;
  };
  const Case cases[] = {
      {host::MsgButtons::kOk, "", host::MsgResult::kOk, "Kestrix: Done.\n"},
      {host::MsgButtons::kOkCancel, "Build", host::MsgResult::kOk, "Build: Done.\n"},
      {host::MsgButtons::kYesNo, "", host::MsgResult::kYes, "Kestrix: Done.\n"},
  };
  for (const Case& c : cases) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ConsoleDialogs dialogs(out);
    EXPECT_EQ(dialogs.MsgBox("Done.", c.buttons, host::MsgIcon::kCritical, c.title), c.answer);
    std::rewind(out);
    char buffer[64] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    EXPECT_EQ(std::string(buffer, n), c.printed);
  }
}

}  // namespace
}  // namespace kestrix::system
