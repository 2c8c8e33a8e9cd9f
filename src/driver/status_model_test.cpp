// The status window's model: what it keeps, and what its listeners hear.

#include "driver/status_model.h"

#include <gtest/gtest.h>

namespace kestrix::driver {
namespace {

struct RowLog final : StatusListener {
  void OnRow(const host::StatusRow& row) override { notes.push_back(row.notes); }
  void OnUnload() override { notes.push_back("(unloaded)"); }
  std::vector<std::string> notes;
};

// A model that keeps no rows passes every one on all the same, in order; the rest of the
// window is kept either way.
TEST(StatusModelTest, RowsAreKeptOnlyWhenAskedFor) {
  for (bool keep : {true, false}) {
    StatusModel model;
    RowLog log;
    model.AddListener(&log);
    model.KeepRows(keep);
    model.AddRow({"P", "m", "", "", "first"});
    model.AddRow({"P", "m", "", "", "second"});
    EXPECT_EQ(model.Rows().size(), keep ? 2u : 0u);
    EXPECT_TRUE(model.Loaded());
    EXPECT_EQ(model.Caption(), "Processing......");
    model.Unload();
    EXPECT_TRUE(model.Rows().empty());
    EXPECT_EQ(log.notes, (std::vector<std::string>{"first", "second", "(unloaded)"})) << keep;
  }
}

}  // namespace
}  // namespace kestrix::driver
