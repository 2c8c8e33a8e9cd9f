// The main of every test binary that needs a QApplication: one application on the offscreen
// platform (no display needed), made before the first test and destroyed after the last,
// while Qt's own objects (the input devices QTest makes, say) are still there. Settings the
// widgets store go to a temporary folder, never to the user's.

#include <gtest/gtest.h>

#include <QApplication>

#include "support/test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kestrix::testing::TempDir config_home;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_CONFIG_HOME", config_home.path().c_str());
  int result = 0;
  {
    QApplication application(argc, argv);
    result = RUN_ALL_TESTS();
  }
  return result;
}
