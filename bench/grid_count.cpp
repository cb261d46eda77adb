// grid_count: the record count of a list (Ctrl+F8) over 10,000,000 rows, against the sqlite3
// command-line tool running "select count(*), sum(F)" on the same query.
//
// The grid's query is open (its first screen fetched, as a list window shows it); ours is the
// record count with the sum of the numeric column, the baseline the same count and sum by the
// sqlite3 program. The table is built once and kept in the temporary directory
// (BEXLO_BENCH_GRID_ROWS changes the number of rows). Prints RATIO ours/baseline.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "db/db.h"
#include "db_bench_common.h"
#include "grid/record_count.h"

using namespace bexlo;
namespace fs = std::filesystem;

namespace {

constexpr const char* kQuery = "select id, amount, name, day, note from ROWS where id >= 0";

// The database file with `rows` rows in table ROWS, built when missing or of another size.
std::string PrepareDatabase(int rows) {
  const fs::path file =
      fs::temp_directory_path() / ("bexlo-bench-grid-count-" + std::to_string(rows) + ".sqlite");
  if (fs::exists(file)) return file.string();
  const fs::path partial = file.string() + ".part";
  fs::remove(partial);
  std::printf("building %d rows in %s ...\n", rows, file.c_str());
  sqlite3* db = nullptr;
  bench::CheckSqlite(sqlite3_open(partial.c_str(), &db), db);
  bench::FillSqliteTable(db, "ROWS", rows, true);
  sqlite3_close(db);
  fs::rename(partial, file);
  return file.string();
}

// Runs the count through the sqlite3 program; returns its output line.
std::string SqliteCliCount(const std::string& file) {
  const std::string command = "sqlite3 '" + file + "' 'select count(*), sum(amount) from (" +
                              kQuery + ")'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    std::perror("sqlite3");
    std::exit(1);
  }
  char line[256] = {};
  if (std::fgets(line, sizeof line, pipe) == nullptr) line[0] = '\0';
  if (pclose(pipe) != 0) {
    std::fprintf(stderr, "the sqlite3 program failed (is it installed?)\n");
    std::exit(1);
  }
  return line;
}

}  // namespace

int main() {
  const char* rowsEnv = std::getenv("BEXLO_BENCH_GRID_ROWS");
  const int rows = rowsEnv != nullptr ? std::atoi(rowsEnv) : 10'000'000;
  const std::string file = PrepareDatabase(rows);

  Session().AddAlias("bench", "sqlite:" + file);
  TQuery query;
  query.SetDatabaseName("bench");
  query.SetSQLText(kQuery);
  query.Open();
  query.EnsureRecords(40);  // the first screen of the list
  TField* amount = query.FieldByName("amount");

  TRecordCount count;
  std::string cli;
  double ours = 0, baseline = 0;
  bench::BestOf(
      5, [&] { count = CountRecords(query, amount); }, [&] { cli = SqliteCliCount(file); }, ours,
      baseline);
  std::printf("rows %d: ours %lld lines, sum %.2f (%s); sqlite3: %s", rows,
              static_cast<long long>(count.Count), count.Sum,
              count.OnServer ? "counted by the database" : "walked", cli.c_str());
  if (count.Count != rows) {
    std::fprintf(stderr, "wrong count\n");
    return 1;
  }
  std::printf("ours %.3f s, sqlite3 %.3f s\n", ours, baseline);
  std::printf("RATIO %.3f\n", ours / baseline);
  return 0;
}
