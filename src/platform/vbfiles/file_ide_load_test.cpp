// Loading projects from what real checkouts hold: files in other code pages and line ends,
// paths that climb, and things that are not component files at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include "host/ide_error.h"
#include "platform/system/environment.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

namespace fs = std::filesystem;
using host::IdeError;
using testing::Crlf;
using testing::ReadFile;
using testing::TempDir;

// Every entry below `dir` (links not followed) with the bytes and the time of the regular files.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const std::string& dir) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> out;
  for (const auto& entry : fs::recursive_directory_iterator(system::FileSystemPath(dir))) {
    bool file = !entry.is_symlink() && entry.symlink_status().type() == fs::file_type::regular;
    std::string path = system::FromFileSystemPath(entry.path());
    out[path] = {file ? ReadFile(path) : "", file ? entry.last_write_time() : fs::file_time_type()};
  }
  return out;
}

// Writes the files of `spec`: "name:line|line", one file a line.
std::function<void(const TempDir&)> Files(std::string_view spec) {
  return [spec](const TempDir& dir) {
    for (std::string_view rest = spec; !rest.empty();) {
      std::string_view file = rest.substr(0, rest.find('\n'));
      rest.remove_prefix(std::min(rest.size(), file.size() + 1));
      size_t colon = file.find(':');
      dir.Write(file.substr(0, colon), Crlf(file.substr(colon + 1)));
    }
  };
}

// Bad input fails naming the file and line, writes nothing and keeps what was loaded.
TEST(FileIdeLoad, BadInputIsNamedWithFileAndLineAndNothingIsWrittenOrLost) {
  const struct {
    const char* what;
    const char* open;
    int32_t number;
    const char* named;  // the description holds each part ('|' between them)
    std::function<void(const TempDir&)> make;
  } cases[] = {
      {"missing project", "Nope.vbp", host::kErrFileNotFound, "Nope.vbp", Files("")},
      {"malformed line", "P.vbp", host::kErrBadFileFormat, "P.vbp(2)",
       Files("P.vbp:Type=Exe|Form Form1.frm")},
      {"form header cut short", "P.vbp", host::kErrBadFileFormat, "Form1.frm(3)",
       Files(
           "P.vbp:Form=Form1.frm\nForm1.frm:VERSION 5.00|Begin VB.Form Form1|   Caption = \"x\"")},
      {"group names a missing project", "Set.vbg", host::kErrFileNotFound, "Set.vbg(3)",
       Files("Set.vbg:VBGROUP 5.0|StartupProject=P.vbp|Project=Gone\\Gone.vbp\nP.vbp:Type=Exe")},
      {"neither project nor group", "notes.txt", host::kErrBadFileFormat, "notes.txt",
       Files("notes.txt:Type=Exe")},
      {"every missing component at once", "P.vbp", host::kErrFileNotFound,
       "3 component files not found|P.vbp(2): Module file not found: A.bas|"
       "P.vbp(3): Form file not found: F.frm|P.vbp(5): Class file not found: C.cls",
       Files("P.vbp:Type=Exe|Module=A; A.bas|Form=F.frm|Module=B; B.bas|Class=C; C.cls\n"
             "B.bas:Attribute VB_Name = \"B\"")},
      {"a file not found is told before a bad one above it", "P.vbp", host::kErrFileNotFound,
       "P.vbp(3): Module file not found: B.bas",
       [](const TempDir& d) {
         d.Write("P.vbp", Crlf("Type=Exe|Module=A; A.bas|Module=B; B.bas"));
         d.Write("A.bas", std::string("MZ\x90\0\r\n", 6));
       }},
#ifndef _WIN32  // FIFOs, symbolic links and devices as POSIX has them
      {"a FIFO never blocks", "P.vbp", host::kErrPathFileAccess,
       "P.vbp(2): |A.bas: not a regular file",
       [](const TempDir& d) {
         d.Write("P.vbp", Crlf("Type=Exe|Module=A; A.bas"));
         testing::MakeFifo(d.Path("A.bas"));
       }},
      {"a FIFO as resource file", "P.vbp", host::kErrPathFileAccess,
       "P.vbp(2): |R.res: not a regular file",
       [](const TempDir& d) {
         d.Write("P.vbp", Crlf("Type=Exe|ResFile32=\"R.res\""));
         testing::MakeFifo(d.Path("R.res"));
       }},
      {"a symbolic-link loop", "P.vbp", host::kErrPathFileAccess,
       "P.vbp(3): |A.bas: Too many levels of symbolic links",
       [](const TempDir& d) {
         d.Write("P.vbp", Crlf("Type=Exe||Module=A; A.bas"));
         fs::create_symlink("B.bas", d.Path("A.bas"));
         fs::create_symlink("A.bas", d.Path("B.bas"));
       }},
      {"a device", "P.vbp", host::kErrPathFileAccess, "P.vbp(2): |/dev/zero: not a regular file",
       Files("P.vbp:Type=Exe|Module=Z; /dev/zero")},
#endif
      {"an executable renamed .vbp", "P.vbp", host::kErrBadFileFormat,
       "P.vbp(1): not a project file",
       [](const TempDir& d) {
         d.Write("P.vbp", std::string("MZ\x90\0\x03\0\0\0Name=\"X\"\r\n", 18));
       }},
      {"the first of several bad components, however they are loaded", "P.vbp",
       host::kErrBadFileFormat, "C.bas(1): not a VB text file",
       [](const TempDir& d) {
         d.Write("P.vbp", Crlf("Type=Exe|Module=A; A.bas|Module=B; B.bas|Module=C; C.bas|"
                               "Module=D; D.bas|Module=E; E.bas|Module=F; F.bas"));
         for (const char* name : {"A", "B", "D", "F"})
           d.Write(std::string(name) + ".bas", Crlf("Attribute VB_Name = \"M\"|Sub A()|End Sub"));
         d.Write("C.bas", std::string("\x7F"
                                      "ELF\r\n",
                                      6));
         d.Write("E.bas", std::string("MZ\x90\0\r\n", 6));
       }},
  };
  TempDir good;
  FileIde ide;
  ide.Open(good.Write("Good.vbp", Crlf("Type=Exe|Name=\"Good\"")));
  // Loaded on this thread, and on every core as kestrix-batch loads: the same errors.
  for (size_t run = 0; run < 2 * std::size(cases); ++run) {
    const bool all_cores = run >= std::size(cases);
    const auto& c = cases[run % std::size(cases)];
    SCOPED_TRACE(std::string(c.what) + (all_cores ? ", every core" : ""));
    ide.SetLoadOnAllCores(all_cores);
    TempDir root;
    c.make(root);
    auto before = Snapshot(root.path());
    IdeError error = testing::IdeErrorOf([&] { ide.Open(root.Path(c.open)); });
    EXPECT_EQ(error.Number(), c.number) << error.Description();
    for (std::string_view rest = c.named; !rest.empty();) {
      std::string_view part = rest.substr(0, rest.find('|'));
      rest.remove_prefix(std::min(rest.size(), part.size() + 1));
      EXPECT_NE(error.Description().find(part), std::string::npos) << error.Description();
    }
    EXPECT_EQ(Snapshot(root.path()), before);
    ASSERT_EQ(ide.Count(), 1);
    EXPECT_EQ(ide.ActiveVBProject(), &ide.Item(1));
    EXPECT_EQ(ide.Item(1).Name(), "Good");
  }
}

// A project written on a Russian system, checked out on Linux: the names on disk are UTF-8.
TEST(FileIdeLoad, NamesInTheProjectsCodePageFindUtf8FilesAndKeepTheirBytes) {
  TempDir root;
  const std::string utf8 = "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0";  // Форма
  const std::string cp1251 = "\xD4\xEE\xF0\xEC\xE0";
  root.Write("App/" + utf8 + ".frm",
             Crlf("VERSION 5.00|Begin VB.Form F|End|Attribute VB_Name = \"F\"|Sub A()|End Sub"));
  root.Write("App/" + utf8 + ".frx", "binary");
  std::string vbp = Crlf("Type=Exe|Form=" + cp1251 + ".frm|Name=\"App\"");
  root.Write("App/App.vbp", vbp);
  FileIde ide;
  ide.Open(root.Path("App/App.vbp"));
  host::Project& project = *ide.ActiveVBProject();
  host::Component& form = project.VBComponents().Item(1);
  EXPECT_EQ(form.FileNames(1), root.Path("App/" + utf8 + ".frm"));
  form.GetCodeModule()->InsertLines(1, "Option Explicit");
  form.SaveAs(form.FileNames(1));
  project.SaveAs(project.FileName());
  EXPECT_EQ(ReadFile(root.Path("App/App.vbp")), vbp);  // the name keeps its code page's bytes

  // Named in a code page that reads it as another file: not found, the code page named.
  ide.SetCodePage(932);
  IdeError error = testing::IdeErrorOf([&] { ide.Open(root.Path("App/App.vbp")); });
  EXPECT_EQ(error.Number(), host::kErrFileNotFound);
}

}  // namespace
}  // namespace kestrix::vbfiles
