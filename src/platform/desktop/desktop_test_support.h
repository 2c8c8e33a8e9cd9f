#pragma once

// Shared pieces of the desktop tests: prompts answered by the test, an add-in that records
// the events it gets, and a copy of the example group.

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "host/extensibility.h"
#include "platform/desktop/prompts.h"
#include "support/test_support.h"

namespace kestrix::desktop::testing {

// Answers the window's questions as scripted and records what it was told.
class FakePrompts final : public Prompts {
 public:
  SaveAnswer save_answer = SaveAnswer::kCancel;
  QString path_answer;
  std::function<void(std::vector<AddInChoice>&)> edit_choices;  // unset: cancelled
  int save_questions = 0;
  std::vector<QString> errors;

  SaveAnswer AskSaveChanges(QWidget*, const QString&) override {
    ++save_questions;
    return save_answer;
  }
  void ShowError(QWidget*, const QString& text) override { errors.push_back(text); }
  QString AskProjectToOpen(QWidget*, const QString&) override { return path_answer; }
  QString AskProjectSavePath(QWidget*, const QString&) override { return path_answer; }
  bool EditAddInChoices(QWidget*, const AddInRegistry&,
                        std::vector<AddInChoice>& choices) override {
    if (!edit_choices) return false;
    edit_choices(choices);
    return true;
  }
  void ShowAbout(QWidget*) override {}
};

// An add-in that writes each event it gets into `log` ("name:connect 1", "name:disconnect 0",
// "name:startup", "name:update"); `on_connect` runs inside OnConnection.
class RecordingAddIn final : public host::Extensibility {
 public:
  RecordingAddIn(std::string name, std::vector<std::string>& log,
                 std::function<void(host::Ide&)> on_connect = nullptr)
      : name_(std::move(name)), log_(log), on_connect_(std::move(on_connect)) {}

  void OnConnection(host::Ide& ide, host::ConnectMode mode) override {
    log_.push_back(name_ + ":connect " + std::to_string(static_cast<int>(mode)));
    if (on_connect_) on_connect_(ide);
  }
  void OnDisconnection(host::DisconnectMode mode) override {
    log_.push_back(name_ + ":disconnect " + std::to_string(static_cast<int>(mode)));
  }
  void OnStartupComplete() override { log_.push_back(name_ + ":startup"); }
  void OnAddInsUpdate() override { log_.push_back(name_ + ":update"); }

 private:
  std::string name_;
  std::vector<std::string>& log_;
  std::function<void(host::Ide&)> on_connect_;
};

// Runs what the event loop has queued (deferred reloads, single-shot timers).
inline void ProcessEvents() {
  for (int i = 0; i < 3; ++i)
    QCoreApplication::processEvents();
}

// The example group copied into `dir`; returns the path of the copy's Shop.vbg.
inline std::string CopyShop(const kestrix::testing::TempDir& dir) {
  std::string root = kestrix::testing::CopyTree(kestrix::testing::SourceDir() + "/examples/Shop",
                                                dir.Path("Shop"));
  return root + "/Shop.vbg";
}

}  // namespace kestrix::desktop::testing
