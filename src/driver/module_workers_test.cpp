// Modules worked on several threads at once: the status window sees what a pass module after
// module shows, and the modules end up as they do then.

#include "driver/module_workers.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "driver/driver_test_support.h"
#include "platform/system/file_io.h"
#include "platform/vbfiles/file_component.h"

namespace kestrix::driver {
namespace {

using host::StatusOutput;

// Uneven work, so that indices finish out of order.
void Wait(int32_t i) {
  std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 13 * 150));
}

TEST(RunInOrderTest, PlaysEachRecordingInOrderWhateverFinishesFirst) {
  for (unsigned threads : {0u, 1u, 2u, 4u, 16u}) {
    StatusModel real;
    real.SetText(StatusOutput::kProjectField, "P");
    std::vector<int32_t> played;
    RunInOrder(
        40, threads, real,
        [](int32_t i, RecordedStatus& status) {
          Wait(i);
          status.SetText(StatusOutput::kModuleField, "m" + std::to_string(i));
          // What was told is read back; what was not, as the real window had it.
          status.AddRow({status.Text(StatusOutput::kProjectField),
                         status.Text(StatusOutput::kModuleField), "", "", ""});
          status.SetProgressMax(StatusOutput::kLinesBar, i + 1);
          status.SetProgressValue(StatusOutput::kLinesBar, i);
        },
        [&](int32_t i, const RecordedStatus& status) {
          played.push_back(i);
          status.PlayInto(real);
          return true;
        });
    ASSERT_EQ(played.size(), 40u) << threads;
    ASSERT_EQ(real.Rows().size(), 40u);
    for (int32_t i = 0; i < 40; ++i) {
      EXPECT_EQ(played[static_cast<size_t>(i)], i);
      EXPECT_EQ(real.Rows()[static_cast<size_t>(i)].project, "P");
      EXPECT_EQ(real.Rows()[static_cast<size_t>(i)].module, "m" + std::to_string(i));
    }
    EXPECT_EQ(real.Text(StatusOutput::kModuleField), "m39");
  }
}

TEST(RunInOrderTest, AFailureIsThrownAfterWhatCameBeforeIt) {
  for (unsigned threads : {1u, 3u}) {
    StatusModel real;
    std::vector<int32_t> played;
    std::atomic<int32_t> worked_past{0};
    EXPECT_THROW(RunInOrder(
                     30, threads, real,
                     [&](int32_t i, RecordedStatus&) {
                       Wait(i);
                       if (i == 11) throw std::runtime_error("eleven");
                       if (i > 11) ++worked_past;
                     },
                     [&](int32_t i, const RecordedStatus&) {
                       played.push_back(i);
                       return true;
                     }),
                 std::runtime_error);
    ASSERT_EQ(played.size(), 11u) << threads;
    EXPECT_EQ(played.back(), 10);
    // Only what was handed out before the failure was worked: not the whole rest.
    EXPECT_LT(worked_past.load(), 18);
  }
}

TEST(RunInOrderTest, AStopFromThePlayerEndsIt) {
  StatusModel real;
  std::vector<int32_t> played;
  RunInOrder(
      25, 4, real, [](int32_t i, RecordedStatus&) { Wait(i); },
      [&](int32_t i, const RecordedStatus&) {
        played.push_back(i);
        return i < 6;
      });
  EXPECT_EQ(played, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
}

// The build and clean commands over the example group on one thread and on four: the same
// rows, questions and captions, and the same code in every module.
class TogetherTest : public RunCommandTest {
 protected:
  struct Run {
    std::vector<host::StatusRow> rows;
    std::vector<std::string> shown;
    std::string caption;
    std::vector<std::string> code;  // every component's, in order
    Outcome outcome = Outcome::kOk;
  };

  // With `saved_hook`, the form calls it with each component it has saved into its build
  // folder; the code of the components is not gathered then.
  Run RunWith(unsigned threads, int32_t mode, const std::string& copy, bool read_only,
              bool into_folder = false,
              const std::function<void(host::Component&)>& saved_hook = {}) {
    const std::string shop = testing::CopyTree(shop_, dir_.Path(copy));
    if (read_only) testing::SetMode(shop + "/App/Modules/modShop.bas", 0444);
    vbfiles::FileIde ide;
    ide.Open(shop + "/Shop.vbg");
    ScriptedDialogs dialogs;
    dialogs.answers = {MsgResult::kOk};  // past the read-only module
    StatusModel progress;
    system::FileSettingsStore settings(dir_.Path(copy + "-settings"));  // its own build numbers
    FormServices services{settings, dialogs, shell_, progress, {}, threads};
    frmAddIn form(services);
    form.vbinstance = &ide;
    form.Connect = &connection_;
    form.options().Option1 = kScopeGroup;
    form.options().Check2 = into_folder ? 1 : 0;
    form.options().Check3 = 1;
    form.options().Dir1 = dir_.Path("builds");  // named alike in the rows of every run
    if (saved_hook) form.SetComponentSavedHook(saved_hook);
    Run run;
    run.outcome = form.RunCommand(kModeBuild);
    if (mode == kModeClean) run.outcome = form.RunCommand(kModeClean);
    run.rows.assign(progress.Rows().begin(), progress.Rows().end());
    run.shown = dialogs.shown;
    run.caption = progress.Caption();
    if (std::filesystem::exists(dir_.Path("builds"))) {
      std::filesystem::rename(dir_.Path("builds"), dir_.Path(copy + "-builds"));
    }
    for (int32_t p = 1; p <= ide.Count() && !saved_hook; ++p) {
      host::Components& components = ide.Item(p).VBComponents();
      for (int32_t c = 1; c <= components.Count(); ++c)
        run.code.push_back(components.Item(c).Name() + "\n" + CodeOf(components.Item(c)));
    }
    return run;
  }

  static void ExpectSame(const Run& one, const Run& four) {
    EXPECT_EQ(one.outcome, four.outcome);
    EXPECT_EQ(one.caption, four.caption);
    EXPECT_EQ(one.shown, four.shown);
    ASSERT_EQ(one.rows.size(), four.rows.size());
    for (size_t i = 0; i < one.rows.size(); ++i) {
      const host::StatusRow &a = one.rows[i], &b = four.rows[i];
      EXPECT_EQ(a.project + "|" + a.module + "|" + a.member + "|" + a.lines + "|" + a.notes,
                b.project + "|" + b.module + "|" + b.member + "|" + b.lines + "|" + b.notes);
    }
    EXPECT_EQ(one.code, four.code);
  }
};

TEST_F(TogetherTest, BuildAndCleanOnFourThreadsAsOnOne) {
  for (int32_t mode : {kModeBuild, kModeClean}) {
    const std::string m = std::to_string(mode);
    Run one = RunWith(1, mode, "one" + m, false);
    Run four = RunWith(4, mode, "four" + m, false);
    EXPECT_EQ(one.outcome, Outcome::kOk);
    EXPECT_GT(one.rows.size(), 10u);
    ExpectSame(one, four);
  }
}

// Saved into their build folders on several threads: the same files, byte for byte.
TEST_F(TogetherTest, BuildFoldersAsOneAfterAnother) {
  Run one = RunWith(1, kModeBuild, "one", false, true);
  Run four = RunWith(4, kModeBuild, "four", false, true);
  EXPECT_EQ(one.outcome, Outcome::kOk);
  ExpectSame(one, four);
  auto files_one = testing::FilesBelow(dir_.Path("one-builds"));
  EXPECT_GT(files_one.size(), 10u);
  EXPECT_TRUE(files_one == testing::FilesBelow(dir_.Path("four-builds")));
}

// A front end may let each component's code go as soon as its copy is saved, on the threads
// that save: every component is handed over once, after its file is written whole.
TEST_F(TogetherTest, EachSavedComponentIsHandedOverOnce) {
  std::mutex mutex;
  std::map<std::string, int> saved;
  auto release = [&](host::Component& component) {
    std::string name = component.Collection().Name() + "." + component.Name();
    // Handed over after the save: the copy is there, and nothing reads the code again.
    ASSERT_FALSE(component.FileNames(1).empty());
    ASSERT_TRUE(std::filesystem::exists(component.FileNames(1))) << name;
    static_cast<vbfiles::FileComponent&>(component).ReleaseCode();
    std::lock_guard<std::mutex> lock(mutex);
    ++saved[name];
  };
  Run one = RunWith(1, kModeBuild, "one", false, true);
  Run four = RunWith(4, kModeBuild, "four", false, true, release);
  EXPECT_EQ(four.outcome, Outcome::kOk);
  EXPECT_EQ(four.caption, one.caption);
  EXPECT_TRUE(testing::FilesBelow(dir_.Path("one-builds")) ==
              testing::FilesBelow(dir_.Path("four-builds")));
  EXPECT_EQ(saved.size(), one.code.size());  // every component of every project
  for (const auto& [name, times] : saved)
    EXPECT_EQ(times, 1) << name;
}

TEST_F(TogetherTest, AReadOnlyModuleIsAskedAboutInItsTurn) {
  Run one = RunWith(1, kModeBuild, "one", true);
  Run four = RunWith(4, kModeBuild, "four", true);
  ASSERT_EQ(one.shown.size(), 1u);
  EXPECT_NE(one.shown[0].find("modShop is READONLY"), std::string::npos);
  ExpectSame(one, four);
}

}  // namespace
}  // namespace kestrix::driver
