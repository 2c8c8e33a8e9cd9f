#pragma once
// Message boxes of the system (MessageBoxW) for the add-in, and the add-in's error handler.
//
// A box belongs to the window that is in front when it opens (the owner function says which),
// so that it never opens behind one of the add-in's windows, the topmost status window
// included; without an owner it is modal to the whole thread. Every box's text and answer go
// to the diagnostic log.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "host/dialogs.h"

namespace kestrix::com {

class NativeDialogs final : public host::Dialogs {
 public:
  // `owner` gives the window a box is to belong to at the moment it opens (nullptr for none).
  explicit NativeDialogs(std::function<HWND()> owner = {}) : owner_(std::move(owner)) {}

  // When no box can be shown (no desktop), the answer is the cautious one: OK for a plain
  // message, Cancel or No for a question.
  host::MsgResult MsgBox(const std::string& text, host::MsgButtons buttons = host::MsgButtons::kOk,
                         host::MsgIcon icon = host::MsgIcon::kNone,
                         const std::string& title = "") override;

 private:
  std::function<HWND()> owner_;
};

// The active window of this thread (the IDE's, when the IDE calls), or the foreground window
// when it belongs to this process; nullptr otherwise.
HWND ActiveWindowOfThisProcess();

// The add-in's error handler: tells the user what failed, with the error's number and
// description. Never throws.
void ReportFailure(host::Dialogs& dialogs, const std::string& what, int32_t number,
                   const std::string& description) noexcept;

// The text ReportFailure shows: "<what> failed.\n\nError <number>: <description>".
std::string FailureText(const std::string& what, int32_t number, const std::string& description);

}  // namespace kestrix::com
