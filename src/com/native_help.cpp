#include "com/native_help.h"

#include <array>

namespace kestrix::com {

std::string HelpTopicOfTab(int tab) {
  static constexpr std::array<const char*, 4> kTopics = {"mainw.htm", "CleanTab.htm", "ErrHand.htm",
                                                         "options.htm"};
  if (tab < 0 || tab >= static_cast<int>(kTopics.size())) return "";
  return kTopics[static_cast<size_t>(tab)];
}

bool ShowHelpTopicNative(HWND, host::Shell& shell, std::string_view topic) {
  // A page of the help folder, nothing outside it.
  if (topic.empty() || topic.find_first_of("/\\:") != std::string_view::npos ||
      topic.find("..") != std::string_view::npos) {
    return false;
  }
  return shell.OpenDocument(shell.ProgramFolder() + "/help/" + std::string(topic));
}

bool ShowHelpContentsNative(HWND owner, host::Shell& shell) {
  return ShowHelpTopicNative(owner, shell, "index.htm");
}

bool ShowLicenseNative(HWND, host::Shell& shell) {
  return shell.OpenDocument(shell.ProgramFolder() + "/license.rtf");
}

}  // namespace kestrix::com
