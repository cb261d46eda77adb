// Pixel values of the line index hold any page the printer model accepts: at 9600 dpi on a
// metre-wide paper, widths and indents run far past 16 bits and are kept exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/file_viewer_model.h"
#include "output/output_format.h"
#include "output/recording_canvas.h"
#include "output_test_support.h"

namespace bexlo {
namespace {

using WidePageTest = test::OutputTest;

TEST_F(WidePageTest, WidthsAndIndentsBeyondSixteenBitsAreKept) {
  PrinterDPI = 9600;
  Printer().SetCustomPaper(1000, 400);
  Printer().SetPaper(TPaperSize::psCustom);
  ASSERT_GT(Printer().PageWidth(), 300000);
  // A paragraph of one long line (86 Courier characters of 800 px) indented by 300 mm.
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi pi rho omicron";
  TFileViewerModel viewer;
  viewer.SetFileName(WriteFile("wide.prn", "\\PB300:20" + words + "\r\n" + words + "\\PE\r\n"));
  viewer.LoadFile();
  ASSERT_EQ(viewer.LineCount(), 2);
  const TLine& line = viewer.Lines(0);
  EXPECT_EQ(line.LeftIndent, static_cast<std::uint32_t>(MilimeterToPixel(300)));
  EXPECT_GT(line.LeftIndent, 65535u);
  EXPECT_EQ(line.RightIndent, static_cast<std::uint32_t>(MilimeterToPixel(20)));
  int code = kDefaultFontCode, size = 0;
  const TLineMetrics metrics = CalcFontMetrics(Printer(), words, code, size, Printer().PageWidth(), true);
  EXPECT_GT(metrics.Width, 65535);
  EXPECT_EQ(line.Width, static_cast<std::uint32_t>(metrics.Width));
  // Printed, the justified line fills the page up to its right indent, not 65535 pixels short.
  TRecordingCanvas canvas;
  viewer.Print(canvas, 0, 0);
  const TCanvasOp* last = nullptr;
  const std::vector<TCanvasOp> texts = canvas.Texts();
  for (const TCanvasOp& op : texts) {
    if (op.Text.find("omicron") == std::string::npos) continue;
    if (!last || op.Points[0].Y < last->Points[0].Y) last = &op;
  }
  ASSERT_NE(last, nullptr);
  const int omicron = 7 * 800;  // Courier New 10 pt at 9600 dpi: 800 px a character
  EXPECT_EQ(last->Points[0].X + omicron, Printer().PageWidth() - MilimeterToPixel(20));
}

}  // namespace
}  // namespace bexlo
