#pragma once

// frmAddIn on the desktop: the add-in's main window. It shows the window model
// (driver::frmAddIn: the options, the working state and the commands) on four tabs, writes
// every change of a control into the model at once, forwards the events to it, and shows the
// model again afterwards. It also holds the Error Handler tab's template views, the menus, the
// dialogs they open and the help.

#include <QDialog>
#include <memory>
#include <string>

#include "driver/add_in_form.h"
#include "frontends/qt/add_in_controls.h"
#include "host/connect.h"
#include "host/dialogs.h"
#include "host/status_output.h"
#include "host/system.h"

namespace kestrix::ui {

class HelpPages;
class HelpViewer;
class TemplateViews;

class AddInWindow final : public QDialog, public host::MainWindow {
  Q_OBJECT

 public:
  // What the window works with; the caller owns all of it, and it must outlive the window.
  struct Services {
    host::SettingsStore& settings;
    host::Dialogs& dialogs;        // every message of the window and of its dialogs
    host::Shell& shell;            // documents, and the program folder (config/, help/)
    host::StatusOutput& progress;  // the status window the commands write to
    HelpPages* help = nullptr;     // nullptr: a help viewer of the window's own
  };

  explicit AddInWindow(Services services, QWidget* parent = nullptr);
  ~AddInWindow() override;

  // The model of the window as loaded now: every load starts a fresh one, as a window that
  // is loaded again starts from its initial values.
  driver::frmAddIn& form() { return *form_; }
  const AddInControls& controls() const { return controls_; }
  bool IsLoaded() const { return loaded_; }

  // host::MainWindow. Show loads the window first when it is not loaded: the template views
  // are filled and the settings read. Unload saves the settings and hides the window; the
  // next Show loads it again.
  void SetVbInstance(host::Ide* ide) override;
  void SetConnect(host::Connection* connect) override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  bool MainWindowLoaded() const override { return loaded_; }

  // Fills the template views (0 both, 1 local, 2 global); false when a file could not be read
  // (the user has been told).
  bool LoadTemplates(int which);

  // Escape clicks the cancel button, "&Exit". The close box only unloads: the connection
  // still counts the window as shown.
  void reject() override;

  // The window's width in pixels for a width in twips (15 twips to the pixel).
  static int Pixels(int twips);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WireOptions();
  void WireCommands();
  void WireMenus();
  void LoadWindow();
  void Refresh();
  void RefreshFolderList();
  void ResizeForTab();
  void TabChanged(int tab);
  void PictureClicked();
  void ChooseFolder();
  void Exit();
  void RunCommand(int mode);
  void OpenDocument(const std::string& target);
  HelpPages& Help();

  Services services_;
  std::unique_ptr<driver::frmAddIn> form_;
  host::Ide* ide_ = nullptr;
  host::Connection* connect_ = nullptr;
  AddInControls controls_;
  std::unique_ptr<TemplateViews> templates_;
  std::unique_ptr<HelpViewer> own_help_;
  int fixed_height_ = 0;
  bool loaded_ = false;
  bool running_ = false;
};

}  // namespace kestrix::ui
