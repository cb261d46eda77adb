// An engine's error position (SQLite's error offset, PostgreSQL's statement position) reaches the
// caller as a byte offset in the SQL text as written, parameters by name, and a report's SQL
// section turns it into its place in the template.
#include <unistd.h>

#include <filesystem>

#include "db_test_support.h"
#include "report/qo_report.h"

namespace bexlo::testing {
namespace {

class SqlErrorPositionTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(10))");
    Exec("INSERT INTO t VALUES (1, 'a')");
  }
};

TEST_P(SqlErrorPositionTest, TheOffsetPointsIntoTheTextAsWritten) {
  // The parameter before the error is sent as a shorter marker; the offset is moved back.
  const std::string sql = "SELECT id, name FROM t WHERE id > :LOWEST_ID AND nosuch = 1";
  auto q = Query(sql);
  q->ParamByName("LOWEST_ID")->SetAsInteger(0);
  try {
    q->Open();
    FAIL() << "opened";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.Statement(), sql + "\r\n");
    EXPECT_EQ(e.Offset(), static_cast<int>(sql.find("nosuch"))) << e.what();
  }
}

TEST_P(SqlErrorPositionTest, AnSqlSectionErrorHasItsTemplatePosition) {
  TQoReport report;
  report.DataBaseName = kDb;
  report.PrintName =
      (std::filesystem::temp_directory_path() / ("bexlo-sqlpos-" + std::to_string(getpid()) + ".prn")).string();
  // Line 4 (0-based 3) holds the unknown column at its third character.
  report.FormatSource().SetText(".SQL\nSELECT id,\n  name\n  FROM t WHERE nosuch = 1\n.DETAIL\n@ID\n");
  EXPECT_THROW(report.Prepare(), EDBEngineError);
  const int lineStart = 4 + 2 + 10 + 2 + 6 + 2;  // ".SQL", "SELECT id,", "  name", each plus CR LF
  const int column = 15;                         // "nosuch" in "  FROM t WHERE nosuch = 1"
  EXPECT_EQ(report.ErrorPos, lineStart + column);
}

BEXLO_DB_SUITE(SqlErrorPositionTest);

}  // namespace
}  // namespace bexlo::testing
