// Opening a 200 MB report output in the viewer widget and painting its first page (offscreen)
// against LoadFile of the page model alone on the same file; and painting the last page against
// painting the first (the cost of a page must not depend on where it lies). Processor times,
// best of several runs, the file in the page cache.
//
//   bench/run.sh preview_open [DIR]   (DIR: where the file is written, default /tmp)
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <filesystem>
#include <string>

#include "output/file_viewer_model.h"
#include "report_file.h"
#include "widgets/output/file_viewer.h"

namespace {

constexpr int kLines = 2'000'000;  // 200 MB
constexpr int kRuns = 5;
constexpr int kPaints = 200;

// Paints the viewer's window into an image, as a show would.
void PaintInto(bexlo::TFileViewer& viewer, QImage& image) {
  QPainter painter(&image);
  viewer.viewport()->render(&painter);
}

double PaintPage(bexlo::TFileViewer& viewer, QImage& image, int page) {
  viewer.SetPage(page);
  PaintInto(viewer, image);  // fonts and glyphs of the page cached once
  const double start = bench::OwnCpuSeconds();
  for (int i = 0; i < kPaints; ++i) PaintInto(viewer, image);
  return (bench::OwnCpuSeconds() - start) / kPaints;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string dir = argc > 1 ? argv[1] : "/tmp";
  const std::string path = dir + "/bexlo_preview_open_" + std::to_string(getpid()) + ".prn";
  bench::WriteReport(path, kLines);
  std::printf("file: %s, %.1f MB, %d lines\n", path.c_str(), std::filesystem::file_size(path) / 1e6, kLines);

  double model = 1e9, widget = 1e9, first = 1e9, last = 1e9;
  int pages = 0;
  QImage image(1000, 800, QImage::Format_RGB32);
  {
    bexlo::TFileViewerModel warm;  // the file into the page cache
    warm.SetFileName(path);
    warm.LoadFile();
  }
  for (int run = 0; run < kRuns; ++run) {
    {
      const double start = bench::OwnCpuSeconds();
      bexlo::TFileViewerModel viewer;
      viewer.SetFileName(path);
      viewer.LoadFile();
      model = std::min(model, bench::OwnCpuSeconds() - start);
    }
    {
      const double start = bench::OwnCpuSeconds();
      bexlo::TFileViewer viewer;
      viewer.resize(1000, 800);
      viewer.SetFileName(path);
      viewer.LoadFile();
      PaintInto(viewer, image);
      widget = std::min(widget, bench::OwnCpuSeconds() - start);
      pages = viewer.GetPageCount();
      first = std::min(first, PaintPage(viewer, image, 0));
      last = std::min(last, PaintPage(viewer, image, pages - 1));
    }
  }
  std::filesystem::remove(path);
  std::printf("LoadFile of the model:              %.3f s CPU (%d pages)\n", model, pages);
  std::printf("widget: load and paint first page: %.3f s CPU\n", widget);
  std::printf("paint first page:                   %.3f ms CPU\n", first * 1e3);
  std::printf("paint last page:                    %.3f ms CPU\n", last * 1e3);
  std::printf("last page / first page: %.2f\n", last / first);
  std::printf("RATIO %.2f\n", widget / model);
  return 0;
}
