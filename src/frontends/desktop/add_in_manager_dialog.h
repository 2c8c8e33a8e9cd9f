#pragma once

// The Add-In Manager: every registered add-in with its description, and for the selected
// one the check boxes "Loaded/Unloaded" and "Load on Startup". It edits a list of choices;
// ApplyAddInChoices carries them out once the user presses OK.

#include <QDialog>
#include <vector>

#include "frontends/desktop/add_in_registry.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QTreeWidget;

namespace kestrix::desktop {

class AddInManagerDialog final : public QDialog {
  Q_OBJECT

 public:
  AddInManagerDialog(const AddInRegistry& registry, std::vector<AddInChoice> choices,
                     QWidget* parent = nullptr);

  const std::vector<AddInChoice>& choices() const { return choices_; }

 private:
  // The list's "Load Behaviour" column for a choice.
  static QString Behaviour(const AddInChoice& choice);
  void LayOut(QDialogButtonBox* buttons);
  void ShowSelected();
  void TakeChecks();

  const AddInRegistry& registry_;
  std::vector<AddInChoice> choices_;
  QTreeWidget* list_;
  QLabel* description_;
  QCheckBox* loaded_;
  QCheckBox* on_startup_;
};

}  // namespace kestrix::desktop
