#pragma once

// The program's version, as the build states it, and the texts the windows show it in.

#include <string>

namespace kestrix::ui {

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// The version of this build.
ProgramVersion CurrentVersion();

// "Version 1.0.12": the three numbers in decimal, without leading zeros.
std::string VersionText(const ProgramVersion& version);

}  // namespace kestrix::ui
