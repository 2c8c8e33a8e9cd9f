#include "frontends/desktop/add_in_manager_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "frontends/desktop/display_text.h"

namespace kestrix::desktop {

AddInManagerDialog::AddInManagerDialog(const AddInRegistry& registry,
                                       std::vector<AddInChoice> choices, QWidget* parent)
    : QDialog(parent),
      registry_(registry),
      choices_(std::move(choices)),
      list_(new QTreeWidget),
      description_(new QLabel),
      loaded_(new QCheckBox("Loaded/Unloaded")),
      on_startup_(new QCheckBox("Load on Startup")) {
  setWindowTitle("Add-In Manager");
  list_->setHeaderLabels({"Available Add-Ins", "Load Behaviour"});
  list_->setRootIsDecorated(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  for (const AddInChoice& choice : choices_)
    new QTreeWidgetItem(list_, {AnsiToDisplay(choice.prog_id), Behaviour(choice)});
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  LayOut(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] { ShowSelected(); });
  connect(loaded_, &QCheckBox::toggled, this, [this] { TakeChecks(); });
  connect(on_startup_, &QCheckBox::toggled, this, [this] { TakeChecks(); });
  if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
  ShowSelected();
}

// The list above, the description and the check boxes of the selected add-in below it.
void AddInManagerDialog::LayOut(QDialogButtonBox* buttons) {
  description_->setWordWrap(true);
  description_->setMinimumHeight(48);
  auto* description_box = new QGroupBox("Description");
  (new QVBoxLayout(description_box))->addWidget(description_);
  auto* behaviour_box = new QGroupBox("Load Behaviour");
  auto* checks = new QVBoxLayout(behaviour_box);
  checks->addWidget(loaded_);
  checks->addWidget(on_startup_);
  auto* lower = new QHBoxLayout;
  lower->addWidget(description_box, 2);
  lower->addWidget(behaviour_box, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(lower);
  layout->addWidget(buttons);
  resize(560, 380);
}

QString AddInManagerDialog::Behaviour(const AddInChoice& choice) {
  QStringList parts;
  if (choice.load_on_startup) parts << "Startup";
  parts << (choice.loaded ? "Loaded" : "Unloaded");
  return parts.join(" / ");
}

void AddInManagerDialog::ShowSelected() {
  int row = list_->indexOfTopLevelItem(list_->currentItem());
  bool valid = row >= 0 && static_cast<size_t>(row) < choices_.size();
  loaded_->setEnabled(valid);
  on_startup_->setEnabled(valid);
  if (!valid) {
    description_->clear();
    return;
  }
  const AddInChoice& choice = choices_[static_cast<size_t>(row)];
  description_->setText(AnsiToDisplay(registry_.Description(choice.prog_id)));
  // Setting the boxes must not write them back half done.
  QSignalBlocker block_loaded(loaded_);
  QSignalBlocker block_startup(on_startup_);
  loaded_->setChecked(choice.loaded);
  on_startup_->setChecked(choice.load_on_startup);
}

void AddInManagerDialog::TakeChecks() {
  int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row < 0 || static_cast<size_t>(row) >= choices_.size()) return;
  AddInChoice& choice = choices_[static_cast<size_t>(row)];
  choice.loaded = loaded_->isChecked();
  choice.load_on_startup = on_startup_->isChecked();
  list_->currentItem()->setText(1, Behaviour(choice));
}

}  // namespace kestrix::desktop
