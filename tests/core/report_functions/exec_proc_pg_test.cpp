// ExecProc on PostgreSQL: parameters from the report's variables, and the output, input-output and
// result parameters copied back into variables by their data types. Needs the private test
// cluster (BEXLO_PG_STATE, started by the pg fixture).
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/pg_conninfo.h"
#include "db/db.h"
#include "report/qo_report.h"
#include "util/datetime.h"

namespace bexlo::testing {
namespace {

TEST(ExecProcPostgreSQL, OutputParametersBecomeVariables) {
  const std::string admin = PgConnInfo();
  ASSERT_FALSE(admin.empty()) << "the PostgreSQL test cluster is not running (run through ctest)";
  const std::string schema = "rf_" + std::to_string(getpid());
  TDatabase* server = Session().OpenDatabase(admin);
  server->Execute("CREATE SCHEMA " + schema);
  const std::string target = admin + " options='-c search_path=" + schema + "'";
  TDatabase* db = Session().OpenDatabase(target);
  db->Execute("CREATE FUNCTION bx_calc(a integer, OUT doubled integer, OUT label text, OUT day date) "
              "LANGUAGE sql AS $$ SELECT a * 2, 'n' || a, date '2024-02-03' + a $$");
  db->Execute("CREATE FUNCTION bx_tax(amount numeric) RETURNS numeric "
              "LANGUAGE sql AS $$ SELECT amount * 1.21 $$");
  db->Execute("CREATE PROCEDURE bx_bump(INOUT counter integer) LANGUAGE plpgsql AS $$ "
              "BEGIN counter := counter + 1; END $$");

  TQoReport report;
  report.DataBaseName = target;
  report.FormatSource().SetText(
      ".VARS\n"
      "A := 21\n"
      "R1 := ExecProc('bx_calc')\n"
      "AMOUNT := 100\n"
      "R2 := ExecProc('bx_tax')\n"
      "COUNTER := 41\n"
      "R3 := ExecProc('bx_bump')\n"
      "R4 := ExecProc('bx_missing')\n");
  report.Prepare();
  auto var = [&](const char* name) { return report.GetVarByName(name); };
  EXPECT_EQ(var("R1")->VarType(), vtUnDefined);
  EXPECT_EQ(var("DOUBLED")->GetNumber(), 42);
  EXPECT_EQ(var("LABEL")->GetString(), "n21");
  EXPECT_EQ(var("DAY")->GetDate(), EncodeDate(2024, 2, 24));
  EXPECT_DOUBLE_EQ(var("RESULT")->GetNumber(), 121);
  EXPECT_EQ(var("COUNTER")->GetNumber(), 42);
  ASSERT_EQ(var("R4")->VarType(), vtString);
  EXPECT_NE(var("R4")->GetString().find("bx_missing"), std::string::npos) << var("R4")->GetString();

  Session().DropConnections();
  Session().OpenDatabase(admin)->Execute("DROP SCHEMA " + schema + " CASCADE");
  Session().DropConnections();
}

}  // namespace
}  // namespace bexlo::testing
