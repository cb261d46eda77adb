#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/output_widget_test_support.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/ui_services.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/preview_form.h"
#include "widgets/output/printing.h"
#include "widgets/reportui/edit_form.h"

namespace bexlo {
namespace {

// Three pages; "total" on the second and (twice) on the third.
constexpr std::string_view kThreePages =
    "First page\r\nnothing here\r\n^Second page\r\nGrand total 100\r\n^Third page\r\nTOTAL again, total\r\n";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class PreviewFormTest : public test::OutputWidgetTest {
 protected:
  void SetUp() override {
    OutputWidgetTest::SetUp();
    file_ = WriteFile("report.prn", kThreePages);
  }
  void TearDown() override {
    Report_EditFile = EditFile;
    OutputWidgetTest::TearDown();
  }
  void Open(TQoPreviewForm& form) { form.SetFormParams(file_, TPrinterOrientation::poPortrait, true, 1); }
  // What the user does when choosing an item of the zoom list.
  static void ChooseZoom(TQoPreviewForm& form, int item) {
    form.ComboBox1()->setCurrentIndex(item);
    emit form.ComboBox1()->activated(item);
  }
  static void TypePage(TQoPreviewForm& form, const QString& text) {
    form.PageNumEdit()->setFocus();
    form.PageNumEdit()->selectAll();
    QTest::keyClicks(form.PageNumEdit(), text);
  }

  std::string file_;
};

TEST_F(PreviewFormTest, OpensAFileWithItsCaptionPagesAndTheFirstZoomItem) {
  TQoPreviewForm form;
  EXPECT_EQ(form.windowTitle(), "Preview of the report");
  EXPECT_EQ(form.Copies(), 1);
  EXPECT_TRUE(form.Collate());
  EXPECT_TRUE(form.PrintBtn()->isDefault());
  const QStringList items = {"30 %", "50 %", "75 %", "100 %", "On the whole page"};
  ASSERT_EQ(form.ComboBox1()->count(), items.size());
  for (int i = 0; i < items.size(); ++i) EXPECT_EQ(form.ComboBox1()->itemText(i), items[i]);
  EXPECT_EQ(form.FirstBtn()->text(), "&First");
  EXPECT_EQ(form.SaveBtn()->text(), "&To disk");
  EXPECT_EQ(form.ExportBtn()->text(), "Expo&rt");
  EXPECT_EQ(form.CloseBtn()->text(), "E&xit");

  ChooseZoom(form, 3);  // loading goes back to 30 % and the list shows it
  form.SetFormParams(file_, TPrinterOrientation::poLandscape, false, 3);
  EXPECT_EQ(form.windowTitle().toStdString(), "Preview of report: " + file_);
  EXPECT_EQ(form.PageCountLabel()->text(), "from 3");
  EXPECT_EQ(form.PageNumEdit()->text(), "1");
  EXPECT_EQ(form.ComboBox1()->currentIndex(), 0);
  EXPECT_DOUBLE_EQ(form.FileViewer1()->Scale(), 100.0 / 30.0);
  EXPECT_EQ(form.FileViewer1()->Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_EQ(form.Copies(), 3);
  EXPECT_FALSE(form.Collate());

  // A missing file: the viewer's error reaches the caller.
  try {
    form.SetFormParams(Path("missing.prn"), TPrinterOrientation::poPortrait, true, 1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), msg::SQoNoViewInfo);
  }
}

TEST_F(PreviewFormTest, ButtonsAndThePageEditMoveBetweenPages) {
  TQoPreviewForm form;
  Open(form);
  TFileViewer& viewer = *form.FileViewer1();
  QTest::mouseClick(form.NextBtn(), Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentPage(), 1);
  EXPECT_EQ(form.PageNumEdit()->text(), "2");
  QTest::mouseClick(form.LastBtn(), Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentPage(), 2);
  QTest::mouseClick(form.NextBtn(), Qt::LeftButton);  // the viewer stops at the last page
  EXPECT_EQ(viewer.CurrentPage(), 2);
  EXPECT_EQ(form.PageNumEdit()->text(), "3");
  QTest::mouseClick(form.PrevBtn(), Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentPage(), 1);
  QTest::mouseClick(form.FirstBtn(), Qt::LeftButton);
  EXPECT_EQ(viewer.CurrentPage(), 0);

  TypePage(form, "2");
  EXPECT_EQ(viewer.CurrentPage(), 1);
  // Beyond the last page: the last page, and the edit says which.
  TypePage(form, "99");
  EXPECT_EQ(viewer.CurrentPage(), 2);
  EXPECT_EQ(form.PageNumEdit()->text(), "3");
  // Not a number: page 1.
  TypePage(form, "x");
  EXPECT_EQ(viewer.CurrentPage(), 0);
  EXPECT_EQ(form.PageNumEdit()->text(), "1");
  // Enter in the edit does not print (the default button).
  TypePage(form, "3");
  QTest::keyClick(form.PageNumEdit(), Qt::Key_Return);
  EXPECT_EQ(viewer.CurrentPage(), 2);
}

TEST_F(PreviewFormTest, ZoomItemsAndTheWholePageTwice) {
  TQoPreviewForm form;
  form.resize(900, 700);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  Open(form);
  TFileViewer& viewer = *form.FileViewer1();
  const double scales[] = {100.0 / 30, 100.0 / 50, 100.0 / 75, 1.0};
  for (int item = 3; item >= 0; --item) {
    ChooseZoom(form, item);
    EXPECT_DOUBLE_EQ(viewer.Scale(), scales[item]) << item;
    EXPECT_FALSE(viewer.FitMode());
  }
  ChooseZoom(form, 4);
  ASSERT_TRUE(viewer.FitMode());
  const double fitted = viewer.Scale();
  const QRect page = viewer.viewport()->geometry();
  EXPECT_GT(fitted, scales[0]);
  // The page keeps its shape: A4 portrait.
  EXPECT_NEAR(double(page.width()) / page.height(), 210.0 / 297.0, 0.02);
  // The same item again changes nothing.
  ChooseZoom(form, 4);
  EXPECT_TRUE(viewer.FitMode());
  EXPECT_DOUBLE_EQ(viewer.Scale(), fitted);
  EXPECT_EQ(viewer.viewport()->geometry(), page);
  // Another item makes it a zoom again.
  ChooseZoom(form, 1);
  EXPECT_FALSE(viewer.FitMode());
  EXPECT_DOUBLE_EQ(viewer.Scale(), scales[1]);
}

TEST_F(PreviewFormTest, TheEditorButtonFollowsTheHookAndReloadsTheEditedFile) {
  {
    TQoPreviewForm form;
    EXPECT_TRUE(IsHookInstalled(THook::Report_EditFile));
    EXPECT_TRUE(form.EditBtn()->isEnabled());
  }
  ResetHook(THook::Report_EditFile);
  {
    TQoPreviewForm form;
    EXPECT_FALSE(form.EditBtn()->isEnabled());
  }
  // An editor that adds a page.
  Report_EditFile = [](const std::string& name) {
    std::ofstream(name, std::ios::binary | std::ios::app) << "^Fourth page\r\nits last line\r\n";
    return true;
  };
  TQoPreviewForm form;
  EXPECT_TRUE(form.EditBtn()->isEnabled());
  Open(form);
  QTest::mouseClick(form.EditBtn(), Qt::LeftButton);
  EXPECT_EQ(form.FileViewer1()->GetPageCount(), 4);
  EXPECT_EQ(form.PageCountLabel()->text(), "from 4");
}

TEST_F(PreviewFormTest, ToDiskMovesTheFileAndAsksBeforeOverwriting) {
  TQoPreviewForm form;
  Open(form);
  const std::string other = WriteFile("other.txt", "keep me\r\n");
  TScriptedUserInteraction ui;
  // Cancelled dialog: nothing happens.
  ui.AnswerSaveFile(std::nullopt);
  // An existing file and No: nothing happens.
  ui.AnswerSaveFile(other);
  ui.AnswerMessage(mrNo);
  // Cancel: nothing happens either.
  ui.AnswerSaveFile(other);
  ui.AnswerMessage(mrCancel);
  QTest::mouseClick(form.SaveBtn(), Qt::LeftButton);
  QTest::mouseClick(form.SaveBtn(), Qt::LeftButton);
  QTest::mouseClick(form.SaveBtn(), Qt::LeftButton);
  EXPECT_TRUE(ui.AllAnswered());
  ASSERT_EQ(ui.Asked().size(), 5u);
  EXPECT_EQ(ui.Asked()[0].kind, TScriptedUserInteraction::TKind::SaveFile);
  EXPECT_EQ(ui.Asked()[0].caption, msg::SQoPreviewSaveFilter);
  EXPECT_EQ(ui.Asked()[2].text, Format(msg::SQoOverwriteFile, other));
  EXPECT_EQ(ui.Asked()[2].type, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(ui.Asked()[2].buttons, mbYesNoCancel);
  EXPECT_EQ(ReadAll(other), "keep me\r\n");
  EXPECT_TRUE(std::filesystem::exists(file_));

  // Yes: the report replaces the other file and the window shows it under its new name.
  ui.AnswerSaveFile(other);
  ui.AnswerMessage(mrYes);
  QTest::mouseClick(form.SaveBtn(), Qt::LeftButton);
  EXPECT_EQ(ReadAll(other), kThreePages);
  EXPECT_FALSE(std::filesystem::exists(file_));
  EXPECT_EQ(form.windowTitle().toStdString(), "Preview of report: " + other);
  EXPECT_EQ(form.FileViewer1()->GetPageCount(), 3);

  // A new name: no question.
  const std::string fresh = Path("fresh.prn");
  ui.AnswerSaveFile(fresh);
  QTest::mouseClick(form.SaveBtn(), Qt::LeftButton);
  EXPECT_TRUE(ui.AllAnswered());
  EXPECT_EQ(ReadAll(fresh), kThreePages);
  EXPECT_EQ(form.windowTitle().toStdString(), "Preview of report: " + fresh);

  // A place the file cannot go: an error, and the window keeps the file under its name.
  const std::string nowhere = Path("no/such/dir/report.prn");
  ui.AnswerSaveFile(nowhere);
  ui.AnswerMessage(mrOk);
  QTest::mouseClick(form.SaveBtn(), Qt::LeftButton);
  ASSERT_TRUE(ui.AllAnswered());
  EXPECT_EQ(ui.Asked().back().type, TMsgDlgType::mtError);
  EXPECT_EQ(ui.Asked().back().text.rfind("Cannot rename the report output " + fresh + " to " + nowhere + ": ", 0), 0u)
      << ui.Asked().back().text;
  EXPECT_EQ(form.windowTitle().toStdString(), "Preview of report: " + fresh);
  EXPECT_EQ(form.FileViewer1()->GetPageCount(), 3);
  EXPECT_EQ(ReadAll(fresh), kThreePages);
}

TEST_F(PreviewFormTest, PdfButtonWritesEveryPage) {
  TQoPreviewForm form;
  Open(form);
  TScriptedUserInteraction ui;
  const std::string pdf = Path("report.pdf");
  ui.AnswerSaveFile(pdf);
  QTest::mouseClick(form.PdfBtn(), Qt::LeftButton);
  ASSERT_TRUE(ui.AllAnswered());
  EXPECT_EQ(ui.Asked()[0].text, "");
  EXPECT_EQ(ui.Asked()[0].caption, msg::SQoPdfFilter);
  EXPECT_EQ(test::PdfPageCount(pdf), 3);
  const std::vector<std::string> pages = test::PdfPageTexts(pdf);
  ASSERT_GE(pages.size(), 3u);
  EXPECT_NE(pages[1].find("Grand total 100"), std::string::npos);
  // The report file stays where it was.
  EXPECT_EQ(form.FileViewer1()->GetFileName(), file_);
}

TEST_F(PreviewFormTest, PrintButtonPrintsTheDialogsRangeAndKeepsItsCopies) {
  const std::string pdf = Path("printed.pdf");
  QPrinter& printer = ReportPrinter();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  TQoPreviewForm form;
  Open(form);
  bool asked = false;
  form.ExecPrintDialog = [&](QPrintDialog& dialog) {
    asked = true;
    // The dialog offers every page of the file, all of them chosen, with the form's copies.
    EXPECT_EQ(dialog.minPage(), 1);
    EXPECT_EQ(dialog.maxPage(), 3);
    EXPECT_EQ(dialog.printRange(), QAbstractPrintDialog::AllPages);
    EXPECT_EQ(dialog.printer()->copyCount(), 1);
    // The user chooses pages 2-3, two copies, collated.
    dialog.setPrintRange(QAbstractPrintDialog::PageRange);
    dialog.setFromTo(2, 3);
    dialog.printer()->setCopyCount(2);
    dialog.printer()->setCollateCopies(true);
    return true;
  };
  QTest::mouseClick(form.PrintBtn(), Qt::LeftButton);
  ASSERT_TRUE(asked);
  EXPECT_EQ(form.Copies(), 2);
  EXPECT_TRUE(form.Collate());
  // Two collated passes over pages 2-3 in one document.
  EXPECT_EQ(test::PdfPageCount(pdf), 4);
  const std::vector<std::string> pages = test::PdfPageTexts(pdf);
  ASSERT_GE(pages.size(), 4u);
  EXPECT_NE(pages[0].find("Second page"), std::string::npos);
  EXPECT_NE(pages[1].find("Third page"), std::string::npos);
  EXPECT_NE(pages[2].find("Second page"), std::string::npos);

  // A cancelled dialog prints nothing and keeps the copies.
  std::filesystem::remove(pdf);
  form.ExecPrintDialog = [](QPrintDialog&) { return false; };
  QTest::mouseClick(form.PrintBtn(), Qt::LeftButton);
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(form.Copies(), 2);
}

TEST_F(PreviewFormTest, PrintingWhileABackgroundPrintRunsShowsThePrinterIsBusy) {
  TQoPreviewForm form;
  Open(form);
  ShadowPrint = true;
  ReportThreadCount = 1;
  form.ExecPrintDialog = [](QPrintDialog&) { return true; };
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  QTest::mouseClick(form.PrintBtn(), Qt::LeftButton);
  ReportThreadCount = 0;
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, msg::SQoPrinterBusy);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
}

TEST_F(PreviewFormTest, FindShowsTheHitsPageMarksItAndGoesOnWithF3) {
  TQoPreviewForm form;
  form.resize(900, 700);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  Open(form);
  TFileViewer& viewer = *form.FileViewer1();
  TScriptedUserInteraction ui;

  // Ctrl+F goes to the find field; Enter there finds (and does not print).
  QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(form.FindEdit()->hasFocus());
  QTest::keyClicks(form.FindEdit(), "total");
  QTest::keyClick(form.FindEdit(), Qt::Key_Return);
  ASSERT_TRUE(form.CurrentHit().has_value());
  EXPECT_EQ(form.CurrentHit()->Line, 3);
  EXPECT_EQ(viewer.CurrentPage(), 1);
  EXPECT_EQ(form.PageNumEdit()->text(), "2");

  // The hit is marked on the page: the paper under it is no longer white.
  const QImage image = viewer.viewport()->grab().toImage();
  const std::vector<TRect> rects = HitRects(viewer.Model(), *form.CurrentHit());
  ASSERT_FALSE(rects.empty());
  const TRect r = rects.front();
  bool marked = false;
  for (int x = r.Left; x < r.Right && !marked; ++x) {
    const QColor c = image.pixelColor(x, r.Top + 1);
    marked = c.blue() < 100 && c.red() > 200;
  }
  EXPECT_TRUE(marked);

  // F3: the next hits, then from the top again.
  QTest::keyClick(&form, Qt::Key_F3);
  EXPECT_EQ(form.CurrentHit()->Line, 5);
  EXPECT_EQ(form.CurrentHit()->Start, 0);
  EXPECT_EQ(viewer.CurrentPage(), 2);
  QTest::keyClick(&form, Qt::Key_F3);
  EXPECT_EQ(form.CurrentHit()->Start, 13);
  QTest::keyClick(&form, Qt::Key_F3);
  EXPECT_EQ(form.CurrentHit()->Line, 3);
  EXPECT_EQ(viewer.CurrentPage(), 1);

  // Nothing found: a beep, no mark, the page stays.
  EXPECT_FALSE(form.FindNext("no such words"));
  EXPECT_EQ(ui.BeepCount(), 1);
  EXPECT_FALSE(form.CurrentHit().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 1);
  EXPECT_TRUE(ui.Asked().empty());
}

TEST_F(PreviewFormTest, ReloadReadsAReplacedFileKeepingPageAndZoom) {
  TQoPreviewForm form;
  form.resize(900, 700);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  Open(form);
  TFileViewer& viewer = *form.FileViewer1();
  ChooseZoom(form, 2);
  form.NextBtnClick();
  ASSERT_TRUE(form.FindNext("grand"));
  // A new file renamed into place, as the report writer leaves it: the window keeps showing the
  // old one until it reloads.
  const std::string next = WriteFile("next.prn", "New first\r\nx\r\n^New second\r\ny\r\n^New third\r\nz\r\n^Fourth\r\nw\r\n");
  std::filesystem::rename(next, file_);
  (void)viewer.viewport()->grab();
  EXPECT_EQ(viewer.Model().LineText(2), "Second page");
  QTest::keyClick(&form, Qt::Key_F5);
  EXPECT_EQ(viewer.GetPageCount(), 4);
  EXPECT_EQ(form.PageCountLabel()->text(), "from 4");
  EXPECT_EQ(viewer.CurrentPage(), 1);
  EXPECT_EQ(form.PageNumEdit()->text(), "2");
  EXPECT_EQ(form.ComboBox1()->currentIndex(), 2);
  EXPECT_DOUBLE_EQ(viewer.Scale(), 100.0 / 75.0);
  EXPECT_FALSE(form.CurrentHit().has_value());
  EXPECT_EQ(viewer.Model().LineText(2), "New second");

  // The file gone: the viewer's error in a box; the window stays usable and empty.
  std::filesystem::remove(file_);
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  QTest::keyClick(&form, Qt::Key_F5);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, msg::SQoNoViewInfo);
  EXPECT_EQ(viewer.GetPageCount(), 0);
  EXPECT_EQ(form.PageCountLabel()->text(), "from 0");
  form.NextBtnClick();
  EXPECT_FALSE(form.FindNext("New"));
}

TEST_F(PreviewFormTest, EnterAndEscapeDoWhatAKeyboardUserExpects) {
  const std::string pdf = Path("enter.pdf");
  ReportPrinter().setOutputFormat(QPrinter::PdfFormat);
  ReportPrinter().setOutputFileName(QString::fromStdString(pdf));
  TQoPreviewForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  Open(form);
  int dialogs = 0;
  form.ExecPrintDialog = [&](QPrintDialog&) {
    ++dialogs;
    return false;
  };
  form.FileViewer1()->setFocus();
  QTest::keyClick(form.FileViewer1(), Qt::Key_Return);  // Enter: Print, the default button
  EXPECT_EQ(dialogs, 1);
  QTest::keyClick(&form, Qt::Key_Escape);  // Escape: Exit
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace bexlo
