#include "platform/system/process.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace kestrix::system {
namespace {

TEST(SplitCommandLine, QuotesAndBackslashes) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"  \t ", {}},
      {"a  b\tc", {"a", "b", "c"}},
      {R"(wine "C:\VB98\VB6.EXE" /make "{project_win}")",
       {"wine", R"(C:\VB98\VB6.EXE)", "/make", "{project_win}"}},
      {R"(C:\VB98\VB6.EXE \\server\share)", {R"(C:\VB98\VB6.EXE)", R"(\\server\share)"}},
      {R"('it''s' "say \"hi\"" a\ b a\"b)", {"its", R"(say "hi")", "a b", R"(a"b)"}},
      {R"(/out:"a b" x'"'y "" '')", {"/out:a b", R"(x"y)", "", ""}},
      {R"('C:\dir\' $(touch x) `y` ; | > &)",
       {R"(C:\dir\)", "$(touch", "x)", "`y`", ";", "|", ">", "&"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_TRUE(SplitCommandLine(c.line, words, error)) << c.line;
    EXPECT_EQ(words, c.words) << c.line;
  }
  for (const char* bad : {"a \"b", "'a", R"("C:\dir\")"}) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitCommandLine(bad, words, error)) << bad;
    EXPECT_NE(error.find("unclosed"), std::string::npos) << bad;
  }
}

// What the C runtime's parser gives back, rule by rule.
TEST(CommandLineOf, QuotesOnlyWhatNeedsIt) {
  struct Case {
    std::vector<std::string> words;
    const char* line;
  } cases[] = {
      {{"C:/VB98/VB6.EXE", "/make", "a.vbp"}, R"("C:\VB98\VB6.EXE" /make a.vbp)"},
      {{"p", "a b", "", R"(\t)"}, R"("p" "a b" "" \t)"},
      {{"p", R"(say "hi")", R"(C:\dir\)", R"(C:\my dir\)", R"(a\"b)"},
       R"("p" "say \"hi\"" C:\dir\ "C:\my dir\\" "a\\\"b")"},
      {{"p", "$(x) & | > %PATH%"}, R"("p" "$(x) & | > %PATH%")"},
  };
  for (const auto& c : cases) {
#ifndef _WIN32
    if (c.words[0].find('/') != std::string::npos) continue;  // names stay as given here
#endif
    EXPECT_EQ(CommandLineOf(c.words), c.line);
  }
}

// The words reach a program of the suite's own one by one, whatever they hold; a program that
// fails gives its exit code and its standard error.
TEST(RunProcess, StandInGetsItsWordsAndExitCode) {
  testing::TempDir dir;
  std::string program = testing::StandInCompiler();
  std::string hostile = "$(touch " + dir.Path("INJECTED") + ") & echo x > " + dir.Path("INJECTED");
  ProcessResult run = RunProcess(
      {program, "/args", "a b", hostile, "\"q'", "", "C:\\dir\\", "a\\\"b", "%PATH%"}, 1000);
  ASSERT_TRUE(run.started) << run.error;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.output, "[a b][" + hostile + "][\"q'][][C:\\dir\\][a\\\"b][%PATH%]");
  EXPECT_FALSE(testing::FileExists(dir.Path("INJECTED")));

  ProcessResult failed = RunProcess({program, "/exit", "3", "oops"}, 1000);
  EXPECT_TRUE(failed.exited);
  EXPECT_EQ(failed.exit_code, 3);
  EXPECT_EQ(failed.output, "oops");
}

#ifdef _WIN32
TEST(RunProcess, BatchFilesAreRefused) {
  for (const char* program : {"build.bat", "C:/tools/Make.CMD"}) {
    ProcessResult run = RunProcess({program, "x"}, 1000);
    EXPECT_FALSE(run.started) << program;
    EXPECT_NE(run.error.find("batch file"), std::string::npos) << run.error;
  }
}
#endif

TEST(RunProcess, MissingProgramAndBoundedOutput) {
#ifdef _WIN32
  GTEST_SKIP() << "head and /dev/zero are POSIX's";
#endif
  ProcessResult missing = RunProcess({"kestrix-no-such-program"}, 1000);
  EXPECT_FALSE(missing.started);
  EXPECT_EQ(missing.error, "No such file or directory");

  ProcessResult big = RunProcess({"head", "-c", "3000000", "/dev/zero"}, 1000);
  EXPECT_TRUE(big.exited);
  EXPECT_EQ(big.exit_code, 0);
  EXPECT_EQ(big.output.size(), 1000u);
  EXPECT_TRUE(big.output_cut);

  EXPECT_FALSE(RunProcess({}, 10).started);
}

}  // namespace
}  // namespace kestrix::system
