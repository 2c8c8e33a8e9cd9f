#pragma once
// frmAddIn as a window of the system: the add-in's main window, a fixed dialog with a tab
// control of four pages (Actions, Clean, Error Handler, Options) and the menus Admin,
// Configuration and Help. It shows the window model (driver::frmAddIn: the options, what is
// enabled, the captions, the width of each tab), writes every change of a control into the
// model at once, forwards the events to it and shows the model again afterwards.
//
// The keyboard works as in a dialog: Tab starts at the chosen scope, the access keys (&GO !,
// &Exit) and the menus' letters work, Escape is "&Exit", Enter is "&GO !" on the Actions page
// only (or the push button that has the focus), Ctrl+Tab changes the page, and F1 opens the
// help page of the page shown.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>

#include "com/native_template_views.h"
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

  // The controls' identifiers (unique in the window), and the menu entries'.
  enum ControlId : int {
    kGo = IDOK,
    kExit = IDCANCEL,
    kScope = 100,       // + driver::kScopeGroup, kScopeActiveProject, kScopeActiveModule (Actions)
    kCleanScope = 103,  // the same on the Clean page
    kInsertHandlers = 110,
    kBuildProject = 111,
    kPicture = 112,
    kRemoveWhat = 120,  // + engine::kRemoveLineNumbers, kRemoveErrorHandlers, kRemoveAddedModules
    kRemove = 131,
    kTabs = 140,
    kLocalView = 150,
    kGlobalView = 151,
    kTemplateButton = 160,  // + 0..3: Load/Edit local, global; Restore Original local, global
    kBuildFolderOn = 170,   // "Put Build Folder in :"
    kDrives = 171,
    kFolder = 172,
    kChooseFolder = 173,
    kAppendProjectName = 174,
    kFrame = 180,  // + 0..6: the frames
    kNoDefault = 199,
    kMenuWebsite = 201,
    kMenuLicense = 202,
    kMenuNameAndEmail = 203,
    kMenuHelp = 204,
    kMenuAbout = 205,
  };
  static constexpr int kPages = 4;

  explicit NativeMainWindow(Services services);
  ~NativeMainWindow() override;
  NativeMainWindow(const NativeMainWindow&) = delete;
  NativeMainWindow& operator=(const NativeMainWindow&) = delete;

  // The model as loaded now: every load starts a fresh one.
  driver::frmAddIn& form() { return *form_; }
  // The window; nullptr before the first Show, and where no window can be made.
  HWND window() const { return window_; }
  // A control by its identifier; nullptr when there is none.
  HWND Control(int id) const;
  bool Running() const { return running_; }
  // The template editor the Load/Edit buttons open (the system window by default).
  void SetTemplateEditor(NativeTemplateViews::Editor editor);

  // host::MainWindow. Show loads the window first when it is not loaded (the template views
  // are filled and the settings read) and brings it to the front; Unload saves the settings
  // and hides it.
  void SetVbInstance(host::Ide* ide) override;
  void SetConnect(host::Connection* connect) override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  bool MainWindowLoaded() const override { return loaded_; }

 private:
  bool MakeWindow();
  void MakeMenus();
  void MakePages();
  void MakeTips();
  HWND Add(int page, const wchar_t* type, const wchar_t* text, DWORD style, int id,
           DWORD ex_style = 0);
  void SetFonts();
  void LayOut();
  void LayOutPage(int page, int width, int height);
  void LoadWindow();
  void Refresh();
  void RefreshFolder();
  void ShowPage(int tab);
  void ResizeForTab();
  void TabChanged(int tab);
  void Command(int id, int code, HWND control);
  void Clicked(int id);
  void DriveChosen();
  void ChooseFolder();
  void PictureClicked();
  void RunCommand(int32_t mode);
  void Exit();
  void ShowHelpTopic();
  bool HandleKey(MSG& message);
  void DrawLogo(const DRAWITEMSTRUCT& item) const;
  void TellSettingsNotSaved(const host::IdeError& error);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  static INT_PTR CALLBACK PageProcedure(HWND page, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK KeyboardHook(int code, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  int Scaled(int pixels) const;

  Services services_;
  std::unique_ptr<driver::frmAddIn> form_;
  std::unique_ptr<NativeTemplateViews> templates_;
  NativeTemplateViews::Editor editor_;
  host::Ide* ide_ = nullptr;
  host::Connection* connect_ = nullptr;
  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  HWND tips_ = nullptr;
  std::array<HWND, kPages> pages_{};
  HWND focus_ = nullptr;  // the control that had the focus when the window was deactivated
  UINT dpi_ = 96;
  bool loaded_ = false;
  bool running_ = false;
  bool placed_ = false;
};

}  // namespace kestrix::com
