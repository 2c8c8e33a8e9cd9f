#include "platform/vbfiles/component_file.h"

#include <gtest/gtest.h>

#include "host/ide_error.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using host::IdeError;
using testing::Crlf;

// "H<header lines> A<module attributes> | code | code [member attribute; …] | …", from the
// code store or from the views, whichever `into` filled.
std::string Describe(const ComponentFile& file, CodeInto into = CodeInto::kStore) {
  std::string out =
      "H" + std::to_string(file.header.size()) + " A" + std::to_string(file.attributes.size());
  const bool views = into == CodeInto::kViews;
  size_t next_attrs = 0;
  const auto count = views ? file.code_views.size() : static_cast<size_t>(file.code.size());
  for (size_t i = 0; i < count; ++i) {
    const auto at = static_cast<int32_t>(i);
    out += " | " + std::string(views ? file.code_views[i] : file.code.Text(at));
    uint32_t block = views ? 0 : file.code.Attrs(at);
    if (views && next_attrs < file.view_attrs.size() && file.view_attrs[next_attrs].line == i) {
      block = file.view_attrs[next_attrs++].block;
    }
    if (block == 0) continue;
    std::string joined;
    for (const auto& attr : file.attr_blocks[block])
      joined += (joined.empty() ? "" : "; ") + attr;
    out += " [" + joined + "]";
  }
  return out;
}

struct ParseCase {
  const char* what;
  const char* file;
  std::string bytes;
  const char* expected;
  const char* vb_name;
  bool mdi;
};

TEST(ComponentFileParse, SplitsHeaderAttributesAndCode) {
  const ParseCase cases[] = {
      {"module", "Util.bas", Crlf("Attribute VB_Name = \"Util\"|Option Explicit|Sub A()|End Sub"),
       "H0 A1 | Option Explicit | Sub A() | End Sub", "Util", false},
      {"module without a name", "Bare.bas", Crlf("Sub A()|End Sub"), "H0 A0 | Sub A() | End Sub",
       "", false},
      {"class: attributes follow the last continuation line and a one-line function", "Items.cls",
       Crlf("VERSION 1.0 CLASS|BEGIN|  MultiUse = -1  'True|END|Attribute VB_Name = \"Items\"|"
            "Attribute VB_Exposed = True|Public Property Get Item(ByVal i As Long) _|"
            "    As Variant|Attribute Item.VB_UserMemId = 0|Attribute Item.VB_Description = \"x\"|"
            "End Property|Public Function NewEnum() As IUnknown: End Function|"
            "Attribute NewEnum.VB_UserMemId = -4"),
       "H4 A2 | Public Property Get Item(ByVal i As Long) _ |     As Variant "
       "[Attribute Item.VB_UserMemId = 0; Attribute Item.VB_Description = \"x\"] | End Property | "
       "Public Function NewEnum() As IUnknown: End Function [Attribute NewEnum.VB_UserMemId = -4]",
       "Items", false},
      {"form with Object lines and nested blocks", "Form1.frm",
       Crlf("VERSION 5.00|Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"X.OCX\"|"
            "Begin VB.Form Form1 |   Caption = \"End\"|   Begin VB.TextBox Text1 |"
            "      BeginProperty Font |         Name = \"Tahoma\"|      EndProperty|   End|End|"
            "Attribute VB_Name = \"Form1\"|Attribute VB_PredeclaredId = True|Option Explicit"),
       "H10 A2 | Option Explicit", "Form1", false},
      {"designer", "Env.dsr",
       Crlf("VERSION 5.00|Begin {C0E45035-5775-11D0-B388-00A0C9055D8E} Env |"
            "   Begin {78E93846-85FD-11D0-8487-00A0C90DC8A9} Conn |   End|End|"
            "Attribute VB_Name = \"Env\"|Private Sub Conn_Open()|End Sub"),
       "H5 A1 | Private Sub Conn_Open() | End Sub", "Env", false},
  };
  for (const auto& c : cases) {
    bool designer =
        std::string_view(c.file).ends_with(".frm") || std::string_view(c.file).ends_with(".dsr");
    ComponentFile file = ParseComponentFile(c.bytes, c.file, designer);
    EXPECT_EQ(Describe(file), c.expected) << c.what;
    ComponentFile views = ParseComponentFile(c.bytes, c.file, designer, CodeInto::kViews);
    EXPECT_EQ(Describe(views, CodeInto::kViews), c.expected) << c.what << " (views)";
    EXPECT_EQ(views.code.size(), 0) << c.what;
    EXPECT_EQ(file.vb_name, c.vb_name) << c.what;
    EXPECT_EQ(file.mdi_form, c.mdi) << c.what;
    EXPECT_EQ(file.final_newline, c.bytes.ends_with('\n')) << c.what;
  }
}

// The code goes into the store in one copy, line breaks and member attributes with it: read
// back, the lines must come joined by CR LF whatever breaks the file had, the attributes out.
TEST(ComponentFileParse, CodeReadsBackJoinedByCrLfWhateverTheBreaks) {
  const struct {
    const char* bytes;
    const char* code;
  } cases[] = {
      {"Attribute VB_Name = \"M\"\r\nSub A()\r\n  x = 1\r\nEnd Sub\r\n",
       "Sub A()\r\n  x = 1\r\nEnd Sub"},
      {"Attribute VB_Name = \"M\"\nSub A()\n\nEnd Sub", "Sub A()\r\n\r\nEnd Sub"},
      {"Attribute VB_Name = \"M\"\rSub A()\rEnd Sub\r", "Sub A()\r\nEnd Sub"},
      {"Sub A()\r\nx = \"\r\"\nEnd Sub\r\n", "Sub A()\r\nx = \"\r\"\r\nEnd Sub"},
      {"Property Get P()\r\nAttribute P.VB_UserMemId = 0\r\nEnd Property\r\n",
       "Property Get P()\r\nEnd Property"},
  };
  for (const auto& c : cases) {
    ComponentFile file = ParseComponentFile(c.bytes, "M.bas", false);
    std::string code;
    file.code.AppendJoined(code, 0, file.code.size());
    EXPECT_EQ(code, c.code) << ::testing::PrintToString(c.bytes);
  }
}

TEST(ComponentFileParse, ByteOrderMarkIsSetAsideAndControlBytesInCodeKept) {
  ComponentFile form = ParseComponentFile(
      "\xEF\xBB\xBF" +
          Crlf("VERSION 5.00|Begin VB.Form F|End|Attribute VB_Name = \"F\"|Sub A()|End Sub"),
      "F.frm", true);
  EXPECT_TRUE(form.bom);
  EXPECT_EQ(Describe(form), "H3 A1 | Sub A() | End Sub");
  EXPECT_EQ(form.vb_name, "F");
  // String literals may hold any byte, NUL included, below the first line.
  ComponentFile module = ParseComponentFile(
      Crlf("Attribute VB_Name = \"M\"|Const K = \"\x01\x1b\"") + std::string("x = \"\0\"\r\n", 9),
      "M.bas", false);
  EXPECT_FALSE(module.bom);
  EXPECT_EQ(Describe(module), "H0 A1 | Const K = \"\x01\x1b\" | " + std::string("x = \"\0\"", 7));
}

TEST(ComponentFileParse, CutShortHeaderNamesFileAndLine) {
  const struct {
    const char* file;
    bool designer;
    std::string bytes;
    const char* prefix;  // the description starts with it
  } cases[] = {
      {"x.frm", true,
       Crlf("VERSION 5.00|Begin VB.Form Form1|   Caption = \"a\"|   Begin VB.CommandButton C|"
            "   End|   Begin VB.Label L|      Caption = \"b\""),
       "x.frm(7): "},
      {"y.frm", true, Crlf("VERSION 5.00"), "y.frm(1): "},
      {"z.frm", true, Crlf("VERSION 5.00|Option Explicit"), "z.frm(2): "},
      {"u.ctl", true, Crlf("Attribute VB_Name = \"u\""), "u.ctl(1): "},
      {"e.frm", true, "", "e.frm(1): "},
      {"c.cls", false, Crlf("VERSION 1.0 CLASS|BEGIN|  MultiUse = -1"), "c.cls(3): "},
      // Not VB text at all: an executable or a picture renamed.
      {"app.bas", false, std::string("MZ\x90\0\x03\0\0\0\x04\0\r\nAttribute", 20), "app.bas(1): "},
      {"pic.cls", false, "\x89PNG\r\n\x1a\n" + std::string(2000, 'x'), "pic.cls(1): "},
      {"long.bas", false, std::string(1024, 'x') + "\r\n", "long.bas(1): "},
      {"elf.bas", false,
       "\r\n  \r\n\x7f"
       "ELF\x02\x01",
       "elf.bas(3): "},
  };
  for (const auto& c : cases) {
    try {
      ParseComponentFile(c.bytes, c.file, c.designer);
      ADD_FAILURE() << c.file << " was accepted";
    } catch (const IdeError& e) {
      EXPECT_EQ(e.Number(), host::kErrBadFileFormat) << c.file;
      EXPECT_TRUE(e.Description().starts_with(c.prefix)) << e.Description();
    }
  }
}

TEST(ComponentFileRename, RenamesCompanionReferencesOnly) {
  const struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"   Icon = \"Form1.frx\":0000", "   Icon = \"Main.frx\":0000"},
      {"   Text = $\"Form1.frx\":0A1C", "   Text = $\"Main.frx\":0A1C"},
      {"   Picture = \"FORM1.FRX\":1234", "   Picture = \"Main.FRX\":1234"},
      {"   Caption = \"Form1.frx\"", "   Caption = \"Form1.frx\""},
      {"   Caption = \"Form1\"", "   Caption = \"Form1\""},
      {"   Tag = \"MyForm1.frx\":0000", "   Tag = \"MyForm1.frx\":0000"},
      {"   Tag = \"Form1.frx is here\"", "   Tag = \"Form1.frx is here\""},
      {"Begin VB.Form Form1 ", "Begin VB.Form Form1 "},
  };
  std::vector<std::string> header, expected;
  for (const auto& c : cases) {
    header.emplace_back(c.line);
    expected.emplace_back(c.expected);
  }
  EXPECT_EQ(RenameCompanion(header, "Form1", "Main"), expected);
  // Windows sees no new name in a change of case: the references stay as they are.
  EXPECT_EQ(RenameCompanion(header, "Form1", "FORM1"), header);
}

}  // namespace
}  // namespace kestrix::vbfiles
