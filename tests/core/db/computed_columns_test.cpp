// Columns without a declared type (aggregates, expressions, LEFT JOIN sums) take their type from
// their first non-NULL value, on both engines, so that a NULL in the first row does not make a
// sum a string field: the report prints its decimals and its footer prints the total.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "db_test_support.h"
#include "report/qo_report.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

class ComputedColumnsTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(10))");
    Exec("CREATE TABLE orders (id INTEGER PRIMARY KEY, cust INTEGER, amount NUMERIC(10,2))");
    Exec("INSERT INTO customers VALUES (1, 'A'), (2, 'B'), (3, 'C')");
    // A has no order: its sum is NULL in the first row.
    Exec("INSERT INTO orders VALUES (1, 2, 4.5), (2, 3, 10.5), (3, 3, 2.25)");
  }

  static constexpr const char* kSums =
      "SELECT c.name, sum(o.amount) AS total, count(o.id) AS n FROM customers c "
      "LEFT JOIN orders o ON o.cust = c.id GROUP BY c.name ORDER BY c.name";
};

TEST_P(ComputedColumnsTest, ASumWithANullFirstRowIsANumberField) {
  for (bool stream : {true, false}) {
    SCOPED_TRACE(stream ? "streamed" : "buffered");
    auto q = Query(kSums);
    q->SetUniDirectional(stream);
    q->Open();
    EXPECT_EQ(static_cast<int>(q->FieldByName("TOTAL")->DataType()), static_cast<int>(ftFloat));
    EXPECT_TRUE(q->FieldByName("TOTAL")->IsNull());  // A's row comes first, unchanged
    double sum = 0;
    int rows = 0;
    for (; !q->Eof(); q->Next(), ++rows) sum += q->FieldByName("TOTAL")->AsFloat();
    EXPECT_EQ(rows, 3);
    EXPECT_DOUBLE_EQ(sum, 17.25);
  }
}

TEST_P(ComputedColumnsTest, TheComputedColumnReportPrintsDecimalsAndTotals) {
  const fs::path dir = fs::temp_directory_path() / ("bexlo-computed-" + std::to_string(getpid()));
  fs::create_directories(dir);
  auto q = Query(kSums);
  q->SetUniDirectional(true);
  q->Open();
  TQoReport report;
  report.PrintName = (dir / "sums.prn").string();
  report.FormatSource().SetText(
      ".DETAIL\n@NAME @TOTAL:-8.2 @N:-3\n"
      ".FOOTER1\nTotal @TOTAL:-8.2 @N:-3\n");
  report.SetDataSet(q.get());
  report.Prepare();
  report.Execute();
  std::ifstream in(dir / "sums.prn", std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  EXPECT_EQ(out.str(),
            "A     0.00   0\r\n"
            "B     4.50   1\r\n"
            "C    12.75   2\r\n"
            "Total    17.25   3\r\n");
  fs::remove_all(dir);
}

TEST_P(ComputedColumnsTest, ABufferedQueryLooksAheadAsFarAsNeededAndAStreamBoundedly) {
  if (Pg()) GTEST_SKIP() << "PostgreSQL declares the type of every result column";
  Exec("CREATE TABLE sparse (id INTEGER PRIMARY KEY, v REAL)");
  Exec("INSERT INTO sparse (id) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1500) "
       "SELECT x FROM c");
  Exec("UPDATE sparse SET v = 2.5 WHERE id = 1500");
  for (bool stream : {false, true}) {
    auto q = Query("SELECT id, v * 2 AS twice FROM sparse ORDER BY id");
    q->SetUniDirectional(stream);
    q->Open();
    // The value is 1499 rows down: found by the buffered query; past a stream's look-ahead,
    // where the column stays text.
    EXPECT_EQ(q->FieldByName("TWICE")->DataType(), stream ? ftString : ftFloat);
    int rows = 0;
    for (; !q->Eof(); q->Next()) ++rows;
    EXPECT_EQ(rows, 1500);  // the rows read ahead are all handed out
  }
}

BEXLO_DB_SUITE(ComputedColumnsTest);

}  // namespace
}  // namespace bexlo::testing
