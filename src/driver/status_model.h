#pragma once

// The status window's contents without a window: caption, text fields, progress bars, rows
// and visibility, kept for whoever shows them. Views (the desktop window, the batch printer)
// attach as listeners and hear of every change as it happens.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/status_output.h"

namespace kestrix::driver {

class StatusListener {
 public:
  virtual ~StatusListener() = default;
  virtual void OnCaption(const std::string& /*caption*/) {}
  virtual void OnText(host::StatusOutput::Field /*field*/, const std::string& /*text*/) {}
  virtual void OnProgress(host::StatusOutput::Bar /*bar*/, int32_t /*value*/, int32_t /*max*/) {}
  virtual void OnRow(const host::StatusRow& /*row*/) {}
  virtual void OnVisible(bool /*visible*/) {}
  virtual void OnUnload() {}
};

class StatusModel final : public host::StatusOutput {
 public:
  void AddListener(StatusListener* listener) { listeners_.push_back(listener); }
  void RemoveListener(StatusListener* listener);
  // Whether the rows are kept for Rows() (they are by default). A view that only hears of
  // them as they come (a batch run's printer) has them passed on and kept nowhere.
  void KeepRows(bool keep) { keep_rows_ = keep; }

  // host::StatusOutput
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetText(Field field, const std::string& text) override;
  std::string Text(Field field) const override { return texts_[field]; }
  void SetProgressMax(Bar bar, int32_t max) override;
  void SetProgressValue(Bar bar, int32_t value) override;
  void AddRow(const host::StatusRow& row) override;
  void Show() override;
  void Hide() override;
  void Unload() override;
  bool Visible() const override { return visible_; }

  bool Loaded() const { return loaded_; }
  const std::deque<host::StatusRow>& Rows() const { return rows_; }
  int32_t ProgressValue(Bar bar) const { return value_[bar]; }
  int32_t ProgressMax(Bar bar) const { return max_[bar]; }

 private:
  void Load();

  std::vector<StatusListener*> listeners_;
  bool loaded_ = false;
  bool visible_ = false;
  std::string caption_;
  std::string texts_[3];
  int32_t value_[2] = {0, 0};
  int32_t max_[2] = {0, 0};
  // A build adds a row for every procedure: kept where they are put, never moved as more come.
  std::deque<host::StatusRow> rows_;
  bool keep_rows_ = true;
};

}  // namespace kestrix::driver
