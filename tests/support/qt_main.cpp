#include <gtest/gtest.h>

#include <QApplication>

// Test programs that create widgets need one application object for the
// whole run; the platform plugin comes from QT_QPA_PLATFORM (offscreen in CI).
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
