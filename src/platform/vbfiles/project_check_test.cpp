// The check of a whole saved project: the lines of its files, and its problems in the
// project's order however the components are checked.

#include "platform/vbfiles/compiler.h"

#include <gtest/gtest.h>

#include "platform/vbfiles/file_project.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using testing::Crlf;
using testing::TempDir;

// Problems name the line of the file, past its header, module attributes and the member
// attributes VB keeps out of the code window; warnings do not fail the compile.
TEST(ProjectCheck, SavedProjectReportsFileLines) {
  TempDir dir;
  dir.Write("P.vbp", Crlf("Type=Exe|Class=Item; Item.cls|Module=M; M.bas|Name=\"P\""));
  dir.Write("Item.cls", Crlf("VERSION 1.0 CLASS|BEGIN|  MultiUse = -1  'True|END|"
                             "Attribute VB_Name = \"Item\"|Attribute VB_Exposed = False|"
                             "Public Property Get Value() As Long|"
                             "Attribute Value.VB_UserMemId = 0|  GoTo Nowhere|End Property"));
  dir.Write("M.bas", Crlf("Attribute VB_Name = \"M\"|Sub A()|65530 x = 1|End Sub"));
  std::vector<CheckProblem> problems = CheckSavedProject(dir.Path("P.vbp"));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(FormatProblem(problems[0]), dir.Path("Item.cls") + "(9): Label not defined");
  EXPECT_EQ(FormatProblem(problems[1]),
            dir.Path("M.bas") + "(3): warning: Line number above 65529 is not returned by Erl");
  CompileResult failed = CheckInsteadOfCompiling(dir.Path("P.vbp"));
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.report, FormatProblem(problems[0]) + "\n" + FormatProblem(problems[1]));

  dir.Write("Item.cls", Crlf("VERSION 1.0 CLASS|BEGIN|  MultiUse = -1  'True|END|"
                             "Attribute VB_Name = \"Item\""));
  CompileResult warned = CheckInsteadOfCompiling(dir.Path("P.vbp"));
  EXPECT_TRUE(warned.ok);
  EXPECT_EQ(warned.report, FormatProblem(problems[1]) +
                               "\nchecked; no compiler configured, no executable written");
}

// A saved project is checked component by component as it loads, on every core: the
// problems are those of the loaded project's check, in the project's order, a file listed
// twice reported once.
TEST(ProjectCheck, SavedProjectReportsAsTheLoadedProjectInOrder) {
  TempDir dir;
  std::string vbp = "Type=Exe|";
  for (int k = 1; k <= 12; ++k) {
    std::string name = "M" + std::to_string(k);
    vbp += "Module=" + name + "; " + name + ".bas|";
    std::string code = "Attribute VB_Name = \"" + name + "\"|Sub A()|";
    for (int line = 0; line < k; ++line)
      code += "  x = 1|";
    dir.Write(name + ".bas", Crlf(code + "  GoTo Nowhere" + std::to_string(k) + "|End Sub"));
  }
  dir.Write("P.vbp", Crlf(vbp + "Module=M3; M3.bas"));
  std::unique_ptr<FileProject> loaded = FileProject::Load(dir.Path("P.vbp"));
  std::vector<std::string> expected, found;
  for (const CheckProblem& p : CheckProject(*loaded))
    expected.push_back(FormatProblem(p));
  for (const CheckProblem& p : CheckSavedProject(dir.Path("P.vbp")))
    found.push_back(FormatProblem(p));
  ASSERT_EQ(expected.size(), 13u);  // twelve labels, and M3 named twice
  EXPECT_EQ(found, expected);
  EXPECT_EQ(found[1], dir.Path("M1.bas") + "(4): Label not defined");
  EXPECT_EQ(found[12], dir.Path("M12.bas") + "(15): Label not defined");
}

}  // namespace
}  // namespace kestrix::vbfiles
