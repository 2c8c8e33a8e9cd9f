#pragma once

// Shared helpers of the test suite: real temporary folders and files, and the source tree.

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace kestrix::testing {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string Path(std::string_view relative) const;
  // Writes a file below the folder (making its folders), returns its full path.
  std::string Write(std::string_view relative, std::string_view bytes) const;
  // Writes a shell script the system can run as a program; returns its full path.
  std::string WriteScript(std::string_view relative, std::string_view body) const;

 private:
  std::string path_;
};

// The environment variable that names the folder holding Kestrix's per-user folder: the XDG
// configuration home, or on Windows the application data (%APPDATA%\Kestrix; the folder's
// name ignores case there, so that "<dir>/kestrix" names its files in tests on both).
// kConfigFolderName is the per-user folder's name in it.
#ifdef _WIN32
inline constexpr const char* kConfigHomeVariable = "APPDATA";
inline constexpr const char* kConfigFolderName = "Kestrix";
#else
inline constexpr const char* kConfigHomeVariable = "XDG_CONFIG_HOME";
inline constexpr const char* kConfigFolderName = "kestrix";
#endif

// Sets (or, for nullptr, unsets) an environment variable for the object's lifetime, then puts
// back what was there. Tests point kConfigHomeVariable at a TempDir with it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  static void Set(const char* name, const char* value);

  std::string name_;
  bool had_value_ = false;
  std::string old_value_;
};

// Why a test that takes permissions away (an unreadable file, a folder that takes no new
// files) cannot run here, or nullptr when it can: root ignores them, and Windows has no such
// bits (a folder's read-only attribute does not stop new files).
const char* WhyPermissionsDoNotApply();

// The stand-in for the VB6 compiler's command line (tests/support/vb6_stand_in.cpp), built
// beside the test programs: "<their folder>/stand-in/VB6", with ".exe" on Windows.
std::string StandInCompiler();

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// The source tree's root (KESTRIX_SOURCE_DIR, set by the test runner).
std::string SourceDir();
// Copies a folder of the source tree (examples/Shop, say) into `to`, returns the copy's path.
std::string CopyTree(const std::string& from, const std::string& to);
// Every regular file below `root`, by path relative to it ("App/Shop.vbp"), with its bytes.
std::map<std::string, std::string> FilesBelow(const std::string& root);
// Where `actual` first departs from `expected`: the line's number and both versions of it
// (without their line ends), for a failure message.
std::string FirstDifference(const std::string& expected, const std::string& actual);
// Turns "a|b|c" into "a\r\nb\r\nc\r\n": fixtures read better with | for CR LF (or `eol`).
std::string Crlf(std::string_view bar_separated, std::string_view eol = "\r\n");
// The other way: "a\r\nb" becomes "a|b".
std::string Bars(std::string_view crlf);

// What the tests ask of the operating system beyond the standard library, in one place.
// Sets a file's or folder's permission bits (0444, 0755, 0311 ...); false when it cannot.
bool SetMode(const std::string& path, int mode);
// Makes a named pipe (a file that blocks whoever opens it).
bool MakeFifo(const std::string& path);
// Runs `body` in `count` child processes at once, each a copy of this one (threads on Windows,
// which has no fork), and waits for them; gives how many failed (a body returns 0 for success;
// one that throws fails).
int RunInChildProcesses(int count, const std::function<int()>& body);
// Runs `command` with the system's shell; its exit status (-1 when it did not exit) and
// standard output.
struct ShellResult {
  int status = -1;
  std::string out;
};
ShellResult RunShell(const std::string& command);

}  // namespace kestrix::testing
