// The run's outer rules: record sources, the clean-up (data set restored, empty output removed,
// FileName rename, copies), append mode, the post-passes and every way a run can fail without
// losing the original output.
#include <sys/stat.h>

#include <filesystem>

#include "run_test_support.h"

#include "report/blob.h"
#include "report/post_passes.h"
#include "reportlang/report_var.h"
#include "util/exceptions.h"
#include "util/ui_services.h"

namespace bexlo::testing {

using ReportEdgesTest = ReportRunTest;

TEST_F(ReportEdgesTest, RecordSources) {
  Exec("create table T (ID integer)");
  auto q = Query("select ID from T");
  q->Open();
  // An empty data set: the file is created, stays empty and is removed.
  EXPECT_EQ(Run(".REPORTHEADER\nhead\n.DETAIL\n@ID\n.REPORTFOOTER\nfoot\n", q.get()), "");
  EXPECT_FALSE(Exists(Path("out.prn")));

  // A closed data set ends the run silently.
  q->Close();
  EXPECT_EQ(Run(".DETAIL\n@ID\n", q.get()), "");

  // EndReport > 0 skips the walk.
  Exec("insert into T values (1)");
  q->Open();
  EXPECT_EQ(Run(".VARS\nEndReport = 1\n.DETAIL\n@ID\n", q.get()), "");

  // The host as record source: OnSetValues fills, OnEndReport ends.
  auto report = MakeReport(".DETAIL\nrow @N\n.REPORTFOOTER\nend\n");
  int n = 0;
  report->OnSetNames = [&](TObject*) { report->AddVar("N")->SetNumber(0); };
  report->OnSetValues = [&](TObject*) { report->GetVarByName("N")->SetNumber(n); };
  report->OnEndReport = [&](TObject*) { return ++n > 3; };
  EXPECT_EQ(Run(*report), Crlf({"row 1", "row 2", "row 3", "end"}));
}

TEST_F(ReportEdgesTest, ExecuteNeedsPrepareAndRepeats) {
  auto report = MakeReport(".VARS\nOneRecord = TRUE\n.REPORTHEADER\nhead\n.DETAIL\nline\n");
  EXPECT_THROW(report->Execute(), Exception);
  EXPECT_EQ(Run(*report), Crlf({"head", "line"}));
  report->Execute();  // a second run of the same preparation starts afresh
  EXPECT_EQ(ReadFile(Path("out.prn")), Crlf({"head", "line"}));
}

TEST_F(ReportEdgesTest, ANestedReportThatPrintsItselfEndsWithAnError) {
  auto report = MakeReport(".VARS\nOneRecord = TRUE\n.DETAIL\n@SUB\n");
  report->OnSetNames = [&](TObject*) {
    auto nested = std::make_unique<TQoReport>();
    nested->FormatSource().SetText(".DETAIL\n@SUB\n");
    nested->PrintName = "nested.prn";
    TQoReport* inner = nested.get();
    auto* blob = new TBlob(std::move(nested));
    report->Objects().Add(blob);
    report->AddVar("SUB")->SetObject(blob);
    inner->OnSetNames = [inner, blob](TObject*) { inner->AddVar("SUB")->SetObject(blob); };
  };
  report->Prepare();
  try {
    report->Execute();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Prepare: the report is running (it prints itself)");
  }
}

TEST_F(ReportEdgesTest, DataSetPositionIsRestored) {
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2); insert into T values (3)");
  auto q = Query("select ID from T order by ID");
  q->Open();
  q->Next();
  EXPECT_EQ(Run(".DETAIL\n@ID\n", q.get()), Crlf({"1", "2", "3"}));
  EXPECT_EQ(q->Fields(0)->AsInteger(), 2);
  EXPECT_FALSE(q->ControlsDisabled());
  // OneRecord prints the current record only.
  auto report = MakeReport(".DETAIL\n@ID\n");
  report->SetDataSet(q.get());
  report->SetOneRecord(true);
  EXPECT_EQ(Run(*report), Crlf({"2"}));
}

TEST_F(ReportEdgesTest, AppendModeFileNameRenameAndCopies) {
  WriteFile(Path("out.prn"), "old\r\n");
  auto report = MakeReport(".VARS\nFileAppendMode = TRUE\nOneRecord = TRUE\n.DETAIL\nnew\n");
  EXPECT_EQ(Run(*report), "old\r\nnew\r\n");
  std::filesystem::remove(Path("out.prn"));
  EXPECT_EQ(Run(*report), "new\r\n");  // append mode with no file creates it

  // A script that sets FileName gets the output under that name, replacing a file there.
  WriteFile(Path("renamed.prn"), "previous");
  report = MakeReport(".VARS\nOneRecord = TRUE\nCopies = 3\nCopyMode = FALSE\n.DETAIL\n#FileName = 'renamed.prn'\nx\n");
  EXPECT_EQ(Run(*report), "x\r\n");
  EXPECT_EQ(report->PrintName, Path("renamed.prn"));
  // The run never wrote under its first name: the earlier output there is untouched.
  EXPECT_EQ(ReadFile(Path("out.prn")), "new\r\n");
  EXPECT_EQ(report->Copies(), 3);
  EXPECT_FALSE(report->CopyMode());

  report = MakeReport(".VARS\nOneRecord = TRUE\nCopies = 0\n.DETAIL\nx\n");
  report->SetCopies(2);
  Run(*report);
  EXPECT_EQ(report->Copies(), 2);
}

TEST_F(ReportEdgesTest, OemConversion) {
  auto report = MakeReport(".VARS\nOneRecord = TRUE\nOEMConvert = TRUE\n.DETAIL\nПривет ё\n\n");
  // CP866: П р и в е т, blank, ё; an empty line stays a single blank.
  EXPECT_EQ(Run(*report), "\x8F\xE0\xA8\xA2\xA5\xE2 \xF1\r\n \r\n");
  EXPECT_TRUE(report->OEMConvert());
}

TEST_F(ReportEdgesTest, PagePairingAndColumnPasses) {
  SetPageLines(2);
  Exec("create table T (ID integer)");
  for (int i = 1; i <= 6; ++i) Exec("insert into T values (" + std::to_string(i) + ")");
  auto q = Query("select ID from T order by ID");
  q->Open();
  EXPECT_EQ(Run(".VARS\nPageSize = 6\n.PAGEHEADER\nH@PageNum:1\n.DETAIL\n@ID\n", q.get()), Expected("pair_pages.out"));
  EXPECT_EQ(ReadFile(Path("out.bak")), Expected("pair_pages_backup.out"));
  EXPECT_FALSE(Exists(Path("out.$$$")));

  SetPageLines(60);
  q->Close();
  q = Query("select ID from T where ID <= 5 order by ID");
  q->Open();
  EXPECT_EQ(Run(".VARS\nPageSize = 2\nPageCols = 2\n.DETAIL\n@ID\n", q.get()), Expected("columns.out"));
}

TEST_F(ReportEdgesTest, PairingDirectly) {
  const std::string file = Path("p.prn");
  const std::string pages = Crlf({"a", "b", "c", "^d", "e", "^f", "g", "^"});
  WriteFile(file, pages);
  // Conditional: the first page is longer than half a sheet and stays alone; the next two
  // share a sheet; the closing lone page mark goes.
  PairPages(file, 4, true);
  EXPECT_EQ(ReadFile(file), Crlf({"a", "b", "c", "^d", "e", "f", "g"}));
  EXPECT_EQ(ReadFile(Path("p.bak")), pages);
  WriteFile(file, pages);
  PairPages(file, 4, false);  // unconditional: the first two pages share a sheet
  EXPECT_EQ(ReadFile(file), Crlf({"a", "b", "c", "d", "e", "^f", "g"}));
}

TEST_F(ReportEdgesTest, UnwritableOutputFailsClearly) {
  Exec("create table T (ID integer); insert into T values (1)");
  auto q = Query("select ID from T");
  q->Open();
  auto report = MakeReport(".DETAIL\n@ID\n");
  report->SetDataSet(q.get());
  report->PrintName = dir_ + "/missing/out.prn";
  report->Prepare();
  try {
    report->Execute();
    FAIL() << "no error for an unwritable path";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create the report output " + dir_ + "/missing/out.prn: No such file or directory");
  }
  EXPECT_FALSE(q->ControlsDisabled());

  // A full disk: the error reaches the caller and the device is left alone.
  report->PrintName = "/dev/full";
  report->Prepare();
  try {
    report->Execute();
    FAIL() << "no error for a full disk";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write the report output /dev/full: No space left on device");
  }
  struct stat st {};
  EXPECT_EQ(::stat("/dev/full", &st), 0);
}

TEST_F(ReportEdgesTest, FailingPostPassLeavesTheOriginalOutput) {
  SetPageLines(2);
  Exec("create table T (ID integer)");
  for (int i = 1; i <= 4; ++i) Exec("insert into T values (" + std::to_string(i) + ")");
  auto q = Query("select ID from T order by ID");
  q->Open();
  const std::string templ = ".VARS\nPageSize = 6\n.PAGEHEADER\nH\n.DETAIL\n@ID\n";
  const std::string unpaired = Crlf({"1", "2", "^H", "3", "^H", "4"});

  // The work file cannot be created.
  std::filesystem::create_directory(Path("out.$$$"));
  auto report = MakeReport(templ);
  report->SetDataSet(q.get());
  report->Prepare();
  EXPECT_THROW(report->Execute(), EInOutError);
  EXPECT_EQ(ReadFile(Path("out.prn")), unpaired);
  EXPECT_FALSE(Exists(Path("out.bak")));
  std::filesystem::remove(Path("out.$$$"));

  // The old backup cannot be replaced.
  std::filesystem::create_directories(Path("out.bak/keep"));
  report->Prepare();
  EXPECT_THROW(report->Execute(), EInOutError);
  EXPECT_EQ(ReadFile(Path("out.prn")), unpaired);
  EXPECT_FALSE(Exists(Path("out.$$$")));
}

TEST_F(ReportEdgesTest, AbortAndUserBreakEndTheRunAfterTheCleanUp) {
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2)");
  auto q = Query("select ID from T order by ID");
  q->Open();
  const std::string templ = ".DETAIL\n@ID\n#IF ID = 2 THEN Abort('Stop')\n";
  auto report = MakeReport(templ);
  report->SetDataSet(q.get());
  report->Prepare();
  try {
    report->Execute();
    FAIL() << "not aborted";
  } catch (const ECustomReportError& e) {
    EXPECT_STREQ(e.what(), "Stop");
  }
  // An aborted run writes nothing: its partial output is removed.
  EXPECT_FALSE(Exists(Path("out.prn")));
  // ErrorPos points into the Abort call of the third template line (offset 14).
  EXPECT_GE(report->ErrorPos, 14 + 16);
  EXPECT_LE(report->ErrorPos, 14 + 29);
  EXPECT_FALSE(q->ControlsDisabled());

  Exec("create table BIG (ID integer);"
       "insert into BIG with recursive c(x) as (select 1 union all select x + 1 from c where x < 1500) "
       "select x from c");
  auto big = Query("select ID from BIG order by ID");
  big->Open();
  TScriptedUserInteraction answers;
  answers.AnswerBreak(true);
  WriteFile(Path("out.prn"), "yesterday\r\n");
  report = MakeReport(".DETAIL\n@ID\n");
  report->SetDataSet(big.get());
  report->Prepare();
  try {
    report->Execute();
    FAIL() << "not interrupted";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Operation is interrupt by user");
  }
  EXPECT_EQ(report->GetVarByName("RecNum")->GetNumber(), 1001);
  // The interrupted run keeps the earlier output whole and leaves no file of its own.
  EXPECT_EQ(ReadFile(Path("out.prn")), "yesterday\r\n");
  EXPECT_EQ(WorkFilesLeft(), std::vector<std::string>{});
}

}  // namespace bexlo::testing
