// Times TFileViewerModel::LoadFile on a 200 MB report output file of 2 million lines (font
// changes, paragraphs, page marks and Cyrillic text mixed in) against `wc -l` on the same file,
// both with the file in the page cache, best of several runs. Times are CPU seconds (user +
// system) so that other work on a shared machine does not blur the ratio; wall times are
// printed too. Also reports the index memory
// per line: the growth of the resident set over a load, with the viewer still alive (the
// mapped file's pages are not counted: indexing reads the file without touching the map).
//
//   bench/run.sh viewer_load [DIR] [--keep]   (DIR: where the file is written, default /tmp;
//                                               --keep leaves the file there)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "output/file_viewer_model.h"
#include "report_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 2'000'000;
constexpr int kRuns = 5;

// Resident memory of this process in bytes.
std::int64_t ResidentBytes() {
  long pages = 0, resident = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr || std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  if (statm != nullptr) std::fclose(statm);
  return std::int64_t{resident} * sysconf(_SC_PAGESIZE);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Times {
  double cpu = 1e9;
  double wall = 1e9;
  void Keep(double c, double w) {
    cpu = std::min(cpu, c);
    wall = std::min(wall, w);
  }
};

double OwnSystemSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

// `wc -l path`, output discarded. posix_spawn rather than fork: a fork would mark this
// process's memory copy-on-write and charge the next load with the faults.
void TimeWc(const std::string& path, Times& times) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const char* args[] = {"wc", "-l", path.c_str(), nullptr};
  auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  bool ok = posix_spawnp(&pid, "wc", &actions, nullptr, const_cast<char**>(args), environ) == 0 &&
            wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  double wall = Seconds(Clock::now() - start);
  posix_spawn_file_actions_destroy(&actions);
  if (!ok) {
    std::fprintf(stderr, "wc failed\n");
    std::exit(1);
  }
  times.Keep(bench::CpuSeconds(usage), wall);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  std::string path = dir + "/bexlo_viewer_load_" + std::to_string(getpid()) + ".prn";
  bench::WriteReport(path, kLines);
  const auto size = std::filesystem::file_size(path);
  std::printf("file: %s, %.1f MB, %d lines\n", path.c_str(), size / 1e6, kLines);

  Times warm, wc, ours;
  TimeWc(path, warm);  // into the page cache
  std::int64_t lines = 0, pages = 0;
  double bytesPerLine = 0;
  for (int run = 0; run < kRuns; ++run) {
    TimeWc(path, wc);

    const std::int64_t before = ResidentBytes();
    const double cpu = bench::OwnCpuSeconds();
    const double system = OwnSystemSeconds();
    const auto start = Clock::now();
    {
      bexlo::TFileViewerModel viewer;
      viewer.SetFileName(path);
      viewer.LoadFile();
      ours.Keep(bench::OwnCpuSeconds() - cpu, Seconds(Clock::now() - start));
      std::printf("run %d: %.3f s CPU, of which %.3f s in the kernel\n", run + 1, bench::OwnCpuSeconds() - cpu,
                  OwnSystemSeconds() - system);
      lines = viewer.LineCount();
      pages = viewer.GetPageCount();
      bytesPerLine = double(ResidentBytes() - before) / double(lines);
    }
  }
  if (!(argc > 2 && std::string(argv[2]) == "--keep")) std::filesystem::remove(path);

  std::printf("LoadFile: %.3f s CPU, %.3f s wall (%lld lines, %lld pages)\n", ours.cpu, ours.wall,
              static_cast<long long>(lines), static_cast<long long>(pages));
  std::printf("wc -l:    %.3f s CPU, %.3f s wall\n", wc.cpu, wc.wall);
  std::printf("index memory: %.1f bytes per line\n", bytesPerLine);
  std::printf("RATIO %.2f\n", ours.cpu / wc.cpu);
  return 0;
}
