#include "display.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>

#include <ostream>

#include "output/printer_model.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "widgets/output/pdf_export.h"
#include "widgets/output/printing.h"
#include "widgets/platform/init_widgets.h"
#include "widgets/platform/report_presenter.h"

namespace bexlo::runner {

namespace {

bool HaveDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int ShowOutput(const TRunOptions& options, const std::string& outputFile, int& argc, char** argv,
               std::ostream& out, std::ostream& err) {
  const bool offscreen = !HaveDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
  if (options.Preview && offscreen) {
    err << "error: --preview needs a display (DISPLAY or WAYLAND_DISPLAY is not set)\n";
    return 1;
  }
  if (offscreen) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The output was laid out at the run's resolution; the windows must read it at the same one,
  // whatever the user's stored settings say.
  PrinterDPI = EffectivePrinterDPI();
  // Qt reads no option of ours: it sees the program's name only.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  QApplication::setApplicationName(QStringLiteral("bexlo-report"));
  InitWidgets();
  // This program ends when it has printed: no background printing.
  ShadowPrint = false;

  const TPrinterOrientation orientation =
      options.Landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait;
  try {
    if (!options.Pdf.empty()) {
      WriteOutputPdf(outputFile, options.Pdf, orientation);
      out << options.Pdf << "\n";
    }
    TQtReportPresenter presenter;
    TReportPresentation presentation;
    presentation.FileName = outputFile;
    presentation.Orientation = orientation;
    presentation.CopyMode = true;
    presentation.Copies = 1;
    if (options.PrintTo) {
      QPrinter& printer = ReportPrinter();
      if (!options.PrintTo->empty()) {
        const QString name = QString::fromStdString(*options.PrintTo);
        if (QPrinterInfo::printerInfo(name).isNull()) throw Exception(Format(msg::SQoNoPrinterNamed, *options.PrintTo));
        printer.setPrinterName(name);
      } else if (QPrinterInfo::defaultPrinter().isNull()) {
        throw Exception(msg::SQoNoDefaultPrinter);
      }
      presenter.Print(presentation);
    }
    if (options.Preview) presenter.PreView(presentation);
    return 0;
  } catch (const Exception& e) {
    err << "error: " << e.Message() << "\n";
    return 1;
  }
}

}  // namespace bexlo::runner
