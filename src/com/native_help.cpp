#include "com/native_help.h"

namespace kestrix::com {

bool ShowHelpTopicNative(HWND, host::Shell& shell, std::string_view topic) {
  // A page of the help folder, nothing outside it.
  if (topic.empty() || topic.find_first_of("/\\:") != std::string_view::npos ||
      topic.find("..") != std::string_view::npos) {
    return false;
  }
  return shell.OpenDocument(shell.ProgramFolder() + "/help/" + std::string(topic));
}

bool ShowHelpContentsNative(HWND owner, host::Shell& shell) {
  return ShowHelpTopicNative(owner, shell, driver::kHelpContentsPage);
}

bool ShowLicenseNative(HWND, host::Shell& shell) {
  return shell.OpenDocument(shell.ProgramFolder() + "/license.rtf");
}

}  // namespace kestrix::com
