#pragma once

// What the build driver's tests run against: the example group copied into a temporary
// folder and loaded by the file-backed IDE, the real settings store in that folder, the
// templates of the source tree, and message boxes answered from a script.

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/add_in_form.h"
#include "driver/status_model.h"
#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::driver {

using host::MsgResult;
using testing::CodeOf;
using testing::ComponentNamed;
using testing::FakeConnection;
using testing::FakeShell;
using testing::ScriptedDialogs;

class RunCommandTest : public ::testing::Test {
 protected:
  RunCommandTest()
      : settings_(dir_.Path("config-home/kestrix")),
        shell_(testing::SourceDir()),
        form_({settings_, dialogs_, shell_, progress_, {}}) {
    shop_ = testing::CopyTree(testing::SourceDir() + "/examples/Shop", dir_.Path("Shop"));
    ide_.Open(shop_ + "/Shop.vbg");
    form_.vbinstance = &ide_;
    form_.Connect = &connection_;
  }

  host::Project& Shop() { return ide_.Item(1); }
  std::string Notes() const {
    std::string out;
    for (const auto& row : progress_.Rows())
      out += (out.empty() ? "" : " / ") + row.notes;
    return out;
  }

  testing::TempDir dir_;
  std::string shop_;
  system::FileSettingsStore settings_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;  // the program folder is the source tree, where config/ lies
  StatusModel progress_;
  vbfiles::FileIde ide_;
  FakeConnection connection_;
  frmAddIn form_;
};

}  // namespace kestrix::driver
