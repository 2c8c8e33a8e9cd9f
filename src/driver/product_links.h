#pragma once

// What the windows of every system show and open for help and support: the support address,
// the product's web page and the help pages. Both addresses are placeholders under the
// reserved example domain ("example" cannot be registered by anyone), to be replaced by the
// product's real addresses; everything that shows or opens them takes them from here.

#include <array>
#include <string>

namespace kestrix::driver {

inline constexpr const char* kSupportAddress = "support@kestrix.example";
inline constexpr const char* kWebAddress = "https://kestrix.example/";

// The help's contents page, and the page for each tab of the main window (the tab's index).
inline constexpr const char* kHelpContentsPage = "index.htm";
inline std::string HelpTopicOfTab(int tab) {
  static constexpr std::array<const char*, 4> kTopics = {"mainw.htm", "CleanTab.htm", "ErrHand.htm",
                                                         "options.htm"};
  if (tab < 0 || tab >= static_cast<int>(kTopics.size())) return "";
  return kTopics[static_cast<size_t>(tab)];
}

}  // namespace kestrix::driver
