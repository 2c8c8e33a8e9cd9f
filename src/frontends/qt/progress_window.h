#pragma once

// frmProgress: the status window. It shows the status model as it changes: the caption, what
// is being worked on, two progress bars and the status rows. It stays above other windows;
// its OK button unloads it (the model forgets its rows).

#include <QAbstractTableModel>
#include <QDialog>

#include "driver/status_model.h"

class QLineEdit;
class QProgressBar;
class QTimer;
class QTreeView;

namespace kestrix::ui {

// The status model's rows as a table for a view. Rows the model gained are shown only when
// Sync() is called, so that a command adding many rows costs one layout per batch, not per
// row. A row that says no compiler ran stands out (warning icon, bold notes).
class StatusRowsModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit StatusRowsModel(const driver::StatusModel& status, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Shows the rows the status model gained (or forgot) since the last call; true when any.
  bool Sync();

 private:
  const driver::StatusModel& status_;
  int shown_ = 0;
};

// True for the notes of a row that says the build was checked but nothing was compiled.
bool IsNothingCompiledNote(const std::string& notes);

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

  QTreeView* rows() const { return list_; }
  StatusRowsModel& rows_model() const { return *rows_model_; }
  // Shows at once the rows and texts that wait for the next coalesced update.
  void Flush();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  driver::StatusModel& model_;
  QLineEdit* text_[3] = {};
  QProgressBar* bar_[2] = {};
  QTreeView* list_ = nullptr;
  StatusRowsModel* rows_model_ = nullptr;
  // Rows come in bursts (one per procedure): the list is brought up to date at most this
  // often, not for each.
  QTimer* rows_timer_ = nullptr;
};

}  // namespace kestrix::ui
