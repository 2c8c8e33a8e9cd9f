#pragma once

// The one set of stand-ins the tests run with: message boxes answered from a script, a
// desktop shell that records what it was asked to open, an IDE connection that counts its
// HideForm calls, a status output that records everything, and the main window's state as
// the instrumentation reads it; and small look-ups into the IDE's objects.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "host/connection.h"
#include "host/dialogs.h"
#include "host/ide.h"
#include "host/ide_error.h"
#include "host/status_output.h"
#include "host/system.h"

namespace kestrix::testing {

// Each message box is recorded as "title: text" (the program's title when none is given)
// and answered from `answers`, else OK (No to a yes/no question).
class ScriptedDialogs final : public host::Dialogs {
 public:
  host::MsgResult MsgBox(const std::string& text, host::MsgButtons buttons, host::MsgIcon icon,
                         const std::string& title) override {
    shown.push_back((title.empty() ? host::kProgramTitle : title) + std::string(": ") + text);
    icons.push_back(icon);
    buttons_asked.push_back(buttons);
    if (!answers.empty()) {
      host::MsgResult answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return buttons == host::MsgButtons::kYesNo ? host::MsgResult::kNo : host::MsgResult::kOk;
  }

  std::deque<host::MsgResult> answers;  // taken in order
  std::vector<std::string> shown;
  std::vector<host::MsgIcon> icons;
  std::vector<host::MsgButtons> buttons_asked;
};

// The program folder is `folder`; documents "open" with `open_result` and are recorded.
class FakeShell final : public host::Shell {
 public:
  explicit FakeShell(std::string folder) : folder_(std::move(folder)) {}
  bool OpenDocument(const std::string& path_or_url) override {
    opened.push_back(path_or_url);
    return open_result;
  }
  std::string ProgramFolder() const override { return folder_; }

  std::vector<std::string> opened;
  bool open_result = true;

 private:
  std::string folder_;
};

class FakeConnection final : public host::Connection {
 public:
  void HideForm() override { ++hides; }
  int hides = 0;
};

// Keeps the caption, the fields and every row; counts progress values past their maximum.
class RecordingStatus final : public host::StatusOutput {
 public:
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void SetText(Field field, const std::string& text) override { texts_[field] = text; }
  std::string Text(Field field) const override { return texts_[field]; }
  void SetProgressMax(Bar bar, int32_t max) override { max_[bar] = max; }
  void SetProgressValue(Bar bar, int32_t value) override {
    if (value > max_[bar]) overflows_++;
  }
  void AddRow(const host::StatusRow& row) override { rows_.push_back(row); }
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  void Unload() override { *this = RecordingStatus(); }
  bool Visible() const override { return visible_; }

  const std::vector<host::StatusRow>& rows() const { return rows_; }
  // The Notes cell of every row, joined with " / ".
  std::string Notes() const {
    std::string out;
    for (const auto& row : rows_)
      out += (out.empty() ? "" : " / ") + row.notes;
    return out;
  }
  int overflows() const { return overflows_; }

 private:
  std::string caption_;
  std::string texts_[3];
  int32_t max_[2] = {0, 0};
  int overflows_ = 0;
  std::vector<host::StatusRow> rows_;
  bool visible_ = false;
};

// The main window as the module and procedure passes see it, with its initial options:
// insert error handlers, remove line numbers, handlers and modules.
class TestState final : public engine::EngineState {
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

// The component of `project` named `name`; throws when there is none.
inline host::Component& ComponentNamed(host::Project& project, std::string_view name) {
  for (int32_t k = 1; k <= project.VBComponents().Count(); ++k) {
    if (project.VBComponents().Item(k).Name() == name) return project.VBComponents().Item(k);
  }
  throw std::runtime_error("no component " + std::string(name));
}

// The IdeError that `action` raises; a test failure when it raises none.
inline host::IdeError IdeErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const host::IdeError& e) {
    return e;
  }
  ADD_FAILURE() << "no IdeError was raised";
  return host::IdeError(0, "", "");
}

// All the code of a component's module.
inline std::string CodeOf(host::Component& component) {
  host::CodeModule& code = *component.GetCodeModule();
  return code.Lines(1, code.CountOfLines());
}

}  // namespace kestrix::testing
