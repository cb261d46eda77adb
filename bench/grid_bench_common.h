// Shared helpers of the grid benchmarks: an offscreen QApplication with the widget library, SQLite
// tables of generated rows kept between runs in the build directory, and the heap in use.
#pragma once

#include <malloc.h>
#include <sqlite3.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>

#include "db_bench_common.h"
#include "util/settings.h"

namespace bexlo::bench {

// The bytes the process has allocated and not freed (every allocator goes through malloc).
inline long long HeapInUse() {
  malloc_trim(0);
  return static_cast<long long>(mallinfo2().uordblks) + static_cast<long long>(mallinfo2().hblkhd);
}

// An SQLite file beside the benchmark program (in the build directory) holding table `table` with
// `rows` generated rows (FillSqliteTable), made once and reused by later runs.
inline std::string BenchTableFile(const char* table, int rows) {
  const std::filesystem::path path =
      std::filesystem::path(ApplicationDir) / ("grid_bench_" + std::string(table) + "_" + std::to_string(rows) + ".db");
  if (std::filesystem::exists(path)) return path.string();
  const std::filesystem::path tmp = path.string() + ".tmp";
  std::filesystem::remove(tmp);
  std::printf("  creating %s (%d rows) ...\n", path.c_str(), rows);
  std::fflush(stdout);
  sqlite3* db = nullptr;
  CheckSqlite(sqlite3_open(tmp.c_str(), &db), db);
  CheckSqlite(sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), db);
  FillSqliteTable(db, table, rows, true);
  sqlite3_close(db);
  std::filesystem::rename(tmp, path);
  return path.string();
}

}  // namespace bexlo::bench
