#include "frontends/desktop/project_explorer.h"

#include <QHeaderView>
#include <array>

#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/display_text.h"
#include "host/component_kinds.h"
#include "platform/vbfiles/paths.h"

namespace kestrix::desktop {
namespace {

using host::ComponentType;

// Item data: what kind of thing the item is, and a pointer to it.
enum class ItemKind { kGroup, kProject, kFolder, kComponent };
constexpr int kKindRole = Qt::UserRole;
constexpr int kPointerRole = Qt::UserRole + 1;

// Folders in the order they are listed.
constexpr auto& kFolders = host::kExplorerFolders;

QString FolderText(std::string_view folder) {
  return QString::fromLatin1(folder.data(), static_cast<qsizetype>(folder.size()));
}

ItemKind KindOf(const QTreeWidgetItem* item) {
  return static_cast<ItemKind>(item->data(0, kKindRole).toInt());
}

void* PointerOf(const QTreeWidgetItem* item) {
  return reinterpret_cast<void*>(item->data(0, kPointerRole).value<quintptr>());
}

QTreeWidgetItem* NewItem(ItemKind kind, const void* pointer) {
  auto* item = new QTreeWidgetItem;
  item->setData(0, kKindRole, static_cast<int>(kind));
  item->setData(0, kPointerRole, QVariant::fromValue(reinterpret_cast<quintptr>(pointer)));
  return item;
}

// "Name (file.ext)", the file left out while there is none, " *" after unsaved changes.
QString ItemText(const std::string& name, const std::string& path, bool dirty) {
  QString text = AnsiToDisplay(name);
  if (!path.empty()) text += " (" + QString::fromStdString(vbfiles::FileNamePart(path)) + ")";
  if (dirty) text += " *";
  return text;
}

}  // namespace

QString FolderOfType(ComponentType type) {
  return FolderText(host::KindOf(type).folder);
}

ProjectExplorer::ProjectExplorer(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  // The column is as wide as the longest name, and scrolls sideways when that is wider than
  // the pane, rather than cutting names short.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformRowHeights(true);
  setExpandsOnDoubleClick(false);
}

void ProjectExplorer::Sync(DesktopIde& ide) {
  if (Shape(ide) != shape_) {
    Rebuild(ide);
  } else {
    UpdateTexts();
  }
}

void ProjectExplorer::Forget() {
  clear();
  shape_.clear();
}

void ProjectExplorer::Forget(host::Component& component) {
  delete ItemOf(component);
  // The shape no longer matches: the next Sync builds the tree again.
  shape_.clear();
}

std::vector<const void*> ProjectExplorer::Shape(DesktopIde& ide) const {
  std::vector<const void*> shape;
  for (int32_t p = 1; p <= ide.Count(); ++p) {
    host::Project& project = ide.Item(p);
    shape.push_back(&project);
    host::Components& components = project.VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c)
      shape.push_back(&components.Item(c));
    shape.push_back(nullptr);
  }
  return shape;
}

void ProjectExplorer::Rebuild(DesktopIde& ide) {
  QTreeWidgetItem* current = currentItem();
  void* selected = current ? PointerOf(current) : nullptr;
  clear();
  shape_ = Shape(ide);
  QTreeWidgetItem* root = invisibleRootItem();
  std::string group = ide.GroupFileName();
  if (!group.empty()) {
    root = NewItem(ItemKind::kGroup, nullptr);
    root->setText(0, QString::fromStdString(vbfiles::Stem(group) + " (" +
                                            vbfiles::FileNamePart(group) + ")"));
    addTopLevelItem(root);
  }
  for (int32_t p = 1; p <= ide.Count(); ++p)
    AddProject(root, ide.Item(p), &ide.Item(p) == ide.StartupProject());
  UpdateTexts();
  expandAll();
  if (selected == nullptr) return;
  for (QTreeWidgetItemIterator it(this); *it; ++it) {
    if (PointerOf(*it) == selected) {
      setCurrentItem(*it);
      break;
    }
  }
}

void ProjectExplorer::AddProject(QTreeWidgetItem* parent, host::Project& project, bool startup) {
  QTreeWidgetItem* project_item = NewItem(ItemKind::kProject, &project);
  parent->addChild(project_item);
  if (startup) {
    QFont bold = project_item->font(0);
    bold.setBold(true);
    project_item->setFont(0, bold);
  }
  std::array<QTreeWidgetItem*, std::size(kFolders)> folders{};
  host::Components& components = project.VBComponents();
  for (int32_t c = 1; c <= components.Count(); ++c) {
    host::Component& component = components.Item(c);
    QString folder = FolderOfType(component.Type());
    size_t slot = 0;
    while (folder != FolderText(kFolders[slot]))
      ++slot;
    if (folders[slot] == nullptr) folders[slot] = NewItem(ItemKind::kFolder, nullptr);
    folders[slot]->addChild(NewItem(ItemKind::kComponent, &component));
  }
  for (size_t slot = 0; slot < folders.size(); ++slot) {
    if (folders[slot] == nullptr) continue;
    folders[slot]->setText(0, FolderText(kFolders[slot]));
    project_item->addChild(folders[slot]);
  }
}

void ProjectExplorer::UpdateTexts() {
  for (QTreeWidgetItemIterator it(this); *it; ++it) {
    QTreeWidgetItem* item = *it;
    if (host::Project* project = ProjectOf(item)) {
      item->setText(0, ItemText(project->Name(), project->FileName(), project->IsDirty()));
    } else if (host::Component* component = ComponentOf(item)) {
      item->setText(0, ItemText(component->Name(), component->FileNames(1), component->IsDirty()));
    }
  }
}

host::Project* ProjectExplorer::ProjectOf(const QTreeWidgetItem* item) {
  if (item == nullptr || KindOf(item) != ItemKind::kProject) return nullptr;
  return static_cast<host::Project*>(PointerOf(item));
}

host::Component* ProjectExplorer::ComponentOf(const QTreeWidgetItem* item) {
  if (item == nullptr || KindOf(item) != ItemKind::kComponent) return nullptr;
  return static_cast<host::Component*>(PointerOf(item));
}

host::Project* ProjectExplorer::OwningProject(const QTreeWidgetItem* item) {
  for (; item != nullptr; item = item->parent()) {
    if (host::Project* project = ProjectOf(item)) return project;
  }
  return nullptr;
}

QTreeWidgetItem* ProjectExplorer::ItemOf(const host::Project& project) const {
  for (QTreeWidgetItemIterator it(const_cast<ProjectExplorer*>(this)); *it; ++it) {
    if (ProjectOf(*it) == &project) return *it;
  }
  return nullptr;
}

QTreeWidgetItem* ProjectExplorer::ItemOf(const host::Component& component) const {
  for (QTreeWidgetItemIterator it(const_cast<ProjectExplorer*>(this)); *it; ++it) {
    if (ComponentOf(*it) == &component) return *it;
  }
  return nullptr;
}

}  // namespace kestrix::desktop
