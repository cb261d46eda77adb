// Loads arbitrary bytes as a report output file and lays every page out on a recording canvas:
// printed, painted at several zooms and scroll positions, and exported. Loading may only fail
// with the library's own exceptions; nothing may crash, hang or grow without bound.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "output/file_viewer_model.h"
#include "output/recording_canvas.h"
#include "util/exceptions.h"
#include "util/settings.h"

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

}  // namespace

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
  return 0;
}
