// Report output written as PDF by the library (WriteOutputPdf: the page model's layout,
// Liberation faces embedded, glyphs at the model's positions) against QTextDocument::print of the
// same text without control sequences to a QPdfWriter. Each side runs in a child process of its
// own, so that its processor time and its peak memory (wait4) are its own; best of several
// rounds.
//
// QTextDocument cannot lay out 10,000 pages: past about 30 million pixels of document height
// its fixed-point coordinates overflow and print() writes an empty PDF. So the ratio is taken on
// 3,000 pages of output, which it prints whole; the library's time and peak memory are also
// given for 10,000 pages.
//
//   bench/run.sh pdf_export [DIR]   (DIR: where the files are written, default /tmp)
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QFile>
#include <QPdfWriter>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "report_file.h"
#include "widgets/output/pdf_export.h"

namespace {

constexpr int kPages = 10'000;
constexpr int kRatioPages = 3'000;
constexpr int kPageLines = 60;
// Rounds: BENCH_ROUNDS, default 2 (each round writes 10,000 pages twice).
int Rounds() {
  const char* rounds = std::getenv("BENCH_ROUNDS");
  return rounds != nullptr && std::atoi(rounds) > 0 ? std::atoi(rounds) : 2;
}

struct TRun {
  double Cpu = 1e9;
  long PeakKb = 0;
};

// Runs this program with `args` and keeps its processor time and peak memory.
void Child(const char* self, const std::string& mode, const std::string& in, const std::string& out, TRun& run) {
  const char* args[] = {self, mode.c_str(), in.c_str(), out.c_str(), nullptr};
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  if (posix_spawn(&pid, self, nullptr, nullptr, const_cast<char**>(args), environ) != 0 ||
      wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s run failed\n", mode.c_str());
    std::exit(1);
  }
  run.Cpu = std::min(run.Cpu, bench::CpuSeconds(usage));
  run.PeakKb = std::max(run.PeakKb, usage.ru_maxrss);
  std::printf("  %-8s %.2f s CPU, peak %.0f MB\n", mode.c_str(), bench::CpuSeconds(usage), usage.ru_maxrss / 1024.0);
  std::fflush(stdout);
}

int Ours(const std::string& in, const std::string& out) {
  bexlo::WriteOutputPdf(in, out);
  return 0;
}

int Baseline(int argc, char** argv, const std::string& in, const std::string& out) {
  QApplication app(argc, argv);
  QFile file(QString::fromStdString(in));
  if (!file.open(QIODevice::ReadOnly)) return 1;
  QTextDocument document;
  document.setDefaultFont(QFont("Liberation Mono", 10));
  document.setPlainText(QString::fromUtf8(file.readAll()));
  QPdfWriter pdf(QString::fromStdString(out));
  pdf.setResolution(300);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  document.print(&pdf);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 4 && std::string(argv[1]) == "ours") {
    QApplication app(argc, argv);
    return Ours(argv[2], argv[3]);
  }
  if (argc == 4 && std::string(argv[1]) == "baseline") return Baseline(argc, argv, argv[2], argv[3]);

  const std::string dir = argc > 1 ? argv[1] : "/tmp";
  const std::string stem = dir + "/bexlo_pdf_export_" + std::to_string(getpid());
  bench::WriteReport(stem + ".prn", kPages * kPageLines, kPageLines);
  std::printf("output: %.1f MB, %d lines\n", std::filesystem::file_size(stem + ".prn") / 1e6, kPages * kPageLines);

  bench::WriteReport(stem + ".small.prn", kRatioPages * kPageLines, kPageLines);
  bench::WriteReport(stem + ".small.txt", kRatioPages * kPageLines, kPageLines, true);

  TRun ours, base, big;
  for (int round = 0, rounds = Rounds(); round < rounds; ++round) {
    Child(argv[0], "ours", stem + ".small.prn", stem + ".ours.pdf", ours);
    Child(argv[0], "baseline", stem + ".small.txt", stem + ".base.pdf", base);
    Child(argv[0], "ours", stem + ".prn", stem + ".big.pdf", big);
  }
  auto megabytes = [](const std::string& file) { return std::filesystem::file_size(file) / 1e6; };
  std::printf("%d pages: WriteOutputPdf        %.2f s CPU, peak %.0f MB, PDF %.1f MB\n", kRatioPages, ours.Cpu,
              ours.PeakKb / 1024.0, megabytes(stem + ".ours.pdf"));
  std::printf("%d pages: QTextDocument::print  %.2f s CPU, peak %.0f MB, PDF %.1f MB\n", kRatioPages, base.Cpu,
              base.PeakKb / 1024.0, megabytes(stem + ".base.pdf"));
  std::printf("%d pages: WriteOutputPdf       %.2f s CPU, peak %.0f MB, PDF %.1f MB\n", kPages, big.Cpu,
              big.PeakKb / 1024.0, megabytes(stem + ".big.pdf"));
  const bool baseFailed = megabytes(stem + ".base.pdf") < 0.001;
  for (const char* suffix : {".prn", ".txt", ".small.prn", ".small.txt", ".ours.pdf", ".base.pdf", ".big.pdf"}) {
    std::filesystem::remove(stem + suffix);
  }
  if (baseFailed) {
    std::printf("the baseline wrote an empty PDF: no ratio\n");
    return 1;
  }
  std::printf("RATIO %.2f\n", ours.Cpu / base.Cpu);
  return 0;
}
