#include "platform/vbfiles/group_file.h"

#include <gtest/gtest.h>

#include "host/ide_error.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using host::IdeError;
using testing::Crlf;

std::string ErrorOf(std::string_view bytes) {
  try {
    GroupFile::Parse(bytes, "All.vbg");
  } catch (const IdeError& e) {
    EXPECT_EQ(e.Number(), host::kErrBadFileFormat);
    return e.Description();
  }
  return "";
}

// Read in file order, written back as VB writes a group file.
TEST(GroupFileTest, ReadsEntriesInFileOrderAndWritesThemAsVbDoes) {
  GroupFile group = GroupFile::Parse(
      "vbgroup  5.00 \nProject=..\\..\\Lib\\Lib.vbp\n\nSTARTUPPROJECT=Shop.vbp\r\n"
      "project = Tools\\Windows EDM.vbp  ",
      "All.vbg");
  std::string entries;  // path, startup mark and line of each, in file order
  for (const auto& p : group.projects)
    entries += p.path + (p.startup ? "*" : "") + "@" + std::to_string(p.line) + " ";
  EXPECT_EQ(entries, "..\\..\\Lib\\Lib.vbp@2 Shop.vbp*@4 Tools\\Windows EDM.vbp@5 ");
  EXPECT_EQ(group.Serialize(), Crlf("VBGROUP 5.0|Project=..\\..\\Lib\\Lib.vbp|"
                                    "StartupProject=Shop.vbp|Project=Tools\\Windows EDM.vbp"));
}

TEST(GroupFileTest, MalformedFilesNameTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "All.vbg(1): "},
      {"VBGROUP 6.0|StartupProject=a.vbp", "All.vbg(1): "},
      {"VBGROUP|StartupProject=a.vbp", "All.vbg(1): "},
      {"|VBGROUP 5.0|StartupProject=a.vbp", "All.vbg(1): "},
      {"Type=Exe", "All.vbg(1): "},
      {"VBGROUP 5.0|StartupProject=a.vbp||Form=x.frm", "All.vbg(4): "},
      {"VBGROUP 5.0|StartupProject=a.vbp|junk", "All.vbg(3): "},
      {"VBGROUP 5.0|Project=|StartupProject=a.vbp", "All.vbg(2): "},
      {"VBGROUP 5.0|StartupProject=a.vbp|Project=b.vbp|StartupProject=c.vbp", "All.vbg(4): "},
      {"VBGROUP 5.0|StartupProject=Lib\\A.vbp|Project=lib\\.\\a.VBP", "All.vbg(3): "},
      {"VBGROUP 5.0|Project=a.vbp|Project=b.vbp", "All.vbg: "},
      {"VBGROUP 5.0", "All.vbg: "},
  };
  for (const auto& [fixture, prefix] : cases) {
    std::string error = ErrorOf(fixture.empty() ? "" : Crlf(fixture));
    EXPECT_TRUE(error.starts_with(prefix) && error.size() > prefix.size())
        << fixture << " gave \"" << error << "\"";
  }
}

}  // namespace
}  // namespace kestrix::vbfiles
