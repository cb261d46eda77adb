// Finds arbitrary text in arbitrary bytes loaded as a report output file: every hit lies within
// the shown text of its line and on the page that holds the line, following hits move forward
// until the search wraps, and the rectangles marking a hit lie where the last paint drew.
// Loading may only fail with the library's own exceptions; nothing may crash or hang.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "output/file_viewer_model.h"
#include "output/recording_canvas.h"
#include "output/viewer_find.h"
#include "util/exceptions.h"
#include "util/settings.h"

namespace {

const std::string& FilePath() {
  static const std::string path = "/tmp/bexlo_fuzz_find_" + std::to_string(getpid()) + ".prn";
  return path;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bexlo;
  // A short text to find, a byte of options, then the file.
  std::size_t used = 0;
  const std::size_t length = size > 0 ? std::min<std::size_t>(data[0] % 16, size - 1) : 0;
  used = size > 0 ? 1 : 0;
  const std::string needle(reinterpret_cast<const char*>(data + used), length);
  used += length;
  const std::uint8_t setup = used < size ? data[used++] : 0;
  PrinterDPI = (setup & 1) ? 600 : 0;

  std::FILE* file = std::fopen(FilePath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + used, 1, size - used, file);
  std::fclose(file);

  TFileViewerModel viewer;
  viewer.SetFileName(FilePath());
  try {
    viewer.LoadFile();
  } catch (const Exception&) {
    return 0;
  }
  viewer.SetClientSize(800, 600);
  if (setup & 2) viewer.Zoom(100);
  if (setup & 4) viewer.FitToPage(400, 500);
  const bool matchCase = (setup & 8) != 0;

  TFindPosition from;
  for (int round = 0; round < 64; ++round) {
    const std::optional<TFindHit> hit = FindText(viewer, needle, from, matchCase);
    if (!hit) break;
    Check(hit->Line >= 0 && hit->Line < viewer.LineCount());
    const std::u32string shown = ShownLineText(viewer.LineText(hit->Line));
    Check(hit->Start >= 0 && hit->Length > 0 &&
          static_cast<std::size_t>(hit->Start) + static_cast<std::size_t>(hit->Length) <= shown.size());
    Check(hit->Page == viewer.GetPageNum(hit->Line));
    if (hit->Page >= 0) viewer.SetPage(hit->Page);
    TRecordingCanvas screen;
    screen.Clip = {0, 0, 800, 600};
    viewer.Paint(screen);
    for (const TRect& r : HitRects(viewer, *hit)) Check(r.Left <= r.Right && r.Top <= r.Bottom);
    if (hit->Wrapped) break;
    from = NextFindPosition(*hit);
  }
  return 0;
}
