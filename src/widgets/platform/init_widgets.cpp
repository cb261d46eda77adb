#include "widgets/platform/init_widgets.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include "automation/office_servers.h"
#include "report/office_export.h"
#include "util/hooks.h"
#include "util/settings.h"
#include "widgets/builder/query_build_form.h"
#include "widgets/entry/dic_choice_form.h"
#include "widgets/grid/grid_windows.h"
#include "widgets/platform/qt_user_interaction.h"
#include "widgets/platform/registry.h"
#include "widgets/platform/report_presenter.h"
#include "widgets/reportui/edit_form.h"
#include "widgets/states/state_hooks.h"

namespace bexlo {
namespace {

// A document the office servers saved opens in the desktop's application for it, where there is
// a desktop (not on the offscreen or minimal platforms of tests and command-line runs).
void ShowOfficeDocument(const std::string& path) {
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace

void InitWidgets() {
  static bool done = false;
  if (done) return;
  done = true;

  static TQtUserInteraction services;
  SetUserInteraction(&services);
  static TQtReportPresenter presenter;
  SetReportPresenter(&presenter);
  Report_EditFile = EditFile;
  InstallOfficeLink();
  Office_ShowDocument = ShowOfficeDocument;

  const int hostDPI = PrinterDPI;
  LoadState();
  if (hostDPI > 0) PrinterDPI = hostDPI;

  // ---- data grid: excerpt, memo view, record count and the shared popup menu ----
  InstallGridHooks();

  // ---- query builder: the window behind Ctrl+F9, and the builder lines of states re-applied ----
  InstallQueryBuilder();

  // ---- grid states: load, save and clear (F3, Shift+F3, Ctrl+F3) ----
  InstallStateHooks();

  // ---- dictionary choice for report scripts (GetFromDictionary) ----
  InstallDicButtonHook();
}

}  // namespace bexlo

// Runs InitWidgets when a QApplication (not a bare QCoreApplication: the dialogs need widgets)
// is created while the library is loaded.
static void BexloInitWidgetsAtStartUp() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) bexlo::InitWidgets();
}
Q_COREAPP_STARTUP_FUNCTION(BexloInitWidgetsAtStartUp)
