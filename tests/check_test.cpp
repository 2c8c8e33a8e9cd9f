// The compile check raises no false alarms on real code: the example projects and generated
// groups of every shape the generator writes check clean.

#include <gtest/gtest.h>

#include "host/ide.h"
#include "platform/vbfiles/compiler.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"
#include "vb_generator.h"

namespace kestrix {
namespace {

using testing::TempDir;

// Every problem the check finds in the group or project at `path`, one per line; the count
// of components checked goes to `components`.
std::string ProblemsIn(const std::string& path, int& components) {
  vbfiles::FileIde ide;
  ide.Open(path);
  std::string out;
  components = 0;
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Components& all = ide.Item(i).VBComponents();
    for (int32_t k = 1; k <= all.Count(); ++k) {
      auto& component = dynamic_cast<vbfiles::FileComponent&>(all.Item(k));
      if (component.GetCodeModule() != nullptr) ++components;
      for (const auto& problem : vbfiles::CheckComponent(component))
        out += vbfiles::FormatProblem(problem) + "\n";
    }
  }
  return out;
}

TEST(CheckClean, Examples) {  // how many components: kestrix-batch's check tests count them
  for (const char* example : {"/examples/Shop/Shop.vbg", "/examples/Single/Hello.vbp"}) {
    int components = 0;
    EXPECT_EQ(ProblemsIn(testing::SourceDir() + example, components), "") << example;
  }
}

TEST(CheckClean, GeneratedGroups) {
  TempDir dir;
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    std::string root = dir.Path("g" + std::to_string(seed));
    bench::GeneratedGroup group = bench::GenerateGroup(root, 60000, seed);
    int components = 0;
    EXPECT_EQ(ProblemsIn(group.group_file, components), "") << "seed " << seed;
    EXPECT_GT(components, 10);
  }
}

}  // namespace
}  // namespace kestrix
