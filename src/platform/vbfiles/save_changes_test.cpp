#include "platform/vbfiles/save_changes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using host::ComponentType;
using kestrix::testing::ReadFile;
using kestrix::testing::TempDir;

// Only a name and a kind: what NewComponentPath looks at.
class NamedComponent final : public host::Component {
 public:
  NamedComponent(std::string name, ComponentType type) : name_(std::move(name)), type_(type) {}
  host::Project& Collection() override { throw std::logic_error("not used"); }
  std::string Name() const override { return name_; }
  ComponentType Type() const override { return type_; }
  std::string FileNames(int16_t) const override { return ""; }
  int16_t FileCount() const override { return 1; }
  bool IsDirty() const override { return true; }
  host::CodeModule* GetCodeModule() override { return nullptr; }
  void SaveAs(const std::string&) override {}

 private:
  std::string name_;
  ComponentType type_;
};

TEST(SaveChangesTest, NewComponentsNeverOverwriteAFile) {
  struct Case {
    std::string name;
    ComponentType type;
    std::vector<std::string> existing;
    std::vector<std::string> taken;  // by this save already
    std::string expected;            // relative to the folder
  };
  const Case cases[] = {
      {"Helpers", ComponentType::kStdModule, {}, {}, "Helpers.bas"},
      {"Helpers", ComponentType::kStdModule, {"Helpers.bas"}, {}, "Helpers1.bas"},
      {"Helpers", ComponentType::kStdModule, {"HELPERS.BAS", "helpers1.bas"}, {}, "Helpers2.bas"},
      {"Helpers", ComponentType::kStdModule, {}, {"Helpers.bas"}, "Helpers1.bas"},
      {"Helpers", ComponentType::kClassModule, {"Helpers.bas"}, {}, "Helpers.cls"},
      {"../up", ComponentType::kStdModule, {}, {}, ".._up.bas"},
      {"Helpers", ComponentType::kRelatedDocument, {}, {}, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const std::string& name : c.existing)
      dir.Write(name, "taken");
    std::vector<std::string> taken;
    for (const std::string& name : c.taken)
      taken.push_back(dir.Path(name));
    std::string path = NewComponentPath(NamedComponent(c.name, c.type), dir.path(), taken);
    EXPECT_EQ(path, c.expected.empty() ? "" : dir.Path(c.expected)) << c.expected;
  }
}

class SaveProjectTest : public ::testing::Test {
 protected:
  SaveProjectTest() {
    root_ = kestrix::testing::CopyTree(kestrix::testing::SourceDir() + "/examples/Single",
                                       dir_.Path("p"));
    extra_ = dir_.Write("elsewhere/Extra.bas",
                        "Attribute VB_Name = \"modExtra\"\r\nSub X()\r\nEnd Sub\r\n");
    ide_.Open(root_ + "/Hello.vbp");
  }
  host::Project& Project() { return ide_.Item(1); }

  TempDir dir_;
  std::string root_;
  std::string extra_;
  FileIde ide_;
};

TEST_F(SaveProjectTest, SavesChangedAndNewComponentsThenTheProject) {
  dir_.Write("p/modExtra.bas", "someone else's file");
  host::Component& imported = Project().VBComponents().Import(extra_);
  std::string form_before = ReadFile(root_ + "/frmHello.frm");

  SaveResult result = SaveProject(Project(), Project().FileName());
  ASSERT_TRUE(result.Ok()) << result.problems.front();
  EXPECT_EQ(result.saved,
            (std::vector<std::string>{root_ + "/modExtra1.bas", root_ + "/Hello.vbp"}));
  EXPECT_EQ(imported.FileNames(1), root_ + "/modExtra1.bas");
  EXPECT_EQ(ReadFile(root_ + "/modExtra1.bas"), ReadFile(extra_));
  EXPECT_EQ(ReadFile(root_ + "/modExtra.bas"), "someone else's file");
  EXPECT_NE(ReadFile(root_ + "/Hello.vbp").find("Module=modExtra; modExtra1.bas\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(root_ + "/frmHello.frm"), form_before);
  EXPECT_FALSE(Project().IsDirty());
  EXPECT_FALSE(imported.IsDirty());
  // Nothing changed: nothing is written.
  EXPECT_TRUE(SaveProject(Project(), Project().FileName()).saved.empty());
}

// A save that cannot be finished writes nothing: every file is checked before the first write.
TEST_F(SaveProjectTest, OneFileThatCannotBeWrittenStopsTheWholeSave) {
  host::Component& imported = Project().VBComponents().Import(extra_);
  testing::SetMode(root_ + "/Hello.vbp", 0444);
  SaveResult read_only = SaveProject(Project(), Project().FileName());
  EXPECT_FALSE(read_only.checked);
  EXPECT_EQ(read_only.problems, std::vector<std::string>{"Cannot write " + root_ +
                                                         "/Hello.vbp: the file is read-only"});
  EXPECT_FALSE(std::filesystem::exists(root_ + "/modExtra.bas"));
  EXPECT_TRUE(imported.IsDirty());

  SaveResult no_folder = SaveProject(Project(), dir_.Path("no/such/folder/Hello.vbp"));
  EXPECT_FALSE(no_folder.Ok());
  EXPECT_NE(no_folder.problems.front().find("Cannot write into " + dir_.Path("no/such/folder")),
            std::string::npos);
  EXPECT_TRUE(imported.IsDirty());
  EXPECT_EQ(Project().FileName(), root_ + "/Hello.vbp");
}

}  // namespace
}  // namespace kestrix::vbfiles
