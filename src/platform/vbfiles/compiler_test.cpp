#include "platform/vbfiles/compiler.h"

#include <gtest/gtest.h>

#include "platform/system/environment.h"

namespace kestrix::vbfiles {
namespace {

using system::ToNativePath;
using system::WindowsProgramPath;

// Each placeholder fills part of its one word, in the system's form or a Windows program's.
TEST(ExpandCompilerCommand, PlaceholdersFillTheirWord) {
  const std::string project = "/w/My App/BUILD 3/App.vbp";
  const std::string exe = "/w/My App/BUILD 3/bin/App.exe";
  std::vector<std::string> words;
  std::string error;
  ASSERT_TRUE(
      ExpandCompilerCommand("vb6 /make {project} /outdir {outdir_win} /out:{log} {log_win} {exe}x",
                            project, exe, words, error))
      << error;
  const std::vector<std::string> expected = {"vb6",
                                             "/make",
                                             ToNativePath(project),
                                             "/outdir",
                                             WindowsProgramPath("/w/My App/BUILD 3/bin"),
                                             "/out:" + ToNativePath(exe + ".log"),
                                             WindowsProgramPath(exe + ".log"),
                                             ToNativePath(exe) + "x"};
  EXPECT_EQ(words, expected);
  EXPECT_FALSE(ExpandCompilerCommand("   ", project, exe, words, error));
  EXPECT_FALSE(ExpandCompilerCommand("vb6 'open", project, exe, words, error));
}

// The installed VB6.EXE is one word however many blanks its folder holds, and its log is named.
TEST(ExpandCompilerCommand, InstalledCompilerIsOneWord) {
  const std::string vb6 = "C:/Program Files (x86)/Microsoft Visual Studio/VB98/VB6.EXE";
  std::vector<std::string> words;
  std::string error;
  ASSERT_TRUE(
      ExpandCompilerCommand(InstalledCompilerCommand(vb6), "/p/A.vbp", "/p/A.exe", words, error));
  const std::vector<std::string> expected = {
      ToNativePath(vb6),  "/make", ToNativePath("/p/A.vbp"),    "/outdir",
      ToNativePath("/p"), "/out",  ToNativePath("/p/A.exe.log")};
  EXPECT_EQ(words, expected);
}

}  // namespace
}  // namespace kestrix::vbfiles
