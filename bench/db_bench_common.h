// Shared helpers of the data-access benchmarks: a wall clock, the best of several runs, and the
// streamed read both engines' benchmarks time, and the SQLite table of rows they read.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "db/field.h"
#include "db/query.h"

namespace bexlo::bench {

inline double Seconds(const std::function<void()>& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs ours and the baseline alternately `rounds` times; keeps the best time of each.
inline void BestOf(int rounds, const std::function<void()>& ours,
                   const std::function<void()>& baseline, double& oursBest, double& baseBest) {
  oursBest = baseBest = 1e100;
  for (int i = 0; i < rounds; ++i) {
    const double b = Seconds(baseline);
    const double o = Seconds(ours);
    std::printf("  round %d: ours %.3f s, baseline %.3f s\n", i + 1, o, b);
    if (o < oursBest) oursBest = o;
    if (b < baseBest) baseBest = b;
  }
}

// Ends the benchmark when an SQLite call failed.
inline void CheckSqlite(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

// Creates `table` (id, amount, name, day, note) in db and fills it with `rows` generated rows in
// one transaction. keyed: id is the INTEGER PRIMARY KEY.
inline void FillSqliteTable(sqlite3* db, const char* table, int rows, bool keyed) {
  char sql[256];
  std::snprintf(sql, sizeof sql,
                "CREATE TABLE %s (id INTEGER%s, amount REAL, name VARCHAR(40), day DATE, "
                "note VARCHAR(80))",
                table, keyed ? " PRIMARY KEY" : "");
  CheckSqlite(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db);
  CheckSqlite(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  std::snprintf(sql, sizeof sql, "INSERT INTO %s VALUES (?, ?, ?, ?, ?)", table);
  sqlite3_stmt* ins = nullptr;
  CheckSqlite(sqlite3_prepare_v2(db, sql, -1, &ins, nullptr), db);
  char name[64], day[16], note[96];
  for (int i = 0; i < rows; ++i) {
    std::snprintf(name, sizeof name, "customer %d", i);
    std::snprintf(day, sizeof day, "20%02d-%02d-%02d", i % 30, i % 12 + 1, i % 28 + 1);
    std::snprintf(note, sizeof note, "order note %d: delivered to the warehouse in time", i);
    sqlite3_bind_int64(ins, 1, i);
    sqlite3_bind_double(ins, 2, i * 1.25);
    sqlite3_bind_text(ins, 3, name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 4, day, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 5, note, -1, SQLITE_TRANSIENT);
    CheckSqlite(sqlite3_step(ins), db);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  CheckSqlite(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

// Streams `select` (id, amount, name, day, note) through a unidirectional query on `database`,
// reading every field as a report would: numbers and the date with AsFloat, text with AsString.
inline void StreamFiveColumns(const std::string& database, const char* select, double& sum,
                              std::size_t& chars) {
  sum = 0;
  chars = 0;
  TQuery q;
  q.SetDatabaseName(database);
  q.SetUniDirectional(true);
  q.SetSQLText(select);
  q.Open();
  TField* id = q.Fields(0);
  TField* amount = q.Fields(1);
  TField* name = q.Fields(2);
  TField* day = q.Fields(3);
  TField* note = q.Fields(4);
  for (; !q.Eof(); q.Next()) {
    sum += id->AsFloat();
    sum += amount->AsFloat();
    chars += name->AsString().size();
    sum += day->AsFloat();  // the date as a TDateTime
    chars += note->AsString().size();
  }
}

}  // namespace bexlo::bench
