// What a project file must never make a build do: run commands, write outside its build
// folder, mix two builds' files, or overwrite a build with a number it could not keep.

#include <algorithm>
#include <map>

#include "driver/build_folder.h"
#include "driver/driver_test_support.h"

namespace kestrix::driver {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

// Every folder below `root` whose name holds "BUILD ", by relative path.
std::vector<std::string> BuildFolders(const std::string& root) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = entry.path().filename().string();
    if (entry.is_directory() && name.find("BUILD ") != std::string::npos &&
        entry.path().parent_path().filename().string().find("BUILD ") == std::string::npos) {
      found.push_back(fs::relative(entry.path(), root).generic_string());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

class BuildSafetyTest : public RunCommandTest {
 protected:
  // The single-project example copied into `folder` (below the test's folder), with
  // `from` replaced by `to` in its project file; the project is the active one.
  std::string Hello(const std::string& folder, const std::string& from = "",
                    const std::string& to = "") {
    std::string copy =
        testing::CopyTree(testing::SourceDir() + "/examples/Single", dir_.Path(folder));
    std::string vbp = ReadFile(copy + "/Hello.vbp");
    if (!from.empty()) vbp.replace(vbp.find(from), from.size(), to);
    dir_.Write(folder + "/Hello.vbp", vbp);
    hello_ = std::make_unique<vbfiles::FileIde>();
    hello_->Open(copy + "/Hello.vbp");
    form_.vbinstance = hello_.get();
    return copy;
  }
  std::string Number(const std::string& project) {
    return settings_.GetSetting("Kestrix", "BuildNumbers", project);
  }

  std::unique_ptr<vbfiles::FileIde> hello_;
};

// The compiler runs without a shell: hostile folder and file names reach it as arguments,
// one placeholder one argument, and nothing in them is run.
TEST_F(BuildSafetyTest, NamesReachTheCompilerAsArgumentsOnly) {
#ifdef _WIN32
  GTEST_SKIP() << "the compiler here is a shell script; the process runner's tests show the "
                  "same with a program of the suite's on Windows";
#endif
  std::string folder = "$(touch INJECTED1) \"quoted\" {exe} `touch INJECTED2`";
  std::string copy =
      Hello(folder, "ExeName32=\"Hello.exe\"", "ExeName32=\"a`touch INJECTED3`b$(id).exe\"");
  std::string args = dir_.Path("args.txt");
  std::string compiler = dir_.WriteScript(
      "fake vb6.sh", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$ARGS\"\ntouch \"$2\"\n");
  testing::ScopedEnv env("ARGS", args.c_str());
  hello_->SetCompiler("'" + compiler + "' {project} {exe} /out:{exe_win} \"{outdir}\"");
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Hello BUILD 1 OK!!!");
  std::string build = copy + "/BUILD 1";
  std::string exe = build + "/a`touch INJECTED3`b$(id).exe";
  std::string wine = "Z:" + exe;
  std::replace(wine.begin(), wine.end(), '/', '\\');
  EXPECT_EQ(ReadFile(args), build + "/Hello.vbp\n" + exe + "\n/out:" + wine + "\n" + build + "\n");
  EXPECT_TRUE(fs::exists(exe));
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name != "INJECTED1" && name != "INJECTED2" && name != "INJECTED3") << name;
  }
  EXPECT_FALSE(fs::exists("INJECTED1") || fs::exists("INJECTED2") || fs::exists("INJECTED3"));
}

// With a chosen folder, projects at the same number each get a folder of their own; a
// project's own Common.bas and the shared one outside its folder both keep their code; no
// build folder is made beside a shared file, nor anywhere outside the build.
TEST_F(BuildSafetyTest, ProjectsAndFilesNeverShareATarget) {
  dir_.Write("Shop/Lib/Common.bas",
             "Attribute VB_Name = \"modOwn\"\r\nPublic Sub Own()\r\n    Beep\r\nEnd Sub\r\n");
  std::string vbp = ReadFile(shop_ + "/Lib/ShopLib.vbp");
  vbp.insert(vbp.find("Startup="), "Module=modOwn; Common.bas\r\n");
  dir_.Write("Shop/Lib/ShopLib.vbp", vbp);
  vbfiles::FileIde ide;
  ide.Open(shop_ + "/Shop.vbg");
  form_.vbinstance = &ide;
  form_.options().Option1 = 0;
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project ShopLib BUILD 1 OK!!!");
  std::string lib = shop_ + "/Lib/BUILD 1";
  EXPECT_NE(ReadFile(lib + "/Common.bas").find("Public Sub Own()"), std::string::npos);
  EXPECT_NE(ReadFile(lib + "/Outside/Up/Shared/Common.bas").find("modCommon"), std::string::npos);
  EXPECT_NE(
      ReadFile(lib + "/ShopLib.vbp").find("Module=modCommon; Outside\\Up\\Shared\\Common.bas"),
      std::string::npos);
  // The library's program went into its own build folder, not into ..\App\bin.
  EXPECT_EQ(ide.Item(2).BuildFileName(), lib + "/ShopLib.dll");
  EXPECT_EQ(BuildFolders(shop_), (std::vector<std::string>{"App/BUILD 1", "Lib/BUILD 1"}));
  EXPECT_FALSE(fs::exists(shop_ + "/App/BUILD 1/bin"));  // nothing was compiled into it

  // Under one chosen folder the second project takes the next free number.
  vbfiles::FileIde again;
  again.Open(shop_ + "/Shop.vbg");
  form_.vbinstance = &again;
  form_.options().Check3 = 1;
  form_.options().Dir1 = dir_.Path("builds");
  settings_.DeleteSetting("Kestrix", "BuildNumbers", "Shop");
  settings_.DeleteSetting("Kestrix", "BuildNumbers", "ShopLib");
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project ShopLib BUILD 2 OK!!!");
  EXPECT_TRUE(fs::exists(dir_.Path("builds/BUILD 1/Shop.vbp")));
  EXPECT_FALSE(fs::exists(dir_.Path("builds/BUILD 1/ShopLib.vbp")));
  EXPECT_TRUE(fs::exists(dir_.Path("builds/BUILD 2/ShopLib.vbp")));
  EXPECT_FALSE(fs::exists(dir_.Path("builds/BUILD 2/Shop.vbp")));
  EXPECT_EQ(Number("Shop"), "2");
  EXPECT_EQ(Number("ShopLib"), "3");
  EXPECT_EQ(BuildFolders(dir_.Path("builds")), (std::vector<std::string>{"BUILD 1", "BUILD 2"}));
}

// A build number that cannot be read, counted or stored stops the build before it writes
// anything; a name that cannot be a settings key too.
TEST_F(BuildSafetyTest, NumbersThatCannotBeKeptStopTheBuild) {
  std::string copy = Hello("Single");
  std::string ini = settings_.FilePath();
  std::error_code ec;
  struct Case {
    const char* what;
    std::function<void()> make;
    const char* row;
  } cases[] = {
      {"folder", [&] { fs::create_directories(ini); },
       "Build Failed!! (cannot read the build number) Cannot read"},
      {"binary", [&] { dir_.Write("config-home/kestrix/settings.ini", std::string("\0\x01x", 3)); },
       "Build Failed!! (cannot read the build number) Cannot read"},
      {"zero", [&] { settings_.SaveSetting("Kestrix", "BuildNumbers", "Hello", "0"); },
       "Build Failed!! (bad build number)"},
      {"negative", [&] { settings_.SaveSetting("Kestrix", "BuildNumbers", "Hello", "-4"); },
       "Build Failed!! (bad build number)"},
      {"letters", [&] { settings_.SaveSetting("Kestrix", "BuildNumbers", "Hello", "7x"); },
       "Build Failed!! (bad build number)"},
      {"no next number",
       [&] { settings_.SaveSetting("Kestrix", "BuildNumbers", "Hello", "2147483647"); },
       "Build Failed!! (bad build number)"},
      {"read-only",
       [&] {
         settings_.SaveSetting("Kestrix", "Settings", "Programmer", "Ann");
         testing::SetMode(ini, 0444);
       },
       "Build Failed!! (cannot store the build number) Cannot write"},
  };
  for (const auto& c : cases) {
    fs::permissions(ini, fs::perms::owner_write, fs::perm_options::add, ec);  // Windows: deletable
    fs::remove_all(dir_.Path("config-home"));
    fs::create_directories(dir_.Path("config-home/kestrix"));
    c.make();
    std::string before = fs::is_regular_file(ini) ? ReadFile(ini) : "";
    progress_.Unload();
    form_.RunCommand(0);
    EXPECT_EQ(progress_.Caption().find("OK"), std::string::npos) << c.what;
    ASSERT_FALSE(progress_.Rows().empty()) << c.what;
    EXPECT_EQ(progress_.Rows().back().notes.rfind(c.row, 0), 0u)
        << c.what << ": " << progress_.Rows().back().notes;
    EXPECT_EQ(BuildFolders(copy), std::vector<std::string>{}) << c.what;
    if (fs::is_regular_file(ini)) {
      EXPECT_EQ(ReadFile(ini), before) << c.what;
    }
  }
  fs::permissions(ini, fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(dir_.Path("config-home"));

  vbfiles::FileIde odd;
  std::string vbp = ReadFile(copy + "/Hello.vbp");
  vbp.replace(vbp.find("Name=\"Hello\""), 12, "Name=\"A=B\"");
  dir_.Write("Single/Odd.vbp", vbp);
  odd.Open(copy + "/Odd.vbp");
  form_.vbinstance = &odd;
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Rows().back().notes.rfind("Build Failed!! (cannot read the build number)", 0),
            0u);
  EXPECT_NE(dialogs_.shown.back().find("\"A=B\" cannot be a key of"), std::string::npos);
  EXPECT_EQ(BuildFolders(copy), std::vector<std::string>{});
}

// A settings folder that cannot be written is named as such, and only builds into a folder
// need the build number: instrumenting without a build works all the same.
TEST_F(BuildSafetyTest, UnwritableSettingsFolderIsNamedAndBlocksOnlyBuilds) {
  std::string file = dir_.Write("not-a-folder", "");
  system::FileSettingsStore broken(file + "/kestrix");
  frmAddIn form({broken, dialogs_, shell_, progress_, {}});
  form.Connect = &connection_;
  std::string copy = Hello("Single");
  form.vbinstance = hello_.get();
  form.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "Project Hello Build FAILED!!!");
  EXPECT_EQ(progress_.Rows().back().notes.rfind(
                "Build Failed!! (cannot lock the build number) Cannot make " + file, 0),
            0u)
      << progress_.Rows().back().notes;
  EXPECT_EQ(dialogs_.shown.back().find("another Kestrix"), std::string::npos);

  form.options().Check2 = 0;
  form.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "OK.");
  EXPECT_EQ(ComponentNamed(hello_->Item(1), "KestrixErrorHandler").GetCodeModule()->Lines(1, 1),
            "Private Const BUILDNUMBER=\"N/A\"");
}

// Only a folder Kestrix made counts as a build copy.
TEST_F(BuildSafetyTest, OnlyKestrixBuildFoldersAreBuildCopies) {
  for (const char* folder : {"Rebuild of shop", "Build Tools/x", "BUILD 1", "my BUILD 2x"}) {
    Hello(std::string("t/") + folder);
    dialogs_.shown.clear();
    form_.RunCommand(0);
    EXPECT_EQ(dialogs_.shown, std::vector<std::string>{}) << folder;
    EXPECT_NE(progress_.Caption().find("OK!!!"), std::string::npos) << folder;
    // The project now is its build copy, in a folder Kestrix made: building it asks first.
    dialogs_.shown.clear();
    form_.RunCommand(0);
    EXPECT_EQ(dialogs_.shown.size(), 1u) << folder;  // its own build is one
    EXPECT_EQ(progress_.Caption(), "Project Hello build CANCELED.") << folder;
  }
}

}  // namespace
}  // namespace kestrix::driver
