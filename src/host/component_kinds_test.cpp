#include "host/component_kinds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

namespace kestrix::host {
namespace {

// What a file of each extension, or a project-file line of each key, loads as, and what a
// never-saved component of each kind is named, companion and folder included.
TEST(ComponentKindsTest, EachKindOnceWithItsFilesKeyAndFolder) {
  struct Case {
    ComponentType type;
    std::string_view extension, companion, key, folder;
    bool loads_as_itself;  // the kind a file of its extension (and its key) loads as
  };
  const Case cases[] = {
      {ComponentType::kStdModule, ".bas", "", "Module", "Modules", true},
      {ComponentType::kClassModule, ".cls", "", "Class", "Class Modules", true},
      {ComponentType::kVBForm, ".frm", ".frx", "Form", "Forms", true},
      {ComponentType::kVBMDIForm, ".frm", ".frx", "Form", "Forms", false},
      {ComponentType::kUserControl, ".ctl", ".ctx", "UserControl", "User Controls", true},
      {ComponentType::kPropPage, ".pag", ".pgx", "PropertyPage", "Property Pages", true},
      {ComponentType::kDocObject, ".dob", ".dox", "UserDocument", "User Documents", true},
      {ComponentType::kActiveXDesigner, ".dsr", ".dsx", "Designer", "Designers", true},
      {ComponentType::kMSForm, ".dsr", ".dsx", "Designer", "Designers", false},
      {ComponentType::kResFile, ".res", "", "ResFile32", "Related Documents", true},
      {ComponentType::kRelatedDocument, "", "", "RelatedDoc", "Related Documents", false},
  };
  std::set<ComponentType> seen;
  for (const Case& c : cases) {
    const ComponentKind& kind = KindOf(c.type);
    EXPECT_EQ(kind.type, c.type);
    EXPECT_EQ(kind.extension, c.extension) << kind.word;
    EXPECT_EQ(kind.companion, c.companion) << kind.word;
    EXPECT_EQ(kind.project_key, c.key) << kind.word;
    EXPECT_EQ(kind.folder, c.folder) << kind.word;
    EXPECT_TRUE(seen.insert(c.type).second);
    if (!c.loads_as_itself) continue;
    EXPECT_EQ(KindForExtension(c.extension)->type, c.type) << kind.word;
    EXPECT_EQ(KindForKey(c.key)->type, c.type) << kind.word;
  }
  EXPECT_EQ(seen.size(), std::size(kComponentKinds));
  // Extensions and keys in any case; what is none of them.
  EXPECT_EQ(KindForExtension(".BAS")->type, ComponentType::kStdModule);
  EXPECT_EQ(KindForKey("module")->type, ComponentType::kStdModule);
  EXPECT_EQ(KindForKey("RelatedDoc")->type, ComponentType::kRelatedDocument);
  EXPECT_EQ(KindForExtension(".txt"), nullptr);
  EXPECT_EQ(KindForExtension(""), nullptr);
  EXPECT_EQ(KindForKey("Reference"), nullptr);
  // Every kind's folder is one the explorer lists.
  for (const ComponentKind& kind : kComponentKinds) {
    EXPECT_NE(std::find(std::begin(kExplorerFolders), std::end(kExplorerFolders), kind.folder),
              std::end(kExplorerFolders))
        << kind.word;
  }
}

}  // namespace
}  // namespace kestrix::host
