#pragma once

// What the engine's tests run against: a real module file loaded by the file-backed IDE from
// a temporary folder, a state with the main window's initial options, a status output that
// records, and message boxes answered from a script.

#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "platform/vbfiles/file_ide.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::engine {

using testing::RecordingStatus;
using testing::ScriptedDialogs;
using testing::TestState;

// A standard module "Module1" holding `code`, loaded from a real file by the file-backed IDE.
class ModuleFixture {
 public:
  // With `read_only`, the file carries no write permission when it is loaded.
  explicit ModuleFixture(const std::string& code, bool read_only = false);
  host::CodeModule& code() { return *code_; }
  // The whole code as the code window shows it, every line ended by CR LF.
  std::string Text() const;
  const std::string& file() const { return file_; }

 private:
  testing::TempDir dir_;
  std::string file_;
  vbfiles::FileIde ide_;
  host::CodeModule* code_ = nullptr;
};

// Lines joined with CR LF, each ended by it: L({"a", "b"}) is "a\r\nb\r\n".
std::string L(const std::vector<std::string>& lines);

}  // namespace kestrix::engine
