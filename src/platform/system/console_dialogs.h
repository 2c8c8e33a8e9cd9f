#pragma once

// Message boxes without a desktop: printed, and answered as a user who reads and agrees.

#include <cstdio>

#include "host/dialogs.h"

namespace kestrix::system {

class ConsoleDialogs final : public host::Dialogs {
 public:
  // Prints to `out` (standard output unless given).
  explicit ConsoleDialogs(std::FILE* out = stdout) : out_(out) {}

  // Prints "<Title>: <text>" and answers OK (Yes when the buttons are Yes and No).
  host::MsgResult MsgBox(const std::string& text, host::MsgButtons buttons = host::MsgButtons::kOk,
                         host::MsgIcon icon = host::MsgIcon::kNone,
                         const std::string& title = "") override;

 private:
  std::FILE* out_;
};

}  // namespace kestrix::system
