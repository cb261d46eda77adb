#include <gtest/gtest.h>

#include "output/font.h"
#include "output/output_format.h"
#include "output/printer_model.h"
#include "output_test_support.h"

namespace bexlo {
namespace {

using test::OutputTest;

TEST(FontTest, MeasuresFromTheLiberationTables) {
  TFont font;  // Courier New 10 pt at 300 px/in: 42 px em
  EXPECT_EQ(font.PixelSize(), 42);
  EXPECT_EQ(font.Height(), 48);     // (1705 + 615) * 42 / 2048 = 47.6
  EXPECT_EQ(font.CharWidth('a'), 25);
  EXPECT_EQ(font.TextWidth("\xD0\x96\xE4\xB8\xAD"), 50);  // Cyrillic and CJK: monospaced too

  font.SetName("Arial");
  EXPECT_EQ(font.Height(), 47);
  EXPECT_EQ(font.CharWidth('A'), 28);
  EXPECT_EQ(font.CharWidth(U'\u0416'), 39);  // Zhe
  EXPECT_EQ(font.CharWidth(U'\u4E2D'), 25);  // not in the font: the average width 1208
  EXPECT_EQ(font.TextWidth("A A"), 28 + 12 + 28);
  font.SetStyle(fsBold);
  EXPECT_EQ(font.CharWidth('A'), 30);
  font.SetStyle(fsBold | fsUnderline | fsStrikeOut);
  EXPECT_EQ(font.CharWidth('A'), 30);

  font.SetName("times new roman");
  font.SetStyle(0);
  EXPECT_EQ(font.Family(), TFontFamily::Serif);
  EXPECT_EQ(font.CharWidth('a'), 19);
}

TEST(FontTest, SizeAndResolutionScale) {
  TFont font;
  font.SetSize(14);
  EXPECT_EQ(font.Height(), 66);
  EXPECT_EQ(font.CharWidth('x'), 35);
  font.SetPixelsPerInch(90);  // the 30 % screen
  font.SetSize(10);
  EXPECT_EQ(font.Height(), 15);
  EXPECT_EQ(font.CharWidth('x'), 8);
  EXPECT_EQ(font.TextHeight(""), 0);
  // A malformed byte measures as one replacement character, never more.
  EXPECT_EQ(font.TextWidth("\xFF"), font.CharWidth(U'\uFFFD'));
  font.SetSize(0);
  EXPECT_EQ(font.Size(), 1);
}

TEST_F(OutputTest, PrinterPageInPrinterPixels) {
  TPrinterModel& printer = Printer();
  EXPECT_EQ(printer.DPI(), 300);  // PrinterDPI unset
  EXPECT_EQ(printer.PageWidth(), 2362);   // (210 - 10) mm
  EXPECT_EQ(printer.PageHeight(), 3390);  // (297 - 10) mm
  printer.SetOrientation(TPrinterOrientation::poLandscape);
  EXPECT_EQ(printer.PageWidth(), 3390);
  printer.SetOrientation(TPrinterOrientation::poPortrait);
  printer.SetPaper(TPaperSize::psLetter);
  printer.SetMargins(0, 10, 0, 10);
  EXPECT_EQ(printer.PageWidth(), 2550);   // 8.5 in
  EXPECT_EQ(printer.PageHeight(), 3064);  // 259.4 mm
  PrinterDPI = 600;
  EXPECT_EQ(printer.PageWidth(), 5100);
  EXPECT_EQ(printer.Font().PixelsPerInch(), 600);
  printer.SetCustomPaper(5, 5);  // margins larger than the paper leave one pixel
  EXPECT_EQ(printer.PageHeight(), 1);
  PrinterDPI = -7;
  EXPECT_EQ(printer.DPI(), 300);
}

TEST_F(OutputTest, MilimetersBecomePrinterPixels) {
  EXPECT_EQ(MilimeterToPixel(10), 118);
  EXPECT_EQ(MilimeterToPixel(-10), -118);
  PrinterDPI = 600;
  EXPECT_EQ(MilimeterToPixel(10), 236);
  EXPECT_EQ(MilimeterToPixel(2147483647.0), 2147483647);  // saturates, no overflow
}

}  // namespace
}  // namespace bexlo
