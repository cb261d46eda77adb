#include <gtest/gtest.h>

#include <QApplication>
#include <QPrinter>
#include <QTimer>

#include "output/output_widget_test_support.h"
#include "reportlang/custom_report.h"
#include "util/exceptions.h"
#include "util/messages.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/preview_form.h"
#include "widgets/output/printing.h"
#include "widgets/platform/report_presenter.h"

namespace bexlo {
namespace {

constexpr std::string_view kTwoPages = "Page one\r\nmore\r\n^Page two\r\nend\r\n";

class ReportPresenterTest : public test::OutputWidgetTest {};

TEST_F(ReportPresenterTest, InstalledByInitWidgets) {
  EXPECT_NE(dynamic_cast<TQtReportPresenter*>(ReportPresenter()), nullptr);
}

TEST_F(ReportPresenterTest, PrintPrintsEveryPageWithTheReportsCopiesAndShowsNoWindow) {
  const std::string pdf = Path("printed.pdf");
  ReportPrinter().setOutputFormat(QPrinter::PdfFormat);
  ReportPrinter().setOutputFileName(QString::fromStdString(pdf));
  TCustomReport report;
  report.PrintName = WriteFile("report.prn", kTwoPages);
  report.SetCopies(3);
  report.SetCopyMode(true);
  bool windowShown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] { windowShown |= QApplication::activeModalWidget() != nullptr; });
  watch.start(0);
  report.Print();
  QCoreApplication::processEvents();
  EXPECT_FALSE(windowShown);
  // Three collated copies of two pages.
  EXPECT_EQ(test::PdfPageCount(pdf), 6);
  const std::vector<std::string> pages = test::PdfPageTexts(pdf);
  ASSERT_GE(pages.size(), 6u);
  EXPECT_NE(pages[4].find("Page one"), std::string::npos);
  EXPECT_NE(pages[5].find("Page two"), std::string::npos);
}

TEST_F(ReportPresenterTest, PreViewShowsThePreviewModallyOnTheOutput) {
  TCustomReport report;
  report.PrintName = WriteFile("report.prn", kTwoPages);
  report.SetOrientation(TPrinterOrientation::poLandscape);
  report.SetCopies(2);
  QString title;
  int pages = -1;
  TPrinterOrientation orientation = TPrinterOrientation::poPortrait;
  int copies = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* form = qobject_cast<TQoPreviewForm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    watch.stop();
    title = form->windowTitle();
    pages = form->FileViewer1()->GetPageCount();
    orientation = form->FileViewer1()->Orientation();
    copies = form->Copies();
    form->reject();
  });
  watch.start(0);
  report.PreView();
  EXPECT_EQ(title.toStdString(), "Preview of report: " + report.PrintName);
  EXPECT_EQ(pages, 2);
  EXPECT_EQ(orientation, TPrinterOrientation::poLandscape);
  EXPECT_EQ(copies, 2);
}

TEST_F(ReportPresenterTest, AMissingOutputIsTheViewersError) {
  TCustomReport report;
  report.PrintName = Path("missing.prn");
  try {
    report.PreView();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), msg::SQoNoViewInfo);
  }
  EXPECT_THROW(report.Print(), Exception);
}

}  // namespace
}  // namespace bexlo
