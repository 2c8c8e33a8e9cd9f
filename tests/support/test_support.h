#pragma once

// Shared helpers of the test suite: real temporary folders and files, and the source tree.

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
// Turns "a|b|c" into "a\r\nb\r\nc\r\n": fixtures read better with | for CR LF.
std::string Crlf(std::string_view bar_separated);

}  // namespace kestrix::testing
