#pragma once

// Connect: the add-in's connection class, the one object the IDE creates when it loads
// "Kestrix.Connect". On connection it keeps the IDE, puts the "Kestrix" toolbar with its
// button into the IDE and, when the main window was open at the last disconnection, opens it
// again; the button opens the main window. On disconnection it removes the toolbar, records
// whether the main window was open and unloads it.

#include <functional>
#include <memory>
#include <string>

#include "host/command_bars.h"
#include "host/connection.h"
#include "host/dialogs.h"
#include "host/extensibility.h"
#include "host/ide.h"
#include "host/system.h"

namespace kestrix::host {

// The main window as the connection sees it: a single instance, shown without blocking.
class MainWindow {
 public:
  virtual ~MainWindow() = default;
  virtual void SetVbInstance(Ide* ide) = 0;
  virtual void SetConnect(Connection* connect) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void Unload() = 0;
  // True from the end of the window's load to its unload: the window alone knows.
  virtual bool MainWindowLoaded() const = 0;
};

class Connect final : public Extensibility, public Connection {
 public:
  struct Services {
    SettingsStore& settings;
    Dialogs& dialogs;
    // Creates the main window's single instance on first use.
    std::function<MainWindow&()> main_window;
  };
  explicit Connect(Services services) : services_(std::move(services)) {}

  // True while the main window has been opened through this object and not hidden again.
  bool FormDisplayed = false;
  Ide* vbinstance = nullptr;

  // Extensibility
  void OnConnection(Ide& ide, ConnectMode mode) override;
  void OnDisconnection(DisconnectMode mode) override;
  void OnStartupComplete() override;
  void OnAddInsUpdate() override {}

  // Creates the toolbar and its button; every failing step is passed over. Returns the
  // toolbar, nullptr when it could not be made.
  CommandBar* AddToAddInCommandBar(const std::string& sCaption);
  void evKestrix_Click(CommandBarButton& control, bool& handled, bool& cancel_default);
  void ShowForm();
  void HideForm() override;  // Connection

  // The button's face: a 32 x 32, 16-colour bitmap.
  static std::string ButtonFace();

 private:
  void ShowIfDisplayedLastTime();

  Services services_;
  CommandBar* bar_ = nullptr;
  MainWindow* form_ = nullptr;
};

}  // namespace kestrix::host
