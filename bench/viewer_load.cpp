// Times TFileViewerModel::LoadFile on a 200 MB report output file of 2 million lines (font
// changes, paragraphs, page marks and Cyrillic text mixed in) against `wc -l` on the same file,
// both with the file in the page cache, best of several runs. Also reports the index memory
// (heap growth of a load, beyond the mapped file) per line.
//
//   bench/run.sh viewer_load [DIR] [--keep]   (DIR: where the file is written, default /tmp;
//                                               --keep leaves the file there)
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "output/file_viewer_model.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 2'000'000;
constexpr int kRuns = 5;

// A deterministic mix of the lines a report run writes.
void WriteReport(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  std::string buffer;
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  const std::string words[] = {"Invoice", "total", "amount", "customer", "12 345.67", "date",
                               "\xD0\xA1\xD1\x83\xD0\xBC\xD0\xBC\xD0\xB0",  // Cyrillic "Sum"
                               "account", "balance", "|", "0.00", "\xD0\x98\xD1\x82\xD0\xBE\xD0\xB3\xD0\xBE"};
  for (int i = 0; i < kLines; ++i) {
    std::string line;
    if (i % 60 == 0 && i > 0) line += '^';
    int inParagraph = i % 50;  // lines 40..44 of every 50 form a paragraph
    if (inParagraph == 40) line += "\\PB10:10";
    if (i % 17 == 0) line += (next() & 1) ? "\\F17:12" : "\\F0:10";
    if (i % 500 == 3) line += "\\L10:10:190:10:2";
    while (line.size() < 96) {
      line += words[next() % 12];
      line += ' ';
    }
    line.resize(96);
    if (inParagraph == 44) line += "\\PE";
    buffer += line;
    buffer += "\r\n";
    if (buffer.size() > (1 << 20)) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Wall time of `wc -l path`, output discarded.
double TimeWc(const std::string& path) {
  auto start = Clock::now();
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    execlp("wc", "wc", "-l", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  double t = Seconds(Clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "wc failed\n");
    std::exit(1);
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp";
  std::string path = dir + "/bexlo_viewer_load_" + std::to_string(getpid()) + ".prn";
  WriteReport(path);
  const auto size = std::filesystem::file_size(path);
  std::printf("file: %s, %.1f MB, %d lines\n", path.c_str(), size / 1e6, kLines);

  TimeWc(path);  // into the page cache
  double wc = 1e9, ours = 1e9;
  std::int64_t lines = 0, pages = 0;
  double bytesPerLine = 0;
  for (int run = 0; run < kRuns; ++run) {
    wc = std::min(wc, TimeWc(path));

    auto before = mallinfo2().uordblks;
    auto start = Clock::now();
    {
      bexlo::TFileViewerModel viewer;
      viewer.SetFileName(path);
      viewer.LoadFile();
      ours = std::min(ours, Seconds(Clock::now() - start));
      lines = viewer.LineCount();
      pages = viewer.GetPageCount();
      bytesPerLine = double(mallinfo2().uordblks - before) / double(lines);
    }
  }
  if (!(argc > 2 && std::string(argv[2]) == "--keep")) std::filesystem::remove(path);

  std::printf("LoadFile: %.3f s (%lld lines, %lld pages)\n", ours, static_cast<long long>(lines),
              static_cast<long long>(pages));
  std::printf("wc -l:    %.3f s\n", wc);
  std::printf("index memory: %.1f bytes per line\n", bytesPerLine);
  std::printf("RATIO %.2f\n", ours / wc);
  return 0;
}
