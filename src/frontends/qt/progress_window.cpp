#include "frontends/qt/progress_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
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

}  // namespace

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
  list_ = new QTreeWidget(status);
  list_->setObjectName("ListView1");
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"Project", "Module", "Member", "Lines", "Notes"});
  const int widths[5] = {700, 600, 2000, 400, 2000};
  for (int c = 0; c < 5; ++c)
    list_->setColumnWidth(c, Px(widths[c]) + 24);
  list_->setMinimumSize(Px(7044), Px(1764));
  auto* status_layout = new QVBoxLayout(status);
  status_layout->addWidget(list_);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Command1");
  connect(ok, &QPushButton::clicked, this, [this] { model_.Unload(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(working);
  layout->addWidget(status, 1);
  layout->addWidget(ok, 0, Qt::AlignRight);
  model_.AddListener(this);
}

ProgressWindow::~ProgressWindow() {
  model_.RemoveListener(this);
}

void ProgressWindow::OnCaption(const std::string& caption) {
  setWindowTitle(Text(caption));
}

void ProgressWindow::OnText(host::StatusOutput::Field field, const std::string& text) {
  text_[field]->setText(Text(text));
}

void ProgressWindow::OnProgress(host::StatusOutput::Bar bar, int32_t value, int32_t max) {
  // A bar with a maximum of 0 would show a busy indicator; it shows empty instead.
  bar_[bar]->setMaximum(max > 0 ? max : 1);
  bar_[bar]->setValue(value);
}

void ProgressWindow::OnRow(const host::StatusRow& row) {
  auto* item = new QTreeWidgetItem(list_, {Text(row.project), Text(row.module), Text(row.member),
                                           Text(row.lines), Text(row.notes)});
  list_->scrollToItem(item);
}

void ProgressWindow::OnVisible(bool visible) {
  setVisible(visible);
  if (visible) raise();
}

void ProgressWindow::OnUnload() {
  list_->clear();
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
