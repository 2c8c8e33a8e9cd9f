// Builds into numbered folders: the outcomes a user sees, the build numbers, compiling with
// a configured compiler or the check, and the originals never written.

#include <algorithm>
#include <map>

#include "driver/build_folder.h"
#include "driver/driver_test_support.h"
#include "platform/system/environment.h"

namespace kestrix::driver {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

class ProjectBuildTest : public RunCommandTest {
 protected:
  ProjectBuildTest() : before_(testing::FilesBelow(shop_)) {}
  std::string Number() { return settings_.GetSetting("Kestrix", "BuildNumbers", "Shop"); }
  void ExpectOriginalsUntouched() {
    auto now = testing::FilesBelow(shop_);
    for (const auto& [name, bytes] : before_) {
      EXPECT_TRUE(now[name] == bytes) << name << " was written";
    }
  }
  std::map<std::string, std::string> before_;
};

TEST_F(ProjectBuildTest, FirstBuildGoesIntoBuildOneAndCountsUp) {
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop BUILD 1 OK!!!");
  EXPECT_EQ(progress_.Rows().back().notes,
            "checked; no compiler configured, no executable written");
  EXPECT_EQ(Number(), "2");
  ExpectOriginalsUntouched();
  std::string build = shop_ + "/App/BUILD 1";
  for (const char* file : {"Shop.vbp", "Forms/frmMain.frm", "Forms/frmMain.frx", "PriceBox.ctx",
                           "KestrixErrorHandler.bas", "frmKestrixReport.frm"}) {
    EXPECT_TRUE(fs::exists(build + "/" + file)) << file;
  }
  EXPECT_EQ(Shop().FileName(), build + "/Shop.vbp");
  EXPECT_EQ(Shop().BuildFileName(), build + "/bin/Shop.exe");
  EXPECT_NE(ReadFile(build + "/KestrixErrorHandler.bas").find("BUILDNUMBER=\"1\""),
            std::string::npos);
  // Building the build copy again asks first; No cancels.
  progress_.Unload();
  form_.RunCommand(0);
  EXPECT_EQ(dialogs_.shown.back(),
            "Kestrix: Project Shop seems to be already a build version,\nAre you sure you want "
            "to build it again, creating another build folder?");
  EXPECT_EQ(progress_.Caption(), "Project Shop build CANCELED.");
  EXPECT_EQ(progress_.Rows().back().notes, "CANCELED");
  EXPECT_EQ(Number(), "2");
}

TEST_F(ProjectBuildTest, AnotherBuildHoldingTheNumberRefusesThisOne) {
  auto held = settings_.TryLock("Kestrix", "BuildNumbers", "shop");
  ASSERT_TRUE(held);
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Rows().back().notes, "Skipped (another build of this project is running)");
  EXPECT_FALSE(fs::exists(shop_ + "/App/BUILD 1"));
  held.reset();
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop BUILD 1 OK!!!");
}

// VB6.EXE's own command line, run with a stand-in of the suite's: it writes the compiled file
// and a log, whose lines become status rows; a failed compile's log says why.
TEST_F(ProjectBuildTest, StandInVb6WritesTheProgramAndItsLog) {
  std::string command =
      "'" + testing::StandInCompiler() + "' /make {project} /outdir {outdir} /out {log}";
  ide_.SetCompiler(command);
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop BUILD 1 OK!!!");
  std::string exe = shop_ + "/App/BUILD 1/bin/Shop.exe";
  EXPECT_EQ(ReadFile(exe).rfind("MZ", 0), 0u);
  EXPECT_EQ(progress_.Rows().back().notes,
            "Build of '" + system::ToNativePath(exe) + "' succeeded.");

  std::string vbp = shop_ + "/App/Shop.vbp";
  dir_.Write("Shop/App/Shop.vbp", ReadFile(vbp) + "KestrixStandIn=fail\r\n");
  vbfiles::FileIde failing;
  failing.Open(vbp);
  failing.SetCompiler(command);
  form_.vbinstance = &failing;
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop Build FAILED!!!");
  const auto& rows = progress_.Rows();
  auto failed = std::find_if(rows.begin(), rows.end(),
                             [](const host::StatusRow& r) { return r.notes == "Build Failed!!"; });
  ASSERT_NE(failed, rows.end());
  ASSERT_LT(failed + 1, rows.end());
  std::string copy = system::ToNativePath(shop_ + "/App/BUILD 2/Shop.vbp");
  EXPECT_EQ((failed + 1)->notes, "Compile error in " + copy + ": asked to fail");
  EXPECT_EQ(rows.back().notes, "The compiler ended with exit code 1");
}

// A folder of the build's name that exists already is never written into: the build takes
// the next free number, and what was there stays as it was.
TEST_F(ProjectBuildTest, ExistingBuildFolderIsPassedOver) {
  dir_.Write("Shop/App/BUILD 1/Modules/modUtil.bas", "mine");
  before_ = testing::FilesBelow(shop_);
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop BUILD 2 OK!!!");
  EXPECT_NE(Notes().find(shop_ + "/App/BUILD 1 exists already: this build is BUILD 2"),
            std::string::npos);
  ExpectOriginalsUntouched();
  EXPECT_EQ(Shop().FileName(), shop_ + "/App/BUILD 2/Shop.vbp");
  EXPECT_NE(ReadFile(shop_ + "/App/BUILD 2/KestrixErrorHandler.bas").find("BUILDNUMBER=\"2\""),
            std::string::npos);
  EXPECT_EQ(Number(), "3");
}

// Two files that would land on one path (on Windows names differ in case only), or a
// build folder that cannot be made: the build stops before anything is saved, leaves no
// folder behind, and keeps its number.
TEST_F(ProjectBuildTest, BuildThatCannotBeSavedStopsFirst) {
  dir_.Write("Shop/App/Modules/MODUTIL.bas", "Attribute VB_Name = \"modUtil2\"\r\n");
  std::string vbp = ReadFile(shop_ + "/App/Shop.vbp");
  vbp.insert(vbp.find("UserControl="), "Module=modUtil2; Modules\\MODUTIL.bas\r\n");
  dir_.Write("Shop/App/Shop.vbp", vbp);
  before_ = testing::FilesBelow(shop_);
  vbfiles::FileIde ide;
  ide.Open(shop_ + "/App/Shop.vbp");
  form_.vbinstance = &ide;
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop Build FAILED!!!");
  EXPECT_NE(progress_.Rows().back().notes.find("would both be saved as"), std::string::npos)
      << progress_.Rows().back().notes;
  EXPECT_EQ(testing::FilesBelow(shop_), before_);  // nothing saved, no folder left
  EXPECT_FALSE(fs::exists(shop_ + "/App/BUILD 1"));
  EXPECT_EQ(Number(), "");

  form_.vbinstance = &ide_;
  form_.options().Check3 = 1;
  form_.options().Dir1 = dir_.Write("a-file", "");
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Shop Build FAILED!!!");
  EXPECT_NE(progress_.Rows().back().notes.find("Cannot make the folder " + dir_.Path("a-file")),
            std::string::npos);
  EXPECT_EQ(Number(), "");
  EXPECT_EQ(Shop().FileName(), shop_ + "/App/Shop.vbp");
}

TEST(BuildFolder, EveryFileStaysInsideTheBuildFolder) {
  BuildFolderRule rule;
  rule.build_number = 5;
  rule.project_folder = "/src/App";
  rule.project_name = "MyProj";
  struct Case {
    const char* path;
    bool chosen, name;
    const char* folder;
    const char* file;
  } cases[] = {
      {"/src/App/App.vbp", false, false, "/src/App/BUILD 5", "App.vbp"},
      {"/src/App/App.vbp", false, true, "/src/App/MyProj BUILD 5", "App.vbp"},
      {"/src/App/Forms/Main.frm", false, false, "/src/App/BUILD 5/Forms", "Main.frm"},
      {"/src/Shared/Common.bas", false, false, "/src/App/BUILD 5/Outside/Up/Shared", "Common.bas"},
      {"/src/Shared/Common.bas", true, false, "/builds/BUILD 5/Outside/Up/Shared", "Common.bas"},
      {"/src/App/Forms/Main.frm", true, true, "/builds/MyProj BUILD 5/Forms", "Main.frm"},
      {"/src/Application/x.bas", false, false, "/src/App/BUILD 5/Outside/Up/Application", "x.bas"},
      {"/etc/passwd", false, false, "/src/App/BUILD 5/Outside/Up/Up/etc", "passwd"},
      {"/src/App/sub/../../../etc/x.bas", false, false, "/src/App/BUILD 5/Outside/Up/Up/etc",
       "x.bas"},
      {"/src/App/Forms/Sub/Main.frm", false, false, "/src/App/BUILD 5/Forms/Sub", "Main.frm"},
      {"/src/App//Forms/./x.frm", false, false, "/src/App/BUILD 5/Forms", "x.frm"},
      {"/src/App/Forms/../x.bas", false, false, "/src/App/BUILD 5", "x.bas"},
#ifndef _WIN32
      // On Windows "a:" before a name is a drive: no file there is named so.
      {"/src/App/a:b.bas", false, false, "/src/App/BUILD 5", "a:b.bas"},
#endif
      {"/src/Apple/x.bas", false, false, "/src/App/BUILD 5/Outside/Up/Apple", "x.bas"},
      {"/src/App/.hidden/x.bas", true, false, "/builds/BUILD 5/.hidden", "x.bas"},
  };
  for (const auto& c : cases) {
    rule.in_chosen_folder = c.chosen;
    rule.chosen_folder = "/builds";
    rule.project_name_in_folder = c.name;
    std::string path = c.path;
    EXPECT_EQ(GetBuildFolder(rule, path), c.folder) << c.path;
    EXPECT_EQ(path, c.file);
  }
  // A project folder written with a climb in it is the folder it names.
  rule.in_chosen_folder = false;
  rule.project_name_in_folder = false;
  rule.project_folder = "/src/x/../App";
  std::string path = "/src/App/Forms/Main.frm";
  EXPECT_EQ(GetBuildFolder(rule, path), "/src/x/../App/BUILD 5/Forms");
  EXPECT_EQ(path, "Main.frm");
  rule.project_folder = "/src/App";
  // The compiled file: its place inside the project's folder, or straight into the build.
  rule.in_chosen_folder = false;
  rule.project_name_in_folder = false;
  EXPECT_EQ(ProgramTarget(rule, "/src/App/bin/App.exe").Path(), "/src/App/BUILD 5/bin/App.exe");
  EXPECT_EQ(ProgramTarget(rule, "/src/bin/App.exe").Path(), "/src/App/BUILD 5/App.exe");
  EXPECT_EQ(ProgramTarget(rule, "/opt/App.exe").Path(), "/src/App/BUILD 5/App.exe");
}

// Every target is looked at in order, however many share a folder: the first that cannot be
// written is the one named, and no folder is made past it.
TEST(BuildFolder, PrepareTargetsNamesTheFirstTargetThatCannotBeWritten) {
  testing::TempDir dir;
  const std::string b = dir.Path("BUILD 1");
  const std::string read_only = dir.Write("BUILD 1/Old/x.bas", "");
  testing::SetMode(read_only, 0444);
  dir.Write("BUILD 1/file", "");
  struct Case {
    const char* what;
    std::vector<BuildTarget> targets;
    std::string error;  // "" when every target can be written
  } cases[] = {
      {"several in a folder",
       {{b + "/Forms", "a.frm"}, {b + "/Forms", "b.frm"}, {b, "P.vbp"}, {b + "/Forms", "c.frm"}},
       ""},
      {"a folder made for a target before",
       {{b, "P.vbp"}, {b + "/Mods", "a.bas"}, {b + "/Mods", "b.bas"}, {b, "Mods"}},
       "Cannot write " + b + "/Mods: it is a folder"},
      {"a read-only file after others of its folder",
       {{b + "/Old", "y.bas"}, {b + "/Old", "x.bas"}, {b, "Mods"}},
       "Cannot write " + read_only + ": the file is read-only"},
      {"a file in the way of a folder",
       {{b + "/Fine", "a.bas"}, {b + "/file/Sub", "a.bas"}, {b + "/Later", "a.bas"}},
       "Cannot make the build folder " + b + "/file/Sub: "},
  };
  for (const Case& c : cases) {
    std::optional<std::string> error = PrepareTargets(c.targets);
    if (c.error.empty()) {
      EXPECT_FALSE(error) << c.what << ": " << *error;
    } else {
      ASSERT_TRUE(error) << c.what;
      EXPECT_EQ(error->substr(0, c.error.size()), c.error) << c.what;
    }
    for (const BuildTarget& target : c.targets) {
      if (target.folder == b + "/Later") {
        EXPECT_FALSE(fs::exists(target.folder)) << c.what;
      }
      if (target.folder == b + "/Fine") {
        EXPECT_TRUE(fs::is_directory(target.folder)) << c.what;
      }
    }
  }
}

TEST(BuildFolder, ProjectNamesBecomeOneFolderName) {
  struct Case {
    const char* name;
    const char* folder;
  } cases[] = {
      {"Shop", "Shop BUILD 3"},
      {"../../escaped", ".._.._escaped BUILD 3"},
      {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i BUILD 3"},
      {"tab\there\x7f", "tab_here_ BUILD 3"},
      {"..", "_ BUILD 3"},
      {"", "_ BUILD 3"},
  };
  BuildFolderRule rule;
  rule.build_number = 3;
  rule.project_name_in_folder = true;
  for (const auto& c : cases) {
    rule.project_name = c.name;
    EXPECT_EQ(BuildFolderName(rule), c.folder) << c.name;
  }
}

}  // namespace
}  // namespace kestrix::driver
