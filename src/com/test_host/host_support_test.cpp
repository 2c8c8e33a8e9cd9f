// The comparison of the add-in's status rows with kestrix-batch's: the rows batch prints, less
// the compiler's log, which only batch can show.
#include "com/test_host/host_support.h"

#include <gtest/gtest.h>

namespace kestrix::com::testing {
namespace {

TEST(BatchRows, KeepsTheRowsLessTheCompilersLog) {
  const Files written = {
      {"App/BUILD 1/bin/Shop.exe.log", "Build of 'C:\\b\\Shop.exe' succeeded.\r\nSecond line\r\n"},
      {"App/BUILD 1/Shop.vbp", "Build of 'C:\\b\\Shop.exe' succeeded.\r\n"},
  };
  const std::string output =
      "caption\tProcessing......\r\n"
      "row\tShop\tmodShop\tPtr\t9\tOk\r\n"
      "row\tShop\t\t\t\tBuild of 'C:\\\\b\\\\Shop.exe' succeeded.\n"
      "row\tShop\t\t\t\tSecond line\n"
      "row\tShop\tmodShop\t\t\tSecond line\n"  // a module's row is the add-in's own
      "message\tKestrix\tDone\tOK\n"
      "row\tShop\t\t\t\tBuild Failed!!";
  EXPECT_EQ(BatchRows(output, written),
            (std::vector<std::string>{"Shop\tmodShop\tPtr\t9\tOk", "Shop\tmodShop\t\t\tSecond line",
                                      "Shop\t\t\t\tBuild Failed!!"}));
  EXPECT_EQ(TsvCell("a\\b\tc\r\nd\re\nf"), "a\\\\b\\tc\\nd\\re\\nf");
}

}  // namespace
}  // namespace kestrix::com::testing
