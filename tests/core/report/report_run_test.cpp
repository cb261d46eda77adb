// Whole report runs compared with expected output files: groups, footers and totals, filters,
// page breaks, FORMFEED, paragraphs, wrapped fields and memos, nested reports, group lists.
#include "run_test_support.h"

#include "report/blob.h"
#include "reportlang/report_var.h"

namespace bexlo::testing {

using ReportOutputTest = ReportRunTest;

TEST_F(ReportOutputTest, GroupsFootersAndTotals) {
  Exec("create table SALES (REGION varchar(2), CITY varchar(2), AMOUNT double);"
       "insert into SALES values ('N', 'A', 10); insert into SALES values ('N', 'A', 5);"
       "insert into SALES values ('N', 'B', 7); insert into SALES values ('S', 'C', 1);"
       "insert into SALES values ('S', 'C', 2)");
  auto q = Query("select * from SALES order by REGION, CITY, AMOUNT desc");
  q->Open();
  const std::string out = Run(
      ".VARS\n"
      "Group2 = REGION\n"
      "Group3 = CITY\n"
      ".REPORTHEADER\nSales\n"
      ".HEADER2\nRegion @REGION\n"
      ".HEADER3\n City @CITY\n"
      ".DETAIL\n  @AMOUNT:-6.2\n"
      ".FOOTER3\n City total @AMOUNT:-6.2\n"
      ".FOOTER2\nRegion total @AMOUNT:-6.2 (@AMOUNT:-3.200 rows)\n"
      ".FOOTER1\nTotal @AMOUNT:-6.2\n"
      ".REPORTFOOTER\nEnd\n",
      q.get());
  EXPECT_EQ(out, Expected("groups.out"));
}

TEST_F(ReportOutputTest, FilterSkipsRecordsAndCountsOnlyPrintedOnes) {
  Exec("create table T (ID integer, NAME varchar(5), AMOUNT integer);"
       "insert into T values (1, 'a', 1); insert into T values (2, 'b', 5);"
       "insert into T values (3, 'c', 2); insert into T values (4, 'd', 7)");
  auto q = Query("select * from T order by ID");
  q->Open();
  const std::string templ =
      ".VARS\nH = 0\n"
      ".REPORTHEADER\n#H = H + 1\nHead @H\n"
      ".FILTR\nFiltr = AMOUNT > @Limit\n"
      ".DETAIL\n@RecNum:-2 @LineNum:-2 @NAME @AMOUNT:-3\n"
      ".FOOTER1\n@RecNum:-3.300 recs @AMOUNT:-4 sum @AMOUNT:-3.200 cnt\n";
  auto report = MakeReport(std::string(templ).replace(templ.find("@Limit"), 6, "2"));
  report->SetDataSet(q.get());
  EXPECT_EQ(Run(*report), Expected("filters.out"));

  // Every record filtered out: the report-header script ran once, nothing was printed and the
  // empty output is gone.
  q->Close();
  q->Open();
  report = MakeReport(std::string(templ).replace(templ.find("@Limit"), 6, "100"));
  report->SetDataSet(q.get());
  EXPECT_EQ(Run(*report), "");
  EXPECT_FALSE(Exists(Path("out.prn")));
  EXPECT_EQ(report->GetVarByName("H")->GetNumber(), 1);
}

TEST_F(ReportOutputTest, PageBreaksPageHeaderFooterAndRecordHeader) {
  SetPageLines(4);
  Exec("create table T (ID integer)");
  for (int i = 1; i <= 6; ++i) Exec("insert into T values (" + std::to_string(i) + ")");
  auto q = Query("select ID from T order by ID");
  q->Open();
  // A record header that does not fit is dropped; a record starting a page prints none.
  const std::string out = Run(
      ".PAGEHEADER\nPage @PageNum\n"
      ".RECORDHEADER\n--\n"
      ".DETAIL\n@ID\n"
      ".PAGEFOOTER\nend of page @PageNum:1.300\n",
      q.get());
  EXPECT_EQ(out, Expected("page_breaks.out"));
}

TEST_F(ReportOutputTest, PageBreakWhileAFooterPrintsKeepsTheNextRecordHeader) {
  SetPageLines(4);
  Exec("create table T (ID integer, G integer); insert into T values (1, 1); insert into T values (2, 1);"
       "insert into T values (3, 2)");
  auto q = Query("select * from T order by ID");
  q->Open();
  const std::string out = Run(
      ".VARS\nGroup2 = G\n"
      ".PAGEHEADER\nPage @PageNum\n"
      ".RECORDHEADER\n--\n"
      ".DETAIL\n@ID\n"
      ".FOOTER2\nsum @ID:-2\n"
      ".PAGEFOOTER\n-- end @PageNum:1.300\n",
      q.get());
  EXPECT_EQ(out, Expected("footer_break.out"));
}

TEST_F(ReportOutputTest, FormFeedBreaksBeforeEveryNextLine) {
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2);"
       "insert into T values (3)");
  auto q = Query("select ID from T order by ID");
  q->Open();
  // Record 3 gets a page of its own although record 2's line itself began a page.
  EXPECT_EQ(Run(".PAGEHEADER\nP@PageNum\n.DETAIL\n@ID@FORMFEED ignored\n", q.get()), Expected("formfeed.out"));
}

TEST_F(ReportOutputTest, ParagraphsWrapAndCarryTheirText) {
  Exec("create table T (TXT varchar(100));"
       "insert into T values ('aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj')");
  auto q = Query("select TXT from T");
  q->Open();
  // Lines without fields take the carried text too: nothing of the paragraph is lost.
  EXPECT_EQ(Run(".DETAIL\n\\PB10:10\n@TXT\nmore words\\PE\n", q.get()), Expected("paragraphs.out"));
}

TEST_F(ReportOutputTest, ParagraphOverAPageBreak) {
  SetPageLines(2);
  std::string words;
  for (int i = 1; i <= 13; ++i) words += (i > 1 ? " " : "") + std::string("word00") + (i < 10 ? "0" : "") + std::to_string(i);
  Exec("create table T (TXT varchar(200)); insert into T values ('" + words + "')");
  auto q = Query("select TXT from T");
  q->Open();
  // The paragraph is closed before the page mark (on a line of its own) and reopened after the
  // page header with its indents in millimetres.
  EXPECT_EQ(Run(".PAGEHEADER\nH\n.DETAIL\n\\PB10:10@TXT\\PE\n", q.get()), Expected("paragraph_break.out"));
}

TEST_F(ReportOutputTest, WrappedFieldsMemosAndJoinedRepetitions) {
  Exec("create table W (ID integer, TXT varchar(60), M memo);"
       "insert into W values (1, 'alpha beta gamma delta ep', 'm1' || char(10) || 'm2');"
       "insert into W values (2, 'short', '')");
  auto q = Query("select * from W order by ID");
  q->Open();
  // The "\N" line's last repetition writes everything it gathered.
  EXPECT_EQ(Run(".DETAIL\n@ID:-2|@TXT:10.1|@M:4|\n@TXT:6.1+\\N\n", q.get()), Expected("wrapped_memo.out"));
}

TEST_F(ReportOutputTest, NestedReportPrintsItsOutputLines) {
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2)");
  auto q = Query("select ID from T order by ID");
  q->Open();
  auto report = MakeReport(".REPORTHEADER\ntop\n.DETAIL\n>@SUB:8<\n");
  report->SetOneRecord(true);
  TBlob* blob = nullptr;
  report->OnSetNames = [&](TObject*) {
    auto nested = std::make_unique<TQoReport>();
    nested->FormatSource().SetText(".DETAIL\nrow @ID");
    nested->SetDataSet(q.get());
    nested->PrintName = "out.prn";  // the including report's own output
    blob = new TBlob(std::move(nested));
    report->Objects().Add(blob);
    report->AddVar("SUB")->SetObject(blob);
  };
  EXPECT_EQ(Run(*report), Expected("nested.out"));
  // The nested run wrote beside the running output instead of over it.
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob->Report()->PrintName, Path("out.1.prn"));
  EXPECT_EQ(ReadFile(Path("out.1.prn")), Crlf({"row 1", "row 2"}));
}

TEST_F(ReportOutputTest, GroupListPrintsOneRowPerKey) {
  Exec("create table T (K integer, S integer); insert into T values (2, 10); insert into T values (1, 20);"
       "insert into T values (2, 30)");
  auto q = Query("select * from T");
  q->Open();
  const std::string out = Run(
      ".VARS\n#GetGroup(G, 1, K, S)\n"
      ".DETAIL\n#CalcGroup(G)\n"
      ".REPORTFOOTER\n@G_K:-3 @G_S:-6.1\n",
      q.get());
  EXPECT_EQ(out, Expected("group_list.out"));
}

}  // namespace bexlo::testing
