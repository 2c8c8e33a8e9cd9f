// The build and clean commands over the example projects: real files in a temporary
// folder, the real settings store (under a temporary XDG_CONFIG_HOME), message boxes
// answered from a script.

#include "driver/driver_test_support.h"
#include "driver/report_modules.h"
#include "platform/system/file_io.h"
#include "platform/vbfiles/file_project.h"

namespace kestrix::driver {
namespace {

using testing::ReadFile;

TEST_F(RunCommandTest, NotConnected) {
  form_.Connect = nullptr;
  for (int32_t mode : {kModeBuild, kModeClean})
    EXPECT_EQ(form_.RunCommand(mode), Outcome::kFailed);
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>(2, "Kestrix: Addin not connected to IDE!!"));
  EXPECT_FALSE(progress_.Loaded());
}

TEST_F(RunCommandTest, ActiveModuleScope) {
  form_.options().Option1 = kScopeActiveModule;
  EXPECT_EQ(form_.RunCommand(kModeBuild), Outcome::kRefused);  // no code window is active
  EXPECT_EQ(dialogs_.shown, std::vector<std::string>{"Kestrix: There isn't an active module."});
  EXPECT_FALSE(progress_.Loaded());

  host::Component& util = ComponentNamed(Shop(), "modUtil");
  std::string original = CodeOf(util);
  ide_.SetActiveCodePane(&util);
  EXPECT_EQ(form_.RunCommand(kModeBuild), Outcome::kOk);
  EXPECT_EQ(progress_.Caption(), "Done.");
  EXPECT_NE(CodeOf(util).find("KestrixLocalHandler"), std::string::npos);
  EXPECT_EQ(CodeOf(ComponentNamed(Shop(), "modShop")).find("KestrixLocalHandler"),
            std::string::npos);
  // The report modules come in, with no build number, and no file of their own.
  host::Component& module = ComponentNamed(Shop(), "KestrixErrorHandler");
  EXPECT_EQ(module.GetCodeModule()->Lines(1, 1), "Private Const BUILDNUMBER=\"N/A\"");
  EXPECT_EQ(module.FileNames(1), "");
  EXPECT_TRUE(ComponentExists(Shop(), "kestrix", host::ComponentType::kVBForm));

  EXPECT_EQ(form_.RunCommand(kModeClean), Outcome::kOk);  // leaves the added modules
  EXPECT_EQ(CodeOf(util), original);
  EXPECT_TRUE(ComponentExists(Shop(), "kestrix", host::ComponentType::kStdModule));
}

TEST_F(RunCommandTest, MissingTemplateStopsBuildsButNotCleans) {
  FakeShell empty(dir_.Path("nowhere"));
  frmAddIn form({settings_, dialogs_, empty, progress_, {}});
  form.vbinstance = &ide_;
  form.Connect = &connection_;
  form.RunCommand(0);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0],
            "Kestrix: Unable to read file " + dir_.Path("nowhere") + "/config/LocalHandler.txt");
  EXPECT_FALSE(progress_.Loaded());
  form.RunCommand(1);
  EXPECT_EQ(progress_.Caption(), "Project Shop CLEANED.");
}

// A handler template saved with LF or CR line ends gives the same code as the shipped one.
TEST_F(RunCommandTest, TemplateLineEndsDoNotMatter) {
  host::Component& util = ComponentNamed(Shop(), "modUtil");
  std::string original = CodeOf(util);
  ide_.SetActiveCodePane(&util);
  form_.options().Option1 = kScopeActiveModule;
  ASSERT_EQ(form_.RunCommand(kModeBuild), Outcome::kOk);
  std::string expected = CodeOf(util);
  ASSERT_EQ(form_.RunCommand(kModeClean), Outcome::kOk);
  ASSERT_EQ(CodeOf(util), original);

  std::string crlf = ReadFile(testing::SourceDir() + "/config/LocalHandler.txt");
  for (std::string line_end : {"\n", "\r"}) {
    std::string program = dir_.Path(line_end == "\n" ? "program-lf" : "program-cr");
    testing::CopyTree(testing::SourceDir() + "/config", program + "/config");
    std::string text = crlf, error;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
      text.replace(at, 2, line_end);
    ASSERT_TRUE(system::WriteFileAtomic(program + "/config/LocalHandler.txt", text, error));
    FakeShell shell(program);
    frmAddIn form({settings_, dialogs_, shell, progress_, {}});
    form.vbinstance = &ide_;
    form.Connect = &connection_;
    form.options().Option1 = kScopeActiveModule;
    ASSERT_EQ(form.RunCommand(kModeBuild), Outcome::kOk);
    EXPECT_EQ(CodeOf(util), expected) << (line_end == "\n" ? "LF" : "CR") << " line ends";
    ASSERT_EQ(form.RunCommand(kModeClean), Outcome::kOk);
  }
}

TEST_F(RunCommandTest, ProjectWithoutBuildFolderStaysInMemory) {
  form_.options().Check2 = 0;
  std::string before = ReadFile(ComponentNamed(Shop(), "modShop").FileNames(1));
  form_.RunCommand(0);
  EXPECT_EQ(progress_.Caption(), "OK.");
  EXPECT_TRUE(ComponentNamed(Shop(), "modShop").IsDirty());
  EXPECT_EQ(ReadFile(ComponentNamed(Shop(), "modShop").FileNames(1)), before);
  EXPECT_EQ(ComponentNamed(Shop(), "KestrixErrorHandler").GetCodeModule()->Lines(1, 1),
            "Private Const BUILDNUMBER=\"1\"");
  // The number is counted up only by a build into a folder.
  EXPECT_EQ(settings_.GetSetting("Kestrix", "BuildNumbers", "Shop"), "");
  // A second build finds unsaved modules and refuses, naming the first.
  progress_.Unload();
  dialogs_.shown.clear();
  form_.RunCommand(0);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0],
            "Project Shop: frmMain is not saved.\nSave all modules before building the project.");
  EXPECT_EQ(Notes(), "Skipped (Unsaved modules)");
}

// Keeps every caption, and the project field at the time it was set.
class CaptionLog final : public StatusListener {
 public:
  explicit CaptionLog(const StatusModel& model) : model_(model) {}
  void OnCaption(const std::string& caption) override {
    std::string line = model_.Text(host::StatusOutput::kProjectField) + ": " + caption;
    if (lines.empty() || lines.back() != line) lines.push_back(line);
  }
  std::vector<std::string> lines;

 private:
  const StatusModel& model_;
};

// In a group, the caption says a project is being processed while it is, and then how it
// ended: a project that is refused does not leave "Processing" nor the result of the one
// before it.
TEST_F(RunCommandTest, EachProjectOfAGroupHasItsOwnCaption) {
  form_.options().Option1 = 0;
  host::Project& lib = ide_.Item(2);
  ComponentNamed(lib, "modLib").GetCodeModule()->InsertLines(1, "' edited, not saved");
  CaptionLog log(progress_);
  progress_.AddListener(&log);
  // A front end that is done with a project (after its caption, before the next) may let
  // its code go; the projects after it are built all the same.
  std::vector<std::string> done;
  form_.SetProjectDoneHook([&](host::Project& project) {
    done.push_back(project.Name() + ": " + progress_.Caption());
    static_cast<vbfiles::FileProject&>(project).ReleaseCode();
  });
  form_.RunCommand(0);
  progress_.RemoveListener(&log);
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{
                ": Processing......", "Shop: Processing......", "Shop: Project Shop BUILD 1 OK!!!",
                "ShopLib: Processing......", "ShopLib: Project ShopLib build SKIPPED."}));
  EXPECT_EQ(done, (std::vector<std::string>{"Shop: Project Shop BUILD 1 OK!!!",
                                            "ShopLib: Project ShopLib build SKIPPED."}));
  EXPECT_NE(Notes().find("Skipped (Unsaved modules)"), std::string::npos) << Notes();
  host::Component& released = ComponentNamed(Shop(), "modUtil");
  EXPECT_EQ(released.GetCodeModule(), nullptr);
  EXPECT_THROW(released.SaveAs(dir_.Path("again.bas")), host::IdeError);
}

TEST_F(RunCommandTest, ProgrammerDetailsBecomeValidLiterals) {
  settings_.SaveSetting("Kestrix", "Settings", "Programmer", "Ann \"The Fixer\" Lee");
  settings_.SaveSetting("Kestrix", "Settings", "Email", "ann@example.com\r\nBcc: x");
  bool ok = false;
  form_.AddErrorReportModules(Shop(), 7, ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(CodeOf(ComponentNamed(Shop(), "frmKestrixReport")).substr(0, 90),
            std::string("Private Const YourEmailAddr=\"ann@example.com Bcc: x\"\r\n"
                        "Private Const YourName=\"Ann \"\"The Fixer\"\" Lee\"")
                .substr(0, 90));
  // A second call adds nothing; a module named in lower case counts.
  int32_t count = Shop().VBComponents().Count();
  form_.AddErrorReportModules(Shop(), 8, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Shop().VBComponents().Count(), count);
  form_.RemoveAddedComponents(Shop());
  EXPECT_EQ(Shop().VBComponents().Count(), count - 2);
}

// The outcome a command returns is what front ends act on (kestrix-batch's exit code): it is
// set where the command decides, whatever the status rows and message boxes say.
enum class Arrange {
  kNothing,
  kUnsaved,
  kBuildCopy,
  kReadOnly,
  kBadNumber,
  kNoFolder,
  kBadCompile
};
struct OutcomeCase {
  const char* what;
  Arrange arrange;
  int32_t mode;
  Outcome expected;
};

class OutcomeTest : public RunCommandTest, public ::testing::WithParamInterface<OutcomeCase> {
 protected:
  // Sets the case up; a module made read-only or a compiler set needs the group loaded again.
  void Arrange(Arrange what) {
    std::string compiler = "'" + testing::StandInCompiler() + "' /exit 3";
    switch (what) {
      case Arrange::kNothing:
        return;
      case Arrange::kUnsaved:
        ComponentNamed(Shop(), "modUtil").GetCodeModule()->InsertLines(1, "'");
        return;
      case Arrange::kBuildCopy:
        ASSERT_EQ(form_.RunCommand(kModeBuild), Outcome::kOk);
        return;
      case Arrange::kReadOnly:
        testing::SetMode(shop_ + "/App/Modules/modUtil.bas", 0444);
        dialogs_.answers.push_back(MsgResult::kCancel);
        break;
      case Arrange::kBadNumber:
        settings_.SaveSetting("Kestrix", "BuildNumbers", "Shop", "x");
        return;
      case Arrange::kNoFolder:
        form_.options().Check3 = 1;
        form_.options().Dir1 = dir_.Write("root", "a file, not a folder");
        return;
      case Arrange::kBadCompile:
        break;
    }
    reloaded_.Open(shop_ + "/Shop.vbg");
    if (what == Arrange::kBadCompile) reloaded_.SetCompiler(compiler);
    form_.vbinstance = &reloaded_;
  }
  vbfiles::FileIde reloaded_;
};

TEST_P(OutcomeTest, EveryEndHasItsOutcome) {
  const OutcomeCase& c = GetParam();
  Arrange(c.arrange);
  progress_.Unload();
  EXPECT_EQ(form_.RunCommand(c.mode), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, OutcomeTest,
    ::testing::Values(
        OutcomeCase{"build", Arrange::kNothing, kModeBuild, Outcome::kOk},
        OutcomeCase{"clean", Arrange::kNothing, kModeClean, Outcome::kOk},
        OutcomeCase{"unsaved modules", Arrange::kUnsaved, kModeBuild, Outcome::kRefused},
        OutcomeCase{"No to a build copy", Arrange::kBuildCopy, kModeBuild, Outcome::kCanceled},
        OutcomeCase{"Cancel at read-only", Arrange::kReadOnly, kModeBuild, Outcome::kCanceled},
        OutcomeCase{"bad build number", Arrange::kBadNumber, kModeBuild, Outcome::kFailed},
        OutcomeCase{"no build folder", Arrange::kNoFolder, kModeBuild, Outcome::kFailed},
        OutcomeCase{"failed compile", Arrange::kBadCompile, kModeBuild, Outcome::kFailed}));

}  // namespace
}  // namespace kestrix::driver
