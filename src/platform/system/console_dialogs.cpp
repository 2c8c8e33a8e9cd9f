#include "platform/system/console_dialogs.h"

namespace kestrix::system {

host::MsgResult ConsoleDialogs::MsgBox(const std::string& text, host::MsgButtons buttons,
                                       host::MsgIcon /*icon*/, const std::string& title) {
  std::string line = (title.empty() ? std::string(host::kProgramTitle) : title) + ": " + text;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
  return buttons == host::MsgButtons::kYesNo ? host::MsgResult::kYes : host::MsgResult::kOk;
}

}  // namespace kestrix::system
