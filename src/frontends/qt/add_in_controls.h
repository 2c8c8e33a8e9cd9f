#pragma once

// The controls of the main window frmAddIn, made and laid out on its four tabs, with their
// captions, tool tips and names (each control's objectName is its name, array elements
// "Option1_0"). No behaviour: the window connects them.

#include <array>

class QAction;
class QButtonGroup;
class QCheckBox;
class QDialog;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;

namespace kestrix::ui {

class ClickLabel;

struct AddInControls {
  // Menus.
  QAction* mnuAdminHomePage;
  QAction* mnuLicenseAgreement;
  QAction* mnuBugReport;
  QAction* mnuCompiler;
  QAction* mnuHelp;
  QAction* mnuAbout;

  QTabWidget* SSTab1;

  // Tab 0, "Actions".
  std::array<QRadioButton*, 3> Option1;
  QButtonGroup* Option1Group;  // ids 0..2
  QCheckBox* Check1;
  QCheckBox* Check2;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  ClickLabel* Picture1;

  // Tab 1, "Clean".
  std::array<QCheckBox*, 3> Check5;
  std::array<QRadioButton*, 3> Option2;
  QButtonGroup* Option2Group;  // ids 0..2
  QPushButton* Command2;

  // Tab 2, "Error Handler".
  QTextEdit* Text1;
  QTextEdit* Text2;
  std::array<QPushButton*, 4> Command1;

  // Tab 3, "Options".
  QCheckBox* Check3;
  QLineEdit* Dir1;  // the chosen folder, chosen with Dir1Browse
  QPushButton* Dir1Browse;
  QCheckBox* Check4;
};

// Makes the controls inside `window` and lays them out; `window` gets a layout of its own
// with the menu bar on top.
AddInControls MakeAddInControls(QDialog& window);

}  // namespace kestrix::ui
