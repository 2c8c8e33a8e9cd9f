// The generator writes what the tests and benchmarks take it for: exactly the lines asked,
// the same bytes for the same seed, and projects that the file-backed IDE loads (every file
// they name is there) and whose code the compile check finds clean.

#include "vb_generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"

namespace kestrix::bench {
namespace {

namespace fs = std::filesystem;
using testing::FilesBelow;
using testing::TempDir;

// The group or project at `path` as the IDE loads it: its code lines, all components
// together, and the compile errors found, one a line.
struct Loaded {
  int64_t code_lines = 0;
  std::string problems;
};

Loaded Load(const std::string& path) {
  vbfiles::FileIde ide;
  ide.Open(path);
  Loaded loaded;
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Components& components = ide.Item(i).VBComponents();
    for (int32_t k = 1; k <= components.Count(); ++k) {
      auto& component = dynamic_cast<vbfiles::FileComponent&>(components.Item(k));
      if (host::CodeModule* code = component.GetCodeModule()) {
        loaded.code_lines += code->CountOfLines();
      }
      for (const auto& problem : vbfiles::CheckComponent(component))
        loaded.problems += vbfiles::FormatProblem(problem) + "\n";
    }
  }
  return loaded;
}

TEST(VbGeneratorTest, ModuleHasExactlyTheLinesAsked) {
  for (const int64_t lines : {0, 1, 4, 5, 9, 37, 1000, 65534}) {
    TempDir dir;
    const std::string bytes = GenerateModule("modBig", lines, 3);
    dir.Write("modBig.bas", bytes);
    dir.Write("Big.vbp", "Type=Exe\r\nModule=modBig; modBig.bas\r\nName=\"Big\"\r\n");
    const Loaded loaded = Load(dir.Path("Big.vbp"));
    EXPECT_EQ(loaded.code_lines, lines);
    EXPECT_EQ(loaded.problems, "") << lines;
    EXPECT_EQ(lines >= 5, bytes.find("\r\nPublic Sub Main()\r\n") != std::string::npos);
  }
  EXPECT_THROW(GenerateModule("m", 65535), std::invalid_argument);
  EXPECT_THROW(GenerateModule("m", -1), std::invalid_argument);
}

TEST(VbGeneratorTest, SameSeedGivesSameBytes) {
  TempDir first, again, other;
  GenerateGroup(first.path(), 20000, 7);
  GenerateGroup(again.path(), 20000, 7);
  GenerateGroup(other.path(), 20000, 8);
  EXPECT_TRUE(FilesBelow(first.path()) == FilesBelow(again.path()));
  EXPECT_FALSE(FilesBelow(first.path()) == FilesBelow(other.path()));
  EXPECT_EQ(GenerateModule("m", 5000, 7), GenerateModule("m", 5000, 7));
}

TEST(VbGeneratorTest, GroupHitsItsSizeInValidCode) {
  for (const int64_t total : {1000, 90000}) {
    TempDir dir;
    const GeneratedGroup group = GenerateGroup(dir.path(), total);
    EXPECT_NEAR(static_cast<double>(total), static_cast<double>(group.code_lines),
                static_cast<double>(total) * 0.03);
    const Loaded loaded = Load(group.group_file);
    EXPECT_EQ(loaded.code_lines, group.code_lines);
    EXPECT_EQ(loaded.problems, "");
    const auto files = FilesBelow(dir.path());
    EXPECT_EQ(group.files, static_cast<int64_t>(files.size()));
    for (const auto& [name, bytes] : files) {
      if (fs::path(name).extension() == ".frm") {
        EXPECT_TRUE(files.count(fs::path(name).replace_extension(".frx").generic_string())) << name;
      }
    }
  }
}

// The lines of a text that ends every line with CR LF; anything else fails the test.
std::vector<std::string> CrlfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (size_t pos = 0, end = 0; pos < bytes.size(); pos = end + 2) {
    end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "no CR LF after the last line";
      break;
    }
    lines.push_back(bytes.substr(pos, end - pos));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << "bare CR or LF";
  }
  return lines;
}

TEST(VbGeneratorTest, UniformModulesHaveTheirSizeInEveryForm) {
  struct FormCase {
    const char* name;
    int64_t proc_lines;
    int64_t headers_per_proc;  // header lines each procedure writes
    int64_t ends_missing;      // End lines left out
  };
  const FormCase cases[] = {
      {"plain", 4, 1, 0},          {"if-header", 4, 1, 0}, {"if-wrapped", 6, 1, 0},
      {"if-else-header", 7, 2, 0}, {"continued", 5, 1, 0}, {"open-end", 3, 1, 1},
      {"one-line", 1, 1, 0},       {"commented", 5, 1, 0},
  };
  for (const auto& c : cases) {
    ProcForm form = ProcForm::kPlain;
    ASSERT_TRUE(ParseProcForm(c.name, form)) << c.name;
    for (int64_t lines : {0, 1, 61, 65534}) {
      SCOPED_TRACE(c.name);
      std::vector<std::string> code =
          CrlfLines(GenerateUniformModule("modU", lines, c.proc_lines, form));
      ASSERT_FALSE(code.empty());
      code.erase(code.begin());  // Attribute VB_Name
      EXPECT_EQ(static_cast<int64_t>(code.size()), lines) << c.name;
      if (form == ProcForm::kPlain) continue;  // its last procedure may be shorter
      int64_t headers = 0, ends = 0;
      for (const auto& line : code) {
        headers += line.starts_with("Public Sub P");
        ends += line.ends_with("End Sub");
      }
      const int64_t procs = lines / c.proc_lines;
      EXPECT_EQ(headers, procs * c.headers_per_proc) << c.name << " " << lines;
      EXPECT_EQ(ends, procs == 0 ? 0 : procs - c.ends_missing) << c.name << " " << lines;
    }
    EXPECT_THROW(GenerateUniformModule("modU", 10, MinProcLines(form) - 1, form),
                 std::invalid_argument)
        << c.name;
  }
  ProcForm form;
  EXPECT_FALSE(ParseProcForm("square", form));
}

}  // namespace
}  // namespace kestrix::bench
