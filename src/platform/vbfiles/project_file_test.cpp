#include "platform/vbfiles/project_file.h"

#include <gtest/gtest.h>

#include "host/ide_error.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using host::IdeError;
using testing::Crlf;
using testing::IdeErrorOf;

// Components interleaved with references and objects, ANSI bytes, colons and blanks in
// values, and an add-in section that reuses top-level key names.
const std::string kShop = Crlf(
    "Type=Exe|"
    "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\stdole2.tlb#OLE Automation|"
    "Form=Forms\\frmMain.frm|"
    "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX|"
    "Module=modMain; Modules\\modMain.bas|"
    "class=clsOrder;..\\Shared\\clsOrder.cls|"
    "Reference=*\\G{420B2830-E718-11CF-893D-00A0C9054228}#1.0#0#scrrun.dll#Scripting|"
    "UserControl=Controls\\ucGrid.ctl|"
    "Designer=Reports\\rptSales.dsr|"
    "ResFile32=\"Shop Resources.res\"|"
    "IconForm=\"frmMain\"|"
    "Startup=\"Sub Main\"|"
    "Title=\"Shop: Orders\"|"
    "Name=\"Shop\"|"
    "CondComp=\"DEBUGGING = 1 : TRACE = 0\"|"
    "VersionLegalCopyright=\"\xA9 2003 Caf\xE9 Ltd\"|"
    "MajorVer=1|"
    "|"
    "[MS Transaction Server]|"
    "AutoRefresh=1|"
    "Description=not the project's|"
    "Form=not_a_component.frm");

std::string ErrorOf(std::string_view bytes) {
  try {
    ProjectFile::Parse(bytes, "Shop.vbp");
  } catch (const IdeError& e) {
    EXPECT_EQ(e.Number(), host::kErrBadFileFormat);
    return e.Description();
  }
  return "";
}

TEST(ProjectFileTest, UntouchedFileRoundTrips) {
  const std::pair<std::string, std::string> cases[] = {
      {kShop, kShop},
      {"Type=Exe\r\nName=\"A\"", "Type=Exe\r\nName=\"A\""},      // no final line break
      {"Type=Exe\r\n  \t", "Type=Exe\r\n  \t"},                  // blanks after it
      {"\r\nType=Exe\r\n\r\n\r\n", "\r\nType=Exe\r\n\r\n\r\n"},  // blank lines
      {"Type=Exe\r\n[S]\r\njunk \xFF\x01\r\n", "Type=Exe\r\n[S]\r\njunk \xFF\x01\r\n"},
      {"Type=Exe\nName=\"A\"\n", "Type=Exe\r\nName=\"A\"\r\n"},  // LF becomes CR LF
      {"Type=Exe\r\nName=\"A\"\nMajorVer=1", "Type=Exe\r\nName=\"A\"\r\nMajorVer=1"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(ProjectFile::Parse(in, "Shop.vbp").Serialize(), out) << in;
  }
}

TEST(ProjectFileTest, MalformedFilesNameTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Type=Exe|Form=a.frm|garbage line|Name=\"A\"", "Shop.vbp(3): "},
      {"||Hello world|Type=Exe", "Shop.vbp(3): "},       // first non-blank line
      {"=Exe", "Shop.vbp(1): "},                         // no key
      {"Type=Exe|Module=modMain.bas", "Shop.vbp(2): "},  // no "; "
      {"Type=Exe|Class=clsA; ", "Shop.vbp(2): "},        // no path
      {"Type=Exe|ResFile32=\"x.res", "Shop.vbp(2): "},  // unterminated quote
      {"Type=Exe|VersionComments=\"", "Shop.vbp(2): "},
      {"[MS Transaction Server]|AutoRefresh=1", "Shop.vbp(1): "},  // sections only
      {"", "Shop.vbp(1): "},
      {"Type=Exe|Name=\"A\"|MZ\x90", "Shop.vbp(1): "},  // binary data: NUL appended below
  };
  for (const auto& [fixture, prefix] : cases) {
    std::string bytes = fixture.empty() ? "" : Crlf(fixture);
    if (fixture.find("MZ") != std::string::npos) bytes += std::string("\0\x03=", 3);
    std::string error = ErrorOf(bytes);
    EXPECT_TRUE(error.starts_with(prefix) && error.size() > prefix.size())
        << fixture << " gave \"" << error << "\"";
  }
  // Anything goes after the first section; unknown keys may hold anything.
  EXPECT_EQ(ErrorOf(Crlf("Type=Exe|Flag=\"open|[X]|no equals|Title=\"open")), "");
}

TEST(ProjectFileTest, ByteOrderMarkIsKeptAndTheFirstKeyRead) {
  std::string bytes = "\xEF\xBB\xBF" + Crlf("Name=\"Shop\"|Module=Util; Util.bas");
  ProjectFile file = ProjectFile::Parse(bytes, "Shop.vbp");
  EXPECT_EQ(file.Value("Name"), "Shop");
  EXPECT_EQ(file.Serialize(), bytes);
  file.SetValue("Title", "T", true);
  EXPECT_EQ(file.Serialize(),
            "\xEF\xBB\xBF" + Crlf("Name=\"Shop\"|Module=Util; Util.bas|Title=\"T\""));
}

TEST(ProjectFileTest, SetValueRefusesLinesThatWouldNotReadBack) {
  ProjectFile file = ProjectFile::Parse(kShop, "Shop.vbp");
  const std::pair<std::string, std::string> bad[] = {
      {"Title", "two\r\nlines"}, {"Title", "two\nlines"}, {"A=B", "x"},           {"", "x"},
      {"[Section]", "x"},        {" Title", "x"},         {"Module", "modX.bas"}, {"Form", ""},
  };
  for (const auto& [key, value] : bad) {
    EXPECT_EQ(IdeErrorOf([&] { file.SetValue(key, value, false); }).Number(), host::kErrInvalidCall)
        << key << "=" << value;
  }
  EXPECT_EQ(IdeErrorOf([&] { file.SetValue("Title", "\"open", false); }).Number(),
            host::kErrInvalidCall);
  EXPECT_EQ(file.Serialize(), kShop);
}

TEST(ProjectFileTest, SetComponentPathRefusesWhatWouldNotReadBack) {
  ProjectFile file = ProjectFile::Parse(Crlf("Type=Exe|Form=a.frm"), "Shop.vbp");
  EXPECT_EQ(IdeErrorOf([&] { file.SetComponentPath(1, "x.frm"); }).Number(),
            host::kErrSubscriptOutOfRange);
  EXPECT_EQ(IdeErrorOf([&] { file.SetComponentPath(0, ""); }).Number(), host::kErrInvalidCall);
  EXPECT_EQ(IdeErrorOf([&] { file.SetComponentPath(0, "a\r\nb"); }).Number(),
            host::kErrInvalidCall);
}

TEST(ProjectFileTest, AddComponentRefusesWhatWouldNotReadBack) {
  ProjectFile file = ProjectFile::Parse(Crlf("Type=Exe"), "Shop.vbp");
  const std::array<std::array<std::string, 3>, 5> bad = {{
      {"Reference", "", "x.dll"},
      {"Form", "", ""},
      {"Module", "", "m.bas"},
      {"Class", "a;b", "c.cls"},
      {"Form", "", "a\nb.frm"},
  }};
  for (const auto& [key, name, path] : bad) {
    EXPECT_EQ(IdeErrorOf([&] { file.AddComponent(key, name, path); }).Number(),
              host::kErrInvalidCall)
        << key << " " << name << " " << path;
  }
  EXPECT_EQ(file.Serialize(), Crlf("Type=Exe"));
}

}  // namespace
}  // namespace kestrix::vbfiles
