// Loading a real project and saving it elsewhere gives back the same files: the example
// group and generated projects.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "host/ide.h"
#include "platform/system/environment.h"
#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"
#include "vb_generator.h"

namespace kestrix {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

// Saves every component and project of the IDE under `to`, keeping each file's place
// relative to `from`.
void SaveAllUnder(vbfiles::FileIde& ide, const std::string& from, const std::string& to) {
  auto moved = [&](const std::string& path) {
    fs::path target = system::FileSystemPath(to) /
                      fs::relative(system::FileSystemPath(path), system::FileSystemPath(from));
    fs::create_directories(target.parent_path());
    return system::FromFileSystemPath(target);
  };
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Project& project = ide.Item(i);
    for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
      host::Component& c = project.VBComponents().Item(k);
      c.SaveAs(moved(c.FileNames(1)));
    }
    project.SaveAs(moved(project.FileName()));
  }
}

// Every file that the projects name comes back byte for byte; the group file is not saved.
void ExpectSameFiles(const std::string& original, const std::string& saved) {
  auto before = testing::FilesBelow(original);
  auto after = testing::FilesBelow(saved);
  for (const auto& [name, bytes] : before) {
    if (name.ends_with(".vbg") || name.ends_with(".md")) continue;
    ASSERT_TRUE(after.count(name)) << name << " was not saved";
    EXPECT_TRUE(after[name] == bytes) << name << " differs";
  }
}

// Line ends other than CR LF are checked on the file-backed IDE's own tests.
TEST(RoundTrip, ExampleAndGeneratedGroupsSaveByteForByte) {
  {
    TempDir dir;
    std::string src = testing::CopyTree(testing::SourceDir() + "/examples/Shop", dir.Path("in"));
    vbfiles::FileIde ide;
    ide.Open(src + "/Shop.vbg");
    ASSERT_EQ(ide.Count(), 2);
    SaveAllUnder(ide, src, dir.Path("out"));
    ExpectSameFiles(src, dir.Path("out"));
    EXPECT_EQ(ide.Item(1).FileName(), dir.Path("out") + "/App/Shop.vbp");
    EXPECT_FALSE(ide.Item(1).VBComponents().Item(1).IsDirty());
  }
  for (uint32_t seed : {1u, 2u, 3u}) {
    TempDir dir;
    bench::GeneratedGroup group = bench::GenerateGroup(dir.Path("in"), 60000, seed);
    vbfiles::FileIde ide;
    ide.Open(group.group_file);
    int64_t lines = 0;
    for (int32_t i = 1; i <= ide.Count(); ++i) {
      host::Components& components = ide.Item(i).VBComponents();
      for (int32_t k = 1; k <= components.Count(); ++k) {
        if (auto* code = components.Item(k).GetCodeModule()) lines += code->CountOfLines();
      }
    }
    EXPECT_EQ(lines, group.code_lines) << "seed " << seed;
    SaveAllUnder(ide, dir.Path("in"), dir.Path("out"));
    ExpectSameFiles(dir.Path("in"), dir.Path("out"));
  }
}

}  // namespace
}  // namespace kestrix
