// Printing through QPrinter to PDF files read back with poppler: page ranges and new pages,
// collated passes and copies, the busy error and background printing, the confirmation, lists
// and window images.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QVBoxLayout>
#include <QWidget>

#include <filesystem>

#include "output/recording_canvas.h"
#include "output/report_thread.h"
#include "output_widget_test_support.h"
#include "util/exceptions.h"
#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/pdf_export.h"
#include "widgets/output/printing.h"

namespace bexlo::test {
namespace {

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

// Pages "Page N" of a few lines each, a page mark before every page but the first.
std::string Pages(int count) {
  std::string text;
  for (int p = 1; p <= count; ++p) {
    text += (p > 1 ? "^" : "") + std::string("\\F0:12Page ") + std::to_string(p) + "\r\n";
    text += "\\F16:10body of page " + std::to_string(p) + "\r\n";
  }
  return text + "end\r\n";
}

// The page numbers of a PDF's pages, as read from their text.
std::vector<int> PageNumbers(const std::string& pdf) {
  std::vector<int> numbers;
  for (const std::string& text : PdfPageTexts(pdf)) {
    const std::size_t at = text.find("Page ");
    numbers.push_back(at == std::string::npos ? 0 : std::stoi(text.substr(at + 5)));
  }
  return numbers;
}

// The box of the dark pixels of a PDF's first page rendered at 150 dpi.
QRect DarkBox(const std::string& pdf) {
  const std::string png = pdf + ".png";
  RunTool("pdftoppm", {"-png", "-r", "150", "-f", "1", "-l", "1", "-singlefile", QString::fromStdString(pdf),
                       QString::fromStdString(pdf)});
  QImage image(QString::fromStdString(png));
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y).lightness() < 200) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

class PrintingTest : public OutputWidgetTest {
 protected:
  void SetUp() override {
    OutputWidgetTest::SetUp();
    viewer.SetFileName(WriteFile("pages.prn", Pages(5)));
    viewer.LoadFile();
    ASSERT_EQ(viewer.GetPageCount(), 5);
  }
  // A printer that writes a PDF file.
  std::unique_ptr<QPrinter> PdfPrinter(const std::string& name) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(Path(name)));
    return printer;
  }

  TFileViewerModel viewer;
};

TEST_F(PrintingTest, RangesAreClampedAndPagesSeparatedByNewPages) {
  struct Range {
    int from, to;
    std::vector<int> pages;
    int newPages;
  } ranges[] = {
      {0, 0, {1}, 0}, {1, 3, {2, 3, 4}, 2}, {-5, 1, {1, 2}, 1}, {3, 99, {4, 5}, 1}, {4, 4, {5}, 0},
  };
  for (const Range& r : ranges) {
    TRecordingCanvas canvas;
    viewer.Print(canvas, r.from, r.to);
    EXPECT_EQ(canvas.Count(TCanvasOp::okNewPage), r.newPages) << r.from << ".." << r.to;
    EXPECT_EQ(canvas.Count(TCanvasOp::okBeginDoc), 1);
    EXPECT_EQ(canvas.Count(TCanvasOp::okEndDoc), 1);

    auto printer = PdfPrinter("range.pdf");
    PrintPages(*printer, viewer, r.from, r.to, true, 1);
    EXPECT_EQ(PageNumbers(Path("range.pdf")), r.pages) << r.from << ".." << r.to;
  }
  // The printer's resolution is the model's, its page the model's paper.
  auto printer = PdfPrinter("layout.pdf");
  PrintPages(*printer, viewer, 0, 0, true, 1);
  EXPECT_EQ(printer->resolution(), 300);
  EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A4);
}

TEST_F(PrintingTest, CollatedCopiesArePassesOverTheRangeInOneJob) {
  auto printer = PdfPrinter("collated.pdf");
  PrintPages(*printer, viewer, 1, 3, true, 3);
  EXPECT_EQ(PageNumbers(Path("collated.pdf")), (std::vector<int>{2, 3, 4, 2, 3, 4, 2, 3, 4}));
  EXPECT_EQ(printer->copyCount(), 1);

  // A count below 1 prints nothing.
  auto none = PdfPrinter("none.pdf");
  PrintPages(*none, viewer, 0, 4, true, 0);
  EXPECT_FALSE(std::filesystem::exists(Path("none.pdf")));
}

TEST_F(PrintingTest, UncollatedCopiesUseThePrintersCopyCount) {
  auto printer = PdfPrinter("copies.pdf");
  printer->setCopyCount(1);
  PrintPages(*printer, viewer, 0, 1, false, 2);
  // A PDF cannot make copies itself: they are printed as passes rather than lost.
  if (printer->supportsMultipleCopies()) {
    EXPECT_EQ(PageNumbers(Path("copies.pdf")), (std::vector<int>{1, 2}));
  } else {
    EXPECT_EQ(PageNumbers(Path("copies.pdf")), (std::vector<int>{1, 2, 1, 2}));
  }
  EXPECT_EQ(printer->copyCount(), 1);  // put back
}

TEST_F(PrintingTest, ViewerPrintOfARangeMakesOneDocument) {
  TFileViewer widget;
  widget.SetFileName(viewer.GetFileName());
  widget.LoadFile();
  auto printer = PdfPrinter("widget.pdf");
  widget.Print(*printer, 2, 3);
  EXPECT_EQ(PageNumbers(Path("widget.pdf")), (std::vector<int>{3, 4}));
  // An unwritable output is an error, not a silent nothing.
  auto bad = std::make_unique<QPrinter>(QPrinter::HighResolution);
  bad->setOutputFormat(QPrinter::PdfFormat);
  bad->setOutputFileName(QString::fromStdString(Path("no/such/dir/x.pdf")));
  EXPECT_NE(MessageOf([&] { widget.Print(*bad, 0, 0); }).find("Cannot start printing on"), std::string::npos);
}

TEST_F(PrintingTest, BackgroundPrintingAndTheBusyError) {
  ShadowPrint = true;
  auto printer = PdfPrinter("shadow.pdf");
  // While another background print runs, printing is refused.
  ReportThreadCount = 1;
  EXPECT_EQ(MessageOf([&] { PrintPages(*printer, viewer, 0, 4, true, 1); }), msg::SQoPrinterBusy);
  ReportThreadCount = 0;
  EXPECT_FALSE(std::filesystem::exists(Path("shadow.pdf")));

  PrintPages(*printer, viewer, 0, 2, true, 2);
  // The thread works on its own copy: the viewer may go on, even unload its file.
  viewer.SetPage(4);
  viewer.Clear();
  WaitForReportThreads();
  EXPECT_EQ(ReportThreadCount.load(), 0);
  EXPECT_EQ(PageNumbers(Path("shadow.pdf")), (std::vector<int>{1, 2, 3, 1, 2, 3}));
}

TEST_F(PrintingTest, PdfExportWritesEveryPageBesideTheTarget) {
  const std::string pdf = Path("export.pdf");
  WriteFile("export.pdf", "an older file");
  WriteOutputPdf(viewer.GetFileName(), pdf);
  EXPECT_EQ(PageNumbers(pdf), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_FALSE(std::filesystem::exists(pdf + ".part"));
  // A missing output: the viewer's error, and the earlier PDF stays.
  EXPECT_EQ(MessageOf([&] { WriteOutputPdf(Path("missing.prn"), pdf); }), msg::SQoNoViewInfo);
  EXPECT_EQ(PdfPageCount(pdf), 5);
  // A PDF that cannot be written.
  EXPECT_NE(MessageOf([&] { WriteOutputPdf(viewer.GetFileName(), Path("no/dir/x.pdf")); }).find("Cannot write the PDF file"),
            std::string::npos);
  // Landscape pages are wider than high.
  WriteOutputPdf(viewer.GetFileName(), pdf, TPrinterOrientation::poLandscape);
  const std::string info = RunTool("pdfinfo", {QString::fromStdString(pdf)});
  EXPECT_NE(info.find("842 x 595"), std::string::npos) << info;
}

TEST_F(PrintingTest, ConfirmationAndListPrinting) {
  auto printer = PdfPrinter("list.pdf");
  QStringList lines;
  for (int i = 1; i <= 150; ++i) lines << QStringLiteral("List line %1").arg(i);
  ConfirmBeforePrint = true;
  {
    TScriptedUserInteraction answers;
    answers.AnswerMessage(mrNo);
    PrintList(*printer, QFont("Liberation Serif", 12), lines);
    ASSERT_EQ(answers.Asked().size(), 1u);
    EXPECT_EQ(answers.Asked()[0].text, msg::SQoConfirmPrint);
    EXPECT_EQ(answers.Asked()[0].type, TMsgDlgType::mtWarning);
    EXPECT_EQ(answers.Asked()[0].buttons, mbYesNoCancel);
    EXPECT_FALSE(std::filesystem::exists(Path("list.pdf")));
    answers.AnswerMessage(mrCancel);
    EXPECT_FALSE(ConfirmPrint());
    answers.AnswerMessage(mrYes);
    PrintList(*printer, QFont("Liberation Serif", 12), lines);
  }
  // 150 lines of 12 pt do not fit one page; every line is printed once, in order.
  const std::vector<std::string> pages = PdfPageTexts(Path("list.pdf"));
  ASSERT_GE(pages.size(), 2u);
  EXPECT_NE(pages[0].find("List line 1\n"), std::string::npos);
  EXPECT_NE(pages.back().find("List line 150"), std::string::npos);
  ConfirmBeforePrint = false;
  EXPECT_TRUE(ConfirmPrint());
}

TEST_F(PrintingTest, WindowImagesAreScaledOrFitted) {
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  layout->addWidget(new QLabel("Printed window text"));
  form.resize(300, 120);
  auto printer = PdfPrinter("form.pdf");
  printer->setResolution(300);
  PrintForm(*printer, &form, 0, 0);  // fitted
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.size(), QSize(300, 120));
  EXPECT_EQ(PdfPageCount(Path("form.pdf")), 1);
  // The window's text is drawn (as outlines): something dark on the page.
  const QRect fitted = DarkBox(Path("form.pdf"));
  ASSERT_FALSE(fitted.isEmpty());
  // Scaled by 8/2, the picture is twice the size it has at 4/2 (in printer pixels).
  PrintForm(*printer, &form, 4, 2);
  const QRect single = DarkBox(Path("form.pdf"));
  PrintForm(*printer, &form, 8, 2);
  const QRect twice = DarkBox(Path("form.pdf"));
  ASSERT_FALSE(single.isEmpty());
  EXPECT_NEAR(static_cast<double>(twice.height()) / single.height(), 2.0, 0.25);
  EXPECT_NEAR(static_cast<double>(twice.width()) / single.width(), 2.0, 0.25);
  // Fitted to the page, the 300 x 120 window fills its width: far larger than at 4/2.
  EXPECT_GT(fitted.width(), 2 * single.width());
  // A multiplier without a divisor prints nothing.
  std::filesystem::remove(Path("form.pdf"));
  PrintForm(*printer, &form, 3, 0);
  EXPECT_FALSE(std::filesystem::exists(Path("form.pdf")));
}

}  // namespace
}  // namespace bexlo::test
