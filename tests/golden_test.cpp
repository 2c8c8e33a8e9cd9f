// The instrumented and the cleaned copy of every example module, compared byte for byte with
// the reference copies in tests/golden: any change to what a build writes shows here as a
// difference to look at. The cleaned copy must also be the original module.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/clean_pass.h"
#include "engine/module_pass.h"
#include "platform/vbfiles/file_component.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

constexpr const char* kRegenerate =
    "\nIf the change is meant, run tests/golden/regenerate (after building kestrix-batch) and "
    "review the difference of tests/golden in git.";

std::string GoldenDir() {
  return testing::SourceDir() + "/tests/golden";
}

// Compares `actual` with the golden file `path`, saying where they differ.
void ExpectGolden(const std::string& actual, const std::string& path, const std::string& what) {
  std::string expected = ReadFile(path);
  EXPECT_TRUE(actual == expected) << what << " differs from " << path << "\n"
                                  << testing::FirstDifference(expected, actual) << kRegenerate;
}

// The main window's state with its initial options and the shipped handler template.
testing::TestState DefaultState(const std::string& module) {
  testing::TestState state;
  state.module_name = module;
  state.handler = ReadFile(testing::SourceDir() + "/config/LocalHandler.txt");
  return state;
}

// Instruments and cleans, in memory, every component with code of the projects that `file`
// (a .vbg or .vbp of examples/`example`) names, comparing each step with the golden copies.
// Returns the names it checked, as the golden copies are named ("Shop/App/Modules/modUtil.bas").
std::set<std::string> CheckExample(const std::string& example, const std::string& file) {
  std::set<std::string> checked;
  // A copy of our own: the checkout may belong to another user, and a module whose file this
  // user cannot write takes no edits.
  testing::TempDir temp;
  std::string root = testing::CopyTree(testing::SourceDir() + "/examples/" + example,
                                       temp.Path(example));
  vbfiles::FileIde ide;
  ide.Open(root + "/" + file);
  for (int32_t i = 1; i <= ide.Count(); ++i) {
    host::Components& components = ide.Item(i).VBComponents();
    for (int32_t k = 1; k <= components.Count(); ++k) {
      auto& component = dynamic_cast<vbfiles::FileComponent&>(components.Item(k));
      host::CodeModule* code = component.GetCodeModule();
      if (code == nullptr) continue;
      std::string source = component.FileNames(1);
      std::string name = example + "/" + fs::relative(source, root).generic_string();
      SCOPED_TRACE(name);
      if (!checked.insert(name).second) continue;  // a module two projects share
      std::string golden = GoldenDir() + "/" + name;
      if (!testing::FileExists(golden + ".instrumented")) {
        ADD_FAILURE() << "no golden copy of " << name << kRegenerate;
        continue;
      }

      testing::TestState build = DefaultState(component.Name());
      EXPECT_TRUE(engine::InstrumentModule(build, code));
      ExpectGolden(component.Bytes(), golden + ".instrumented", "the instrumented " + name);

      testing::TestState clean = DefaultState(component.Name());
      EXPECT_TRUE(engine::CleanModule(clean, code));
      std::string cleaned = component.Bytes();
      ExpectGolden(cleaned, golden + ".cleaned", "the cleaned " + name);
      std::string original = ReadFile(source);
      EXPECT_TRUE(cleaned == original) << "cleaning did not give back " << name << "\n"
                                       << testing::FirstDifference(original, cleaned);
    }
  }
  return checked;
}

TEST(Golden, ExampleModulesInstrumentAndCleanAsTheGoldenCopies) {
  std::set<std::string> checked = CheckExample("Shop", "Shop.vbg");
  checked.merge(CheckExample("Single", "Hello.vbp"));
  EXPECT_GE(checked.size(), 14u);
  // Every golden copy belongs to a module that is still there.
  for (const auto& entry : fs::recursive_directory_iterator(GoldenDir())) {
    std::string path = fs::relative(entry.path(), GoldenDir()).generic_string();
    for (const char* suffix : {".instrumented", ".cleaned"}) {
      if (!path.ends_with(suffix)) continue;
      std::string name = path.substr(0, path.size() - std::string(suffix).size());
      EXPECT_TRUE(checked.count(name)) << path << " has no example module" << kRegenerate;
    }
  }
}

}  // namespace
}  // namespace kestrix
