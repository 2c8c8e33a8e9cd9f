#include "platform/vbfiles/file_ide.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "support/fakes.h"
#include "platform/system/environment.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

namespace fs = std::filesystem;
using host::ComponentType;
using host::IdeError;
using host::ProcKind;
using testing::ComponentNamed;
using testing::Crlf;
using testing::IdeErrorOf;
using testing::ReadFile;
using testing::SetMode;
using testing::TempDir;

std::string Bytes(int from, int to) {
  std::string out;
  for (int b = from; b <= to; ++b)
    out += static_cast<char>(b);
  return out;
}

const char* const kVbp =
    "Type=Exe|"
    "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE Automation|"
    "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX|"
    "Form=Form1.frm|Module=Util; Util.bas|Module=Tail; Tail.bas|Class=Items; Items.cls|"
    "Module=Common; ..\\Shared\\Common.bas|RelatedDoc=Readme.txt|ResFile32=\"Shop.res\"|"
    "Startup=\"Form1\"|Name=\"Shop\"|ExeName32=\"Shop.exe\"|Path32=\"bin\"|"
    "CondComp=\"DEBUG = 1 : TRACE = 0\"|VersionLegalCopyright=\"\xA9 2004 Acme\"||"
    "[MS Transaction Server]|AutoRefresh=1";

const char* const kForm =
    "VERSION 5.00|Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"|"
    "Begin VB.Form Form1 |   Caption         =   \"Form1\"|"
    "   Icon            =   \"Form1.frx\":0000|"
    "   Begin VB.TextBox Text1 |      Text            =   $\"Form1.frx\":0A1C|"
    "      BeginProperty Font |         Name            =   \"Tahoma\"|      EndProperty|"
    "   End|End|Attribute VB_Name = \"Form1\"|Attribute VB_PredeclaredId = True|"
    "Option Explicit||Private Sub Form_Load()|  Text1.Text = \"Form1.frx\"|End Sub";

const char* const kClass =
    "VERSION 1.0 CLASS|BEGIN|  MultiUse = -1  'True|  Persistable = 0  'NotPersistable|END|"
    "Attribute VB_Name = \"Items\"|Attribute VB_Creatable = True|Attribute VB_Exposed = True|"
    "Option Explicit|Private m_items As Collection||"
    "Public Property Get Item(ByVal Index As Variant) _|    As Variant|"
    "Attribute Item.VB_UserMemId = 0|Attribute Item.VB_Description = \"The item at Index\"|"
    "  Item = m_items(Index)|End Property||"
    "Public Function NewEnum() As IUnknown: End Function|"
    "Attribute NewEnum.VB_UserMemId = -4|Attribute NewEnum.VB_MemberFlags = \"40\"";

// The files of the shop project, relative to the root: App/ holds the project, Shared/ a
// module it shares. Text files use `eol`; the others are bytes that are never touched.
std::map<std::string, std::string> ShopFiles(std::string_view eol) {
  std::string util = Crlf(
      "Attribute VB_Name = \"Util\"|Option Explicit||Public Function Twice(ByVal x As Long)|"
      "  Twice = 2 * x|End Function",
      eol);
  util.resize(util.size() - eol.size());  // no final line break
  return {
      {"App/Shop.vbp", Crlf(kVbp, eol)},
      {"App/Form1.frm", Crlf(kForm, eol)},
      {"App/Form1.frx", Bytes(0, 255)},
      {"App/Util.bas", util},
      {"App/Tail.bas", Crlf("Attribute VB_Name = \"Tail\"|Sub Done()|End Sub", eol) + "  \t"},
      {"App/Items.cls", Crlf(kClass, eol)},
      {"Shared/Common.bas", Crlf("Attribute VB_Name = \"Common\"|Public Const kApp = \"S\"", eol)},
      {"App/Readme.txt", "Notes\nfor the shop\r\n\xA9"},
      {"App/Shop.res", Bytes(0, 31) + "\r\n\n\r"},
  };
}

std::string WriteShop(const TempDir& root, std::string_view eol = "\r\n") {
  for (const auto& [relative, bytes] : ShopFiles(eol))
    root.Write(relative, bytes);
  return root.Path("App/Shop.vbp");
}

// Every file below `dir` with its bytes and modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const std::string& dir) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> out;
  for (const auto& entry : fs::recursive_directory_iterator(system::FileSystemPath(dir))) {
    if (!entry.is_regular_file()) continue;
    std::string path = system::FromFileSystemPath(entry.path());
    out[path] = {ReadFile(path), entry.last_write_time()};
  }
  return out;
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(FileIdeRoundTrip, SaveAsElsewhereGivesTheSameBytesWithCrLf) {
  for (std::string_view eol : {"\r\n", "\n"}) {
    TempDir src, dst;
    FileIde ide;
    ide.Open(WriteShop(src, eol));
    host::Project& project = *ide.ActiveVBProject();
    ASSERT_EQ(project.VBComponents().Count(), 7);
    for (int32_t i = 1; i <= project.VBComponents().Count(); ++i) {
      host::Component& c = project.VBComponents().Item(i);
      std::string target = dst.path() + c.FileNames(1).substr(src.path().size());
      fs::create_directories(fs::path(target).parent_path());
      c.SaveAs(target);
      EXPECT_EQ(c.FileNames(1), target);
      EXPECT_FALSE(c.IsDirty()) << c.Name();
    }
    project.SaveAs(dst.Path("App/Shop.vbp"));
    EXPECT_EQ(project.FileName(), dst.Path("App/Shop.vbp"));
    EXPECT_FALSE(project.IsDirty());
    std::map<std::string, std::string> expected;
    for (const auto& [relative, bytes] : ShopFiles("\r\n"))
      expected[dst.Path(relative)] = bytes;
    std::map<std::string, std::string> written;
    for (const auto& [path, content] : Snapshot(dst.path()))
      written[path] = content.first;
    EXPECT_EQ(written, expected) << "line breaks " << (eol.size() == 1 ? "LF" : "CR LF");
  }
}

TEST(FileIdeCodeModule, ShowsCodeOnlyAndKeepsMemberAttributesWithTheirHeader) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  host::Component& items = ComponentNamed(*ide.ActiveVBProject(), "Items");
  host::CodeModule& code = *items.GetCodeModule();
  EXPECT_EQ(code.CountOfLines(), 9);
  EXPECT_EQ(code.Lines(1, 1), "Option Explicit");
  int32_t sl = 1, sc = 1, el = -1, ec = -1;
  EXPECT_FALSE(code.Find("Attribute", sl, sc, el, ec));
  EXPECT_EQ(ComponentNamed(*ide.ActiveVBProject(), "Form1").GetCodeModule()->Lines(1, 1),
            "Option Explicit");

  int32_t header = code.ProcBodyLine("Item", ProcKind::kPropertyGet);
  code.InsertLines(header + 2, "  On Error GoTo 0");  // just after the continued header
  code.InsertLines(header, "' the item");
  code.InsertLines(code.ProcBodyLine("NewEnum", ProcKind::kProc) + 1, "' after NewEnum");
  EXPECT_TRUE(items.IsDirty());
  items.SaveAs(root.Path("Out.cls"));
  std::string expected =
      Replaced(Replaced(Crlf(kClass), "Public Property Get", "' the item\r\nPublic Property Get"),
               "Index\"\r\n", "Index\"\r\n  On Error GoTo 0\r\n");
  expected += "' after NewEnum\r\n";
  EXPECT_EQ(ReadFile(root.Path("Out.cls")), expected);
}

TEST(FileIdeSaveAs, NewBaseNameRenamesTheCompanion) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  host::Component& form = ComponentNamed(*ide.ActiveVBProject(), "Form1");
  form.SaveAs(root.Path("App/Main.frm"));
  std::string renamed = Crlf(kForm);
  renamed = Replaced(renamed, "\"Form1.frx\":0000", "\"Main.frx\":0000");
  renamed = Replaced(renamed, "$\"Form1.frx\":0A1C", "$\"Main.frx\":0A1C");
  EXPECT_EQ(ReadFile(root.Path("App/Main.frm")), renamed);  // code and Caption untouched
  EXPECT_EQ(ReadFile(root.Path("App/Main.frx")), Bytes(0, 255));
  EXPECT_EQ(ReadFile(root.Path("App/Form1.frm")), Crlf(kForm));
  EXPECT_EQ(ReadFile(root.Path("App/Form1.frx")), Bytes(0, 255));
  EXPECT_EQ(form.FileNames(1), root.Path("App/Main.frm"));
}

TEST(FileIdeSaveAs, ProjectElsewhereRewritesComponentPathsOnly) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  fs::create_directories(root.Path("Out/Deep"));
  ide.ActiveVBProject()->SaveAs(root.Path("Out/Deep/Shop.vbp"));
  std::string expected = Crlf(kVbp);
  for (const char* name : {"Form1.frm", "Readme.txt"})
    expected = Replaced(expected, std::string("=") + name, std::string("=..\\..\\App\\") + name);
  for (const char* name : {" Util.bas", " Tail.bas", " Items.cls"})
    expected = Replaced(expected, name, std::string(" ..\\..\\App\\") + (name + 1));
  expected = Replaced(expected, " ..\\Shared\\", " ..\\..\\Shared\\");
  expected = Replaced(expected, "\"Shop.res\"", "\"..\\..\\App\\Shop.res\"");
  EXPECT_EQ(ReadFile(root.Path("Out/Deep/Shop.vbp")), expected);
  EXPECT_EQ(ReadFile(root.Path("App/Shop.vbp")), Crlf(kVbp));
}

TEST(FileIdeDirty, OpeningWritesNothingEditsDirtySaveClears) {
  TempDir root;
  std::string vbp = WriteShop(root);
  auto before = Snapshot(root.path());
  FileIde ide;
  ide.Open(vbp);
  host::Component& util = ComponentNamed(*ide.ActiveVBProject(), "Util");
  EXPECT_FALSE(util.IsDirty());
  EXPECT_FALSE(ide.ActiveVBProject()->IsDirty());
  EXPECT_EQ(Snapshot(root.path()), before);
  util.GetCodeModule()->ReplaceLine(1, "Option Explicit ' checked");
  EXPECT_TRUE(util.IsDirty());
  util.SaveAs(util.FileNames(1));
  EXPECT_FALSE(util.IsDirty());
  EXPECT_TRUE(ReadFile(root.Path("App/Util.bas")).ends_with("End Function"));
}

TEST(FileIdeReadOnly, EditOfReadOnlyFileIsRefused) {
  TempDir root;
  std::string vbp = WriteShop(root);
  ASSERT_TRUE(SetMode(root.Path("App/Util.bas"), 0444));
  FileIde ide;
  ide.Open(vbp);
  host::Component& util = ComponentNamed(*ide.ActiveVBProject(), "Util");
  host::CodeModule& code = *util.GetCodeModule();
  std::string text = code.Lines(1, code.CountOfLines());
  for (const std::function<void()>& edit : std::initializer_list<std::function<void()>>{
           [&] { code.InsertLines(1, "' x"); }, [&] { code.DeleteLines(1); },
           [&] { code.ReplaceLine(1, "' x"); }}) {
    EXPECT_EQ(IdeErrorOf(edit).Number(), host::kErrPermissionDenied);
  }
  EXPECT_EQ(code.Lines(1, code.CountOfLines()), text);
  EXPECT_FALSE(util.IsDirty());
  host::CodeModule& tail = *ComponentNamed(*ide.ActiveVBProject(), "Tail").GetCodeModule();
  tail.InsertLines(1, "' x");
  EXPECT_EQ(tail.Lines(1, 1), "' x");
}

TEST(FileIdeReadOnly, RefusedSaveAsLeavesTheTargetAndItsCompanion) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  root.Write("Out/Main.frm", "theirs");
  root.Write("Out/Main.frx", "their binary");
  ASSERT_TRUE(SetMode(root.Path("Out/Main.frm"), 0444));
  host::Component& form = ComponentNamed(*ide.ActiveVBProject(), "Form1");
  IdeError error = IdeErrorOf([&] { form.SaveAs(root.Path("Out/Main.frm")); });
  EXPECT_EQ(error.Number(), host::kErrPermissionDenied);
  EXPECT_EQ(ReadFile(root.Path("Out/Main.frm")), "theirs");
  EXPECT_EQ(ReadFile(root.Path("Out/Main.frx")), "their binary");
  EXPECT_EQ(form.FileNames(1), root.Path("App/Form1.frm"));
}

TEST(FileIdeOpen, PathsResolveIgnoringCase) {
  TempDir root;
  root.Write("SERVER.VBP", Crlf("Module=ModUtil; Modules\\ModUtil.bas|Name=\"Server\""));
  root.Write("modules/modutil.bas", Crlf("Attribute VB_Name = \"modUtil\""));
  root.Write("All.vbg", Crlf("VBGROUP 5.0|StartupProject=server.vbp"));
  FileIde ide;
  ide.Open(root.Path("all.VBG"));
  ASSERT_EQ(ide.Count(), 1);
  EXPECT_EQ(ide.Item(1).FileName(), root.Path("SERVER.VBP"));
  host::Component& module = ide.Item(1).VBComponents().Item(1);
  EXPECT_EQ(module.Name(), "modUtil");
  EXPECT_EQ(module.FileNames(1), root.Path("modules/modutil.bas"));
}

TEST(FileIdeOpen, GroupKeepsFileOrderAndActivatesTheStartupProject) {
  TempDir root;
  root.Write("Lib/Lib.vbp", Crlf("Type=OleDll|Name=\"Lib\""));
  root.Write("App/App.vbp", Crlf("Type=Exe|Name=\"App\""));
  root.Write("Tools.vbp", Crlf("Type=Exe|Name=\"Tools\""));
  root.Write(
      "All.vbg",
      Crlf("VBGROUP 5.0|Project=Lib\\Lib.vbp|StartupProject=App\\App.vbp|Project=Tools.vbp"));
  FileIde ide;
  ide.Open(root.Path("All.vbg"));
  ASSERT_EQ(ide.Count(), 3);
  EXPECT_EQ(ide.Item(1).Name() + ide.Item(2).Name() + ide.Item(3).Name(), "LibAppTools");
  EXPECT_EQ(ide.StartupProject(), &ide.Item(2));
  EXPECT_EQ(ide.ActiveVBProject(), &ide.Item(2));
  EXPECT_EQ(ide.GroupFileName(), root.Path("All.vbg"));
}

TEST(FileIdeComponents, ImportAddFromFileAndRemove) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  host::Project& project = *ide.ActiveVBProject();
  std::string extra = root.Write("Elsewhere/Extra.bas", Crlf("Attribute VB_Name = \"Extra\""));
  host::Component& copy = project.VBComponents().Import(extra);
  EXPECT_EQ(copy.FileNames(1), "");
  EXPECT_TRUE(copy.IsDirty());
  EXPECT_TRUE(project.IsDirty());
  EXPECT_THROW(project.SaveAs(root.Path("App/Shop.vbp")), IdeError);
  EXPECT_THROW(project.SaveAs(root.Path("New.vbp")), IdeError);
  EXPECT_EQ(ReadFile(root.Path("App/Shop.vbp")), Crlf(kVbp));
  EXPECT_FALSE(testing::FileExists(root.Path("New.vbp")));

  copy.SaveAs(root.Path("App/Extra.bas"));
  host::Component& added = project.VBComponents().AddFromFile(root.Write(
      "Elsewhere/Lib.cls", Crlf("VERSION 1.0 CLASS|BEGIN|END|Attribute VB_Name = \"Lib\"")));
  EXPECT_EQ(added.FileNames(1), root.Path("Elsewhere/Lib.cls"));
  EXPECT_EQ(added.Type(), ComponentType::kClassModule);
  project.VBComponents().Remove(ComponentNamed(project, "Tail"));
  EXPECT_EQ(project.VBComponents().Count(), 8);
  project.SaveAs(root.Path("App/Shop.vbp"));
  std::string expected = Replaced(Crlf(kVbp), "Module=Tail; Tail.bas\r\n", "");
  expected =
      Replaced(expected, "\"Shop.res\"\r\n",
               "\"Shop.res\"\r\nModule=Extra; Extra.bas\r\nClass=Lib; ..\\Elsewhere\\Lib.cls\r\n");
  EXPECT_EQ(ReadFile(root.Path("App/Shop.vbp")), expected);
  EXPECT_EQ(ReadFile(root.Path("Elsewhere/Extra.bas")), Crlf("Attribute VB_Name = \"Extra\""));
}

TEST(FileIdeBuild, BuildFileNameFollowsThePathAndSurvivesSaveAs) {
  TempDir root;
  root.Write("Lib.vbp", Crlf("Type=OleDll|Name=\"Core\""));
  root.Write("Plain.vbp", Crlf("Type=Exe"));
  FileIde ide;
  ide.Open(root.Path("Lib.vbp"));
  EXPECT_EQ(ide.ActiveVBProject()->BuildFileName(), root.Path("Core.dll"));
  ide.Open(root.Path("Plain.vbp"));
  EXPECT_EQ(ide.ActiveVBProject()->BuildFileName(), root.Path("Plain.exe"));

  ide.Open(WriteShop(root));
  host::Project& project = *ide.ActiveVBProject();
  EXPECT_EQ(project.BuildFileName(), root.Path("App/bin/Shop.exe"));
  project.SetBuildFileName(root.Path("Build/7/Shop7.exe"));
  EXPECT_TRUE(project.IsDirty());
  fs::create_directories(root.Path("Out/Deep"));
  project.SaveAs(root.Path("Out/Deep/Shop.vbp"));
  std::string vbp = ReadFile(root.Path("Out/Deep/Shop.vbp"));
  EXPECT_NE(vbp.find("\r\nPath32=\"..\\..\\Build\\7\"\r\n"), std::string::npos) << vbp;
  EXPECT_NE(vbp.find("\r\nExeName32=\"Shop7.exe\"\r\n"), std::string::npos) << vbp;
  FileIde reopened;
  reopened.Open(root.Path("Out/Deep/Shop.vbp"));
  EXPECT_EQ(reopened.ActiveVBProject()->BuildFileName(), root.Path("Build/7/Shop7.exe"));
}

TEST(FileIdePanes, ActiveCodePaneFollowsSetAndRemove) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  EXPECT_EQ(IdeErrorOf([&] { ide.ActiveCodePane(); }).Number(), host::kErrNoActiveCodePane);
  host::Component& util = ComponentNamed(*ide.ActiveVBProject(), "Util");
  ide.SetActiveCodePane(&util);
  EXPECT_EQ(&ide.ActiveCodePane().GetCodeModule(), util.GetCodeModule());
  EXPECT_THROW(ide.SetActiveCodePane(&ComponentNamed(*ide.ActiveVBProject(), "Shop")), IdeError);
  ide.ActiveVBProject()->VBComponents().Remove(util);
  EXPECT_THROW(ide.ActiveCodePane(), IdeError);
}

}  // namespace
}  // namespace kestrix::vbfiles
