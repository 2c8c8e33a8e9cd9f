#include "platform/vbfiles/file_ide.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "platform/system/environment.h"
#include "support/fakes.h"
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

// The checker reads a component's code lines as views; they must be the module's lines as the
// object model gives them, before and after edits that leave the lines out of order in memory.
TEST(FileIdeComponents, CodeLinesAreTheModulesLinesAfterEdits) {
  for (std::string_view eol : {"\r\n", "\n"}) {
    TempDir src;
    FileIde ide;
    ide.Open(WriteShop(src, eol));
    host::Project& project = *ide.ActiveVBProject();
    auto& items = dynamic_cast<FileComponent&>(ComponentNamed(project, "Items"));
    host::CodeModule& code = *items.GetCodeModule();
    auto expect_lines = [&](const std::string& when) {
      std::vector<std::string_view> lines = items.CodeLines();
      ASSERT_EQ(static_cast<int32_t>(lines.size()), code.CountOfLines()) << when;
      for (int32_t i = 1; i <= code.CountOfLines(); ++i)
        EXPECT_EQ(lines[static_cast<size_t>(i - 1)], code.Lines(i, 1)) << when << ", line " << i;
    };
    expect_lines("as loaded");
    // A copy loaded only to be read gives the same lines.
    auto copy =
        FileComponent::Load(project, items.Type(), items.FileNames(1), "", LoadDepth::kCodeOnly);
    EXPECT_EQ(copy->CodeLines(), items.CodeLines());
    std::span<const std::string_view> viewed = copy->CodeOnlyLines();
    EXPECT_EQ(std::vector<std::string_view>(viewed.begin(), viewed.end()), items.CodeLines());
    EXPECT_TRUE(items.CodeOnlyLines().empty());  // a module's lines are gathered, not viewed
    // Its problems are reported at the same lines of the file, member attributes counted.
    for (int32_t i = 0; i <= code.CountOfLines() + 1; ++i)
      EXPECT_EQ(copy->FileLine(i), items.FileLine(i)) << "code line " << i;
    // The last edit leaves lines on both sides of the place edited.
    code.InsertLines(code.CountOfLines() + 1, "' last");
    code.ReplaceLine(1, "' first");
    code.InsertLines(4, "x = 1\r\ny = 2: z = 3");
    code.DeleteLines(2, 1);
    expect_lines("after edits");
    code.DeleteLines(1, code.CountOfLines());
    expect_lines("emptied");
  }
}

// Copies loaded only to be read, one after another, each freed before the next is loaded, as a
// build's check does: a file read into the buffer a longer one left behind gives its own lines
// and nothing of the other's, a copy released gives none.
TEST(FileIdeComponents, CopiesReadOneAfterAnotherGiveTheirOwnLines) {
  TempDir root;
  FileIde ide;
  ide.Open(WriteShop(root));
  host::Project& project = *ide.ActiveVBProject();
  auto module = [](size_t lines, char fill) {
    std::vector<std::string> code;
    for (size_t k = 0; k < lines; ++k)
      code.push_back(std::to_string(k + 1) + "\tx = \"" + std::string(k % 50, fill) + "\"");
    return code;
  };
  for (size_t lines : {400, 3, 0, 120, 1, 400}) {
    std::vector<std::string> code = module(lines, static_cast<char>('a' + lines % 26));
    std::string bytes = "Attribute VB_Name = \"M\"\r\n";
    for (const std::string& line : code)
      bytes += line + "\r\n";
    std::string path = root.Write("M" + std::to_string(lines) + ".bas", bytes);
    auto copy = FileComponent::Load(project, host::ComponentType::kStdModule, path, "",
                                    LoadDepth::kCodeOnly);
    EXPECT_EQ(copy->CodeLines(), std::vector<std::string_view>(code.begin(), code.end()))
        << lines << " lines";
    copy->ReleaseCode();
    EXPECT_TRUE(copy->CodeOnlyLines().empty());
  }
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

// An imported component has no file yet: the project that lists it cannot be saved.
TEST(FileIdeComponents, ProjectWithAnUnsavedImportIsNotSaved) {
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
}

}  // namespace
}  // namespace kestrix::vbfiles
