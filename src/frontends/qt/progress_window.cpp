#include "frontends/qt/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/system/qt_ansi_text.h"

namespace kestrix::ui {
namespace {

constexpr int kTwipsPerPixel = 15;
int Px(int twips) {
  return twips / kTwipsPerPixel;
}

QString Text(const std::string& ansi) {
  return system::AnsiToQString(ansi);
}

enum Column { kProject, kModule, kMember, kLines, kNotes, kColumns };

// At most about 30 updates of the list a second.
constexpr int kRowsUpdateMilliseconds = 33;

// Member names elide in the middle: "FirstNumber[Property Let]" and "...[Property Get]" stay
// apart when the column is narrow.
class MiddleElideDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideMiddle;
  }
};

}  // namespace

bool IsNothingCompiledNote(const std::string& notes) {
  return notes.find("no compiler configured") != std::string::npos;
}

StatusRowsModel::StatusRowsModel(const driver::StatusModel& status, QObject* parent)
    : QAbstractTableModel(parent), status_(status) {}

int StatusRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

int StatusRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant StatusRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_ ||
      static_cast<size_t>(index.row()) >= status_.Rows().size()) {
    return {};
  }
  const host::StatusRow& row = status_.Rows()[static_cast<size_t>(index.row())];
  const std::string* fields[kColumns] = {&row.project, &row.module, &row.member, &row.lines,
                                         &row.notes};
  bool nothing_compiled = IsNothingCompiledNote(row.notes);
  switch (role) {
    case Qt::DisplayRole:
      return Text(*fields[index.column()]);
    case Qt::ToolTipRole:
      // The whole text, whatever the column's width cuts off.
      if (index.column() == kMember || index.column() == kNotes) {
        return fields[index.column()]->empty() ? QVariant() : Text(*fields[index.column()]);
      }
      return {};
    case Qt::DecorationRole:
      if (nothing_compiled && index.column() == kNotes) {
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
      }
      return {};
    case Qt::FontRole:
      if (nothing_compiled && index.column() == kNotes) {
        QFont font;
        font.setBold(true);
        return font;
      }
      return {};
    default:
      return {};
  }
}

QVariant StatusRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kHeaders[kColumns] = {"Project", "Module", "Member", "Lines", "Notes"};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumns) {
    return {};
  }
  return QString(kHeaders[section]);
}

bool StatusRowsModel::Sync() {
  int now = static_cast<int>(status_.Rows().size());
  if (now == shown_) return false;
  if (now < shown_) {
    beginResetModel();
    shown_ = now;
    endResetModel();
    return true;
  }
  beginInsertRows(QModelIndex(), shown_, now - 1);
  shown_ = now;
  endInsertRows();
  return true;
}

ProgressWindow::ProgressWindow(driver::StatusModel& model, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), model_(model) {
  setObjectName("frmProgress");
  setWindowTitle("Processing......");
  auto* working = new QGroupBox("Working on", this);
  working->setObjectName("Frame1");
  auto* grid = new QGridLayout(working);
  const char* labels[3] = {"Project:", "Module:", "Item:"};
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(new QLabel(labels[i], working), i, 0);
    text_[i] = new QLineEdit(working);
    text_[i]->setObjectName(QString("Text1_%1").arg(i));
    text_[i]->setReadOnly(true);
    text_[i]->setMinimumWidth(Px(i == 2 ? 5076 : 1428));
    grid->addWidget(text_[i], i, 1, 1, i == 2 ? 2 : 1);
  }
  for (int i = 0; i < 2; ++i) {
    bar_[i] = new QProgressBar(working);
    bar_[i]->setObjectName(QString("ProgressBar1_%1").arg(i));
    bar_[i]->setMinimum(0);
    bar_[i]->setMaximum(0 + 1);
    bar_[i]->setValue(0);
    bar_[i]->setMinimumWidth(Px(3516));
    grid->addWidget(bar_[i], i, 2);
  }
  auto* status = new QGroupBox("Status", this);
  status->setObjectName("Frame2");
  list_ = new QTreeView(status);
  list_->setObjectName("ListView1");
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setItemsExpandable(false);
  rows_model_ = new StatusRowsModel(model_, list_);
  list_->setModel(rows_model_);
  list_->setItemDelegateForColumn(kMember, new MiddleElideDelegate(list_));
  const int widths[kColumns] = {700, 600, 2000, 400, 2000};
  for (int c = 0; c < kColumns; ++c)
    list_->setColumnWidth(c, Px(widths[c]) + 24);
  // The notes take whatever width the other columns leave.
  list_->header()->setStretchLastSection(true);
  list_->setMinimumSize(Px(7044), Px(1764));
  rows_timer_ = new QTimer(this);
  rows_timer_->setSingleShot(true);
  rows_timer_->setInterval(kRowsUpdateMilliseconds);
  connect(rows_timer_, &QTimer::timeout, this, [this] { Flush(); });
  auto* status_layout = new QVBoxLayout(status);
  status_layout->addWidget(list_);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Command1");
  connect(ok, &QPushButton::clicked, this, [this] { model_.Unload(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(working);
  layout->addWidget(status, 1);
  layout->addWidget(ok, 0, Qt::AlignRight);
  // Wide enough for a whole note such as "checked; no compiler configured, no executable
  // written" beside the other columns.
  resize(Px(13500), sizeHint().height());
  model_.AddListener(this);
  Flush();
}

ProgressWindow::~ProgressWindow() {
  model_.RemoveListener(this);
}

void ProgressWindow::OnCaption(const std::string& caption) {
  Flush();  // the caption tells the outcome: the rows that led to it show with it
  setWindowTitle(Text(caption));
}

// The fields and bars change once per procedure; they, like the rows, are shown at most about
// 30 times a second (a progress bar repaints at once whenever its value shows differently).
void ProgressWindow::OnText(host::StatusOutput::Field /*field*/, const std::string& /*text*/) {
  if (!rows_timer_->isActive()) rows_timer_->start();
}

void ProgressWindow::OnProgress(host::StatusOutput::Bar /*bar*/, int32_t /*value*/,
                                int32_t /*max*/) {
  if (!rows_timer_->isActive()) rows_timer_->start();
}

void ProgressWindow::OnRow(const host::StatusRow& /*row*/) {
  if (!rows_timer_->isActive()) rows_timer_->start();
}

void ProgressWindow::Flush() {
  rows_timer_->stop();
  for (int i = 0; i < 3; ++i) {
    QString text = Text(model_.Text(static_cast<host::StatusOutput::Field>(i)));
    if (text_[i]->text() != text) text_[i]->setText(text);
  }
  for (int i = 0; i < 2; ++i) {
    auto bar = static_cast<host::StatusOutput::Bar>(i);
    // A bar with a maximum of 0 would show a busy indicator; it shows empty instead.
    int32_t max = model_.ProgressMax(bar);
    bar_[i]->setMaximum(max > 0 ? max : 1);
    bar_[i]->setValue(model_.ProgressValue(bar));
  }
  if (rows_model_->Sync()) list_->scrollToBottom();
}

void ProgressWindow::OnVisible(bool visible) {
  Flush();
  setVisible(visible);
  if (visible) raise();
}

void ProgressWindow::OnUnload() {
  Flush();
  for (auto* t : text_)
    t->clear();
  for (auto* b : bar_)
    b->setValue(0);
  setWindowTitle("Processing......");
  hide();
}

// Closing the window any way unloads it, as its OK button does.
void ProgressWindow::closeEvent(QCloseEvent* event) {
  model_.Unload();
  event->accept();
}

}  // namespace kestrix::ui
