#include "platform/vbfiles/text_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "host/ide_error.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::vbfiles {
namespace {

namespace fs = std::filesystem;
using host::IdeError;
using testing::ReadFile;
using testing::TempDir;

std::string Joined(const TextLines& text) {
  std::string out = text.bom ? "<bom>" : "";
  for (const auto& line : text.lines)
    out += "[" + line + "]";
  return out + (text.final_newline ? "" : "<no final break>");
}

TEST(TextIoSplit, LineEndsAndByteOrderMark) {
  const struct {
    std::string bytes;
    std::string lines;
  } cases[] = {
      {"a\r\nb\r\n", "[a][b]"},
      {"a\nb\r\nc", "[a][b][c]<no final break>"},
      // A file without any LF: CR ends its lines, as old Mac editors wrote them.
      {"Sub A()\rEnd Sub\r", "[Sub A()][End Sub]"},
      {"a\r\rb", "[a][][b]<no final break>"},
      // In a file with LF line ends a bare CR is a byte inside its line (a string literal's).
      {"x = \"\r\"\r\ny\n", "[x = \"\r\"][y]"},
      {"a\rb\n", "[a\rb]"},
      {"\xEF\xBB\xBFVERSION 5.00\r\n", "<bom>[VERSION 5.00]"},
      {"\xEF\xBB\xBF", "<bom>"},
      {"x\xEF\xBB\xBF\n", "[x\xEF\xBB\xBF]"},  // only at the start
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Joined(SplitLines(c.bytes)), c.lines) << c.bytes;
  }
}

// The lines a plain byte-by-byte reading gives, to hold the faster split against.
std::string SplitByteByByte(std::string_view bytes) {
  char end_char = bytes.find('\n') == bytes.npos && bytes.find('\r') != bytes.npos ? '\r' : '\n';
  std::string out;
  std::string line;
  for (char c : bytes) {
    if (c != end_char) {
      line += c;
      continue;
    }
    if (end_char == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
    out += "[" + line + "]";
    line.clear();
  }
  return out + (line.empty() ? "" : "[" + line + "]<no final break>");
}

// Line breaks at every place relative to the blocks the split compares at once (sixteen and
// sixty-four bytes): lines of every length from 0 to 70, a CR LF split over two blocks, a last
// line without a break.
TEST(TextIoSplit, AgreesWithAByteByByteReadingWhereverTheBreaksFall) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    for (size_t length = 0; length <= 70; ++length) {
      for (size_t offset = 0; offset < 65; ++offset) {
        std::string bytes(offset, 'o');
        for (int k = 0; k < 5; ++k)
          bytes += std::string(length, static_cast<char>('a' + k)) + eol;
        bytes += std::string(length % 7, 'z');
        EXPECT_EQ(Joined(SplitLines(bytes)), SplitByteByByte(bytes))
            << "line length " << length << ", offset " << offset << ", break "
            << (eol[0] == '\n'   ? "LF"
                : eol[1] == '\0' ? "CR"
                                 : "CR LF");
      }
    }
  }
}

// A file above the size limit is refused before it is read, naming the file and the limit.
TEST(TextIoRead, RefusesAFileAboveTheSizeLimit) {
  TempDir dir;
  std::string big = dir.Write("big.bas", "");
  fs::resize_file(big, kMaxTextFileBytes + 1);  // sparse: takes no room on disk
  IdeError error = testing::IdeErrorOf([&] { ReadFileBytes(big); });
  EXPECT_EQ(error.Number(), host::kErrPathFileAccess);
  EXPECT_NE(error.Description().find(big), std::string::npos) << error.Description();
  EXPECT_NE(error.Description().find("larger than 80 MiB"), std::string::npos);
}

// The names in `dir`, sorted.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TextIoWrite, PlantedLinkAtTheOldTemporaryNameRedirectsNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links on Windows need a privilege that users rarely hold";
#endif
  TempDir dir;
  std::string victim = dir.Write("victim.txt", "precious");
  std::string module = dir.Write("App/Module1.bas", "old");
  fs::create_symlink(victim, module + ".kestrix-tmp");
  WriteFileAtomic(module, "new");
  EXPECT_EQ(ReadFile(module), "new");
  EXPECT_EQ(ReadFile(victim), "precious");
  // Nothing else is left behind: no temporary file beside the one that was planted.
  EXPECT_EQ(Names(dir.Path("App")),
            (std::vector<std::string>{"Module1.bas", "Module1.bas.kestrix-tmp"}));
}

TEST(TextIoWrite, SymlinkedSharedModuleStaysALinkAndKeepsItsMode) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links on Windows need a privilege that users rarely hold";
#endif
  TempDir dir;
  std::string shared = dir.Write("Shared/Common.bas", "old");
  ASSERT_TRUE(testing::SetMode(shared, 0640));
  fs::create_directory(dir.Path("App"));
  fs::create_symlink(shared, dir.Path("App/Common.bas"));
  WriteFileAtomic(dir.Path("App/Common.bas"), "new");
  EXPECT_TRUE(fs::is_symlink(dir.Path("App/Common.bas")));
  EXPECT_EQ(ReadFile(shared), "new");
  EXPECT_EQ(fs::status(shared).permissions(), fs::perms(0640));
  EXPECT_EQ(Names(dir.Path("Shared")), std::vector<std::string>{"Common.bas"});
}

}  // namespace
}  // namespace kestrix::vbfiles
