// Runs the desktop tests inside one QApplication on Qt's offscreen platform, so that real widgets
// work without a display. Replaces gtest_main: the application object must exist before any test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The window remembers the port in the user's settings: the tests keep theirs in a folder of
  // their own, never in the real user's configuration.
  QTemporaryDir config;
  if (!config.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
