#include "widgets/output/pdf_export.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "output/file_viewer_model.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "widgets/output/printing.h"
#include "widgets/output/qt_canvas.h"

namespace bexlo {

namespace fs = std::filesystem;

namespace {

void PreparePdf(QPdfWriter& pdf, const TPrinterModel& model) {
  pdf.setResolution(EffectivePrinterDPI());
  pdf.setCreator(QStringLiteral("Bexlo"));
  const QPageLayout::Orientation orientation =
      model.Orientation() == TPrinterOrientation::poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
  QPageSize size = model.Paper() == TPaperSize::psA4       ? QPageSize(QPageSize::A4)
                   : model.Paper() == TPaperSize::psLetter ? QPageSize(QPageSize::Letter)
                                                           : QPageSize();
  if (!size.isValid()) {
    const bool landscape = orientation == QPageLayout::Landscape;
    size = QPageSize(QSizeF(landscape ? model.PaperHeightMm() : model.PaperWidthMm(),
                            landscape ? model.PaperWidthMm() : model.PaperHeightMm()),
                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
  }
  pdf.setPageLayout(QPageLayout(size, orientation,
                                QMarginsF(model.LeftMargin(), model.TopMargin(), model.RightMargin(),
                                          model.BottomMargin()),
                                QPageLayout::Millimeter));
}

}  // namespace

void WriteViewerPdf(TFileViewerModel& viewer, const std::string& pdfName, int fromPage, int toPage) {
  if (!viewer.IsLoaded()) throw EInOutError(msg::SQoNoViewInfo);
  // Written beside the target and renamed into place.
  const std::string temporary = pdfName + ".part";
  viewer.Printer().SetOrientation(viewer.Orientation());
  try {
    QPdfWriter pdf(QString::fromStdString(temporary));
    PreparePdf(pdf, viewer.Printer());
    pdf.setTitle(QFileInfo(QString::fromStdString(viewer.GetFileName())).fileName());
    TQtPrintCanvas canvas(pdf, pdfName);
    viewer.Print(canvas, fromPage, toPage);
  } catch (const Exception& e) {
    std::error_code ec;
    fs::remove(temporary, ec);
    throw EInOutError(Format(msg::SQoPdfWrite, pdfName, e.Message()));
  }
  std::error_code ec;
  if (!fs::exists(temporary, ec) || fs::file_size(temporary, ec) == 0) {
    fs::remove(temporary, ec);
    throw EInOutError(Format(msg::SQoPdfWrite, pdfName, "the file could not be created"));
  }
  fs::rename(temporary, pdfName, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw EInOutError(Format(msg::SQoPdfWrite, pdfName, ec.message()));
  }
}

void WriteOutputPdf(const std::string& outputName, const std::string& pdfName,
                    TPrinterOrientation orientation) {
  TFileViewerModel viewer;
  viewer.SetFileName(outputName);
  viewer.SetOrientation(orientation);
  viewer.LoadFile();
  WriteViewerPdf(viewer, pdfName);
}

}  // namespace bexlo
