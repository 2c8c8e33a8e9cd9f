#pragma once

// Where the commands and the instrumentation report while they run: the status window's
// caption, its three text fields, its two progress bars and its list of status rows. The
// desktop window, the batch printer and the tests each show it their own way.

#include <cstdint>
#include <string>

namespace kestrix::host {

// One row of the status list; cells a writer does not set stay empty.
struct StatusRow {
  std::string project;
  std::string module;
  std::string member;
  std::string lines;
  std::string notes;
};

class StatusOutput {
 public:
  // The text fields and progress bars, by index.
  enum Field : int { kProjectField = 0, kModuleField = 1, kItemField = 2 };
  enum Bar : int { kComponentsBar = 0, kLinesBar = 1 };

  virtual ~StatusOutput() = default;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetText(Field field, const std::string& text) = 0;
  virtual std::string Text(Field field) const = 0;
  // A bar's maximum is set before its value; the value never exceeds the maximum in force.
  virtual void SetProgressMax(Bar bar, int32_t max) = 0;
  virtual void SetProgressValue(Bar bar, int32_t value) = 0;
  virtual void AddRow(const StatusRow& row) = 0;

  // The window: loaded on first use, shown without blocking, hidden while a question is
  // asked, unloaded (fields and rows discarded) when closed.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void Unload() = 0;
  virtual bool Visible() const = 0;
};

}  // namespace kestrix::host
