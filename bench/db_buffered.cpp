// A buffered query over a 1,000,000-row table shows its first 100 records (a grid of 100 rows
// reads every field of each) without fetching the rest. Baseline: the same over a table of just
// those 100 rows. Time and peak memory of the two should match, since they grow with the rows
// fetched, not with the table. Ends with "RATIO <time over 1,000,000 rows / time over 100 rows>".
#include <malloc.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "db/db.h"
#include "db_bench_common.h"

// ---- heap accounting: live and peak bytes allocated through operator new ----------------------
namespace {
std::atomic<long long> live_bytes{0};
std::atomic<long long> peak_bytes{0};

void* Allocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  const long long now = live_bytes += static_cast<long long>(malloc_usable_size(p));
  long long peak = peak_bytes.load();
  while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  live_bytes -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

using namespace bexlo;

// What a grid of 100 rows does: open, read every field of its window, close.
std::size_t ShowFirstRows(const char* table) {
  TQuery q;
  q.SetDatabaseName("bench");
  q.SetSQLText(std::string("SELECT * FROM ") + table + " ORDER BY id");
  TDataSource source;
  source.SetDataSet(&q);
  TDataLink grid;
  grid.SetBufferCount(100);
  grid.SetDataSource(&source);
  q.Open();
  std::size_t chars = 0;
  for (int row = 0; row < grid.RecordCount(); ++row) {
    grid.SetActiveRecord(row);
    for (int f = 0; f < q.FieldCount(); ++f) chars += q.Fields(f)->DisplayText().size();
  }
  grid.SetActiveRecord(grid.ActiveRecord());
  q.Close();
  return chars;
}

struct Measure {
  double seconds = 1e100;
  long long peak = 0;
};

// One timed showing of the first rows of `table`, its best time and peak heap kept in m.
void Measure1(const char* table, Measure& m) {
  peak_bytes = live_bytes.load();
  const long long before = live_bytes.load();
  const double s = bexlo::bench::Seconds([&] { ShowFirstRows(table); });
  if (s < m.seconds) m.seconds = s;
  m.peak = std::max(m.peak, peak_bytes.load() - before);
}

// The two tables in alternating rounds (each a tenth of a millisecond), so that a disturbance
// of the machine falls on both alike; best time of each.
void Run(Measure& big, Measure& small) {
  for (int i = 0; i < 200; ++i) {
    Measure1("big", big);
    Measure1("small", small);
  }
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() / "bexlo-bench-buffered";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "buffered.sqlite").string();
  std::printf("db_buffered: filling 1,000,000 and 100 rows ...\n");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  bexlo::bench::FillSqliteTable(db, "big", 1000000, true);
  bexlo::bench::FillSqliteTable(db, "small", 100, true);
  sqlite3_close(db);

  Session().AddAlias("bench", "sqlite:" + path);
  ShowFirstRows("small");  // connect once, outside the measurements
  Measure big, small;
  Run(big, small);
  std::printf("first 100 rows of 1,000,000: %.3f ms, peak heap %lld bytes\n", big.seconds * 1e3,
              big.peak);
  std::printf("all of a 100-row table:      %.3f ms, peak heap %lld bytes\n", small.seconds * 1e3,
              small.peak);
  // For contrast: reading everything into the buffer.
  const long long before = live_bytes.load();
  peak_bytes = before;
  const double all = bexlo::bench::Seconds([] {
    TQuery q;
    q.SetDatabaseName("bench");
    q.SetSQLText("SELECT * FROM big ORDER BY id");
    q.Open();
    std::printf("(buffering all %d rows", q.RecordCount());
  });
  std::printf(" takes %.0f ms and %lld bytes)\n", all * 1e3, peak_bytes.load() - before);
  std::printf("memory ratio %.3f\n", static_cast<double>(big.peak) / static_cast<double>(small.peak));
  Session().DropConnections();
  std::filesystem::remove_all(dir);
  std::printf("RATIO %.3f\n", big.seconds / small.seconds);
  return 0;
}
