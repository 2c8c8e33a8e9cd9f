#pragma once

// Shared pieces of the desktop tests: prompts answered by the test, an add-in that records
// the events it gets, and a copy of the example group.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include <memory>

#include "frontends/desktop/host_window.h"
#include "frontends/desktop/prompts.h"
#include "host/extensibility.h"
#include "platform/system/profile_files.h"
#include "platform/system/settings_store.h"
#include "support/test_support.h"

namespace kestrix::desktop::testing {

// Answers the window's questions as scripted and records what it was told.
class FakePrompts final : public Prompts {
 public:
  SaveAnswer save_answer = SaveAnswer::kCancel;
  QString path_answer;
  std::function<void(std::vector<AddInChoice>&)> edit_choices;  // unset: cancelled
  int save_questions = 0;
  QString save_question;
  std::vector<QString> errors;

  SaveAnswer AskSaveChanges(QWidget*, const QString& text) override {
    ++save_questions;
    save_question = text;
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

// Runs what the event loop has queued (deferred reloads, single-shot timers, deleteLater).
inline void ProcessEvents() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// The example group copied into `dir`; returns the path of the copy's Shop.vbg.
inline std::string CopyShop(const kestrix::testing::TempDir& dir) {
  std::string root = kestrix::testing::CopyTree(kestrix::testing::SourceDir() + "/examples/Shop",
                                                dir.Path("Shop"));
  return root + "/Shop.vbg";
}

// A main window over a configuration folder of its own (XDG_CONFIG_HOME points there), with
// scripted prompts and an add-in registry the test fills before calling MakeWindow().
class HostFixture : public ::testing::Test {
 protected:
  HostFixture()
      : config_env_("XDG_CONFIG_HOME", config_.path().c_str()),
        settings_(config_.Path("kestrix")),
        profiles_(config_.Path("kestrix")) {}

  HostWindow& MakeWindow() {
    window_ = std::make_unique<HostWindow>(HostServices{settings_, profiles_, registry_, prompts_});
    return *window_;
  }

  // Registers an add-in that records its events in log_.
  void RegisterRecorder(const std::string& prog_id,
                        std::function<void(host::Ide&)> on_connect = nullptr) {
    registry_.Register(prog_id, prog_id + " for the tests", [this, prog_id, on_connect] {
      return std::make_unique<RecordingAddIn>(prog_id, log_, on_connect);
    });
  }

  kestrix::testing::TempDir config_;
  kestrix::testing::ScopedEnv config_env_;
  kestrix::testing::TempDir work_;
  system::FileSettingsStore settings_;
  system::IniProfileFiles profiles_;
  AddInRegistry registry_;
  FakePrompts prompts_;
  std::vector<std::string> log_;
  std::unique_ptr<HostWindow> window_;
};

}  // namespace kestrix::desktop::testing
