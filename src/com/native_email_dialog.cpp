#include "com/native_email_dialog.h"

#include "com/native_text.h"
#include "com/native_window_support.h"
#include "host/add_in.h"
#include "host/ide_error.h"
#include "host/settings_keys.h"

namespace kestrix::com {
namespace {

constexpr wchar_t kClassName[] = L"KestrixNameAndEmail";

class EmailDialog final : public ModalWindow {
 public:
  EmailDialog(host::SettingsStore& settings, host::Dialogs& dialogs)
      : settings_(settings), dialogs_(dialogs) {}

  void Show(HWND owner) {
    // Above the topmost status window too, which may still show the last command's rows.
    Run(kClassName, "Configuration", 0, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, owner, 5520, 2295);
  }

 private:
  void MakeControls() override {
    std::string programmer, email;
    host::GetProgrammerInfo(settings_, programmer, email);
    intro_ = MakeControl(window_, L"STATIC",
                         L"Your Name and Email Address will allow your customers to send you Bug "
                         L"Reports directly from your program.",
                         SS_LEFT, 0);
    labels_[0] = MakeControl(window_, L"STATIC", L"&Your Name:", SS_LEFT, 0);
    fields_[0] = MakeControl(window_, L"EDIT", WideText(programmer).c_str(),
                             ES_AUTOHSCROLL | WS_TABSTOP, 0, WS_EX_CLIENTEDGE);
    labels_[1] = MakeControl(window_, L"STATIC", L"Your &Email Address:", SS_LEFT, 0);
    fields_[1] = MakeControl(window_, L"EDIT", WideText(email).c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                             0, WS_EX_CLIENTEDGE);
    ok_ = MakeControl(window_, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    cancel_ = MakeControl(window_, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  }

  void LayOut() override {
    Place(intro_, 120, 120, 5280, 630);
    for (int i = 0; i < 2; ++i) {
      Place(labels_[i], 120, 900 + 420 * i, 1860, 255);
      Place(fields_[i], 2040, 855 + 420 * i, 3360, 330);
    }
    Place(ok_, 2760, 1800, 1260, 375);
    Place(cancel_, 4140, 1800, 1260, 375);
  }

  LRESULT Handle(UINT message, WPARAM w, LPARAM l) override {
    if (message == WM_COMMAND && LOWORD(w) == IDOK) {
      Save();
      return 0;
    }
    return DefaultHandle(message, w, l);
  }

  // The name first, then the address, exactly as typed; a value that cannot be stored is
  // told and the dialog stays, with what was typed.
  void Save() {
    try {
      settings_.SaveSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyProgrammer,
                            AnsiText(TextOf(fields_[0])));
      settings_.SaveSetting(host::kSettingsApp, host::kSettingsSection, host::kKeyEmail,
                            AnsiText(TextOf(fields_[1])));
    } catch (const host::IdeError& error) {
      dialogs_.MsgBox("Unable to save your name and email address:\n" + error.Description(),
                      host::MsgButtons::kOk, host::MsgIcon::kCritical);
      return;
    }
    Close();
  }

  host::SettingsStore& settings_;
  host::Dialogs& dialogs_;
  HWND intro_ = nullptr;
  HWND labels_[2] = {};
  HWND fields_[2] = {};
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
};

}  // namespace

void ShowNameAndEmailNative(HWND owner, host::SettingsStore& settings, host::Dialogs& dialogs) {
  EmailDialog dialog(settings, dialogs);
  dialog.Show(owner);
}

}  // namespace kestrix::com
