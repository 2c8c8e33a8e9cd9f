#pragma once

// The questions and notices of the main window, behind an interface so that tests answer
// them without modal windows. QtPrompts shows the real dialogs.

#include <QString>
#include <vector>

#include "frontends/desktop/add_in_registry.h"

class QWidget;

namespace kestrix::desktop {

enum class SaveAnswer { kSave, kDiscard, kCancel };

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Save / Discard / Cancel for changes not yet saved; `text` names what would be lost.
  virtual SaveAnswer AskSaveChanges(QWidget* parent, const QString& text) = 0;
  virtual void ShowError(QWidget* parent, const QString& text) = 0;
  // A .vbp or .vbg file to open, starting in `folder`; "" when the user cancels.
  virtual QString AskProjectToOpen(QWidget* parent, const QString& folder) = 0;
  // Where to save a project file, starting at `suggested`; "" when the user cancels.
  virtual QString AskProjectSavePath(QWidget* parent, const QString& suggested) = 0;
  // The Add-In Manager: shows `choices` and lets the user change them; false when cancelled.
  virtual bool EditAddInChoices(QWidget* parent, const AddInRegistry& registry,
                                std::vector<AddInChoice>& choices) = 0;
  virtual void ShowAbout(QWidget* parent) = 0;
};

class QtPrompts final : public Prompts {
 public:
  SaveAnswer AskSaveChanges(QWidget* parent, const QString& text) override;
  void ShowError(QWidget* parent, const QString& text) override;
  QString AskProjectToOpen(QWidget* parent, const QString& folder) override;
  QString AskProjectSavePath(QWidget* parent, const QString& suggested) override;
  bool EditAddInChoices(QWidget* parent, const AddInRegistry& registry,
                        std::vector<AddInChoice>& choices) override;
  void ShowAbout(QWidget* parent) override;
};

}  // namespace kestrix::desktop
