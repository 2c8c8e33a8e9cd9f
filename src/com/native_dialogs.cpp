#include "com/native_dialogs.h"

#include "com/module.h"
#include "com/native_text.h"

namespace kestrix::com {
namespace {

UINT ButtonsFlag(host::MsgButtons buttons) {
  switch (buttons) {
    case host::MsgButtons::kOkCancel:
      return MB_OKCANCEL;
    case host::MsgButtons::kYesNo:
      return MB_YESNO;
    case host::MsgButtons::kOk:
      break;
  }
  return MB_OK;
}

UINT IconFlag(host::MsgIcon icon) {
  switch (icon) {
    case host::MsgIcon::kInformation:
      return MB_ICONINFORMATION;
    case host::MsgIcon::kExclamation:
      return MB_ICONEXCLAMATION;
    case host::MsgIcon::kCritical:
      return MB_ICONERROR;
    case host::MsgIcon::kQuestion:
      return MB_ICONQUESTION;
    case host::MsgIcon::kNone:
      break;
  }
  return 0;
}

host::MsgResult ResultOf(int answer, host::MsgButtons buttons) {
  switch (answer) {
    case IDOK:
      return host::MsgResult::kOk;
    case IDCANCEL:
      return host::MsgResult::kCancel;
    case IDYES:
      return host::MsgResult::kYes;
    case IDNO:
      return host::MsgResult::kNo;
    default:
      break;
  }
  // No box could be shown: nothing is done that the user did not agree to.
  switch (buttons) {
    case host::MsgButtons::kOkCancel:
      return host::MsgResult::kCancel;
    case host::MsgButtons::kYesNo:
      return host::MsgResult::kNo;
    case host::MsgButtons::kOk:
      break;
  }
  return host::MsgResult::kOk;
}

const char* AnswerName(host::MsgResult result) {
  switch (result) {
    case host::MsgResult::kOk:
      return "OK";
    case host::MsgResult::kCancel:
      return "Cancel";
    case host::MsgResult::kYes:
      return "Yes";
    case host::MsgResult::kNo:
      break;
  }
  return "No";
}

}  // namespace

HWND ActiveWindowOfThisProcess() {
  if (HWND active = GetActiveWindow(); active != nullptr) return active;
  HWND front = GetForegroundWindow();
  DWORD process = 0;
  if (front != nullptr) GetWindowThreadProcessId(front, &process);
  return process == GetCurrentProcessId() ? front : nullptr;
}

host::MsgResult NativeDialogs::MsgBox(const std::string& text, host::MsgButtons buttons,
                                      host::MsgIcon icon, const std::string& title) {
  HWND owner = owner_ ? owner_() : nullptr;
  UINT flags = ButtonsFlag(buttons) | IconFlag(icon) | MB_SETFOREGROUND;
  if (owner == nullptr) flags |= MB_TASKMODAL | MB_TOPMOST;
  std::wstring caption = WideText(title.empty() ? host::kProgramTitle : title);
  int answer = MessageBoxW(owner, WideText(text).c_str(), caption.c_str(), flags);
  host::MsgResult result = ResultOf(answer, buttons);
  if (LogEnabled()) {
    // A box that could not be shown gives 0 (or, under Wine without a display, -1).
    bool shown = answer == IDOK || answer == IDCANCEL || answer == IDYES || answer == IDNO;
    Log("MsgBox " + std::string(shown ? "shown" : "not shown") + ": " + text + " -> " +
        AnswerName(result));
  }
  return result;
}

std::string FailureText(const std::string& what, int32_t number, const std::string& description) {
  // The IDE's errors have small numbers; anything else is a system code, read in hexadecimal.
  std::string code = number >= 0 ? std::to_string(number) : HresultText(number);
  return what + " failed.\n\nError " + code + ": " + description;
}

void ReportFailure(host::Dialogs& dialogs, const std::string& what, int32_t number,
                   const std::string& description) noexcept {
  try {
    dialogs.MsgBox(FailureText(what, number, description), host::MsgButtons::kOk,
                   host::MsgIcon::kCritical);
  } catch (...) {
    LogFailure(what.c_str(), "the failure could not be reported");
  }
}

}  // namespace kestrix::com
