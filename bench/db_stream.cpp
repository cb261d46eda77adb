// Streaming 1,000,000 rows of five columns (integer, real, text, date, text) through a
// unidirectional TQuery on SQLite, reading every field with AsFloat or AsString, against a raw
// sqlite3_step loop reading the same columns in the same program. Ends with "RATIO ours/raw".
//
// Both sides take the values into C++: numbers as numbers, text as std::string (AsString returns
// one, the raw loop builds one from sqlite3_column_text). The date column is read as text by the
// raw loop and as a TDateTime (AsFloat) by ours, which parses the stored ISO text.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "db_bench_common.h"
#include "db/db.h"

namespace {

constexpr int kRows = 1000000;
const char* kSelect = "SELECT id, amount, name, day, note FROM t";

void Check(int rc, sqlite3* db) { bexlo::bench::CheckSqlite(rc, db); }

void Fill(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db);
  bexlo::bench::FillSqliteTable(db, "t", kRows, false);
  sqlite3_close(db);
}

}  // namespace

int main() {
  using namespace bexlo;
  const auto dir = std::filesystem::temp_directory_path() / "bexlo-bench-stream";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "stream.sqlite").string();
  std::printf("db_stream: filling %d rows ...\n", kRows);
  Fill(path);

  double rawSum = 0, oursSum = 0;
  std::size_t rawChars = 0, oursChars = 0;

  // The baseline opens its connection as the driver does (no per-call mutex).
  sqlite3* raw = nullptr;
  Check(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr),
        raw);
  auto baseline = [&] {
    rawSum = 0;
    rawChars = 0;
    sqlite3_stmt* s = nullptr;
    Check(sqlite3_prepare_v2(raw, kSelect, -1, &s, nullptr), raw);
    while (sqlite3_step(s) == SQLITE_ROW) {
      rawSum += static_cast<double>(sqlite3_column_int64(s, 0));
      rawSum += sqlite3_column_double(s, 1);
      for (int c = 2; c <= 4; ++c) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        const std::string value(text, static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
        rawChars += value.size();
      }
    }
    sqlite3_finalize(s);
  };

  Session().AddAlias("bench", "sqlite:" + path);
  auto ours = [&] { bench::StreamFiveColumns("bench", kSelect, oursSum, oursChars); };

  double oursBest = 0, baseBest = 0;
  bexlo::bench::BestOf(5, ours, baseline, oursBest, baseBest);
  std::printf("rows %d; checksums ours %.0f/%zu, raw %.0f/%zu\n", kRows, oursSum, oursChars,
              rawSum, rawChars);
  std::printf("best: ours %.3f s (%.0f ns/row), raw sqlite3_step loop %.3f s (%.0f ns/row)\n",
              oursBest, oursBest * 1e9 / kRows, baseBest, baseBest * 1e9 / kRows);
  sqlite3_close(raw);
  Session().DropConnections();
  std::filesystem::remove_all(dir);
  std::printf("RATIO %.3f\n", oursBest / baseBest);
  return 0;
}
