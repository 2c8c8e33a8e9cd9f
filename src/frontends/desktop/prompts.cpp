#include "frontends/desktop/prompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

#include "frontends/desktop/add_in_manager_dialog.h"

namespace kestrix::desktop {
namespace {

const QString kTitle = "Kestrix IDE";

}  // namespace

SaveAnswer QtPrompts::AskSaveChanges(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, kTitle, text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  box.button(QMessageBox::Save)->setText("&Save");
  box.button(QMessageBox::Discard)->setText("&Don't Save");
  box.button(QMessageBox::Cancel)->setText("&Cancel");
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveAnswer::kSave;
    case QMessageBox::Discard:
      return SaveAnswer::kDiscard;
    default:
      return SaveAnswer::kCancel;
  }
}

void QtPrompts::ShowError(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, kTitle, text);
}

QString QtPrompts::AskProjectToOpen(QWidget* parent, const QString& folder) {
  return QFileDialog::getOpenFileName(
      parent, "Open Project", folder,
      "Projects and groups (*.vbp *.vbg *.VBP *.VBG);;All files (*)");
}

QString QtPrompts::AskProjectSavePath(QWidget* parent, const QString& suggested) {
  return QFileDialog::getSaveFileName(parent, "Save Project As", suggested,
                                      "Projects (*.vbp *.VBP);;All files (*)");
}

bool QtPrompts::EditAddInChoices(QWidget* parent, const AddInRegistry& registry,
                                 std::vector<AddInChoice>& choices) {
  AddInManagerDialog dialog(registry, choices, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  choices = dialog.choices();
  return true;
}

void QtPrompts::ShowAbout(QWidget* parent) {
  QMessageBox::about(parent, "About Kestrix IDE",
                     "<b>Kestrix IDE " KESTRIX_VERSION
                     "</b>"
                     "<p>A small development environment for Visual Basic 5 and 6 projects: "
                     "it opens projects and project groups, edits their code and saves them, "
                     "and loads the add-ins listed in vbaddin.ini.</p>");
}

}  // namespace kestrix::desktop
