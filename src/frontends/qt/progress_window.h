#pragma once

// frmProgress: the status window. It shows the status model as it changes: the caption, what
// is being worked on, two progress bars and the status rows. It stays above other windows;
// its OK button unloads it (the model forgets its rows).

#include <QDialog>

#include "driver/status_model.h"

class QLineEdit;
class QProgressBar;
class QTreeWidget;

namespace kestrix::ui {

class ProgressWindow final : public QDialog, public driver::StatusListener {
  Q_OBJECT

 public:
  explicit ProgressWindow(driver::StatusModel& model, QWidget* parent = nullptr);
  ~ProgressWindow() override;

  // driver::StatusListener
  void OnCaption(const std::string& caption) override;
  void OnText(host::StatusOutput::Field field, const std::string& text) override;
  void OnProgress(host::StatusOutput::Bar bar, int32_t value, int32_t max) override;
  void OnRow(const host::StatusRow& row) override;
  void OnVisible(bool visible) override;
  void OnUnload() override;

  QTreeWidget* rows() const { return list_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  driver::StatusModel& model_;
  QLineEdit* text_[3] = {};
  QProgressBar* bar_[2] = {};
  QTreeWidget* list_ = nullptr;
};

}  // namespace kestrix::ui
