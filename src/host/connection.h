#pragma once

// The add-in's connection object as the main window sees it: the window asks it to record
// that the window is no longer shown.

namespace kestrix::host {

class Connection {
 public:
  virtual ~Connection() = default;
  // Records that the main window is no longer shown and hides it.
  virtual void HideForm() = 0;
};

}  // namespace kestrix::host
