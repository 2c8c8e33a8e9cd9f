#pragma once

// The project explorer: a tree of the loaded group, its projects, a folder per kind of
// component ("Forms", "Modules", "Class Modules", …) and the components, each shown as
// "Name (file)" with " *" after it while it has unsaved changes. The tree follows the IDE:
// Sync() rebuilds it when projects or components came or went and otherwise only updates the
// names and marks.

#include <QTreeWidget>
#include <string>
#include <vector>

#include "host/ide.h"

namespace kestrix::desktop {

class DesktopIde;

// The folder a component of this kind is listed under.
QString FolderOfType(host::ComponentType type);

class ProjectExplorer final : public QTreeWidget {
  Q_OBJECT

 public:
  explicit ProjectExplorer(QWidget* parent = nullptr);

  // Shows what the IDE holds now; the selected item stays selected where it still exists.
  void Sync(DesktopIde& ide);
  // Drops the items of everything (before the IDE unloads its projects).
  void Forget();
  // Drops the component's item (before the component goes away).
  void Forget(host::Component& component);

  // What an item stands for; nullptr for other items (the group and the folders).
  static host::Project* ProjectOf(const QTreeWidgetItem* item);
  static host::Component* ComponentOf(const QTreeWidgetItem* item);
  // The project an item lies in (the project itself, its folders and components).
  static host::Project* OwningProject(const QTreeWidgetItem* item);

  QTreeWidgetItem* ItemOf(const host::Project& project) const;
  QTreeWidgetItem* ItemOf(const host::Component& component) const;

 private:
  // Identifies what the tree shows: the projects and their components, in order.
  std::vector<const void*> Shape(DesktopIde& ide) const;
  void Rebuild(DesktopIde& ide);
  void AddProject(QTreeWidgetItem* parent, host::Project& project, bool startup);
  void UpdateTexts();

  std::vector<const void*> shape_;
};

}  // namespace kestrix::desktop
