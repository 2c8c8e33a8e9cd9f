#pragma once

// What the window tests run with: one offscreen QApplication, a program folder with the
// shipped templates in a temporary folder, and scripted stand-ins for the message boxes, the
// desktop shell, the help and the IDE connection.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "host/connection.h"
#include "host/dialogs.h"
#include "host/system.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "frontends/qt/help_viewer.h"

namespace kestrix::ui {

// The application, made on first use: no display needed, no settings of the user touched.
QApplication& App();

using testing::ScriptedDialogs;

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

class RecordingHelp final : public HelpPages {
 public:
  void ShowHelpContents() override { requests.push_back("contents"); }
  void ShowHelpTopic(const std::string& topic) override { requests.push_back(topic); }
  std::vector<std::string> requests;
};

class CountingConnection final : public host::Connection {
 public:
  void HideForm() override { ++hides; }
  int hides = 0;
};

// A program folder below `dir`: config/ as it ships, with its backups. Returns its path.
std::string MakeProgramFolder(const testing::TempDir& dir);

// Runs `action` on the modal dialog as soon as the event loop runs (that is, once exec() of
// the dialog about to be opened waits). Fails the test when no modal dialog is open then.
void WhenModal(std::function<void(QWidget& dialog)> action);

// The push button of `parent` whose caption, without '&', is `caption`; fails when none.
QPushButton& ButtonCalled(QWidget& parent, const QString& caption);

// The widget named `name` below `parent`, of type T; fails when there is none.
template <typename T>
T& Child(QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *child;
}

}  // namespace kestrix::ui
