#pragma once

// What the window tests run with (the offscreen application is made by the tests' main): a
// program folder with the shipped templates in a temporary folder, and scripted stand-ins
// for the message boxes, the desktop shell, the help and the IDE connection.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "frontends/qt/help_viewer.h"
#include "support/fakes.h"
#include "support/test_support.h"

namespace kestrix::ui {

using testing::FakeConnection;
using testing::FakeShell;
using testing::ScriptedDialogs;

class RecordingHelp final : public HelpPages {
 public:
  void ShowHelpContents() override { requests.push_back("contents"); }
  void ShowHelpTopic(const std::string& topic) override { requests.push_back(topic); }
  std::vector<std::string> requests;
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
