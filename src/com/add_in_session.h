#pragma once
// One connection of the add-in to an IDE, with everything it works with in the DLL: the
// settings store (%APPDATA%\Kestrix), the program folder (the DLL's own, where config\ lies),
// message boxes of the system, the status window and, made on first use, the main window.
// The IDE's root object is wrapped by the bridge to its object model, and the add-in's
// connection logic (host::Connect: the toolbar and its button, the main window shown again
// at the next connection) runs on it.
//
// Every failure is reported to the user by the add-in's error handler (a message box saying
// what failed, with the error's number and description) and comes back as a COM error; nothing
// is thrown out of this class.
#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "com/idt_extensibility2.h"
#include "com/native_dialogs.h"
#include "com/native_main_window.h"
#include "com/native_status_window.h"
#include "com/watched_ide.h"
#include "host/connect.h"
#include "platform/system/settings_store.h"
#include "platform/system/shell.h"

namespace kestrix::com {

// The program folder is the DLL's: config\, help\ and the read-me lie beside it.
class DllShell final : public host::Shell {
 public:
  // `folder`: a program folder in place of the DLL's ("" for the DLL's).
  explicit DllShell(std::string folder = "") : folder_(std::move(folder)) {}
  bool OpenDocument(const std::string& path_or_url) override {
    return desktop_.OpenDocument(path_or_url);
  }
  std::string ProgramFolder() const override;

 private:
  system::DesktopShell desktop_;
  std::string folder_;
};

class AddInSession {
 public:
  // Where the session keeps its settings and finds its program folder; "" for the user's
  // settings folder and the DLL's folder.
  struct Places {
    std::string settings_folder;
    std::string program_folder;
  };
  explicit AddInSession(const Places& places = {});
  ~AddInSession();
  AddInSession(const AddInSession&) = delete;
  AddInSession& operator=(const AddInSession&) = delete;

  // Asks the IDE's root for its FullName (the proof that it answers late-bound calls), wraps it
  // and connects: the toolbar and its button; the main window at once when it was open at
  // the last disconnection and the IDE has started. A connection that is still up is
  // disconnected first. A toolbar that could not be made is reported, but the add-in stays
  // connected (S_OK); an IDE that does not answer is reported and fails the connection.
  HRESULT Connect(IDispatch* application, ext_ConnectMode mode);
  // Connects to an IDE already wrapped (the bridge's, or another implementation of the object
  // model); `ide` must stay until the disconnection.
  HRESULT ConnectTo(host::Ide& ide, ext_ConnectMode mode);
  // Removes the toolbar, records whether the main window was open, unloads the windows and
  // lets the IDE go. Nothing happens when not connected.
  HRESULT Disconnect(ext_DisconnectMode mode);
  HRESULT StartupComplete();
  bool Connected() const { return connect_ != nullptr; }

  host::Dialogs& dialogs() { return dialogs_; }
  NativeStatusWindow& status() { return status_; }
  // The main window; nullptr until it is first asked for.
  NativeMainWindow* main_window() { return main_window_.get(); }

  // Runs `body`; whatever it throws is reported as the failure of `what` and comes back as
  // an HRESULT (an IDE error as 0x800A0000 | number).
  template <class Body>
  HRESULT Reported(const std::string& what, Body&& body) noexcept;

 private:
  NativeMainWindow& MainWindow();
  HWND FrontWindow() const;
  HWND IdeWindow() const;
  void DoEvents();
  void ReportToolbarFailure();
  void Release();

  std::unique_ptr<system::FileSettingsStore> settings_;
  DllShell shell_;
  NativeDialogs dialogs_;
  NativeStatusWindow status_;
  std::unique_ptr<NativeMainWindow> main_window_;
  IDispatch* application_ = nullptr;
  std::unique_ptr<host::Ide> bridge_;
  std::unique_ptr<WatchedIde> ide_;
  std::unique_ptr<host::Connect> connect_;
  std::vector<std::shared_ptr<void>> retired_;
  ULONGLONG last_yield_ = 0;
};

// An exception's number and description as the error handler shows them; the HRESULT that
// carries it back to the IDE.
struct Failure {
  int32_t number;
  std::string description;
  HRESULT hr;
};
Failure CurrentFailure() noexcept;  // of the exception being handled

template <class Body>
HRESULT AddInSession::Reported(const std::string& what, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    Failure failure = CurrentFailure();
    ReportFailure(dialogs_, what, failure.number, failure.description);
    return failure.hr;
  }
}

}  // namespace kestrix::com
