// A report streaming from PostgreSQL whose backend is killed half way fails, and the output it
// was replacing keeps yesterday's content: nothing partial takes its name.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "db_test_support.h"
#include "report/qo_report.h"
#include "reportlang/report_var.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

class LostConnectionReportTest : public DbTest {};

TEST_P(LostConnectionReportTest, AKilledBackendKeepsTheEarlierOutput) {
  const fs::path dir = fs::temp_directory_path() / ("bexlo-lost-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path out = dir / "daily.prn";
  std::ofstream(out, std::ios::binary) << "yesterday's report\r\n";

  const std::string pid = Scalar("SELECT pg_backend_pid()");
  auto admin = OtherConnection();
  // More rows than the socket buffers hold, so that the stream still reads from the server.
  auto q = Query("SELECT g AS id, repeat('x', 60) AS pad FROM generate_series(1, 300000) g");
  q->SetUniDirectional(true);
  q->Open();
  TQoReport report;
  report.PrintName = out.string();
  report.FormatSource().SetText(".DETAIL\n@ID @PAD\n");
  report.SetDataSet(q.get());
  int records = 0;
  report.OnSetValues = [&](TObject*) {
    if (++records == 100) admin->Execute("SELECT pg_terminate_backend(" + pid + ")");
  };
  report.Prepare();
  EXPECT_THROW(report.Execute(), EDatabaseError);
  EXPECT_GE(records, 100);

  std::ifstream in(out, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "yesterday's report\r\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);  // nothing written beside it is left
  fs::remove_all(dir);
}

BEXLO_PG_SUITE(LostConnectionReportTest);

}  // namespace
}  // namespace bexlo::testing
