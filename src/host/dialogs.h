#pragma once

// Modal message boxes. The desktop shows them; the headless host answers them from its
// command line and prints them; tests script the answers.

#include <string>

namespace kestrix::host {

enum class MsgButtons { kOk, kOkCancel, kYesNo };
enum class MsgIcon { kNone, kInformation, kExclamation, kCritical, kQuestion };
enum class MsgResult { kOk, kCancel, kYes, kNo };

// The program's title, the title of every message that names no other.
inline constexpr const char* kProgramTitle = "Kestrix";

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows `text` and waits for the user's answer. An empty title means the program's title.
  virtual MsgResult MsgBox(const std::string& text, MsgButtons buttons = MsgButtons::kOk,
                           MsgIcon icon = MsgIcon::kNone, const std::string& title = "") = 0;
};

}  // namespace kestrix::host
