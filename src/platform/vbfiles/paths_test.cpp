#include "platform/vbfiles/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

using testing::TempDir;

TEST(PathsTest, FromWindowsPath) {
  struct Case {
    std::string base;
    std::string win;
    std::string expected;
  };
  const Case cases[] = {
      {"/p/Shop", "Forms\\frmMain.frm", "/p/Shop/Forms/frmMain.frm"},
      {"/p/Shop", "..\\..\\Lib\\Lib.vbp", "/Lib/Lib.vbp"},
      {"/p/Shop", "..\\Shared\\.\\Common.bas", "/p/Shared/Common.bas"},
      {"/p/Shop/", "a/b\\c.cls", "/p/Shop/a/b/c.cls"},
      {"/p", "..\\..\\..\\x.bas", "/x.bas"},  // above the root: stays at the root
      {"/p/Windows EDM", "Main Module.bas", "/p/Windows EDM/Main Module.bas"},
      {"rel/dir", "..\\..\\..\\x.bas", "../x.bas"},
      {"", "Forms\\a.frm", "Forms/a.frm"},
      {"/p", "c:x.bas", "c:x.bas"},
      {"/p", "\\\\server\\share\\x.bas", "//server/share/x.bas"},
      {"/p", "\\Root\\x.bas", "/Root/x.bas"},
      // Absolute paths are normalised too: ".." never lands beside the folder it climbs out of.
      {"/p", "/top/p/../modA.bas", "/top/modA.bas"},
      {"/p", "C:\\VB\\..\\Lib\\x.bas", "C:/Lib/x.bas"},
      // From a project file in a folder on a drive or a share.
      {"C:/Shop", "..\\..\\..\\Lib\\x.bas", "C:/Lib/x.bas"},
      {"//server/share/Shop", "..\\..\\x.bas", "//server/share/x.bas"},
      {"//server/share/Shop", "D:\\x.bas", "D:/x.bas"},
      {"C:/Shop", "\\\\srv\\s\\x.bas", "//srv/s/x.bas"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FromWindowsPath(c.base, c.win), c.expected) << c.base << " + " << c.win;
  }
}

TEST(PathsTest, RelativeWindowsPath) {
  struct Case {
    std::string from;
    std::string target;
    std::string expected;
  };
  const Case cases[] = {
      {"/p/Shop", "/p/Shop/x.bas", "x.bas"},
      {"/p/Shop", "/p/Shared/Common.bas", "..\\Shared\\Common.bas"},
      {"/p/a/b", "/q/Lib.vbp", "..\\..\\..\\q\\Lib.vbp"},
      {"/p/Shop/", "/p/Shop/./Forms/../x.bas", "x.bas"},
      {"/p/Shop", "/p/ShopOld/x.bas", "..\\ShopOld\\x.bas"},  // not a prefix match
      {"/p/Shop", "/p/Shop", "."},
      {"/", "/x.bas", "x.bas"},
      // Into a project file in a folder on a drive or a share.
      {"C:/Shop", "C:/Lib/x.bas", "..\\Lib\\x.bas"},
      {"c:/Shop", "C:/Shop/x.bas", "x.bas"},  // drive letters ignore case
      {"C:/Shop", "D:/Lib/x.bas", "D:\\Lib\\x.bas"},
      {"//server/share/Shop", "//server/share/Lib/x.bas", "..\\Lib\\x.bas"},
      {"//server/share/Shop", "//server/other/x.bas", "\\\\server\\other\\x.bas"},
      {"/p/Shop", "C:/x.bas", "C:\\x.bas"},
      {"/p/Shop", "/p/Shop/Forms/Sub/x.frm", "Forms\\Sub\\x.frm"},
      {"/p/Shop/Forms", "/p/x.bas", "..\\..\\x.bas"},
      {"/p//Shop/.", "/p/Shop//x.bas", "x.bas"},
      {"C:/", "C:/x.bas", "x.bas"},
      {"//server/share", "//server/share/x.bas", "x.bas"},
      {"//server/share/A", "//server/share", ".."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RelativeWindowsPath(c.from, c.target), c.expected) << c.from << " -> " << c.target;
    // Written relative, read back to the same file (the drive letter as the folder writes it).
    std::string back = FromWindowsPath(c.from, c.expected);
    if (back.size() > 1 && back[1] == ':') back[0] = c.target[0];
    EXPECT_EQ(back, NormalizePath(c.target)) << c.expected;
  }
}

TEST(PathsTest, NormalizeAndAbsolute) {
  const std::pair<std::string, std::string> cases[] = {
      {"/a/./b//c/", "/a/b/c"},
      {"/a/../../b", "/b"},
      {"a/../..", ".."},
      {"a/..", "."},
      {"", "."},
      {"/", "/"},
      {"./x", "x"},
      {"..", ".."},
      {"/..", "/"},
      {"a/.", "a"},
      {"a//b", "a/b"},
      {"a/b/", "a/b"},
      {".a/..b/b..", ".a/..b/b.."},  // names that only start or end with dots
      {"//server/share//x/", "//server/share/x"},
      {"C:a/", "C:a"},
      {"C://a", "C:/a"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(NormalizePath(in), out) << in;
    EXPECT_EQ(NormalizePath(out), out) << in;  // a normal path stays as it is
  }

  TempDir dir;
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::string cwd = AbsolutePath(".");
  EXPECT_EQ(AbsolutePath("sub/../x.vbp"), cwd + "/x.vbp");
  EXPECT_EQ(AbsolutePath("/tmp//y/"), "/tmp/y");
  std::filesystem::current_path(saved);
  EXPECT_TRUE(IsAbsolute(cwd)) << cwd;
}

// The internal form of Windows paths, whatever system the tests run on: the root ("C:/",
// "//server/share", "/") is kept, ".." stops at it, and the folder part never loses it.
TEST(PathsTest, WindowsFormPaths) {
  struct Case {
    std::string path;
    bool absolute;
    std::string normal;  // NormalizePath
    std::string dir;     // DirName of the normalised path
  };
  const Case cases[] = {
      {"C:/VB/Lib/x.bas", true, "C:/VB/Lib/x.bas", "C:/VB/Lib"},
      {"c:/x.bas", true, "c:/x.bas", "c:/"},
      {"C:/", true, "C:/", "C:/"},
      {"C:/VB/../../..//x.bas", true, "C:/x.bas", "C:/"},
      {"C:/VB/./Lib/", true, "C:/VB/Lib", "C:/VB"},
      {"C:x.bas", true, "C:x.bas", "C:"},  // drive-relative: never joined to another folder
      {"//server/share/a/../x.bas", true, "//server/share/x.bas", "//server/share"},
      {"//server/share/../../x.bas", true, "//server/share/x.bas", "//server/share"},
      {"//server/share", true, "//server/share", "//server/share"},
      {"//server/share/", true, "//server/share", "//server/share"},
      {"///x/y", true, "/x/y", "/x"},  // three slashes are the root and a name
      {"/Root/x.bas", true, "/Root/x.bas", "/Root"},
      {"Forms/a.frm", false, "Forms/a.frm", "Forms"},
      {"../Lib/x.bas", false, "../Lib/x.bas", "../Lib"},
      {"1:/x", false, "1:/x", "1:"},  // not a drive letter
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsAbsolute(c.path), c.absolute) << c.path;
    EXPECT_EQ(NormalizePath(c.path), c.normal) << c.path;
    EXPECT_EQ(NormalizePath(c.normal), c.normal) << c.path;
    EXPECT_EQ(DirName(c.normal), c.dir) << c.path;
  }

  struct Join {
    std::string dir, path, joined;
  };
  const Join joins[] = {
      {"C:/VB", "Lib/x.bas", "C:/VB/Lib/x.bas"},
      {"C:/", "x.bas", "C:/x.bas"},
      {"C:", "x.bas", "C:x.bas"},
      {"//server/share", "x.bas", "//server/share/x.bas"},
      {"/p", "D:/x.bas", "D:/x.bas"},
      {"/p", "//srv/s/x.bas", "//srv/s/x.bas"},
      {".", "x.bas", "x.bas"},
      {"", "x.bas", "x.bas"},
      {"a/", "b", "a/b"},
  };
  for (const Join& j : joins)
    EXPECT_EQ(JoinPath(j.dir, j.path), j.joined) << j.dir << " + " << j.path;
}

TEST(PathsTest, ResolveCaseInsensitive) {
  TempDir dir;
  dir.Write("Modules/ModLanguage.bas", "");
  dir.Write("SERVER.VBP", "");
  dir.Write("Forms/Sub/frmMain.frm", "");
  const std::pair<std::string, std::string> found[] = {
      {"Modules/ModLanguage.bas", "Modules/ModLanguage.bas"},
      {"modules/modLanguage.BAS", "Modules/ModLanguage.bas"},
      {"Server.vbp", "SERVER.VBP"},
      {"FORMS/sub/../SUB/FRMMAIN.frm", "Forms/Sub/../Sub/frmMain.frm"},
      {"Forms/./sub/frmmain.frm", "Forms/./Sub/frmMain.frm"},
  };
  for (const auto& [asked, on_disk] : found) {
    EXPECT_EQ(ResolveCaseInsensitive(dir.Path(asked)), dir.Path(on_disk)) << asked;
  }
  for (const char* missing : {"Modules/Other.bas", "Nope/ModLanguage.bas", "SERVER.VBP/x",
                              "Modules/ModLanguage.bas.bak"}) {
    EXPECT_EQ(ResolveCaseInsensitive(dir.Path(missing)), std::nullopt) << missing;
  }
  EXPECT_EQ(ResolveCaseInsensitive(""), std::nullopt);
}

TEST(PathsTest, ResolvePrefersExactThenFirstInByteOrder) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows folder cannot hold names that differ only in case";
#endif
  TempDir dir;
  dir.Write("a.bas", "");
  dir.Write("A.bas", "");
  dir.Write("A.BAS", "");
  EXPECT_EQ(ResolveCaseInsensitive(dir.Path("a.bas")), dir.Path("a.bas"));
  EXPECT_EQ(ResolveCaseInsensitive(dir.Path("a.BAs")), dir.Path("A.BAS"));
}

// Names written on Windows in the machine's ANSI code page, found under their UTF-8 names.
TEST(PathsTest, ResolveProjectPathReadsNamesInAnsiCodePages) {
  TempDir dir;
  dir.Write("\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0.frm", "");            // Форма.frm
  dir.Write("\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xBC\xE3\x83\xA0/M.bas", "");  // フォーム/
  dir.Write("Caf\xC3\xA9.BAS", "");                                         // Café.BAS
  const struct {
    std::string written;  // as the project file holds it
    int code_page;
    std::string found;  // "" when not found
  } cases[] = {
      {"\xD4\xEE\xF0\xEC\xE0.frm", 0, "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0.frm"},
      {"\xD4\xEE\xF0\xEC\xE0.frm", 1251, "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0.frm"},
      {"\xD4\xEE\xF0\xEC\xE0.frm", 932, ""},  // the code page named: no other is tried
      {"\x83\x74\x83\x48\x81\x5B\x83\x80/m.bas", 0,
       "\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xBC\xE3\x83\xA0/M.bas"},
      {"caf\xE9.bas", 0, "Caf\xC3\xA9.BAS"},
      {"caf\xE8.bas", 0, ""},
  };
  for (const auto& c : cases) {
    Resolution r = ResolveProjectPath(dir.Path(c.written), c.code_page);
    EXPECT_EQ(r.path, c.found.empty() ? std::nullopt : std::optional(dir.Path(c.found)))
        << c.written;
    EXPECT_EQ(r.ambiguity, "");
  }
}

TEST(PathsTest, ResolveProjectPathRefusesANameThatCodePagesReadDifferently) {
  TempDir dir;
  dir.Write("\xC3\x94\xC3\xAE.bas", "");  // Ôî: the bytes D4 EE in code page 1252
  dir.Write("\xD0\xA4\xD0\xBE.bas", "");  // Фо: the same bytes in code page 1251
  Resolution r = ResolveProjectPath(dir.Path("\xD4\xEE.bas"), 0);
  EXPECT_EQ(r.path, std::nullopt);
  EXPECT_NE(r.ambiguity.find("1251 (\xD0\xA4\xD0\xBE.bas)"), std::string::npos) << r.ambiguity;
  EXPECT_NE(r.ambiguity.find("1252 (\xC3\x94\xC3\xAE.bas)"), std::string::npos) << r.ambiguity;
  EXPECT_EQ(ResolveProjectPath(dir.Path("\xD4\xEE.bas"), 1251).path,
            dir.Path("\xD0\xA4\xD0\xBE.bas"));
}

}  // namespace
}  // namespace kestrix::vbfiles
