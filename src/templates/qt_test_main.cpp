// The application object that the Qt tests need, made before the first test and destroyed
// after the last, on the offscreen platform so that the tests run without a display.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace kestrix::templates {
namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  // Before the exit handlers run: destroyed among them, the application would outlive the
  // input devices that QTest made.
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[19] = "templates_qt_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
}  // namespace kestrix::templates
