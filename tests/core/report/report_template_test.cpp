// Reading templates: sections and their headers, statement blocks and their continuation lines,
// compile errors and their position, VARS (modes, orientation, groups, aliases), the SQL
// section and the predefined variables.
#include "run_test_support.h"

#include "reportlang/report_var.h"
#include "util/exceptions.h"
#include "util/settings.h"

namespace bexlo::testing {

using ReportTemplateTest = ReportRunTest;

TEST_F(ReportTemplateTest, SectionHeadersAndUnrecognisedSections) {
  const std::string out = Run(
      "ignored before any header\n"
      "#X = 1\n"
      ".reportheader\n"
      "head\n"
      " .REPORTFOOTER\n"    // a blank first: a text line of the report header
      ".FOOTER17\n"
      "never\n"
      ".HEADER1\n"
      "never either\n"
      ".PAGEHEADER\n"
      "#this is not compiled (\n"
      ".ReportFooter  \n"
      "foot\n"
      ".VARS\n"
      "OneRecord = TRUE\n");
  EXPECT_EQ(out, Crlf({"head", " .REPORTFOOTER", "foot"}));
}

TEST_F(ReportTemplateTest, StatementContinuationAndCompileErrorPosition) {
  // "+" at a line end continues the statement on the next "#" line.
  auto report = MakeReport(".VARS\n#A = 1 +\n#  2\n#B = 'x'\n.REPORTHEADER\n@A @B\n");
  report->SetOneRecord(true);
  EXPECT_EQ(Run(*report), Crlf({"3 x"}));

  // ")" ends the statement: "2" alone on the next line is an error at the "2".
  report = MakeReport(".VARS\n#A = (1)\n#2\n");
  try {
    report->Prepare();
    FAIL() << "no compile error";
  } catch (const Exception&) {
  }
  // ".VARS" 5+2, "#A = (1)" 8+2, then the "2" after "#".
  EXPECT_EQ(report->ErrorPos, 18);

  // In VARS a line without "#" is compiled on its own even when it ends in "+".
  report = MakeReport(".VARS\nA = 1 +\nB = 2\n");
  EXPECT_THROW(report->Prepare(), Exception);
  EXPECT_EQ(report->ErrorPos, 7 + 8);  // the compiler stops after the block's end, no operand found

  // A comment inside a block keeps the positions right.
  report = MakeReport(".DETAIL\n#A = 1;\n; a comment\n#B = ;\n");
  EXPECT_THROW(report->Prepare(), Exception);
  EXPECT_EQ(report->ErrorPos, 9 + 9 + 13 + 6);  // just after the ";" of "#B = ;"
}

TEST_F(ReportTemplateTest, VarsRunsOnceAndSetsModesAndOrientation) {
  int values = 0;
  auto report = MakeReport(
      ".VARS\n"
      "#OneRecord = TRUE\n"
      "#Orientation = 'Landscape'\n"
      "#N = N + 1\n"
      ".DETAIL\n"
      "@N\n"
      ".VARS\n"
      "#N = N + 10\n");
  report->OnSetValues = [&](TObject*) { ++values; };
  report->OnSetNames = [](TObject* sender) { static_cast<TQoReport*>(sender)->AddVar("N")->SetNumber(0); };
  EXPECT_EQ(Run(*report), Crlf({"1"}));
  EXPECT_TRUE(report->OneRecord());
  EXPECT_EQ(report->Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_EQ(printer_.Orientation(), TPrinterOrientation::poLandscape);
  // OnSetValues: once before VARS, once for the record.
  EXPECT_EQ(values, 2);
}

TEST_F(ReportTemplateTest, PageFooterReservesRoomOnlyAfterTheOrientationIsRead) {
  SetPageLines(3);
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2);"
       "insert into T values (3); insert into T values (4)");
  auto q = Query("select ID from T order by ID");
  q->Open();
  // The footer line before VARS reserves nothing: three records fit on the first page.
  std::string out = Run(".PAGEFOOTER\nF\n.VARS\n#X = 1\n.PAGEHEADER\nH\n.DETAIL\n@ID", q.get());
  EXPECT_EQ(out, Crlf({"1", "2", "3", "F", "^H", "4", "F"}));
  q->Close();
  q->Open();
  out = Run(".VARS\n#X = 1\n.PAGEFOOTER\nF\n.PAGEHEADER\nH\n.DETAIL\n@ID", q.get());
  EXPECT_EQ(out, Crlf({"1", "2", "F", "^H", "3", "F", "^H", "4", "F"}));
}

TEST_F(ReportTemplateTest, OutputAliasesApplyToLaterLinesAndEnd) {
  auto report = MakeReport(
      ".REPORTHEADER\n"
      "before: cat\n"
      ".VARS\n"
      "#R = AddOutputAlias('cat', 'a cat')\n"
      "#R = AddOutputAlias('dog', '@Q')\n"
      "#Q = 'value'\n"
      ".REPORTFOOTER\n"
      "after: cat dog\n");
  report->SetOneRecord(true);
  EXPECT_EQ(Run(*report), Crlf({"before: cat", "after: a cat value"}));
}

TEST_F(ReportTemplateTest, PredefinedVariables) {
  auto report = MakeReport(".DETAIL\n@FileName\n");
  report->PrintName = "x.prn";
  report->Prepare();
  EXPECT_EQ(report->GetVarByName("FileName")->GetString(), dir_ + "/x.prn");
  EXPECT_EQ(report->GetVarByName("PageNum")->Hint(), "Page number");
  EXPECT_EQ(report->GetVarByName("Orientation")->GetString(), "P");
  EXPECT_EQ(report->GetVarByName("Null")->VarType(), vtUnDefined);
  report->PrintName = "/abs/y.prn";
  report->Prepare();
  EXPECT_EQ(report->GetVarByName("FileName")->GetString(), "/abs/y.prn");
}

TEST_F(ReportTemplateTest, SqlSectionMakesTheReportsQuery) {
  Exec("create table T (ID integer, NAME varchar(10)); insert into T values (1, 'one');"
       "insert into T values (2, 'two'); insert into T values (3, 'three')");
  // The SQL section precedes VARS: its references read the values before VARS runs.
  auto report = MakeReport(
      ".SQL\n"
      "select ID, NAME from T\n"
      "where ID >= @MinId order by ID\n"
      ".VARS\n"
      "#MinId = 3\n"
      ".DETAIL\n"
      "@ID @NAME\n");
  report->OnSetNames = [](TObject* sender) { static_cast<TQoReport*>(sender)->AddVar("MinId")->SetNumber(2); };
  EXPECT_EQ(Run(*report), Crlf({"2 two", "3 three"}));
  EXPECT_EQ(report->GetVarByName("NAME")->Hint(), "NAME");

  // Parameters are filled from the variables of their names; without a database name the
  // section is not used.
  report = MakeReport(".VARS\n#MinId = 3\n.SQL\nselect NAME from T where ID = :MinId\n.DETAIL\n@NAME\n");
  EXPECT_EQ(Run(*report), Crlf({"three"}));
  report = MakeReport(".SQL\nselect NAME from T\n.DETAIL\n@NAME\n");
  report->DataBaseName.clear();
  report->Prepare();
  EXPECT_EQ(report->GetDataSet(), nullptr);
}

TEST_F(ReportTemplateTest, GroupKeysAreRecomputedForEveryRecord) {
  Exec("create table T (G integer, V integer); insert into T values (1, 1); insert into T values (1, 2);"
       "insert into T values (2, 3)");
  auto q = Query("select * from T order by G, V");
  q->Open();
  auto report = MakeReport(".VARS\nX = 0\nGroup2 = G\n.DETAIL\n@V\n.FOOTER2\nend @G:1.100\n");
  report->SetDataSet(q.get());
  EXPECT_EQ(Run(*report), Crlf({"1", "2", "end 1", "3", "end 2"}));

  // A key expression is computed anew for every record, not only its last step.
  Exec("create table N (NAME varchar(10)); insert into N values ('ant'); insert into N values ('apple');"
       "insert into N values ('bee')");
  auto names = Query("select NAME from N order by NAME");
  names->Open();
  report = MakeReport(".VARS\nK = 'x'\nGroup2 = UpCase(Copy(NAME, 1, 1)) + K\n.DETAIL\n@NAME\n.FOOTER2\nend @NAME\n");
  report->SetDataSet(names.get());
  EXPECT_EQ(Run(*report), Crlf({"ant", "apple", "end apple", "bee", "end bee"}));
}

}  // namespace bexlo::testing
