#pragma once

// What the build driver's tests run against: the example group copied into a temporary
// folder and loaded by the file-backed IDE, the real settings store in that folder, the
// templates of the source tree, and message boxes answered from a script.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <stdexcept>

#include "driver/add_in_form.h"
#include "driver/status_model.h"
#include "platform/system/settings_store.h"
#include "platform/vbfiles/file_ide.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"

namespace kestrix::driver {

using host::MsgResult;
using testing::ScriptedDialogs;

// The program folder is the source tree, where config/ lies.
class SourceShell final : public host::Shell {
 public:
  explicit SourceShell(std::string folder) : folder_(std::move(folder)) {}
  bool OpenDocument(const std::string&) override { return false; }
  std::string ProgramFolder() const override { return folder_; }

 private:
  std::string folder_;
};

class Connected final : public host::Connection {
 public:
  void HideForm() override {}
};

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
  host::Component& Component(host::Project& project, const std::string& name) {
    for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
      if (project.VBComponents().Item(k).Name() == name) return project.VBComponents().Item(k);
    }
    throw std::runtime_error("no component " + name);
  }
  std::string Code(host::Component& c) {
    host::CodeModule& code = *c.GetCodeModule();
    return code.Lines(1, code.CountOfLines());
  }
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
  SourceShell shell_;
  StatusModel progress_;
  vbfiles::FileIde ide_;
  Connected connection_;
  frmAddIn form_;
};

}  // namespace kestrix::driver
