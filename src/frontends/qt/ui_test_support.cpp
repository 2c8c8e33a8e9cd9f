#include "frontends/qt/ui_test_support.h"

#include <QDialog>
#include <QTimer>
#include <stdexcept>

namespace kestrix::ui {

std::string MakeProgramFolder(const testing::TempDir& dir) {
  std::string program = dir.Path("program");
  testing::CopyTree(testing::SourceDir() + "/config", program + "/config");
  return program;
}

void WhenModal(std::function<void(QWidget& dialog)> action) {
  QTimer::singleShot(0, [action = std::move(action)] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) {
      ADD_FAILURE() << "no modal dialog is open";
      return;
    }
    try {
      action(*dialog);
    } catch (const std::exception& error) {
      // A dialog left open would keep the test waiting for ever.
      ADD_FAILURE() << error.what();
      dialog->close();
    }
  });
}

QPushButton& ButtonCalled(QWidget& parent, const QString& caption) {
  for (QPushButton* button : parent.findChildren<QPushButton*>()) {
    if (button->text().remove('&') == caption) return *button;
  }
  throw std::runtime_error("no button " + caption.toStdString());
}

}  // namespace kestrix::ui
