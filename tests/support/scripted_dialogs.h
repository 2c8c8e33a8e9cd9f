#pragma once

// Message boxes for tests: each is recorded as "title: text" (the program's title when none
// is given) and answered from a script, else OK (No to a yes/no question).

#include <deque>
#include <string>
#include <vector>

#include "host/dialogs.h"

namespace kestrix::testing {

class ScriptedDialogs final : public host::Dialogs {
 public:
  host::MsgResult MsgBox(const std::string& text, host::MsgButtons buttons, host::MsgIcon icon,
                         const std::string& title) override {
    shown.push_back((title.empty() ? host::kProgramTitle : title) + std::string(": ") + text);
    icons.push_back(icon);
    if (!answers.empty()) {
      host::MsgResult answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return buttons == host::MsgButtons::kYesNo ? host::MsgResult::kNo : host::MsgResult::kOk;
  }

  std::deque<host::MsgResult> answers;  // taken in order
  std::vector<std::string> shown;
  std::vector<host::MsgIcon> icons;
};

}  // namespace kestrix::testing
