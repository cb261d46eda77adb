// main() of every widget test program: a QApplication (offscreen unless the environment says
// otherwise), the widget library initialised, then the GoogleTest cases.
#include <gtest/gtest.h>

#include <QApplication>

#include "widgets/platform/init_widgets.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bexlo::InitWidgets();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
