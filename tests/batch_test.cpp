// kestrix-batch as a user runs it: the built program, on a copy of the example group, with
// its settings in a temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/test_support.h"

namespace kestrix {
namespace {

namespace fs = std::filesystem;
using testing::FilesBelow;
using testing::ReadFile;
using testing::SetMode;

struct RunResult {
  int status = -1;
  std::string out;  // standard output; standard error goes to err
  std::string err;
};

class BatchTest : public ::testing::Test {
 protected:
  BatchTest() {
    shop_ = testing::CopyTree(testing::SourceDir() + "/examples/Shop", dir_.Path("Shop"));
    original_ = testing::CopyTree(shop_, dir_.Path("original"));
  }

  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "these run kestrix-batch through a POSIX shell; on Windows "
                    "scripts/compare-windows runs the program on the examples";
#endif
  }

  // Runs kestrix-batch with `args` (already quoted for the shell).
  RunResult Batch(const std::string& args) {
#ifdef _WIN32
    (void)args;
    return {};
#else
    std::string err_file = dir_.Path("stderr.txt");
    std::string command = "cd '" + dir_.path() + "' && XDG_CONFIG_HOME='" + dir_.Path("home") +
                          "' '" + std::string(KESTRIX_BIN_DIR) + "/kestrix-batch' " + args +
                          " 2>'" + err_file + "'";
    testing::ShellResult run = testing::RunShell(command);
    return {run.status, run.out, ReadFile(err_file)};
#endif
  }

  // The Notes cells of the tsv rows, joined with " / ".
  static std::string Notes(const std::string& tsv) {
    std::string notes;
    size_t pos = 0;
    while ((pos = tsv.find("row\t", pos)) != std::string::npos) {
      size_t end = tsv.find('\n', pos);
      std::string line = tsv.substr(pos, end - pos);
      notes += (notes.empty() ? "" : " / ") + line.substr(line.rfind('\t') + 1);
      pos = end;
    }
    return notes;
  }

  std::string Caption(const std::string& tsv) {
    size_t at = tsv.rfind("caption\t");
    return at == std::string::npos ? "" : tsv.substr(at + 8, tsv.find('\n', at) - at - 8);
  }

  testing::TempDir dir_;
  std::string shop_;
  std::string original_;
};

TEST_F(BatchTest, UsageAndBadInput) {
  EXPECT_EQ(Batch("--help").status, 0);
  EXPECT_EQ(Batch("").status, 2);
  EXPECT_EQ(Batch("build Shop/App/Shop.vbp --scope everything").status, 2);
  RunResult missing = Batch("build Shop/App/Nope.vbp");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("Nope.vbp"), std::string::npos);
  dir_.Write("Shop/App/Broken.vbp", "Type=Exe\r\nModule=NoSemicolon\r\n");
  RunResult broken = Batch("build Shop/App/Broken.vbp");
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.err.find("Broken.vbp(2)"), std::string::npos) << broken.err;
  for (const char* jobs : {"0", "-1", "x", "257", ""}) {
    RunResult bad = Batch(std::string("build Shop/Shop.vbg --jobs '") + jobs + "'");
    EXPECT_EQ(bad.status, 2) << jobs;
    EXPECT_NE(bad.err.find("--jobs takes"), std::string::npos) << bad.err;
  }
}

// One module after another or several at once: the same rows, the same diff.
TEST_F(BatchTest, JobsChangeNothingButTheTime) {
  RunResult one =
      Batch("build Shop/Shop.vbg --scope group --no-build --diff --format tsv --jobs 1");
  ASSERT_EQ(one.status, 0) << one.err;
  RunResult many =
      Batch("build Shop/Shop.vbg --scope group --no-build --diff --format tsv --jobs 8");
  EXPECT_EQ(many.status, 0) << many.err;
  EXPECT_EQ(one.out, many.out);
  EXPECT_NE(one.out.find("KestrixLocalHandler"), std::string::npos);
}

TEST_F(BatchTest, ModuleScopeInstrumentsSavesAndCleansBack) {
  RunResult build =
      Batch("build Shop/App/Shop.vbp --scope module --module modUtil --save --format tsv");
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(Caption(build.out), "Done.");
  EXPECT_NE(Notes(build.out).find("Ok"), std::string::npos);
  std::string util = ReadFile(shop_ + "/App/Modules/modUtil.bas");
  EXPECT_NE(util.find("KestrixLocalHandler:"), std::string::npos);
  // The added modules are saved beside the project file and named in it; config/ untouched.
  EXPECT_TRUE(fs::exists(shop_ + "/App/KestrixErrorHandler.bas"));
  EXPECT_TRUE(fs::exists(shop_ + "/App/frmKestrixReport.frm"));
  EXPECT_NE(ReadFile(shop_ + "/App/Shop.vbp").find("KestrixErrorHandler.bas"), std::string::npos);

  RunResult clean = Batch("clean Shop/App/Shop.vbp --scope module --module modUtil --save");
  ASSERT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(ReadFile(shop_ + "/App/Modules/modUtil.bas"),
            ReadFile(original_ + "/App/Modules/modUtil.bas"));
}

// --save writes nothing unless it can write everything, and nothing after a Cancel: the
// originals are never left half instrumented.
TEST_F(BatchTest, SaveWritesAllOrNothing) {
  auto before = FilesBelow(shop_);
  SetMode(shop_ + "/App/Modules/modUtil.bas", 0444);
  RunResult canceled = Batch("build Shop/App/Shop.vbp --no-build --save --format tsv");
  EXPECT_EQ(canceled.status, 1);
  EXPECT_NE(Notes(canceled.out).find("CANCELED"), std::string::npos);
  EXPECT_NE(canceled.err.find("nothing saved"), std::string::npos) << canceled.err;
  EXPECT_TRUE(FilesBelow(shop_) == before);

  SetMode(shop_ + "/App/Modules/modUtil.bas", 0644);
  SetMode(shop_ + "/App/Shop.vbp", 0444);
  RunResult read_only = Batch("build Shop/App/Shop.vbp --no-build --save --format tsv");
  EXPECT_EQ(read_only.status, 1);
  EXPECT_NE(read_only.err.find("Shop.vbp: the file is read-only"), std::string::npos)
      << read_only.err;
  EXPECT_EQ(read_only.err.find("saved "), std::string::npos) << read_only.err;
  EXPECT_TRUE(FilesBelow(shop_) == before);
}

// Build into BUILD 1, then clean the build copy: every file comes back byte for byte, the
// project file too (the report modules' lines go with the modules).
TEST_F(BatchTest, BuildThenCleanTheCopyGivesBackTheOriginals) {
  RunResult build = Batch("build Shop/Shop.vbg --scope group --format tsv");
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(Caption(build.out), "Project ShopLib BUILD 1 OK!!!");
  // A file outside the project's folder is copied into the build, never beside its original.
  EXPECT_TRUE(fs::exists(shop_ + "/Lib/BUILD 1/Outside/Up/Shared/Common.bas"));
  EXPECT_FALSE(fs::exists(shop_ + "/Shared/BUILD 1"));
  for (const char* project : {"App/BUILD 1/Shop.vbp", "Lib/BUILD 1/ShopLib.vbp"}) {
    RunResult clean = Batch(std::string("clean 'Shop/") + project + "' --save --format tsv");
    ASSERT_EQ(clean.status, 0) << clean.err;
  }
  for (const char* file :
       {"App/Shop.vbp", "App/Forms/frmMain.frm", "App/Forms/frmMain.frx", "App/PriceBox.ctx",
        "App/Modules/modShop.bas", "App/clsLog.cls", "Lib/Order.cls", "Lib/modLib.bas"}) {
    std::string name(file);
    std::string copy = shop_ + "/" + name.insert(name.find('/'), "/BUILD 1");
    EXPECT_TRUE(ReadFile(copy) == ReadFile(original_ + "/" + file)) << file;
  }
  EXPECT_TRUE(ReadFile(shop_ + "/Lib/BUILD 1/Outside/Up/Shared/Common.bas") ==
              ReadFile(original_ + "/Shared/Common.bas"));
  // The library's build refers to its own copy of the shared module.
  EXPECT_NE(ReadFile(shop_ + "/Lib/BUILD 1/ShopLib.vbp")
                .find("Module=modCommon; Outside\\Up\\Shared\\Common.bas"),
            std::string::npos);
}

TEST_F(BatchTest, BuildingABuildCopyAsksFirst) {
  ASSERT_EQ(Batch("build Shop/App/Shop.vbp").status, 0);
  RunResult no = Batch("build 'Shop/App/BUILD 1/Shop.vbp' --format tsv");
  EXPECT_EQ(no.status, 1);
  EXPECT_EQ(Notes(no.out), "CANCELED");
  EXPECT_FALSE(fs::exists(shop_ + "/App/BUILD 1/BUILD 2"));
  RunResult yes = Batch("build 'Shop/App/BUILD 1/Shop.vbp' --yes --format tsv");
  EXPECT_EQ(yes.status, 0) << yes.err;
  EXPECT_EQ(Caption(yes.out), "Project Shop BUILD 2 OK!!!");
}

// check: one line per problem, then a summary; 0 when clean, 1 with errors (warnings alone
// pass), 2 for input that does not load. Nothing is written.
TEST_F(BatchTest, CheckReportsProblemsAndChangesNothing) {
  RunResult clean = Batch("check Shop/Shop.vbg");
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(clean.out, "0 errors, 0 warnings in 12 components\n");

  const std::string util = shop_ + "/App/Modules/modUtil.bas";
  std::string bytes = ReadFile(util);
  const auto first = std::count(bytes.begin(), bytes.end(), '\n') + 1;
  dir_.Write("Shop/App/Modules/modUtil.bas", bytes + "Sub Broken()\r\n65530 GoTo Nowhere\r\n");
  auto before = FilesBelow(shop_);
  RunResult broken = Batch("check Shop/App/Shop.vbp");
  EXPECT_EQ(broken.status, 1);
  auto at = [&](long line) { return util + "(" + std::to_string(first + line) + "): "; };
  EXPECT_EQ(broken.out, at(0) + "Expected End Sub\n" + at(1) +
                            "warning: Line number above 65529 is not returned by Erl\n" + at(1) +
                            "Label not defined\n2 errors, 1 warning in 6 components\n");
  EXPECT_TRUE(FilesBelow(shop_) == before);

  dir_.Write("Shop/App/Modules/modUtil.bas", bytes + "Sub Warned()\r\n65530 x = 1\r\nEnd Sub\r\n");
  RunResult warned = Batch("check Shop/App/Shop.vbp");
  EXPECT_EQ(warned.status, 0);
  EXPECT_NE(warned.out.find("0 errors, 1 warning in 6 components"), std::string::npos);

  EXPECT_EQ(Batch("check Shop/App/Nope.vbp").status, 2);
  dir_.Write("Shop/App/Missing.vbp", "Type=Exe\r\nModule=Gone; Gone.bas\r\n");
  EXPECT_EQ(Batch("check Shop/App/Missing.vbp").status, 2);
}

// A build that fails its check cites the user's file and line, the copy's in parentheses;
// a project listing one module twice fails both the check and the build, at the project
// file's line of the second entry.
TEST_F(BatchTest, CheckedBuildCitesTheOriginalsLines) {
  const std::string util = shop_ + "/App/Modules/modUtil.bas";
  std::string bytes = ReadFile(util);
  const auto last = std::count(bytes.begin(), bytes.end(), '\n') + 1;
  dir_.Write("Shop/App/Modules/modUtil.bas", bytes + "Sub Broken()\r\nGoTo Nowhere\r\nEnd Sub\r\n");
  RunResult build = Batch("build Shop/App/Shop.vbp --format tsv");
  EXPECT_EQ(build.status, 1);
  const std::string cited = util + "(" + std::to_string(last + 1) +
                            "): Label not defined (copy: " + shop_ +
                            "/App/BUILD 1/Modules/modUtil.bas(";
  EXPECT_NE(Notes(build.out).find(cited), std::string::npos) << build.out;

  // A second file holding a module of the same name.
  dir_.Write("Shop/App/Modules/modUtil.bas", bytes);
  dir_.Write("Shop/App/Modules/modUtilCopy.bas", bytes);
  std::string project = ReadFile(shop_ + "/App/Shop.vbp");
  dir_.Write("Shop/App/Shop.vbp", "Module=modUtil; Modules\\modUtilCopy.bas\r\n" + project);
  const std::string conflict =
      shop_ +
      "/App/Shop.vbp(10): Name conflicts with existing module, project, or object library: "
      "modUtil (named at line 1 already)";
  RunResult check = Batch("check Shop/App/Shop.vbp");
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, conflict + "\n1 error, 0 warnings in 7 components\n");
  RunResult again = Batch("build Shop/App/Shop.vbp --format tsv");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(Notes(again.out).find(conflict + " (copy: " + shop_ + "/App/BUILD 2/Shop.vbp(10))"),
            std::string::npos)
      << again.out;
}

// config reads and writes settings. A name typed in UTF-8 reaches the built program's
// Windows-1252 source as Windows-1252; what that code page cannot hold is refused.
TEST_F(BatchTest, ConfigStoresTheProgrammerInTheCodePageOfTheSource) {
  EXPECT_EQ(Batch("config Programmer 'Jos\xc3\xa9 M\xc3\xbcller'").status, 0);
  EXPECT_EQ(Batch("config Programmer").out, "Jos\xc3\xa9 M\xc3\xbcller\n");
  EXPECT_NE(Batch("config").out.find("Programmer=Jos\xc3\xa9 M\xc3\xbcller\n"), std::string::npos);
  RunResult cyrillic = Batch("config Programmer '\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd'");
  EXPECT_EQ(cyrillic.status, 2);
  EXPECT_NE(cyrillic.err.find("Windows-1252"), std::string::npos) << cyrillic.err;
  ASSERT_EQ(Batch("build Shop/App/Shop.vbp").status, 0);
  EXPECT_NE(ReadFile(shop_ + "/App/BUILD 1/frmKestrixReport.frm")
                .find("Private Const YourName=\"Jos\xe9 M\xfcller\""),
            std::string::npos);
  RunResult unclosed = Batch("config Compiler 'wine \"C:\\VB98\\VB6.EXE'");
  EXPECT_EQ(unclosed.status, 2);
  EXPECT_NE(unclosed.err.find("unclosed"), std::string::npos) << unclosed.err;
}

// The lines of `text` that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (line.starts_with(prefix)) lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

// The diff names the files relative to the current folder; the real patch program run there
// applies it and gives the bytes --save writes; a NUL byte in a string literal does not end it.
TEST_F(BatchTest, DiffAppliesWithPatchFromTheCurrentFolder) {
  std::string module = shop_ + "/App/Modules/modUtil.bas";
  std::string bytes = ReadFile(module);
  // In a procedure, whose lines the build numbers: the line is part of the diff.
  std::string header = "As Currency) As String\r\n";
  bytes.insert(bytes.find(header) + header.size(), std::string("    Sep = \"a\0b\"\r\n", 17));
  dir_.Write("Shop/App/Modules/modUtil.bas", bytes);
  RunResult run =
      Batch("build Shop/App/Shop.vbp --no-build --scope module --module modUtil --diff");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("--- a/Shop/App/Modules/modUtil.bas\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(std::string("    Sep = \"a\0b\"\r\n", 17)), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("--- /dev/null\n+++ b/Shop/App/KestrixErrorHandler.bas\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(module), bytes);  // a diff writes nothing
  if (std::system("patch --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no patch program";
  dir_.Write("change.diff", run.out.substr(run.out.find("--- a/")));
  std::string patch = "cd '" + dir_.path() + "' && patch -s -p1 < change.diff";
  ASSERT_EQ(std::system(patch.c_str()), 0);
  std::string patched = ReadFile(module);
  ASSERT_EQ(
      Batch("build Shop/App/Shop.vbp --no-build --scope module --module modUtil --save").status, 0);
  EXPECT_EQ(patched, ReadFile(module));
}

TEST_F(BatchTest, JsonStaysJsonWithDiffAndInfo) {
  for (const char* args : {"build Shop/App/Shop.vbp --no-build --diff --format json",
                           "info Shop/Shop.vbg --procs --format json"}) {
    RunResult run = Batch(args);
    ASSERT_EQ(run.status, 0) << args << run.err;
    size_t lines = 0;
    for (const auto& line : LinesStartingWith(run.out, "")) {
      if (line.empty()) continue;
      ++lines;
      EXPECT_TRUE(line.starts_with("{\"type\":\"") && line.ends_with("}")) << args << ": " << line;
    }
    EXPECT_GT(lines, 5u) << args;
  }
  RunResult diff = Batch("build Shop/App/Shop.vbp --no-build --diff --format json");
  EXPECT_EQ(
      LinesStartingWith(diff.out, "{\"type\":\"diff\",\"file\":\"Shop/App/Modules/modUtil.bas\"")
          .size(),
      1u);
}

TEST_F(BatchTest, DoubleDashEndsTheOptionsAndCodePagesAreNamed) {
  dir_.Write("--scope.vbp", "Type=Exe\r\nModule=M; \xD4\xEE.bas\r\n");
  dir_.Write("\xD0\xA4\xD0\xBE.bas", "Attribute VB_Name = \"M\"\r\nSub A()\r\nEnd Sub\r\n");
  RunResult info = Batch("info --format tsv -- --scope.vbp");
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(LinesStartingWith(info.out, "component\t").size(), 1u) << info.out;
  // The bytes D4 EE name another file in code page 1252: the user must choose.
  dir_.Write("\xC3\x94\xC3\xAE.bas", "Attribute VB_Name = \"M\"\r\n");
  RunResult ambiguous = Batch("check -- --scope.vbp");
  EXPECT_EQ(ambiguous.status, 2);
  EXPECT_NE(ambiguous.err.find("--scope.vbp(2): Module file not found"), std::string::npos)
      << ambiguous.err;
  EXPECT_NE(ambiguous.err.find("1251"), std::string::npos) << ambiguous.err;
  EXPECT_EQ(Batch("check --codepage 1251 -- --scope.vbp").status, 0);
  EXPECT_EQ(Batch("check --codepage 12345 -- --scope.vbp").status, 2);
}

}  // namespace
}  // namespace kestrix
