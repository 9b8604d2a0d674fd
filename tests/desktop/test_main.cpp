// Runs the desktop tests inside one QApplication on Qt's offscreen platform, so that real widgets
// work without a display. Replaces gtest_main: the application object must exist before any test.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
