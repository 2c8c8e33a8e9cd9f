#include "frontends/qt/version.h"

namespace kestrix::ui {

ProgramVersion CurrentVersion() {
  return {KESTRIX_VERSION_MAJOR, KESTRIX_VERSION_MINOR, KESTRIX_VERSION_PATCH};
}

std::string VersionText(const ProgramVersion& version) {
  return "Version " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.revision);
}

}  // namespace kestrix::ui
