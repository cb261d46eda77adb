// Times a report run over 1,000,000 SQLite rows against a hand-written program that reads the same
// rows with sqlite3 and writes the same text with {fmt}.
//
// The template has a page header and footer, a group header and footer every 50 records (with
// totals and a record count) and a detail line of five formatted fields (right-justified numbers,
// a padded name, a money amount with two decimals and a date). The baseline knows the layout by
// heart: it paginates with the same line height and page height as the report and writes the same
// bytes, which the benchmark checks before it times anything.
//
// Each side runs in a child process of its own, so that its processor time and peak memory
// (getrusage) are its own; the best of several rounds counts. The ratio is taken on processor
// time (user + system), which a machine busy with other work disturbs far less than wall time. The row table is built once and kept in the benchmark's
// build directory.
//
//   bench/run.sh report_run [ROUNDS]      (or --ours: one run of the report alone, for profiling)
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "output/output_format.h"
#include "output/printer_model.h"
#include "report/qo_report.h"
#include "util/settings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 1'000'000;
constexpr int kGroupSize = 50;

// ---- the row table ----------------------------------------------------------------------------

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

// The table "rows" of kRows rows: id, grp (a new group every kGroupSize ids), name, qty, price
// and day. Built once; a file with the right count is reused.
void EnsureTable(const std::string& path) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(path.c_str(), &db), db, "open");
  sqlite3_stmt* count = nullptr;
  long long have = -1;
  if (sqlite3_prepare_v2(db, "select count(*) from rows", -1, &count, nullptr) == SQLITE_OK &&
      sqlite3_step(count) == SQLITE_ROW)
    have = sqlite3_column_int64(count, 0);
  sqlite3_finalize(count);
  if (have != kRows) {
    std::printf("building %d rows in %s ...\n", kRows, path.c_str());
    const char* script = R"(
      drop table if exists rows;
      create table rows (id integer primary key, grp integer not null, name varchar(20) not null,
                         qty integer not null, price numeric(10,2) not null, day date not null);
      begin;
      with recursive seq(i) as (select 1 union all select i + 1 from seq where i < 1000000)
      insert into rows
      select i, (i - 1) / 50, 'Item ' || ((i * 7919) % 100000), (i * 13) % 97 + 1,
             ((i * 31) % 100000) / 100.0, date('2020-01-01', '+' || (i % 1500) || ' days')
      from seq;
      commit;)";
    Check(sqlite3_exec(db, script, nullptr, nullptr, nullptr), db, "build");
  }
  sqlite3_close(db);
}

constexpr const char* kSelect = "select id, grp, name, qty, price, day from rows order by id";

// ---- ours: the template ---------------------------------------------------------------------

const char* kTemplate = R"(.SQL
select id, grp, name, qty, price, day from rows order by id
.VARS
Group2 := GRP
.PAGEHEADER
Report run benchmark                                    page @PAGENUM:-4
.PAGEFOOTER
---------------------------------------------------------------- @PAGENUM:-4.300
.HEADER2
Group @GRP:-6
.DETAIL
@ID:-8 @NAME:-12 @QTY:-4 @PRICE:-10.2 @DAY:10
.FOOTER2
  total  @QTY:-8 @PRICE:-12.2 records @ID:-3.200
.REPORTFOOTER
End of report
)";

void RunOurs(const std::string& db, const std::string& out) {
  bexlo::TQoReport report;
  report.DataBaseName = db;
  report.FormatSource().SetText(kTemplate);
  report.PrintName = out;
  report.Prepare();
  report.Execute();
}

// ---- the baseline ---------------------------------------------------------------------------

// What the report's pagination needs: the printable height and the height of one line of the
// default font, as the report measures them.
struct TPageGeometry {
  int PageHeight = 0;
  int LineHeight = 0;
};

TPageGeometry Geometry() {
  int code = 255, size = 10;
  TPageGeometry g;
  g.PageHeight = bexlo::Printer().PageHeight();
  g.LineHeight = bexlo::CalcFontMetrics(bexlo::Printer(), "X", code, size, 0, false).Height;
  return g;
}

class TBaselineWriter {
 public:
  TBaselineWriter(const std::string& path, TPageGeometry g)
      : file_(std::fopen(path.c_str(), "wb")), g_(g), limit_(g.PageHeight - g.LineHeight) {
    if (!file_) throw std::runtime_error("cannot create " + path);
  }
  ~TBaselineWriter() {
    Flush();
    std::fclose(file_);
  }

  // Writes a body line, breaking the page first when it does not fit.
  template <typename... Args>
  void Line(fmt::format_string<Args...> format, Args&&... args) {
    position_ += g_.LineHeight;
    if (position_ >= limit_) BreakPage();
    fmt::format_to(std::back_inserter(buffer_), format, std::forward<Args>(args)...);
    buffer_ += "\r\n";
    if (buffer_.size() > (1 << 16)) Flush();
  }

  void Footer() { fmt::format_to(std::back_inserter(buffer_), "{:->64} {:>4}\r\n", "", page_); }

 private:
  void BreakPage() {
    Footer();
    ++page_;
    fmt::format_to(std::back_inserter(buffer_),
                   "^Report run benchmark                                    page {:>4}\r\n", page_);
    position_ = 2 * g_.LineHeight;
  }
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
  }

  std::FILE* file_;
  TPageGeometry g_;
  int limit_;
  int position_ = 0;
  int page_ = 1;
  std::string buffer_;
};

void RunBaseline(const std::string& dbPath, const std::string& out, TPageGeometry g) {
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
  sqlite3_stmt* stmt = nullptr;
  Check(sqlite3_prepare_v2(db, kSelect, -1, &stmt, nullptr), db, "prepare");
  TBaselineWriter w(out, g);
  long long group = -1;
  long long groupQty = 0, groupCount = 0;
  double groupPrice = 0;
  auto footer = [&] { w.Line("  total  {:>8} {:>12.2f} records {:>3}", groupQty, groupPrice, groupCount); };
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    const long long id = sqlite3_column_int64(stmt, 0);
    const long long grp = sqlite3_column_int64(stmt, 1);
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
    const long long qty = sqlite3_column_int64(stmt, 3);
    const double price = sqlite3_column_double(stmt, 4);
    const char* day = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 5));  // yyyy-mm-dd
    if (grp != group) {
      if (group >= 0) footer();
      w.Line("Group {:>6}", grp);
      group = grp;
      groupQty = groupCount = 0;
      groupPrice = 0;
    }
    w.Line("{:>8} {:>12} {:>4} {:>10.2f} {}/{}/{}", id, name, qty, price, std::string_view(day + 8, 2),
           std::string_view(day + 5, 2), std::string_view(day, 4));
    groupQty += qty;
    groupPrice += price;
    ++groupCount;
  }
  if (group >= 0) {
    footer();
    w.Footer();
    w.Line("End of report");
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

// ---- measuring -------------------------------------------------------------------------------

struct TMeasure {
  double Seconds = 0;     // wall time
  double CpuSeconds = 0;  // user + system time
  long PeakKb = 0;
};

// Runs body in a child process; its wall time, processor time and peak resident memory.
TMeasure InChild(const std::function<void()>& body) {
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    try {
      body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "error: %s\n", e.what());
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  TMeasure m;
  m.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.PeakKb = usage.ru_maxrss;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  m.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("a run failed");
  return m;
}

// The offset of the first byte in which the two files differ, or -1 when they are equal.
long long FirstDifference(const std::string& pathA, const std::string& pathB) {
  std::ifstream a(pathA, std::ios::binary), b(pathB, std::ios::binary);
  std::string bufA(1 << 16, '\0'), bufB(1 << 16, '\0');
  long long offset = 0;
  for (;;) {
    a.read(bufA.data(), static_cast<std::streamsize>(bufA.size()));
    b.read(bufB.data(), static_cast<std::streamsize>(bufB.size()));
    const std::size_t na = static_cast<std::size_t>(a.gcount()), nb = static_cast<std::size_t>(b.gcount());
    const std::size_t n = std::min(na, nb);
    for (std::size_t i = 0; i < n; ++i)
      if (bufA[i] != bufB[i]) return offset + static_cast<long long>(i);
    if (na != nb) return offset + static_cast<long long>(n);
    if (na == 0) return -1;
    offset += static_cast<long long>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // "--ours" runs the report once in this process (for a profiler) and prints nothing else.
  const bool oursOnly = argc > 1 && std::string(argv[1]) == "--ours";
  const int rounds = argc > 1 && !oursOnly ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path dir = fs::path(bexlo::ApplicationDir);
  const std::string db = (dir / "report_run.db").string();
  const std::string oursOut = (dir / "report_run.ours.prn").string();
  const std::string baseOut = (dir / "report_run.baseline.prn").string();
  try {
    EnsureTable(db);
    if (oursOnly) {
      RunOurs(db, oursOut);
      return 0;
    }
    const TPageGeometry g = Geometry();

    // Same bytes first.
    InChild([&] { RunOurs(db, oursOut); });
    InChild([&] { RunBaseline(db, baseOut, g); });
    if (const long long at = FirstDifference(oursOut, baseOut); at >= 0) {
      std::fprintf(stderr, "outputs differ at byte %lld\n", at);
      return 1;
    }
    std::printf("outputs identical: %lld bytes, %d records\n",
                static_cast<long long>(fs::file_size(oursOut)), kRows);

    TMeasure ours{1e100, 1e100, 0}, base{1e100, 1e100, 0};
    auto keepBest = [](TMeasure& best, const TMeasure& m) {
      best.Seconds = std::min(best.Seconds, m.Seconds);
      best.CpuSeconds = std::min(best.CpuSeconds, m.CpuSeconds);
      best.PeakKb = std::max(best.PeakKb, m.PeakKb);
    };
    for (int r = 0; r < rounds; ++r) {
      const TMeasure b1 = InChild([&] { RunBaseline(db, baseOut, g); });
      const TMeasure o1 = InChild([&] { RunOurs(db, oursOut); });
      std::printf("  round %d: ours %.3f s cpu / %.3f s wall (%ld KB peak), baseline %.3f s cpu / %.3f s wall (%ld KB peak)\n",
                  r + 1, o1.CpuSeconds, o1.Seconds, o1.PeakKb, b1.CpuSeconds, b1.Seconds, b1.PeakKb);
      keepBest(ours, o1);
      keepBest(base, b1);
    }
    std::printf("ours:     %.3f s cpu, %.3f s wall, %.0f records/s, peak memory %.1f MB\n", ours.CpuSeconds,
                ours.Seconds, kRows / ours.CpuSeconds, ours.PeakKb / 1024.0);
    std::printf("baseline: %.3f s cpu, %.3f s wall, %.0f records/s, peak memory %.1f MB\n", base.CpuSeconds,
                base.Seconds, kRows / base.CpuSeconds, base.PeakKb / 1024.0);
    std::printf("RATIO %.2f\n", ours.CpuSeconds / base.CpuSeconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  return 0;
}
