#include "frontends/batch/batch_dialogs.h"

#include "frontends/batch/status_printer.h"

namespace kestrix::batch {

host::MsgResult BatchDialogs::MsgBox(const std::string& text, host::MsgButtons buttons,
                                     host::MsgIcon /*icon*/, const std::string& title) {
  host::MsgResult answer = host::MsgResult::kOk;
  const char* word = "OK";
  if (buttons == host::MsgButtons::kOkCancel) {
    answer = yes_ ? host::MsgResult::kOk : host::MsgResult::kCancel;
    word = yes_ ? "OK" : "Cancel";
  } else if (buttons != host::MsgButtons::kOk) {
    answer = yes_ ? host::MsgResult::kYes : host::MsgResult::kNo;
    word = yes_ ? "Yes" : "No";
  }
  printer_.PrintMessage(title.empty() ? host::kProgramTitle : title, text, word);
  return answer;
}

}  // namespace kestrix::batch
