#include "frontends/qt/ui_test_support.h"

#include <QDialog>
#include <QTimer>
#include <stdexcept>

namespace kestrix::ui {

namespace {

QApplication* application = nullptr;

// The application goes when the tests are done, before the program's static objects: Qt's
// own (its input devices, say) must still be there while it closes down.
class ApplicationEnvironment final : public ::testing::Environment {
 public:
  void TearDown() override {
    delete application;
    application = nullptr;
  }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

QApplication& App() {
  static testing::TempDir config_home;
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  if (application == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", config_home.path().c_str());
    application = new QApplication(argc, argv);
  }
  return *application;
}

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
