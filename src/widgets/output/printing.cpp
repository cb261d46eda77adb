#include "widgets/output/printing.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <memory>

#include "output/report_thread.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/ui_services.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/qt_canvas.h"

namespace bexlo {

namespace {

QPageSize PageSizeOf(const TPrinterModel& model) {
  switch (model.Paper()) {
    case TPaperSize::psA4: return QPageSize(QPageSize::A4);
    case TPaperSize::psLetter: return QPageSize(QPageSize::Letter);
    case TPaperSize::psCustom: break;
  }
  // Custom sizes are given portrait.
  const bool landscape = model.Orientation() == TPrinterOrientation::poLandscape;
  const double w = landscape ? model.PaperHeightMm() : model.PaperWidthMm();
  const double h = landscape ? model.PaperWidthMm() : model.PaperHeightMm();
  return QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace

std::string PrinterTitle(const QPrinter& printer) {
  const QString name = printer.outputFormat() == QPrinter::PdfFormat || printer.printerName().isEmpty()
                           ? printer.outputFileName()
                           : printer.printerName();
  return name.isEmpty() ? std::string("the printer") : name.toStdString();
}

namespace {

// A background print's printer: a QPrinter of its own with the settings of the one given, made
// on the main thread, printed on by the thread.
class TQtBackgroundPrinter : public TBackgroundPrinter {
 public:
  TQtBackgroundPrinter(const QPrinter& from, const TPrinterModel& model) : printer_(QPrinter::HighResolution) {
    printer_.setPrinterName(from.printerName());
    printer_.setOutputFormat(from.outputFormat());
    printer_.setOutputFileName(from.outputFileName());
    printer_.setCopyCount(from.copyCount());
    printer_.setCollateCopies(from.collateCopies());
    printer_.setDuplex(from.duplex());
    printer_.setColorMode(from.colorMode());
    printer_.setDocName(from.docName());
    printer_.setCreator(from.creator());
    PreparePrinter(printer_, model);
    canvas_ = std::make_unique<TQtPrintCanvas>(printer_, PrinterTitle(printer_));
  }
  TPrintCanvas& Canvas() override { return *canvas_; }
  int Copies() const override { return printer_.copyCount(); }
  void SetCopies(int copies) override { printer_.setCopyCount(std::max(copies, 1)); }
  void BeginJob() override { canvas_->BeginJob(); }
  void EndJob() override { canvas_->EndJob(); }

 private:
  QPrinter printer_;
  std::unique_ptr<TQtPrintCanvas> canvas_;
};

// Shows a background print's failure on the main thread.
void ReportBackgroundError(const std::string& message) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QMetaObject::invokeMethod(app, [message] {
    MessageDlg(Format(msg::SQoBackgroundPrint, message), TMsgDlgType::mtError, mbOK);
  }, Qt::QueuedConnection);
}

// A host that quits while a background print runs waits for it rather than cut the job off.
void WaitForThreadsOnQuit() {
  static bool connected = false;
  QCoreApplication* app = QCoreApplication::instance();
  if (connected || app == nullptr) return;
  connected = true;
  QObject::connect(app, &QCoreApplication::aboutToQuit, [] { WaitForReportThreads(); });
}

}  // namespace

void PreparePrinter(QPrinter& printer, const TPrinterModel& model) {
  printer.setFullPage(false);
  printer.setResolution(EffectivePrinterDPI());
  const QPageLayout::Orientation orientation =
      model.Orientation() == TPrinterOrientation::poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
  QPageLayout layout(PageSizeOf(model), orientation,
                     QMarginsF(model.LeftMargin(), model.TopMargin(), model.RightMargin(), model.BottomMargin()),
                     QPageLayout::Millimeter);
  printer.setPageLayout(layout);
}

QPrinter& ReportPrinter() {
  static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
  return *printer;
}

bool ConfirmPrint() {
  if (!ConfirmBeforePrint) return true;
  return MessageDlg(msg::SQoConfirmPrint, TMsgDlgType::mtWarning, mbYesNoCancel) == mrYes;
}

// ---- page ranges -----------------------------------------------------------------------------

void PrintPages(TFileViewer& viewer, int first, int last, bool collate, int copies) {
  PrintPages(ReportPrinter(), viewer.Model(), first, last, collate, copies);
}

void PrintPages(TFileViewerModel& viewer, int first, int last, bool collate, int copies) {
  PrintPages(ReportPrinter(), viewer, first, last, collate, copies);
}

void PrintPages(QPrinter& printer, TFileViewerModel& viewer, int first, int last, bool collate,
                int copies) {
  viewer.Printer().SetOrientation(viewer.Orientation());
  if (ShadowPrint) {
    if (ReportThreadCount.load() > 0) throw Exception(msg::SQoPrinterBusy);
    if (!viewer.IsLoaded()) return;
    WaitForThreadsOnQuit();
    TReportThread::Start(viewer, first, last, copies, collate || !printer.supportsMultipleCopies(),
                         std::make_unique<TQtBackgroundPrinter>(printer, viewer.Printer()),
                         ReportBackgroundError);
    return;
  }
  if (!viewer.IsLoaded()) return;
  PreparePrinter(printer, viewer.Printer());
  TQtPrintCanvas canvas(printer, PrinterTitle(printer));
  // A printer that cannot make copies itself gets them as passes.
  if (collate || (copies > 1 && !printer.supportsMultipleCopies())) {
    if (copies < 1) return;
    const int saved = printer.copyCount();
    printer.setCopyCount(1);
    canvas.BeginJob();
    try {
      for (int i = 0; i < copies; ++i) viewer.Print(canvas, first, last);
    } catch (...) {
      canvas.EndJob();
      printer.setCopyCount(saved);
      throw;
    }
    canvas.EndJob();
    printer.setCopyCount(saved);
  } else {
    const int saved = printer.copyCount();
    printer.setCopyCount(std::max(copies, 1));
    try {
      viewer.Print(canvas, first, last);
    } catch (...) {
      printer.setCopyCount(saved);
      throw;
    }
    printer.setCopyCount(saved);
  }
}

// ---- lists and forms -------------------------------------------------------------------------

void PrintList(const QFont& font, const QStringList& strings) { PrintList(ReportPrinter(), font, strings); }

void PrintList(QPrinter& printer, const QFont& font, const QStringList& strings) {
  if (!ConfirmPrint()) return;
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setCopyCount(1);
  QPainter painter;
  if (!painter.begin(&printer)) throw EInOutError(Format(msg::SQoPrintStart, PrinterTitle(printer)));
  painter.setFont(QFont(font, &printer));
  const QFontMetrics metrics(painter.font());
  const int pageHeight = printer.height();
  int y = 10;
  for (const QString& line : strings) {
    const int h = metrics.height();
    if (y + h >= pageHeight) {
      printer.newPage();
      y = 10;
    }
    painter.drawText(QPoint(10, y + metrics.ascent()), line);
    y += h;
  }
  painter.end();
}

void PrintForm(QWidget* form, int multiplier, int divisor) { PrintForm(ReportPrinter(), form, multiplier, divisor); }

void PrintForm(QPrinter& printer, QWidget* form, int multiplier, int divisor) {
  if (form == nullptr || (multiplier > 0 && divisor == 0) || !ConfirmPrint()) return;
  printer.setCopyCount(1);
  QPainter painter;
  if (!painter.begin(&printer)) throw EInOutError(Format(msg::SQoPrintStart, PrinterTitle(printer)));
  const QSize size = form->size();
  const double pageWidth = printer.width();
  const double pageHeight = printer.height();
  if (multiplier <= 0) {
    // Fit: the smaller of the two ratios, in hundredths.
    const double r = std::min(pageWidth / std::max(size.width(), 1), pageHeight / std::max(size.height(), 1));
    multiplier = static_cast<int>(std::lround(r * 100));
    divisor = 100;
  }
  if (multiplier <= 0 || divisor <= 0) {
    painter.end();
    return;
  }
  // The window's image on a white page, scaled by multiplier / divisor in printer pixels. The
  // window is rendered where it is: it is neither moved nor shown.
  const double scale = static_cast<double>(multiplier) / divisor;
  painter.setClipRect(QRectF(0, 0, pageWidth, pageHeight));
  painter.scale(scale, scale);
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  const bool wasPolished = form->testAttribute(Qt::WA_WState_Polished);
  if (!wasPolished) form->ensurePolished();
  form->render(&painter, QPoint(0, 0), QRegion(QRect(QPoint(0, 0), size)),
               QWidget::DrawChildren);
  painter.end();
}

}  // namespace bexlo
