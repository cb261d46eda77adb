// Streaming 1,000,000 rows of five columns (integer, real, text, date, text) through a
// unidirectional TQuery on PostgreSQL, reading every field with AsFloat or AsString, against a raw
// libpq loop in single-row mode reading the same columns in the same program. The connection
// string is the first argument (bench/db_stream_pg.sh starts a private cluster). Ends with
// "RATIO ours/raw".
//
// Both sides take the values into C++: numbers parsed from the text protocol with from_chars,
// text as std::string. The date is text for the raw loop and a TDateTime (AsFloat) for ours.
#include <libpq-fe.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db_bench_common.h"
#include "db/db.h"

namespace {

constexpr int kRows = 1000000;
const char* kSelect = "SELECT id, amount, name, day, note FROM t";

void Exec(PGconn* conn, const char* sql) {
  PGresult* r = PQexec(conn, sql);
  if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) {
    std::fprintf(stderr, "%s\n", PQerrorMessage(conn));
    std::exit(1);
  }
  PQclear(r);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace bexlo;
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_db_stream_pg CONNINFO (run it through bench/run.sh)\n");
    return 2;
  }
  const std::string conninfo = argv[1];
  PGconn* raw = PQconnectdb(conninfo.c_str());
  PQsetNoticeProcessor(raw, [](void*, const char*) {}, nullptr);
  if (PQstatus(raw) != CONNECTION_OK) {
    std::fprintf(stderr, "%s\n", PQerrorMessage(raw));
    return 1;
  }
  std::printf("db_stream_pg: filling %d rows ...\n", kRows);
  Exec(raw, "DROP TABLE IF EXISTS t");
  Exec(raw,
       "CREATE TABLE t AS SELECT g::bigint AS id, g * 1.25::float8 AS amount, "
       "'customer ' || g AS name, date '2000-01-01' + (g % 10000) AS day, "
       "'order note ' || g || ': delivered to the warehouse in time' AS note "
       "FROM generate_series(0, 999999) g");
  Exec(raw, "VACUUM ANALYZE t");

  double rawSum = 0, oursSum = 0;
  std::size_t rawChars = 0, oursChars = 0;
  auto baseline = [&] {
    rawSum = 0;
    rawChars = 0;
    if (!PQsendQuery(raw, kSelect) || !PQsetSingleRowMode(raw)) std::exit(1);
    while (PGresult* r = PQgetResult(raw)) {
      if (PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
        std::int64_t id = 0;
        const char* p = PQgetvalue(r, 0, 0);
        std::from_chars(p, p + PQgetlength(r, 0, 0), id);
        double amount = 0;
        p = PQgetvalue(r, 0, 1);
        std::from_chars(p, p + PQgetlength(r, 0, 1), amount);
        rawSum += static_cast<double>(id) + amount;
        for (int c = 2; c <= 4; ++c) {
          const std::string value(PQgetvalue(r, 0, c), static_cast<std::size_t>(PQgetlength(r, 0, c)));
          rawChars += value.size();
        }
      } else if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "%s\n", PQerrorMessage(raw));
        std::exit(1);
      }
      PQclear(r);
    }
  };

  Session().AddAlias("bench", conninfo);
  auto ours = [&] { bench::StreamFiveColumns("bench", kSelect, oursSum, oursChars); };

  double oursBest = 0, baseBest = 0;
  bexlo::bench::BestOf(5, ours, baseline, oursBest, baseBest);
  std::printf("rows %d; checksums ours %.0f/%zu, raw %.0f/%zu\n", kRows, oursSum, oursChars,
              rawSum, rawChars);
  std::printf("best: ours %.3f s (%.0f ns/row), raw libpq loop %.3f s (%.0f ns/row)\n", oursBest,
              oursBest * 1e9 / kRows, baseBest, baseBest * 1e9 / kRows);
  Exec(raw, "DROP TABLE t");
  PQfinish(raw);
  Session().DropConnections();
  std::printf("RATIO %.3f\n", oursBest / baseBest);
  return 0;
}
