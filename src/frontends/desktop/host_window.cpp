#include "frontends/desktop/host_window.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "frontends/desktop/desktop_ide.h"
#include "frontends/desktop/display_text.h"
#include "frontends/desktop/project_explorer.h"
#include "frontends/desktop/project_saving.h"
#include "frontends/desktop/prompts.h"
#include "frontends/desktop/qt_command_bars.h"
#include "host/settings_keys.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/save_changes.h"

namespace kestrix::desktop {
namespace {

constexpr int kRefreshMilliseconds = 500;
constexpr int kCodeRefreshMilliseconds = 100;
constexpr int kStatusMilliseconds = 8000;

CodeEditor* EditorOf(QMdiSubWindow* window) {
  return window ? qobject_cast<CodeEditor*>(window->widget()) : nullptr;
}

// "Name (file)" of the unsaved projects and components, as the question before closing
// lists them.
QStringList UnsavedNames(DesktopIde& ide) {
  QStringList names;
  auto add = [&](const std::string& name, const std::string& path) {
    std::string file = path.empty() ? "" : " (" + vbfiles::FileNamePart(path) + ")";
    names << AnsiToDisplay(name) + QString::fromStdString(file);
  };
  for (int32_t p = 1; p <= ide.Count(); ++p) {
    host::Project& project = ide.Item(p);
    if (project.IsDirty()) add(project.Name(), project.FileName());
    host::Components& components = project.VBComponents();
    for (int32_t c = 1; c <= components.Count(); ++c) {
      host::Component& component = components.Item(c);
      if (component.IsDirty()) add(component.Name(), component.FileNames(1));
    }
  }
  return names;
}

}  // namespace

HostWindow::HostWindow(HostServices services, QWidget* parent)
    : QMainWindow(parent), services_(services), recent_(services.settings) {
  setObjectName("KestrixIde");
  resize(1100, 720);
  BuildMenus();
  BuildPanes();
  bars_ = std::make_unique<QtCommandBars>(*this, *add_ins_menu_);
  ide_ = std::make_unique<DesktopIde>(*bars_);
  add_ins_ = std::make_unique<AddInHost>(services_.registry, *ide_, services_.profiles);
  WireIde();
  code_timer_ = new QTimer(this);
  // The timer also fires while an add-in's command yields: code windows then wait for their
  // modules to settle instead of showing them again at every tick. A look costs a comparison
  // of revisions, so the windows look often and show a command's result soon after it ends.
  connect(code_timer_, &QTimer::timeout, this, [this] {
    for (QMdiSubWindow* window : mdi_->subWindowList()) {
      if (CodeEditor* editor = EditorOf(window)) editor->RefreshWhenSettled();
    }
  });
  code_timer_->start(kCodeRefreshMilliseconds);
  refresh_timer_ = new QTimer(this);
  connect(refresh_timer_, &QTimer::timeout, this, [this] {
    UpdateMarks();
    // The compiler command may have been changed meanwhile (an add-in's dialog, the batch
    // program's config command): builds use the one stored now.
    try {
      ide_->SetCompiler(services_.settings.GetSetting(host::kSettingsApp, host::kSettingsSection,
                                                      host::kKeyCompiler));
    } catch (const host::IdeError&) {
      // Unreadable settings leave the command the project was opened with.
    }
  });
  refresh_timer_->start(kRefreshMilliseconds);
  statusBar()->showMessage("Ready");
  RefreshState();
}

HostWindow::~HostWindow() {
  code_timer_->stop();
  refresh_timer_->stop();
  // Add-ins go while the IDE and its bars are still there; code windows stop looking at
  // components before those go.
  add_ins_.reset();
  ForgetCodeWindows();
  // The child widgets outlive the members: what they report while Qt deletes them must not
  // reach this window any more.
  explorer_->disconnect(this);
  mdi_->disconnect(this);
  for (QMdiSubWindow* window : mdi_->subWindowList())
    window->disconnect(this);
}

void HostWindow::BuildMenus() {
  BuildFileMenu();
  add_ins_menu_ = menuBar()->addMenu("&Add-Ins");
  add_ins_menu_->addAction("Add-In &Manager...", this, [this] { ManageAddIns(); });
  add_ins_menu_->addSeparator();
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&About Kestrix IDE", this, [this] { services_.prompts.ShowAbout(this); });
}

void HostWindow::BuildFileMenu() {
  QMenu* file = menuBar()->addMenu("&File");
  QAction* open = file->addAction("&Open Project...", this, [this] {
    QString folder;
    if (host::Project* project = ide_->ActiveVBProject()) {
      folder = QString::fromStdString(vbfiles::DirName(project->FileName()));
    }
    QString path = services_.prompts.AskProjectToOpen(this, folder);
    if (!path.isEmpty()) OpenProject(path.toStdString());
  });
  open->setShortcut(QKeySequence::Open);
  recent_menu_ = file->addMenu("Open &Recent");
  connect(recent_menu_, &QMenu::aboutToShow, this, [this] { BuildRecentMenu(); });
  file->addSeparator();
  save_action_ = file->addAction("&Save Project", this, [this] { SaveProject(); });
  save_action_->setShortcut(QKeySequence::Save);
  save_as_action_ = file->addAction("Save Project &As...", this, [this] { SaveProjectAs(); });
  close_action_ = file->addAction("&Close Project", this, [this] { CloseProject(); });
  file->addSeparator();
  QAction* exit = file->addAction("E&xit", this, [this] { close(); });
  exit->setShortcut(QKeySequence::Quit);
}

void HostWindow::BuildRecentMenu() {
  recent_menu_->clear();
  std::vector<std::string> paths = recent_.List();
  if (paths.empty()) recent_menu_->addAction("(none)")->setEnabled(false);
  for (size_t i = 0; i < paths.size(); ++i) {
    QString text = QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(paths[i]));
    std::string path = paths[i];
    recent_menu_->addAction(text, this, [this, path] { OpenProject(path); });
  }
}

void HostWindow::BuildPanes() {
  explorer_ = new ProjectExplorer;
  auto* dock = new QDockWidget("Project", this);
  dock->setObjectName("ProjectExplorer");
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  dock->setWidget(explorer_);
  addDockWidget(Qt::LeftDockWidgetArea, dock);
  resizeDocks({dock}, {280}, Qt::Horizontal);
  mdi_ = new QMdiArea;
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  connect(explorer_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (host::Component* component = ProjectExplorer::ComponentOf(item)) OpenCodeWindow(*component);
  });
  connect(explorer_, &QTreeWidget::currentItemChanged, this, [this] { OnItemSelected(); });
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
    UpdateActivePane();
    UpdateMarks();
  });
}

void HostWindow::WireIde() {
  auto report = [this](const std::string& message) { ShowError(message); };
  bars_->SetErrorReporter(report);
  bars_->SetAfterClick([this] { RefreshState(); });
  add_ins_->SetErrorReporter(report);
  ide_->SetReplaceListener([this] {
    ForgetCodeWindows();
    explorer_->Forget();
  });
  ide_->SetRemoveListener([this](host::Component& component) {
    CloseCodeWindow(component);
    explorer_->Forget(component);
    QTimer::singleShot(0, this, [this] { RefreshState(); });
  });
}

void HostWindow::Start(const std::string& path) {
  if (!path.empty()) OpenProject(path);
  add_ins_->ConnectStartupAddIns();
  show();
  QTimer::singleShot(0, this, [this] {
    add_ins_->RaiseStartupComplete();
    RefreshState();
  });
}

bool HostWindow::OpenProject(const std::string& path) {
  if (!ConfirmDiscard()) return false;
  try {
    // The same compiler setting kestrix-batch uses ("kestrix-batch config Compiler ...").
    ide_->Open(path, services_.settings.GetSetting(host::kSettingsApp, host::kSettingsSection,
                                                   host::kKeyCompiler));
  } catch (const host::IdeError& error) {
    ShowError(error.Description());
    if (error.Number() == host::kErrFileNotFound) ForgetRecent(path);
    return false;
  }
  std::string group = ide_->GroupFileName();
  AddRecent(group.empty() ? ide_->StartupProject()->FileName() : group);
  RefreshState();
  if (host::Project* startup = ide_->StartupProject()) {
    explorer_->setCurrentItem(explorer_->ItemOf(*startup));
  }
  statusBar()->showMessage("Opened " + QString::fromStdString(path), kStatusMilliseconds);
  return true;
}

bool HostWindow::ShowSaveProblems(const vbfiles::SaveResult& result) {
  std::string text;
  for (const std::string& problem : result.problems)
    text += (text.empty() ? "" : "\n") + problem;
  if (!result.checked) text += "\nNothing was saved.";
  ShowError(text);
  return false;
}

bool HostWindow::SaveProject() {
  // Every project's files are checked before the first is written.
  std::vector<vbfiles::SaveStep> steps;
  vbfiles::SaveResult result;
  for (int32_t p = 1; p <= ide_->Count(); ++p)
    vbfiles::PlanProjectSave(ide_->Item(p), ide_->Item(p).FileName(), steps, result.problems);
  if (result.Ok()) result = vbfiles::SaveSteps(steps);
  RefreshState();
  if (!result.Ok()) return ShowSaveProblems(result);
  statusBar()->showMessage("Saved", kStatusMilliseconds);
  return true;
}

bool HostWindow::SaveProjectAs() {
  host::Project* project = ide_->ActiveVBProject();
  if (project == nullptr) return false;
  QString chosen =
      services_.prompts.AskProjectSavePath(this, QString::fromStdString(project->FileName()));
  if (chosen.isEmpty()) return false;
  std::string path = vbfiles::AbsolutePath(chosen.toStdString());
  if (vbfiles::Extension(path).empty()) path += ".vbp";
  std::string old_path = project->FileName();
  std::string group = ide_->GroupFileName();
  vbfiles::SaveResult result = vbfiles::SaveProject(*project, path);
  if (!result.Ok()) {
    RefreshState();
    return ShowSaveProblems(result);
  }
  try {
    // The group would go on loading the project from where it was.
    if (!group.empty()) MoveGroupEntry(group, old_path, project->FileName());
  } catch (const host::IdeError& error) {
    ShowError(error.Description());
    RefreshState();
    return false;
  }
  if (group.empty()) AddRecent(project->FileName());
  RefreshState();
  return true;
}

bool HostWindow::CloseProject() {
  if (!ConfirmDiscard()) return false;
  ide_->Close();
  RefreshState();
  return true;
}

bool HostWindow::ConfirmDiscard() {
  if (!ide_->AnythingDirty()) return true;
  constexpr qsizetype kListed = 12;
  QStringList names = UnsavedNames(*ide_);
  qsizetype more = names.size() - kListed;
  if (more > 0) names = names.mid(0, kListed) << QString("and %1 more").arg(more);
  QString text = "Save changes to the following files?\n\n" + names.join("\n");
  switch (services_.prompts.AskSaveChanges(this, text)) {
    case SaveAnswer::kSave:
      return SaveProject();
    case SaveAnswer::kDiscard:
      return true;
    case SaveAnswer::kCancel:
      break;
  }
  return false;
}

void HostWindow::ManageAddIns() {
  std::vector<AddInChoice> choices = CurrentAddInChoices(*add_ins_);
  if (!services_.prompts.EditAddInChoices(this, services_.registry, choices)) return;
  for (const std::string& failure : ApplyAddInChoices(*add_ins_, choices))
    ShowError(failure);
  RefreshState();
}

void HostWindow::closeEvent(QCloseEvent* event) {
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  add_ins_->DisconnectAll(host::DisconnectMode::kHostShutdown);
  event->accept();
}

CodeEditor* HostWindow::OpenCodeWindow(host::Component& component) {
  if (CodeEditor* open = CodeWindowOf(component)) {
    mdi_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(open->parentWidget()));
    open->setFocus();
    return open;
  }
  if (component.GetCodeModule() == nullptr) {
    statusBar()->showMessage(AnsiToDisplay(component.Name()) + " has no code", kStatusMilliseconds);
    return nullptr;
  }
  CodeEditor* editor = NewCodeWindow(component);
  mdi_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor->parentWidget()));
  editor->setFocus();
  UpdateActivePane();
  return editor;
}

CodeEditor* HostWindow::NewCodeWindow(host::Component& component) {
  auto* editor = new CodeEditor(component);
  editor->SetColourer(colourer_);
  editor->SetOnEdited([this] { UpdateMarks(); });
  editor->SetOnRefused([this](const std::string& why) {
    statusBar()->showMessage(AnsiToDisplay(why), kStatusMilliseconds);
  });
  QMdiSubWindow* window = mdi_->addSubWindow(editor);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(AnsiToDisplay(component.Collection().Name() + " - " + component.Name()) +
                         " (Code)");
  // A sub-window that goes clears the main window's modified mark on its way out.
  connect(window, &QObject::destroyed, this, [this] {
    QTimer::singleShot(0, this, [this] {
      UpdateActivePane();
      UpdateMarks();
    });
  });
  window->resize(mdi_->viewport()->size() * 0.9);
  window->show();
  return editor;
}

CodeEditor* HostWindow::CodeWindowOf(const host::Component& component) const {
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    CodeEditor* editor = EditorOf(window);
    if (editor && editor->component() == &component) return editor;
  }
  return nullptr;
}

void HostWindow::CloseCodeWindow(const host::Component& component) {
  CodeEditor* editor = CodeWindowOf(component);
  if (editor == nullptr) return;
  editor->Detach();
  editor->parentWidget()->deleteLater();
}

void HostWindow::ForgetCodeWindows() {
  if (mdi_ == nullptr) return;
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (CodeEditor* editor = EditorOf(window)) editor->Detach();
    window->deleteLater();
  }
}

// The active code pane is the code window last in front, also while another window (an
// add-in's) has the focus; none once every code window is closed.
void HostWindow::UpdateActivePane() {
  QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::ActivationHistoryOrder);
  windows.append(mdi_->currentSubWindow());
  host::Component* component = nullptr;
  // Windows that are closing show no component any more.
  for (auto it = windows.rbegin(); it != windows.rend() && component == nullptr; ++it) {
    CodeEditor* editor = EditorOf(*it);
    if (editor) component = editor->component();
  }
  if (component != ide_->ActiveCodeComponent()) ide_->SetActiveCodePane(component);
}

void HostWindow::OnItemSelected() {
  if (host::Project* project = ProjectExplorer::OwningProject(explorer_->currentItem())) {
    ide_->SetActiveVBProject(project);
  }
}

void HostWindow::RefreshState() {
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (CodeEditor* editor = EditorOf(window)) editor->Refresh();
  }
  UpdateMarks();
}

void HostWindow::UpdateMarks() {
  explorer_->Sync(*ide_);
  std::string group = ide_->GroupFileName();
  std::string name;
  if (!group.empty()) {
    name = vbfiles::Stem(group);
  } else if (host::Project* project = ide_->StartupProject()) {
    name = project->Name();
  }
  setWindowTitle(name.empty() ? "Kestrix IDE[*]" : "Kestrix IDE - " + AnsiToDisplay(name) + "[*]");
  setWindowModified(ide_->AnythingDirty());
  bool loaded = ide_->Count() > 0;
  save_action_->setText(group.empty() ? "&Save Project" : "&Save Project Group");
  save_action_->setEnabled(loaded);
  save_as_action_->setEnabled(ide_->ActiveVBProject() != nullptr);
  close_action_->setEnabled(loaded);
}

void HostWindow::AddRecent(const std::string& path) {
  try {
    recent_.Add(path);
  } catch (const host::IdeError& error) {
    // The list is a convenience: the project is open all the same.
    statusBar()->showMessage(AnsiToDisplay(error.Description()), kStatusMilliseconds);
  }
}

void HostWindow::ForgetRecent(const std::string& path) {
  try {
    recent_.Remove(path);
  } catch (const host::IdeError&) {
    // It stays in the list; opening it again says once more that it is gone.
  }
}

void HostWindow::ShowError(const std::string& text) {
  services_.prompts.ShowError(
      this, QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace kestrix::desktop
