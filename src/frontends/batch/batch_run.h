#pragma once

// kestrix-batch: loads a project or group from disk, connects the add-in's main window (its
// model, without a window), runs the build or clean command with the options the flags set,
// prints the status window as text, and ends with a status code.

#include <string>
#include <vector>

#include "driver/add_in_form.h"

namespace kestrix::batch {

// Exit codes: the command ran to its end; it (or a project in it) ended in a failure, a
// refusal or a cancel; the command line or the input could not be used.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;

// The exit code of a build or clean command that ended so (before --diff and --save).
int ExitCodeFor(driver::Outcome outcome);

// Runs the program with argv[1..]; returns the exit code.
int Main(const std::vector<std::string>& args);

}  // namespace kestrix::batch
