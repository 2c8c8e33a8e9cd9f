// kestrix-batch's exit code comes from the command's outcome alone; the words of the status
// rows and message boxes play no part (the driver's tests pin the outcome of each end).

#include "frontends/batch/batch_run.h"

#include <gtest/gtest.h>

namespace kestrix::batch {
namespace {

TEST(ExitCodeTest, OnlyOkEndsWithZero) {
  const std::pair<driver::Outcome, int> cases[] = {
      {driver::Outcome::kOk, kExitOk},
      {driver::Outcome::kFailed, kExitFailed},
      {driver::Outcome::kRefused, kExitFailed},
      {driver::Outcome::kCanceled, kExitFailed},
  };
  for (const auto& [outcome, code] : cases)
    EXPECT_EQ(ExitCodeFor(outcome), code) << static_cast<int>(outcome);
}

}  // namespace
}  // namespace kestrix::batch
