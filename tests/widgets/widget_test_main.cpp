// main() of every widget test program: a QApplication (offscreen unless the environment says
// otherwise), the widget library initialised, then the GoogleTest cases.
//
// The user's settings are never touched: the configuration directory (XDG_CONFIG_HOME, where
// QSettings keeps the registry) is a temporary directory of the run, removed at the end. The
// printer resolution is the model's default (300), whatever printer the machine has.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "util/settings.h"
#include "widgets/platform/init_widgets.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  if (!config.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  bexlo::PrinterDPI = 300;
  QApplication app(argc, argv);
  bexlo::InitWidgets();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
