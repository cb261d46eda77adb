// Paging rules with whole expected outputs: a FORMFEED line that itself did not fit, page breaks
// caused by group lines without fields, and the last line of a file, which the writer and the
// viewer both put on a new page when it does not fit.
#include "run_test_support.h"

#include "output/file_viewer_model.h"
#include "reportlang/report_var.h"

namespace bexlo::testing {

using ReportPagingTest = ReportRunTest;

TEST_F(ReportPagingTest, AFormFeedLineThatBeganAPageBecauseItDidNotFitForcesNoOtherBreak) {
  SetPageLines(4);
  Exec("create table T (ID integer, G varchar(1));"
       "insert into T values (1, 'a'); insert into T values (2, 'a'); insert into T values (3, 'a');"
       "insert into T values (4, 'b'); insert into T values (5, 'c')");
  auto q = Query("select ID, G from T order by ID");
  q->Open();
  // Group a's footer is the fifth line of page 1: it begins page 2 because it does not fit, and
  // record 4 follows it there. Group b's footer fits on page 2 and forces the break after it:
  // record 5 begins page 3.
  const std::string out = Run(
      ".VARS\nGroup2 = G\n"
      ".REPORTHEADER\nReport\n"
      ".PAGEHEADER\nP@PageNum\n"
      ".DETAIL\n@ID\n"
      ".FOOTER2\nend @G@FORMFEED\n",
      q.get());
  EXPECT_EQ(out, Expected("formfeed_overflow.out"));
}

TEST_F(ReportPagingTest, ABreakCausedByAGroupLineWithoutFieldsLetsTheNextRecordPrintItsHeader) {
  SetPageLines(4);
  Exec("create table T (ID integer, G integer);"
       "insert into T values (1, 1); insert into T values (2, 1); insert into T values (3, 2);"
       "insert into T values (4, 2); insert into T values (5, 3)");
  auto q = Query("select ID, G from T order by ID");
  q->Open();
  // Group 1's plain footer line breaks page 1; group 2's plain header line breaks page 2.
  // Record 3 and record 5 follow those lines on their new pages and print their record header.
  const std::string out = Run(
      ".VARS\nGroup2 = G\n"
      ".PAGEHEADER\nP@PageNum\n"
      ".HEADER2\n== group ==\n"
      ".RECORDHEADER\n--\n"
      ".DETAIL\n@ID\n"
      ".FOOTER2\nend of group\n",
      q.get());
  EXPECT_EQ(out, Expected("plain_group_break.out"));
}

TEST_F(ReportPagingTest, TheLastLineStartsAPageWhenItDoesNotFitInTheWriterAndTheViewer) {
  SetPageLines(3);
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2);"
       "insert into T values (3)");
  for (bool header : {true, false}) {
    SCOPED_TRACE(header ? "with a page header" : "without a page header");
    auto q = Query("select ID from T order by ID");
    q->Open();
    // Page 1 holds three lines; the report footer, the last line of the file, does not fit.
    auto report = MakeReport(std::string(header ? ".PAGEHEADER\nP@PageNum\n" : "") +
                             ".DETAIL\n@ID\n.REPORTFOOTER\nend of report @PageNum\n");
    report->SetDataSet(q.get());
    const std::string out = Run(*report);
    EXPECT_EQ(out, Expected(header ? "last_line_header.out" : "last_line.out"));
    // The viewer, measuring on the same printer, puts the last line on the writer's last page.
    TFileViewerModel viewer;
    viewer.SetPrinter(&printer_);
    viewer.SetFileName(Path("out.prn"));
    viewer.LoadFile();
    EXPECT_EQ(viewer.GetPageCount(), static_cast<int>(report->GetVarByName("PageNum")->GetNumber()));
    ASSERT_GE(viewer.GetPageCount(), 2);
    const TPage last = viewer.Pages(viewer.GetPageCount() - 1);
    EXPECT_EQ(last.FirstLine, viewer.LineCount() - 1);
    EXPECT_EQ(viewer.LineText(last.FirstLine).substr(0, 13), "end of report");
  }
}

}  // namespace bexlo::testing
