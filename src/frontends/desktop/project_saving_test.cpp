#include "frontends/desktop/project_saving.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "frontends/desktop/recent_files.h"
#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"

namespace kestrix::desktop {
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

TEST(ProjectSavingTest, NewComponentsNeverOverwriteAFile) {
  struct Case {
    ComponentType type;
    std::vector<std::string> existing;
    std::string expected;  // relative to the folder
  };
  const Case cases[] = {
      {ComponentType::kStdModule, {}, "Helpers.bas"},
      {ComponentType::kStdModule, {"Helpers.bas"}, "Helpers1.bas"},
      {ComponentType::kStdModule, {"HELPERS.BAS", "helpers1.bas"}, "Helpers2.bas"},
      {ComponentType::kClassModule, {"Helpers.bas"}, "Helpers.cls"},
      {ComponentType::kVBMDIForm, {}, "Helpers.frm"},
      {ComponentType::kUserControl, {}, "Helpers.ctl"},
      {ComponentType::kRelatedDocument, {}, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const std::string& name : c.existing)
      dir.Write(name, "taken");
    std::string path = NewComponentPath(NamedComponent("Helpers", c.type), dir.path());
    EXPECT_EQ(path, c.expected.empty() ? "" : dir.Path(c.expected)) << c.expected;
  }
}

TEST(ProjectSavingTest, SavesChangedAndNewComponentsThenTheProject) {
  TempDir dir;
  std::string root =
      kestrix::testing::CopyTree(kestrix::testing::SourceDir() + "/examples/Single", dir.Path("p"));
  std::string extra = dir.Write("elsewhere/Extra.bas",
                                "Attribute VB_Name = \"modExtra\"\r\nSub X()\r\nEnd Sub\r\n");
  dir.Write("p/modExtra.bas", "someone else's file");
  vbfiles::FileIde ide;
  ide.Open(root + "/Hello.vbp");
  host::Project& project = ide.Item(1);
  host::Component& imported = project.VBComponents().Import(extra);
  std::string form_before = ReadFile(root + "/frmHello.frm");

  SaveProject(project, project.FileName());
  EXPECT_EQ(imported.FileNames(1), root + "/modExtra1.bas");
  EXPECT_EQ(ReadFile(root + "/modExtra1.bas"), ReadFile(extra));
  EXPECT_EQ(ReadFile(root + "/modExtra.bas"), "someone else's file");
  EXPECT_NE(ReadFile(root + "/Hello.vbp").find("Module=modExtra; modExtra1.bas\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(root + "/frmHello.frm"), form_before);
  EXPECT_FALSE(project.IsDirty());
  EXPECT_FALSE(imported.IsDirty());

  // A project file that cannot be written fails after the components were saved.
  imported.GetCodeModule()->InsertLines(1, "' more");
  try {
    SaveProject(project, dir.Path("no/such/folder/Hello.vbp"));
    FAIL() << "no error";
  } catch (const host::IdeError& error) {
    EXPECT_EQ(error.Number(), host::kErrPathFileAccess);
  }
  EXPECT_FALSE(imported.IsDirty());
  EXPECT_EQ(project.FileName(), root + "/Hello.vbp");
}

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
