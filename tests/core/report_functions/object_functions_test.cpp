// The report object functions, run by real templates on a SQLite database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "db/db.h"
#include "report/blob.h"
#include "report_functions_test_support.h"
#include "reportlang/group_var.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/strings.h"

namespace bexlo::testing {
namespace {

class ObjectFunctionsTest : public ReportFunctionsTest {
 protected:
  void SetUp() override {
    ReportFunctionsTest::SetUp();
    Exec("create table t (id integer primary key, k integer, s integer, name varchar(10), day date)");
    Exec("insert into t values (1, 2, 10, 'alpha', '2024-02-03'), (2, 1, 20, 'beta', '2024-02-04'), "
         "(3, 2, 30, 'gamma', '2024-02-05')");
  }
};

// ---- queries, SQL commands, stored procedures ------------------------------------------------------

TEST_F(ObjectFunctionsTest, QueriesReturnFirstValueOrTheErrorAsText) {
  Prepare(
      ".VARS\n"
      "N := GetQueryExt('select count(*) from t')\n"
      "S := GetQuery('select name from t where id = 2')\n"
      "D := GetQueryDate('select day from t where id = 1')\n"
      "ID := 3\n"
      "P := GetQuery('select name from t where id = :ID')\n"
      "BAD := GetQueryExt('select count(*) from missing')\n"
      "NONE := GetQuery('select name from t where id = 99')\n"
      "ZERO := GetQueryExt('select s from t where id = 99')\n");
  EXPECT_EQ(Var("N").GetNumber(), 3);
  EXPECT_EQ(Var("S").GetString(), "beta");
  EXPECT_EQ(Var("D").GetDate(), EncodeDate(2024, 2, 3));
  EXPECT_EQ(Var("P").GetString(), "gamma");  // the parameter comes from the variable ID
  EXPECT_EQ(Var("NONE").GetString(), "");    // no row: an empty value
  EXPECT_EQ(Var("ZERO").GetNumber(), 0);
  ASSERT_EQ(Var("BAD").VarType(), vtString);
  EXPECT_NE(Var("BAD").GetString().find("missing"), std::string::npos);

  // A later numeric use of the message fails with the type mismatch.
  report_ = std::make_unique<TQoReport>();
  try {
    Prepare(".VARS\nX := GetQueryExt('select count(*) from missing')\nY := X + 1\n");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("Type mismatch"), std::string::npos) << e.Message();
  }
}

TEST_F(ObjectFunctionsTest, ExecSQLCommitsUnlessAskedNotTo) {
  Prepare(
      ".VARS\n"
      "R1 := ExecSQL('begin', FALSE)\n"
      "R2 := ExecSQL('update t set s = 5 where id = 1', FALSE)\n");
  EXPECT_EQ(Var("R1").VarType(), vtUnDefined);
  EXPECT_EQ(Var("R2").VarType(), vtUnDefined);
  // The transaction is still open: another connection does not see the change yet.
  EXPECT_TRUE(Session().OpenDatabase(db_)->InTransaction());
  TDatabase other;
  other.SetDatabaseName("other");
  other.SetAliasName(db_);
  other.Open();
  EXPECT_EQ(Scalar("select s from t where id = 1", "other"), "10");
  report_ = std::make_unique<TQoReport>();
  Prepare(".VARS\nR3 := ExecSQL('update t set s = 6 where id = 1')\n");
  EXPECT_EQ(Var("R3").VarType(), vtUnDefined);
  EXPECT_FALSE(Session().OpenDatabase(db_)->InTransaction());
  EXPECT_EQ(Scalar("select s from t where id = 1", "other"), "6");

  report_ = std::make_unique<TQoReport>();
  Prepare(".VARS\nR4 := ExecSQL('update nothing set s = 1')\n");
  ASSERT_EQ(Var("R4").VarType(), vtString);
  EXPECT_NE(Var("R4").GetString().find("nothing"), std::string::npos);
}

TEST_F(ObjectFunctionsTest, StoredProceduresOnSQLiteReportTheEngineRefusal) {
  Prepare(".VARS\nR := ExecProc('calc')\n");
  ASSERT_EQ(Var("R").VarType(), vtString);
  EXPECT_FALSE(Var("R").GetString().empty());
}

// ---- local tables ---------------------------------------------------------------------------------

TEST_F(ObjectFunctionsTest, LocalTablesTakeRecordsFromVariablesByFieldName) {
  Prepare(
      ".VARS\n"
      "E := ExecLocal('create table stock (code varchar(10), qty integer, price float, day date, ok boolean)')\n"
      "T := OpenTable('stock')\n"
      "CODE := 'A1'\n"
      "QTY := 4\n"
      "PRICE := 2.5\n"
      "DAY := StrToDate('03/02/2024')\n"
      "OK := TRUE\n"
      "AddRecord(T)\n"
      "CODE := 'B2'\n"
      "QTY := 7\n"
      "AddRecord(T)\n"
      "AddRecord(CODE)\n"
      "CloseTable(T)\n"
      "AddRecord(T)\n");
  EXPECT_EQ(Var("E").VarType(), vtUnDefined);
  EXPECT_EQ(Scalar("select count(*) from stock", LocalTables()), "2");
  EXPECT_EQ(Scalar("select group_concat(code || ':' || qty || ':' || price || ':' || day || ':' || ok, ' ') "
                   "from (select * from stock order by code)",
                   LocalTables()),
            "A1:4:2.5:2024-02-03:1 B2:7:2.5:2024-02-03:1");
  ASSERT_EQ(Var("T").VarType(), vtObject);
  EXPECT_EQ(Var("T").GetObject()->ClassName(), "TTable");
  EXPECT_EQ(report_->Objects().IndexOf(Var("T").GetObject()) >= 0, true);

  report_ = std::make_unique<TQoReport>();
  Prepare(".VARS\nT := OpenTable('stock')\nEmptyTable(T)\nEmptyTable(Q)\n");
  EXPECT_EQ(Scalar("select count(*) from stock", LocalTables()), "0");
}

TEST_F(ObjectFunctionsTest, ARecordThatCannotBePostedEndsTheRunAndIsNotKept) {
  Exec("create table strict (code varchar(10) not null, qty integer)");
  Session().DropConnections();
  std::filesystem::copy_file(db_, dir_ + "/local_tables.sqlite");
  EXPECT_THROW(Prepare(".VARS\nT := OpenTable('strict')\nQTY := 1\nAddRecord(T)\n"), EDatabaseError);
  EXPECT_EQ(Scalar("select count(*) from strict", LocalTables()), "0");
  EXPECT_THROW(Prepare(".VARS\nT := OpenTable('no_such_table')\n"), EDatabaseError);
}

// ---- In, Str2Params, previous values ----------------------------------------------------------------

TEST_F(ObjectFunctionsTest, InAndStr2Params) {
  Prepare(
      ".VARS\n"
      "A := In(2, 1, 2, 3)\n"
      "B := In(5, 1, 2)\n"
      "C := In('b', 'a', 'b')\n"
      "N := 0\n"
      "S := ''\n"
      "Z := 5\n"
      "D := Date(1)\n"
      "Str2Params('  10   abc ', N, S, Z)\n"
      "Str2Params(' 03/02/2024  7', D, U)\n");
  EXPECT_TRUE(Var("A").GetBoolean());
  EXPECT_EQ(Var("B").VarType(), vtUnDefined);
  EXPECT_TRUE(Var("C").GetBoolean());
  EXPECT_EQ(Var("N").GetNumber(), 10);
  EXPECT_EQ(Var("S").GetString(), "abc");
  EXPECT_EQ(Var("Z").GetNumber(), 0);
  EXPECT_EQ(Var("D").GetDate(), EncodeDate(2024, 2, 3));
  EXPECT_EQ(Var("U").VarType(), vtUnDefined);

  report_ = std::make_unique<TQoReport>();
  EXPECT_THROW(Prepare(".VARS\nX := In(1, 'a')\n"), Exception);
  report_ = std::make_unique<TQoReport>();
  EXPECT_THROW(Prepare(".VARS\nN := 0\nStr2Params('x1', N)\n"), EConvertError);
}

// Footer scripts see the previous record's values while a group closes, and the current ones at
// the report end, where IsEndReport is true.
TEST_F(ObjectFunctionsTest, OldValuesAndTheEndingState) {
  const std::string out = Run(
      ".SQL\n"
      "select id, k, s, name, day from t order by id\n"
      ".VARS\n"
      "Group2 := K\n"
      "TRACE := ''\n"
      ".FOOTER2\n"
      "#TRACE := TRACE + String(OldExt(S)) + '/' + OldStr(NAME) + '/' + DateToStr(OldDate(DAY), 'dd') + '/' "
      "+ String(IsEndReport) + ' '\n"
      ".DETAIL\n"
      "@ID\n");
  EXPECT_EQ(Var("TRACE").GetString(), "10/alpha/03/FALSE 20/beta/04/FALSE 30/gamma/05/TRUE ");
  EXPECT_EQ(out, "1\r\n2\r\n3\r\n");
}

// ---- groups ----------------------------------------------------------------------------------------

TEST_F(ObjectFunctionsTest, GroupTotalsPerKey) {
  Run(".SQL\n"
      "select id, k, s from t order by id\n"
      ".VARS\n"
      "GetGroup(G, 1, K, S)\n"
      ".DETAIL\n"
      "#CalcGroup(G)\n"
      "@ID\n"
      ".FOOTER1\n"
      "#X := GetGroupVar(G_S, 2)\n"
      "#Y := GetGroupVar(G_S, 1)\n"
      "#W := GetGroupVar(G_S, 7)\n");
  ASSERT_EQ(Var("G").VarType(), vtObject);
  auto* groups = dynamic_cast<TGroupList*>(Var("G").GetObject());
  ASSERT_NE(groups, nullptr);
  EXPECT_EQ(groups->Direction(), 1);
  ASSERT_EQ(groups->Count(), 2);
  EXPECT_EQ(Var("G_K").GetObject(), groups->GetGroupVar(0));
  EXPECT_EQ(Var("G_S").GetObject(), groups->GetGroupVar(1));
  // Keys 2, 1, 2 with S = 10, 20, 30: key 1 holds 20, key 2 holds 40, in key order.
  ASSERT_EQ(groups->GetValueCount(), 2);
  EXPECT_EQ(groups->GetGroupVar(0)->GetValue(0)->GetNumber(), 1);
  EXPECT_EQ(groups->GetGroupVar(1)->GetValue(0)->GetNumber(), 20);
  EXPECT_EQ(groups->GetGroupVar(1)->GetValue(1)->GetNumber(), 40);
  EXPECT_EQ(Var("X").GetNumber(), 40);
  EXPECT_EQ(Var("Y").GetNumber(), 20);
  EXPECT_EQ(Var("W").VarType(), vtUnDefined);
}

TEST_F(ObjectFunctionsTest, GroupFunctionsIgnoreOtherValues) {
  Prepare(
      ".VARS\n"
      "G := 1\n"
      "CalcGroup(G)\n"
      "X := GetGroupVar(G, 1)\n"
      "GetGroup(H, -3, K)\n"
      "CalcGroup(H)\n");
  EXPECT_EQ(Var("X").VarType(), vtUnDefined);
  auto* groups = dynamic_cast<TGroupList*>(Var("H").GetObject());
  ASSERT_NE(groups, nullptr);
  EXPECT_EQ(groups->Direction(), -1);
  EXPECT_EQ(groups->GetValueCount(), 1);  // the key K, still UNDEFINED, makes one row
}

// ---- run control and output --------------------------------------------------------------------------

TEST_F(ObjectFunctionsTest, AbortEndsTheRunKeepingTheEarlierOutput) {
  const std::string tmpl =
      ".SQL\nselect id from t order by id\n.DETAIL\n#if ID = 2 then %s\n@ID\n";
  // An aborted run is a failed run: what it printed before the abort is not put in place, and
  // the output of an earlier run stays.
  std::ofstream(out_, std::ios::binary) << "earlier\r\n";
  try {
    Run(Format(tmpl, "Abort('Stop');"));
    FAIL() << "no error";
  } catch (const ECustomReportError& e) {
    EXPECT_EQ(e.Message(), "Stop");
  }
  EXPECT_EQ(Output(), "earlier\r\n");

  report_ = std::make_unique<TQoReport>();
  EXPECT_THROW(Run(Format(tmpl, "Abort;")), EAbort);
  EXPECT_EQ(Output(), "earlier\r\n");
}

TEST_F(ObjectFunctionsTest, PutLineAndOutputAliases) {
  const std::string out = Run(
      ".SQL\n"
      "select id, name from t order by id\n"
      ".VARS\n"
      "AddOutputAlias('EUR', 'euro')\n"
      "AddOutputAlias('x', 'xx')\n"
      ".DETAIL\n"
      "#PutLine('before ' + NAME + ' EUR')\n"
      "@ID EUR x\n");
  // Aliases act on template lines read after they were registered, not on ready texts; an
  // alias whose replacement holds its own text is applied once.
  EXPECT_EQ(out,
            "before alpha EUR\r\n1 euro xx\r\n"
            "before beta EUR\r\n2 euro xx\r\n"
            "before gamma EUR\r\n3 euro xx\r\n");
  EXPECT_EQ(report_->OutputAliases().Count(), 2);
}

// ---- included reports ---------------------------------------------------------------------------------

std::map<std::string, std::string>& StoredTemplates() {
  static std::map<std::string, std::string> templates;
  return templates;
}
std::string stored_output;

std::unique_ptr<TStringList> TestGetFmtData(const std::string& group, const std::string& name,
                                            const std::string&, bool& oneRecord, bool& landscape,
                                            std::string& outputName) {
  const auto found = StoredTemplates().find(group + "/" + name);
  if (found == StoredTemplates().end()) return nullptr;
  auto lines = std::make_unique<TStringList>();
  lines->SetText(found->second);
  oneRecord = false;
  landscape = true;
  outputName = stored_output;
  return lines;
}

class IncludeTest : public ObjectFunctionsTest {
 protected:
  void SetUp() override {
    ObjectFunctionsTest::SetUp();
    Report_GetFmtData = TestGetFmtData;
    stored_output = dir_ + "/sub.prn";
    StoredTemplates()["parts/sub"] =
        ".DETAIL\n"
        "sub @ID of @OUTER\n"
        "   @TEXT\n";
    StoredTemplates()["parts/empty"] = ".DETAIL\n";
  }
  void TearDown() override {
    ResetHook(THook::Report_GetFmtData);
    Printer().SetOrientation(TPrinterOrientation::poPortrait);
    StoredTemplates().clear();
    ObjectFunctionsTest::TearDown();
  }
};

TEST_F(IncludeTest, IncludedReportRunsWithTheIncludingReportsValues) {
  const std::string out = Run(
      ".SQL\n"
      "select id from t where id < 3 order by id\n"
      ".VARS\n"
      "OUTER := 'x'\n"
      "TEXT := 'memo'\n"
      "SUB := Include('parts', 'sub')\n"
      "NONE := Include('parts', 'missing')\n"
      ".DETAIL\n"
      "#M := ExecuteInclude(SUB)\n"
      "@ID - @SUB\n");
  EXPECT_EQ(out,
            "1 - sub 1 of x\r\n"
            " -    memo\r\n"
            "2 - sub 2 of x\r\n"
            " -    memo\r\n");
  EXPECT_EQ(Var("NONE").VarType(), vtUnDefined);
  ASSERT_EQ(Var("M").VarType(), vtMemo);
  EXPECT_EQ(Var("M").GetList()->Text(), "sub 2 of x\r\n   memo\r\n");

  auto* blob = dynamic_cast<TBlob*>(Var("SUB").GetObject());
  ASSERT_NE(blob, nullptr);
  TQoReport& nested = *blob->Report();
  EXPECT_EQ(nested.DataBaseName, db_);
  EXPECT_EQ(nested.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_TRUE(nested.OneRecord());  // no data set
  EXPECT_EQ(nested.GetVarByName("OUTER")->GetString(), "x");
}

TEST_F(IncludeTest, AnIncludedReportWithoutOutputGivesAnEmptyMemo) {
  Prepare(
      ".VARS\n"
      "SUB := Include('parts', 'empty')\n"
      "M := ExecuteInclude(SUB)\n"
      "N := ExecuteInclude(M)\n");
  ASSERT_EQ(Var("M").VarType(), vtMemo);
  EXPECT_EQ(Var("M").GetList()->Count(), 0);
  EXPECT_EQ(Var("N").VarType(), vtUnDefined);
}

// A template that includes itself, or a nested report that reaches its own blob through the
// handed-over variables, ends the run with an error instead of recursing without end.
TEST_F(IncludeTest, RecursiveIncludesEndTheRunWithAnError) {
  StoredTemplates()["parts/self"] = ".VARS\nSUB := Include('parts', 'self')\n.DETAIL\ndeeper @SUB\n";
  StoredTemplates()["parts/echo"] = ".DETAIL\necho @SUB\n";
  StoredTemplates()["parts/exec"] = ".VARS\nM := ExecuteInclude(SUB)\n";
  for (const char* name : {"self", "echo", "exec"}) {
    report_ = std::make_unique<TQoReport>();
    try {
      Run(Format(".SQL\nselect id from t\n.VARS\nSUB := Include('parts', '%s')\n.DETAIL\n@SUB\n", name));
      ADD_FAILURE() << name << ": no error";
    } catch (const ECustomReportError& e) {
      SCOPED_TRACE(name);
      EXPECT_NE(e.Message().find("nclude"), std::string::npos) << e.Message();
    }
  }
}

}  // namespace
}  // namespace bexlo::testing
