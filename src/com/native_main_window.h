#pragma once
// frmAddIn as a window of the system: the add-in's main window on one page. It shows the
// window model (driver::frmAddIn: the options, the working state and the commands), writes
// every change of a control into the model at once, forwards the events to it and shows the
// model again afterwards.
//
// The controls, found by their captions: the scope options "Group of projects", "Active
// Project" and "Active Module"; the check boxes "Insert Error Handlers" and "Build Project"
// (the model calls it "Build Projects" for a group) with the button "&GO !" (build); the check
// boxes "Line Numbers", "Error Handlers" and "Kestrix Modules" with the button "Remove"
// (clean); and "&Exit". The title is the model's caption ("Kestrix <major>.<minor>").
#include <windows.h>

#include <functional>
#include <memory>

#include "driver/add_in_form.h"
#include "host/connect.h"

namespace kestrix::com {

class NativeMainWindow final : public host::MainWindow {
 public:
  // What the window works with; the caller owns all of it, and it must outlive the window.
  struct Services {
    host::SettingsStore& settings;
    host::Dialogs& dialogs;
    host::Shell& shell;
    host::StatusOutput& progress;
    std::function<void()> do_events;
    // The window the main window belongs to (the IDE's), asked when the window is made.
    std::function<HWND()> owner;
  };

  explicit NativeMainWindow(Services services);
  ~NativeMainWindow() override;
  NativeMainWindow(const NativeMainWindow&) = delete;
  NativeMainWindow& operator=(const NativeMainWindow&) = delete;

  // The model as loaded now: every load starts a fresh one.
  driver::frmAddIn& form() { return *form_; }
  // The window; nullptr before the first Show, and where no window can be made.
  HWND window() const { return window_; }
  bool Running() const { return running_; }

  // host::MainWindow. Show loads the window first when it is not loaded (the settings are
  // read); Unload saves the settings and hides it.
  void SetVbInstance(host::Ide* ide) override;
  void SetConnect(host::Connection* connect) override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  bool MainWindowLoaded() const override { return loaded_; }

 private:
  bool MakeWindow();
  void MakeControls();
  void LoadWindow();
  void Refresh();
  void Clicked(int id);
  void RunCommand(int32_t mode);
  void Exit();
  void TellSettingsNotSaved(const host::IdeError& error);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);

  Services services_;
  std::unique_ptr<driver::frmAddIn> form_;
  host::Ide* ide_ = nullptr;
  host::Connection* connect_ = nullptr;
  HWND window_ = nullptr;
  bool loaded_ = false;
  bool running_ = false;
  bool placed_ = false;
};

}  // namespace kestrix::com
