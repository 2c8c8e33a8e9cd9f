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

TEST(ProjectFileTest, Components) {
  ProjectFile file = ProjectFile::Parse(kShop, "Shop.vbp");
  const ProjectFile::ComponentRef expected[] = {
      {"Form", "", "Forms\\frmMain.frm", 3},
      {"Module", "modMain", "Modules\\modMain.bas", 5},
      {"Class", "clsOrder", "..\\Shared\\clsOrder.cls", 6},
      {"UserControl", "", "Controls\\ucGrid.ctl", 8},
      {"Designer", "", "Reports\\rptSales.dsr", 9},
      {"ResFile32", "", "Shop Resources.res", 10},
  };
  ASSERT_EQ(file.Components().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& got = file.Components()[i];
    EXPECT_EQ(got.key, expected[i].key);
    EXPECT_EQ(got.name, expected[i].name);
    EXPECT_EQ(got.path, expected[i].path);
    EXPECT_EQ(got.line, expected[i].line);
  }
}

TEST(ProjectFileTest, Values) {
  ProjectFile file = ProjectFile::Parse(kShop, "Shop.vbp");
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"Type", "Exe"},
      {"NAME", "Shop"},
      {"Title", "Shop: Orders"},
      {"Startup", "Sub Main"},
      {"CondComp", "DEBUGGING = 1 : TRACE = 0"},
      {"VersionLegalCopyright", "\xA9 2003 Caf\xE9 Ltd"},
      {"Object", "{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX"},
      {"Description", std::nullopt},  // only inside the add-in section
      {"AutoRefresh", std::nullopt},
      {"ExeName32", std::nullopt},
  };
  for (const auto& [key, value] : cases)
    EXPECT_EQ(file.Value(key), value) << key;
}

TEST(ProjectFileTest, MalformedFilesNameTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Type=Exe|Form=a.frm|garbage line|Name=\"A\"", "Shop.vbp(3): "},
      {"||Hello world|Type=Exe", "Shop.vbp(3): "},       // first non-blank line
      {"=Exe", "Shop.vbp(1): "},                         // no key
      {"Type=Exe|Module=modMain.bas", "Shop.vbp(2): "},  // no "; "
      {"Type=Exe|Class=clsA; ", "Shop.vbp(2): "},        // no path
      {"Type=Exe||Form=", "Shop.vbp(3): "},
      {"Type=Exe|ResFile32=\"x.res", "Shop.vbp(2): "},  // unterminated quote
      {"Type=Exe|Title=\"Shop", "Shop.vbp(2): "},
      {"Type=Exe|VersionComments=\"", "Shop.vbp(2): "},
      {"[MS Transaction Server]|AutoRefresh=1", "Shop.vbp(1): "},  // sections only
      {"", "Shop.vbp(1): "},
      {"|  |", "Shop.vbp(1): "},
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

// Applies an edit to a parsed fixture and checks the bytes, and that they read back the same.
template <typename Edit>
void ExpectEdit(std::string_view in, Edit&& edit, std::string_view out) {
  ProjectFile file = ProjectFile::Parse(in, "Shop.vbp");
  edit(file);
  std::string bytes = file.Serialize();
  EXPECT_EQ(bytes, out);
  EXPECT_EQ(ProjectFile::Parse(bytes, "Shop.vbp").Serialize(), bytes);
}

TEST(ProjectFileTest, SetValue) {
  // In place, keeping the key as spelt and the lines around it.
  ExpectEdit(
      Crlf("Type=Exe|exename32=\"Old.exe\"|MajorVer=1"),
      [](ProjectFile& f) { f.SetValue("ExeName32", "New App.exe", true); },
      Crlf("Type=Exe|exename32=\"New App.exe\"|MajorVer=1"));
  // A new key goes after the last setting, before the blank line and the sections.
  ExpectEdit(
      Crlf("Type=Exe|MajorVer=1||[MS Transaction Server]|Path32=\"x\""),
      [](ProjectFile& f) { f.SetValue("Path32", "Build\\1", true); },
      Crlf("Type=Exe|MajorVer=1|Path32=\"Build\\1\"||[MS Transaction Server]|Path32=\"x\""));
  // At the end of a file without a final line break, the new last line gets one.
  ExpectEdit(
      "Type=Exe\r\nMajorVer=1", [](ProjectFile& f) { f.SetValue("RevisionVer", "7", false); },
      Crlf("Type=Exe|MajorVer=1|RevisionVer=7"));
  // Rewriting the last line keeps the missing line break.
  ExpectEdit(
      "Type=Exe\r\nMajorVer=1", [](ProjectFile& f) { f.SetValue("MajorVer", "2", false); },
      "Type=Exe\r\nMajorVer=2");
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

TEST(ProjectFileTest, SetComponentPath) {
  ExpectEdit(
      Crlf("Type=Exe|Form=a.frm|Module=modA;  a.bas  |ResFile32=\"r.res\"|Class=clsB; b.cls"),
      [](ProjectFile& f) {
        f.SetComponentPath(0, "Forms\\a.frm");
        f.SetComponentPath(1, "..\\Lib\\modA.bas");
        f.SetComponentPath(2, "Res\\r 2.res");
        EXPECT_EQ(f.Components()[1].path, "..\\Lib\\modA.bas");
        EXPECT_EQ(f.Components()[1].name, "modA");
      },
      Crlf("Type=Exe|Form=Forms\\a.frm|Module=modA;  ..\\Lib\\modA.bas  |"
           "ResFile32=\"Res\\r 2.res\"|Class=clsB; b.cls"));

  ProjectFile file = ProjectFile::Parse(Crlf("Type=Exe|Form=a.frm"), "Shop.vbp");
  EXPECT_EQ(IdeErrorOf([&] { file.SetComponentPath(1, "x.frm"); }).Number(),
            host::kErrSubscriptOutOfRange);
  EXPECT_EQ(IdeErrorOf([&] { file.SetComponentPath(0, ""); }).Number(), host::kErrInvalidCall);
  EXPECT_EQ(IdeErrorOf([&] { file.SetComponentPath(0, "a\r\nb"); }).Number(),
            host::kErrInvalidCall);
}

TEST(ProjectFileTest, AddComponent) {
  auto add_module = [](ProjectFile& f) { f.AddComponent("module", "modNew", "modNew.bas"); };
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      // After the last component, wherever references follow it.
      {Crlf("Type=Exe|Form=a.frm|Reference=*\\G{x}#1.0#0#x.dll#X|Name=\"A\""),
       Crlf("Type=Exe|Form=a.frm|Module=modNew; modNew.bas|Reference=*\\G{x}#1.0#0#x.dll#X|"
            "Name=\"A\"")},
      // No component: after the last reference or object.
      {Crlf("Type=Exe|Reference=*\\G{x}#1.0#0#x.dll#X|Object={y}#2.0#0; y.ocx|Name=\"A\""),
       Crlf("Type=Exe|Reference=*\\G{x}#1.0#0#x.dll#X|Object={y}#2.0#0; y.ocx|"
            "Module=modNew; modNew.bas|Name=\"A\"")},
      // Neither: after the last setting, before the sections.
      {Crlf("Type=Exe||[S]|Form=x.frm"),
       Crlf("Type=Exe|Module=modNew; modNew.bas||[S]|Form=x.frm")},
  };
  for (const Case& c : cases)
    ExpectEdit(c.in, add_module, c.out);

  ExpectEdit(
      Crlf("Type=Exe"),
      [](ProjectFile& f) {
        f.AddComponent("Form", "ignored", "Forms\\b.frm");
        f.AddComponent("ResFile32", "", "r.res");
        f.AddComponent("Class", "clsC", "c.cls");
        ASSERT_EQ(f.Components().size(), 3u);
        EXPECT_EQ(f.Components()[2].line, 4);
      },
      Crlf("Type=Exe|Form=Forms\\b.frm|ResFile32=\"r.res\"|Class=clsC; c.cls"));

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

TEST(ProjectFileTest, RemoveComponent) {
  ExpectEdit(
      kShop,
      [](ProjectFile& f) {
        f.RemoveComponent(1);  // modMain
        ASSERT_EQ(f.Components().size(), 5u);
        EXPECT_EQ(f.Components()[1].name, "clsOrder");
        EXPECT_EQ(f.Components()[1].line, 5);
        EXPECT_EQ(IdeErrorOf([&] { f.RemoveComponent(5); }).Number(),
                  host::kErrSubscriptOutOfRange);
      },
      [] {
        std::string out = kShop;
        out.erase(out.find("Module=modMain"),
                  std::string("Module=modMain; Modules\\modMain.bas\r\n").size());
        return out;
      }());
}

}  // namespace
}  // namespace kestrix::vbfiles
