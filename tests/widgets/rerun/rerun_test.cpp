// A report run again while a preview of its earlier output is open. The preview maps the file;
// the report writer finishes its new output beside the target and renames it into place, so the
// open preview keeps the old content (a rewrite in place under the mapping would show torn
// pages or kill the process with SIGBUS when the new file is shorter) until it reloads on
// request, and neither file is corrupted.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/output_widget_test_support.h"
#include "report/qo_report.h"
#include "util/strings.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/preview_form.h"

namespace bexlo {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class RerunTest : public test::OutputWidgetTest {
 protected:
  // Runs a one-record report whose detail is `lines` lines "<word> <n>" into `output`.
  void RunReport(const std::string& output, const std::string& word, int lines) {
    TStringList text;
    text.Add(".DETAIL");
    for (int i = 1; i <= lines; ++i) text.Add(word + " " + std::to_string(i));
    TQoReport report;
    report.SetFormatSource(text);
    report.PrintName = output;
    report.SetOneRecord(true);
    report.Prepare();
    report.Execute();
  }
};

TEST_F(RerunTest, AnOpenPreviewKeepsWorkingAndReloadsTheNewOutputOnRequest) {
  const std::string output = Path("report.prn");
  RunReport(output, "first run, line", 400);
  TQoPreviewForm form;
  form.resize(900, 700);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.SetFormParams(output, TPrinterOrientation::poPortrait, true, 1);
  TFileViewer& viewer = *form.FileViewer1();
  const int firstPages = viewer.GetPageCount();
  ASSERT_GE(firstPages, 3);
  form.LastBtnClick();
  (void)viewer.viewport()->grab();

  // The same report again, much shorter this time, while the preview shows the old last page.
  RunReport(output, "second run, line", 30);
  const std::string second = ReadAll(output);
  ASSERT_EQ(second.rfind("second run, line 1\r\n", 0), 0u);

  // The preview still pages through and paints the output it opened.
  form.FirstBtnClick();
  (void)viewer.viewport()->grab();
  form.LastBtnClick();
  (void)viewer.viewport()->grab();
  EXPECT_EQ(viewer.GetPageCount(), firstPages);
  EXPECT_EQ(viewer.Model().LineText(viewer.Model().LineCount() - 1), "first run, line 400");
  EXPECT_TRUE(form.FindNext("line 399"));

  // F5 reads the new output.
  QTest::keyClick(&form, Qt::Key_F5);
  EXPECT_EQ(viewer.GetPageCount(), 1);
  EXPECT_EQ(viewer.CurrentPage(), 0);
  EXPECT_EQ(viewer.Model().LineText(0), "second run, line 1");
  EXPECT_FALSE(form.FindNext("first run"));
  // Neither run's output was touched by the preview.
  EXPECT_EQ(ReadAll(output), second);
}

}  // namespace
}  // namespace bexlo
