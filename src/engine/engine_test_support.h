#pragma once

// What the engine's tests run against: a real module file loaded by the file-backed IDE from
// a temporary folder, a state with the main window's initial options, a status output that
// records, and message boxes answered from a script.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "platform/vbfiles/file_ide.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"

namespace kestrix::engine {

using testing::ScriptedDialogs;

class RecordingStatus final : public host::StatusOutput {
 public:
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void SetText(Field field, const std::string& text) override { texts_[field] = text; }
  std::string Text(Field field) const override { return texts_[field]; }
  void SetProgressMax(Bar bar, int32_t max) override { max_[bar] = max; }
  void SetProgressValue(Bar bar, int32_t value) override {
    if (value > max_[bar]) overflows_++;
    value_[bar] = value;
  }
  void AddRow(const host::StatusRow& row) override { rows_.push_back(row); }
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  void Unload() override { *this = RecordingStatus(); }
  bool Visible() const override { return visible_; }

  const std::vector<host::StatusRow>& rows() const { return rows_; }
  // The Notes cell of every row, joined with " / ".
  std::string Notes() const;
  int overflows() const { return overflows_; }

 private:
  std::string caption_;
  std::string texts_[3];
  int32_t max_[2] = {0, 0};
  int32_t value_[2] = {0, 0};
  int overflows_ = 0;
  std::vector<host::StatusRow> rows_;
  bool visible_ = false;
};

class TestState final : public EngineState {
 public:
  int32_t InsertErrorHandlersValue() const override { return check1; }
  int32_t RemoveValue(int index) const override { return check5[index]; }
  const std::string& CurrentModuleName() const override { return module_name; }
  const std::string& LocalHandlerText() const override { return handler; }
  host::StatusOutput& Progress() override { return status; }
  host::Dialogs& Messages() override { return dialogs; }
  void DoEvents() override { ++yields; }

  int32_t check1 = 1;
  int32_t check5[3] = {1, 1, 1};
  std::string module_name = "Module1";
  std::string handler = "    LogError MODULENAME_, PROCNAME_, Erl\r\n    Resume Next\r\n";
  RecordingStatus status;
  ScriptedDialogs dialogs;
  int yields = 0;
};

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
