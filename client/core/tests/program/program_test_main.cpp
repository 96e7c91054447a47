// The main of the program tests: GoogleTest inside an offscreen QApplication whose
// windows are drawn kTestScale times larger, as `--scale` draws them.
#include <QApplication>

#include <gtest/gtest.h>

#include "handheld_screen.h"
#include "program_test_scale.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  client::SetScreenScale(client::testing::kTestScale);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
