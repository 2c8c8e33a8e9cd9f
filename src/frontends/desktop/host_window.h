#pragma once

// The main window of kestrix-ide: a project explorer docked on the left, code windows in the
// middle, the command bars that add-ins add, and the File, Add-Ins and Help menus. It owns the
// IDE object model the add-ins see and the add-ins it connected.
//
// The object model raises no events, and add-ins change modules and projects while their own
// windows have the focus: the window looks at the IDE after every command-bar click, after
// every edit and twice a second, and shows what changed (code windows, the explorer's marks,
// the "*" in the title).

#include <QMainWindow>
#include <memory>
#include <string>

#include "frontends/desktop/add_in_registry.h"
#include "frontends/desktop/code_editor.h"
#include "frontends/desktop/recent_files.h"
#include "host/system.h"
#include "platform/vbfiles/save_changes.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace kestrix::desktop {

class DesktopIde;
class ProjectExplorer;
class Prompts;
class QtCommandBars;

// What the window works with; the caller owns all of it and keeps it beyond the window.
struct HostServices {
  host::SettingsStore& settings;
  host::ProfileFiles& profiles;
  const AddInRegistry& registry;
  Prompts& prompts;
};

class HostWindow final : public QMainWindow {
  Q_OBJECT

 public:
  explicit HostWindow(HostServices services, QWidget* parent = nullptr);
  ~HostWindow() override;

  // Opens `path` when it is not empty, connects the add-ins that load at start-up, shows the
  // window and, once it is shown, raises OnStartupComplete on them.
  void Start(const std::string& path);

  // The File menu's commands. Each asks, reports failures through the prompts, and returns
  // false when it did not happen (cancelled or failed).
  // Opens a project or group in place of what is loaded, after asking about unsaved changes.
  bool OpenProject(const std::string& path);
  // Saves every loaded project with its changed components.
  bool SaveProject();
  // Saves the active project's file at a path the user picks.
  bool SaveProjectAs();
  // Unloads everything, after asking about unsaved changes.
  bool CloseProject();
  // Asks about unsaved changes (Save / Discard / Cancel): true when the caller may go on.
  bool ConfirmDiscard();
  // Opens the Add-In Manager and applies what the user chose.
  void ManageAddIns();

  // Opens the component's code window, or brings it to the front; nullptr (with a message in
  // the status bar) for a component without code.
  CodeEditor* OpenCodeWindow(host::Component& component);
  // The component's open code window; nullptr when none.
  CodeEditor* CodeWindowOf(const host::Component& component) const;
  // Colours every code window opened from now on (see CodeEditor::Colourer).
  void SetColourer(CodeEditor::Colourer colourer) { colourer_ = std::move(colourer); }

  // Shows what the IDE holds now: code windows changed by others, the explorer, the title.
  void RefreshState();

  DesktopIde& ide() { return *ide_; }
  AddInHost& add_ins() { return *add_ins_; }
  QtCommandBars& command_bars() { return *bars_; }
  ProjectExplorer& explorer() { return *explorer_; }
  QMdiArea& code_area() { return *mdi_; }
  QAction* save_action() const { return save_action_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildFileMenu();
  void BuildRecentMenu();
  void BuildPanes();
  void WireIde();
  void OnItemSelected();
  void UpdateActivePane();
  void UpdateMarks();
  void ForgetCodeWindows();
  CodeEditor* NewCodeWindow(host::Component& component);
  void CloseCodeWindow(const host::Component& component);
  void AddRecent(const std::string& path);
  void ForgetRecent(const std::string& path);
  void ShowError(const std::string& text);
  // Shows why a save stopped (and that nothing was written, when so); returns false.
  bool ShowSaveProblems(const vbfiles::SaveResult& result);

  HostServices services_;
  RecentFiles recent_;
  QMenu* recent_menu_ = nullptr;
  QMenu* add_ins_menu_ = nullptr;
  QAction* save_action_ = nullptr;
  QAction* save_as_action_ = nullptr;
  QAction* close_action_ = nullptr;
  ProjectExplorer* explorer_ = nullptr;
  QMdiArea* mdi_ = nullptr;
  QTimer* code_timer_ = nullptr;     // code windows showing their modules again
  QTimer* refresh_timer_ = nullptr;  // marks of changed projects, the compiler setting
  CodeEditor::Colourer colourer_;
  // Declared in the order they are made; add-ins go first, as they use the IDE and its bars.
  std::unique_ptr<QtCommandBars> bars_;
  std::unique_ptr<DesktopIde> ide_;
  std::unique_ptr<AddInHost> add_ins_;
};

}  // namespace kestrix::desktop
