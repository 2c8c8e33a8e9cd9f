#include "platform/system/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "platform/system/config_paths.h"
#include "platform/system/environment.h"
#include "support/test_support.h"

namespace kestrix::system {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(FileIoTest, ReadRegularFileTellsMissingTooLargeAndUnreadableApart) {
  TempDir dir;
  std::string file = dir.Write("f.bas", "12345");
#ifndef _WIN32
  std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
#endif
  struct Case {
    std::string path;
    size_t max;
    LoadStatus status;
    std::string bytes;
  };
  const Case cases[] = {
      {file, 5, LoadStatus::kOk, "12345"},
      {file, 4, LoadStatus::kTooLarge, ""},
      {dir.Path("missing.bas"), 10, LoadStatus::kMissing, ""},
      {dir.Path("no/such/folder.bas"), 10, LoadStatus::kMissing, ""},
      {dir.path(), 10, LoadStatus::kFailed, ""},  // a folder
#ifndef _WIN32
      {fifo, 10, LoadStatus::kFailed, ""},  // returns at once: nobody writes to it
#endif
  };
  for (const Case& c : cases) {
    std::string bytes = "old";
    std::string error;
    EXPECT_EQ(ReadRegularFile(c.path, c.max, bytes, error), c.status) << c.path;
    EXPECT_EQ(bytes, c.bytes) << c.path;
    if (c.status == LoadStatus::kFailed) {
      EXPECT_NE(error, "") << c.path;
    }
    LoadStatus readable = c.status == LoadStatus::kTooLarge ? LoadStatus::kOk : c.status;
    EXPECT_EQ(CheckReadable(c.path, error), readable) << c.path;
  }
}

// As std::filesystem::exists: a link counts as what it points to, and a path through a file
// leads nowhere.
TEST(FileIoTest, PathExists) {
  TempDir dir;
  std::string file = dir.Write("f.bas", "x");
  struct Case {
    std::string path;
    bool exists;
  };
  std::vector<Case> cases = {
      {file, true},
      {dir.path(), true},
      {dir.Path("none.bas"), false},
      {dir.Path("none/f.bas"), false},
      {file + "/x", false},
      {"", false},
  };
#ifndef _WIN32
  fs::create_symlink(file, dir.Path("to-file"));
  fs::create_symlink(dir.Path("none.bas"), dir.Path("dangling"));
  cases.push_back({dir.Path("to-file"), true});
  cases.push_back({dir.Path("dangling"), false});
#endif
  for (const Case& c : cases) {
    std::error_code ec;
    EXPECT_EQ(PathExists(c.path), c.exists) << c.path;
    EXPECT_EQ(PathExists(c.path), fs::exists(FileSystemPath(c.path), ec)) << c.path;
  }
}

// The file's size is only a first guess: a file larger than any one read comes whole, and so
// does one whose size the system gives as 0 (procfs), which the read must grow into.
TEST(FileIoTest, ReadRegularFileReadsPastTheSizeItWasGiven) {
  TempDir dir;
  std::string big(300000, 'x');
  for (size_t i = 0; i < big.size(); i += 997)
    big[i] = static_cast<char>('a' + i % 26);
  std::string file = dir.Write("big.bas", big);
  std::string bytes;
  std::string error;
  ASSERT_EQ(ReadRegularFile(file, big.size(), bytes, error), LoadStatus::kOk) << error;
  EXPECT_EQ(bytes, big);
#ifdef __linux__
  ASSERT_EQ(ReadRegularFile("/proc/self/status", 1 << 20, bytes, error), LoadStatus::kOk);
  EXPECT_TRUE(bytes.starts_with("Name:")) << bytes;
  EXPECT_NE(bytes.find("\nPid:"), std::string::npos);
  EXPECT_EQ(ReadRegularFile("/proc/self/status", 10, bytes, error), LoadStatus::kTooLarge);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(error, "the file grew past the limit while read");
#endif
}

// One string read into again and again holds each time the file just read and nothing of the
// one before it, longer or shorter, and nothing at all after a read that failed.
TEST(FileIoTest, ReadRegularFileIntoAStringReadIntoBefore) {
  TempDir dir;
  const struct {
    const char* name;
    std::string bytes;  // "" with `missing`: no such file
    bool missing;
  } reads[] = {
      {"long.bas", std::string(5000, 'l'), false},
      {"short.bas", "short", false},
      {"empty.bas", "", false},
      {"gone.bas", "", true},
      {"middle.bas", std::string(300, 'm'), false},
      {"longer.bas", std::string(9000, 'x'), false},
  };
  std::string bytes;
  for (const auto& r : reads) {
    std::string path = r.missing ? dir.Path(r.name) : dir.Write(r.name, r.bytes);
    std::string error;
    LoadStatus expected = r.missing ? LoadStatus::kMissing : LoadStatus::kOk;
    EXPECT_EQ(ReadRegularFile(path, 1 << 20, bytes, error), expected) << r.name;
    EXPECT_EQ(bytes, r.bytes) << r.name;
  }
}

TEST(FileIoTest, MakeFolderSaysWhoMadeIt) {
  TempDir dir;
  std::string error;
  std::string folder = dir.Path("BUILD 1");
  EXPECT_EQ(MakeFolder(folder, FolderAccess::kShared, error), MakeStatus::kMade);
  EXPECT_EQ(MakeFolder(folder, FolderAccess::kShared, error), MakeStatus::kExists);
  EXPECT_EQ(MakeFolder(dir.Write("file", "x"), FolderAccess::kShared, error), MakeStatus::kExists);
  EXPECT_EQ(MakeFolder(dir.Path("no/such"), FolderAccess::kShared, error), MakeStatus::kFailed);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(MakeFolder(dir.Path("mine"), FolderAccess::kPersonal, error), MakeStatus::kMade);
#ifndef _WIN32  // Windows folders take their access from the folder above
  EXPECT_EQ(fs::status(dir.Path("mine")).permissions() & fs::perms::all, fs::perms::owner_all);
#endif

  EXPECT_TRUE(CanCreateIn(folder, error));
  error.clear();
  EXPECT_FALSE(CanCreateIn(dir.Path("no/such"), error));
  EXPECT_FALSE(error.empty());
}

#ifndef _WIN32
// Writes in place into a new folder report every failure, and leave no file cut short: a write
// the system refuses (here a file size limit, as a full disk would), a device, a symbolic
// link, a missing folder, an unreadable source, a flush that cannot be made.
TEST(FileIoTest, WritesIntoANewFolderReportEveryFailure) {
  TempDir dir;
  std::string source = dir.Write("source.frx", std::string(100000, 'x'));
  std::string target = dir.Write("target.bas", "keep");
  fs::create_symlink(target, dir.Path("link.bas"));
  const std::string big(100000, 'x');
  struct Case {
    std::string to;
    std::string from;  // "" to write `big`
    const char* error;
  };
  const Case cases[] = {
      {dir.Path("big.bas"), "", "too large"},               // the size limit, as a full disk
      {dir.Path("big.frx"), source, "too large"},           // the same, copying
      {"/dev/full", "", "not a regular file"},              // a device, never written
      {dir.Path("link.bas"), "", ""},                       // a link, never followed
      {dir.Path("no/such.bas"), "", ""},                    // no folder
      {dir.Path("copy.frx"), dir.Path("missing.frx"), ""},  // no source
  };
  rlimit old_limit{};
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c : cases) {
    std::string error;
    bool ok = c.from.empty() ? WriteNewFile(c.to, big, error) : CopyNewFile(c.from, c.to, error);
    EXPECT_FALSE(ok) << c.to;
    EXPECT_FALSE(error.empty()) << c.to;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    if (std::string_view(c.error) == "too large") {
      EXPECT_EQ(KindOf(c.to), FileKind::kMissing) << c.to;  // nothing cut short is left
    }
  }
  ::signal(SIGXFSZ, old_handler);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::string error;
  EXPECT_FALSE(FlushWritten(dir.Path("no such folder"), {}, error));
  EXPECT_NE(error.find("Cannot flush"), std::string::npos) << error;
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(target, bytes, error), ReadStatus::kOk);
  EXPECT_EQ(bytes, "keep");  // never written through the link
}
#endif

#ifndef _WIN32
// A file written in place holds the new bytes alone and has mode 0644, whatever was there
// before and whatever the umask takes away from a new file.
TEST(FileIoTest, WriteNewFileEmptiesAndGivesTheUsualMode) {
  TempDir dir;
  struct Case {
    const char* name;
    const char* before;  // nullptr: no file there
    mode_t mode_before;
    mode_t umask;
  };
  const Case cases[] = {
      {"new.bas", nullptr, 0, 022},
      {"new-private.bas", nullptr, 0, 077},
      {"longer.bas", "a much longer text than the new one", 0644, 022},
      {"executable.bas", "old", 0755, 022},
      {"private.bas", "old", 0600, 022},
  };
  for (const Case& c : cases) {
    std::string path = dir.Path(c.name);
    if (c.before != nullptr) {
      dir.Write(c.name, c.before);
      ASSERT_EQ(::chmod(path.c_str(), c.mode_before), 0);
    }
    mode_t old_umask = ::umask(c.umask);
    std::string error;
    bool ok = WriteNewFile(path, "new", error);
    ::umask(old_umask);
    ASSERT_TRUE(ok) << c.name << ": " << error;
    std::string bytes;
    ASSERT_EQ(ReadWholeFile(path, bytes, error), ReadStatus::kOk);
    EXPECT_EQ(bytes, "new") << c.name;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << c.name;
  }
}
#endif

// Inside a new folder SaveFile writes in place and Flush flushes it; a file of the folder
// beside it, or written after the object is gone, is replaced atomically as always.
TEST(FileIoTest, SaveFileWritesInPlaceOnlyInsideANewFolder) {
  TempDir dir;
  fs::create_directories(dir.Path("BUILD 1/Forms"));
  fs::create_directories(dir.Path("BUILD 10"));
  std::string error;
  {
    NewFolderWrites writes(dir.Path("BUILD 1") + "/");
    EXPECT_EQ(NewFolderWrites::Covering(dir.Path("BUILD 1/Forms/a.frm")), &writes);
    EXPECT_EQ(NewFolderWrites::Covering(dir.Path("BUILD 10/a.frm")), nullptr);
    EXPECT_EQ(NewFolderWrites::Covering(dir.Path("BUILD 1")), nullptr);
    EXPECT_EQ(NewFolderWrites::Covering(dir.Path("BUILD 1/../a.frm")), nullptr);
    ASSERT_TRUE(SaveFile(dir.Path("BUILD 1/Forms/a.frm"), "form", error)) << error;
    ASSERT_TRUE(SaveCopy(dir.Path("BUILD 1/Forms/a.frm"), dir.Path("BUILD 1/b.frm"), error));
    EXPECT_TRUE(writes.Flush(error)) << error;
  }
  EXPECT_EQ(NewFolderWrites::Covering(dir.Path("BUILD 1/Forms/a.frm")), nullptr);
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(dir.Path("BUILD 1/b.frm"), bytes, error), ReadStatus::kOk);
  EXPECT_EQ(bytes, "form");
}

// Paths longer than Windows' classic limit of 260 characters work like any other.
TEST(FileIoTest, LongPaths) {
  TempDir dir;
  std::string folder = dir.path();
  while (folder.size() < 300)
    folder += "/a folder of a long name " + std::to_string(folder.size());
  std::string error;
  ASSERT_TRUE(MakeFolders(folder, error)) << error;
  std::string file = folder + "/Module1.bas";
  ASSERT_TRUE(WriteFileAtomic(file, "Attribute VB_Name = \"Module1\"\r\n", error)) << error;
  EXPECT_TRUE(WriteFileAtomic(file, "new", error)) << error;
  EXPECT_EQ(KindOf(file), FileKind::kRegular);
  EXPECT_EQ(KindOf(folder), FileKind::kFolder);
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(file, bytes, error), ReadStatus::kOk) << error;
  EXPECT_EQ(bytes, "new");
  EXPECT_TRUE(CopyFileAtomic(file, folder + "/Copy.bas", error)) << error;
  EXPECT_EQ(ReadRegularFile(folder + "/Copy.bas", 10, bytes, error), LoadStatus::kOk) << error;
}

#ifdef _WIN32
// What the user types or the system gives is made internal: '/' separators, and the "\\?\"
// prefix of long paths dropped; a program's command line gets the system's form again.
TEST(EnvironmentTest, NativePathsOfWindows) {
  const std::pair<std::string, std::string> cases[] = {
      {R"(C:\VB\App.vbp)", "C:/VB/App.vbp"},
      {R"(\\server\share\App.vbp)", "//server/share/App.vbp"},
      {R"(\\?\C:\VB\App.vbp)", "C:/VB/App.vbp"},
      {R"(\\?\UNC\server\share\x)", "//server/share/x"},
      {R"(..\Lib/Lib.vbp)", "../Lib/Lib.vbp"},
      {"D:", "D:"},
  };
  for (const auto& [native, internal] : cases)
    EXPECT_EQ(FromNativePath(native), internal) << native;
  EXPECT_EQ(ToNativePath("//server/share/a b/x.vbp"), R"(\\server\share\a b\x.vbp)");
  EXPECT_EQ(WindowsProgramPath("C:/VB/x.vbp"), R"(C:\VB\x.vbp)");
  EXPECT_TRUE(FileNamesIgnoreCase());
}
#else
// On POSIX "//x" is "/x": what the user types never reads as a UNC share.
TEST(EnvironmentTest, NativePathsOfPosix) {
  const std::pair<std::string, std::string> cases[] = {
      {"//tmp/p.vbp", "/tmp/p.vbp"},
      {"///tmp//p.vbp", "/tmp//p.vbp"},
      {"/tmp/p.vbp", "/tmp/p.vbp"},
      {"p.vbp", "p.vbp"},
      {"//", "/"},
      {"", ""},
  };
  for (const auto& [native, internal] : cases)
    EXPECT_EQ(FromNativePath(native), internal) << native;
}
#endif

}  // namespace
}  // namespace kestrix::system
