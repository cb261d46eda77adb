// The widget library installs its services when a QApplication is created, without a call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "reportlang/custom_report.h"
#include "util/hooks.h"
#include "util/settings.h"
#include "util/ui_services.h"
#include "widgets/platform/init_widgets.h"
#include "widgets/platform/qt_user_interaction.h"
#include "widgets/platform/registry.h"
#include "widgets/platform/report_presenter.h"
#include "widgets/reportui/edit_form.h"

namespace bexlo {
namespace {

TEST(AutomaticInstallation, ACreatedQApplicationGetsEveryService) {
  EXPECT_NE(dynamic_cast<TQtUserInteraction*>(&UserInteraction()), nullptr);
  EXPECT_NE(dynamic_cast<TQtReportPresenter*>(ReportPresenter()), nullptr);
  EXPECT_EQ(Report_EditFile, &EditFile);
  EXPECT_TRUE(IsHookInstalled(THook::Report_EditFile));
  // The stored state was read: the resolution the host set before is kept, ShadowPrint came
  // from the settings.
  EXPECT_EQ(PrinterDPI, 240);
  EXPECT_TRUE(ShadowPrint);
  // A second call changes nothing.
  ResetHook(THook::Report_EditFile);
  InitWidgets();
  EXPECT_FALSE(IsHookInstalled(THook::Report_EditFile));
  Report_EditFile = EditFile;
}

}  // namespace
}  // namespace bexlo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  if (!config.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Bexlo Software", "registry");
    store.setValue("Software/Bexlo Software/ShadowPrint", "1");
    store.setValue("Software/Bexlo Software/PrinterDPI", "600");
  }
  bexlo::PrinterDPI = 240;
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
