// Loads arbitrary bytes as a report output file and lays every page out on a recording canvas:
// printed, painted at several zooms and scroll positions, and exported; then every page is
// painted again for real, glyph by glyph, on an offscreen image through the widget library's Qt
// canvas (Qt's offscreen platform). Loading may only fail with the library's own exceptions;
// nothing may crash, hang or grow without bound.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "output/file_viewer_model.h"
#include "output/recording_canvas.h"
#include "util/exceptions.h"
#include "util/settings.h"
#include "widgets/output/qt_canvas.h"

namespace {

struct NullExport : bexlo::TExportTarget {
  std::size_t bytes = 0;
  void SetPrinterOrientation(bexlo::TPrinterOrientation) override {}
  void SetFont(int, int) override {}
  void InsertLine(std::string_view text, int, int) override { bytes += text.size(); }
  void NewPage() override {}
};

const std::string& FilePath() {
  static const std::string path = "/tmp/bexlo_fuzz_output_" + std::to_string(getpid()) + ".prn";
  return path;
}

// Every page printed and the screen painted on one offscreen image: the image is smaller than
// a page, so the painter clips what lies beyond it, as a window does.
void PaintOnImage(bexlo::TFileViewerModel& viewer) {
  static QImage image(600, 800, QImage::Format_RGB32);
  QPainter painter(&image);
  bexlo::TQtCanvas pages(&painter, {0, 0, viewer.Printer().PageWidth(), viewer.Printer().PageHeight()});
  viewer.Print(pages, 0, viewer.GetPageCount() - 1);
  bexlo::TQtCanvas screen(&painter, {0, 0, image.width(), image.height()});
  viewer.Zoom(50);
  viewer.SetClientSize(image.width(), image.height());
  viewer.Paint(screen);
}

}  // namespace

// fontconfig, under Qt's font database, keeps caches it never frees; they are not the library's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Kept for the whole run: the canvas's faces come from its font database.
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bexlo;
  // The first byte picks the printer resolution and orientation; the rest is the file.
  std::uint8_t setup = size > 0 ? data[0] : 0;
  if (size > 0) {
    ++data;
    --size;
  }
  static const int kResolutions[] = {0, 72, 300, 600};
  PrinterDPI = kResolutions[setup & 3];

  std::FILE* file = std::fopen(FilePath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  TFileViewerModel viewer;
  viewer.SetFileName(FilePath());
  viewer.SetOrientation((setup & 4) ? TPrinterOrientation::poLandscape
                                    : TPrinterOrientation::poPortrait);
  try {
    viewer.LoadFile();
  } catch (const Exception&) {
    return 0;  // an empty file cannot be mapped
  }

  TRecordingCanvas printer;
  viewer.Print(printer, 0, viewer.GetPageCount() - 1);

  TRecordingCanvas screen;
  screen.Clip = {0, 0, 800, 600};
  viewer.SetClientSize(800, 600);
  viewer.Paint(screen);
  viewer.KeyDown(TViewerKey::vkPageDown, false);
  viewer.KeyDown(TViewerKey::vkRight, true);
  viewer.Paint(screen);
  viewer.Zoom(100);
  viewer.SetPage(viewer.GetPageCount() - 1);
  viewer.Paint(screen);
  viewer.FitToPage(400, 500);
  viewer.Paint(screen);

  NullExport exported;
  viewer.Export(exported);

  PaintOnImage(viewer);
  return 0;
}
