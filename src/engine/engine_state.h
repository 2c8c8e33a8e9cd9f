#pragma once

// What the module and procedure passes use of the main window: its options, read afresh at
// every point where they matter, its working state, the status output, the message boxes,
// and the yield to the window system.

#include <cstdint>
#include <string>

#include "host/dialogs.h"
#include "host/status_output.h"

namespace kestrix::engine {

// The mode of a command (RunCommand, ProcessModule): build instruments, clean takes out.
inline constexpr int32_t kModeBuild = 0;
inline constexpr int32_t kModeClean = 1;

// Check-box values.
inline constexpr int32_t kUnchecked = 0;
inline constexpr int32_t kChecked = 1;
inline constexpr int32_t kGreyed = 2;

// The Clean tab's "Remove" boxes (the elements of Check5, RemoveValue's index).
inline constexpr int kRemoveLineNumbers = 0;
inline constexpr int kRemoveErrorHandlers = 1;
inline constexpr int kRemoveAddedModules = 2;

class EngineState {
 public:
  virtual ~EngineState() = default;

  // Check-box values: 0 unchecked, 1 checked, 2 greyed.
  virtual int32_t InsertErrorHandlersValue() const = 0;  // "Insert Error Handlers"
  // The Clean tab's "Remove" boxes: 0 line numbers, 1 error handlers, 2 added modules.
  virtual int32_t RemoveValue(int index) const = 0;

  // Only a checked box counts as on (greyed does not).
  bool InsertsErrorHandlers() const { return InsertErrorHandlersValue() == kChecked; }
  bool Removes(int index) const { return RemoveValue(index) == kChecked; }

  virtual const std::string& CurrentModuleName() const = 0;
  // The local handler template, lines separated by CR LF.
  virtual const std::string& LocalHandlerText() const = 0;

  virtual host::StatusOutput& Progress() = 0;
  virtual host::Dialogs& Messages() = 0;
  // Lets the window system repaint and take clicks; called once per procedure.
  virtual void DoEvents() = 0;
};

}  // namespace kestrix::engine
