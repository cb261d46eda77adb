// The Qt canvas puts every glyph where the page model measured it: on the canvas itself, and in
// the PDF read back with poppler.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "output/file_viewer_model.h"
#include "output/output_format.h"
#include "output/recording_canvas.h"
#include "output_widget_test_support.h"
#include "util/text.h"
#include "widgets/output/pdf_export.h"
#include "widgets/output/qt_canvas.h"

namespace bexlo::test {
namespace {

using QtCanvasTest = OutputWidgetTest;

TEST_F(QtCanvasTest, GlyphsAdvanceByTheMetricTablesWithoutKerning) {
  for (int ppi : {90, 150, 300, 600}) {
    TQtCanvas canvas;
    canvas.SetPixelsPerInch(ppi);
    TFont font;
    CalcFont(font, MakeFontCode(2, 0), 10);  // Times New Roman 10 pt: 42 px at 300 dpi
    canvas.SelectFont(font);
    // "AV", "Wo", "To" are kerned pairs in the font; the model measures without kerning.
    const std::string text = "AVAWAY Wo To \xD0\x96\xD0\xB8\xD1\x82\xD1\x8C";  // and Cyrillic
    QGlyphRun run = canvas.GlyphRun(100, 50, text);
    const QList<QPointF> positions = run.positions();
    const QList<quint32> glyphs = run.glyphIndexes();
    ASSERT_EQ(positions.size(), static_cast<qsizetype>(Utf8Length(text))) << ppi;
    std::int64_t x = 100;
    std::size_t pos = 0;
    for (qsizetype i = 0; i < positions.size(); ++i) {
      const char32_t cp = Utf8Decode(text, pos);
      EXPECT_EQ(positions[i].x(), static_cast<double>(x)) << "glyph " << i << " at " << ppi << " ppi";
      EXPECT_EQ(positions[i].y(), 50.0 + canvas.Font().Ascent());
      if (cp != ' ') {
        EXPECT_NE(glyphs[i], 0u) << "glyph " << i << " has no outline";
      }
      x += canvas.Font().CharWidth(cp);
    }
    EXPECT_EQ(run.rawFont().pixelSize(), canvas.Font().PixelSize());
    EXPECT_EQ(x - 100, canvas.TextWidth(text));
  }
}

TEST_F(QtCanvasTest, FacesFollowTheFamilyAndStyle) {
  TQtCanvas canvas;
  canvas.SetPixelsPerInch(300);
  struct Case {
    int code;
    const char* family;
    bool bold, italic;
  } cases[] = {{0x00, "Liberation Sans", false, false}, {0x11, "Liberation Mono", true, false},
               {0x22, "Liberation Serif", false, true}, {0x23, "Liberation Serif", true, true},
               {255, "Liberation Mono", false, false}};
  for (const Case& c : cases) {
    TFont font;
    CalcFont(font, c.code, 12);
    canvas.SelectFont(font);
    const QRawFont raw = canvas.GlyphRun(0, 0, "x").rawFont();
    EXPECT_EQ(raw.familyName(), QString::fromLatin1(c.family)) << c.code;
    EXPECT_EQ(raw.weight() >= QFont::Bold, c.bold) << c.code;
    EXPECT_EQ(raw.style() != QFont::StyleNormal, c.italic) << c.code;
  }
}

TEST_F(QtCanvasTest, UnderlineAndStrikeOutAndControlCharacters) {
  TQtCanvas canvas;
  TFont font;
  CalcFont(font, MakeFontCode(0, fsUnderline | fsStrikeOut), 10);
  canvas.SelectFont(font);
  QGlyphRun run = canvas.GlyphRun(0, 0, "a\tb");
  EXPECT_TRUE(run.underline());
  EXPECT_TRUE(run.strikeOut());
  // The tab takes its width but draws nothing.
  ASSERT_EQ(run.positions().size(), 2);
  EXPECT_EQ(run.positions()[1].x(), canvas.Font().CharWidth('a') + canvas.Font().CharWidth('\t'));
}

TEST_F(QtCanvasTest, DrawsBlackTextRedRulesAndFillsOnAnImage) {
  QImage image(400, 200, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QPainter painter(&image);
  TQtCanvas canvas(&painter, {0, 0, 400, 200});
  canvas.SetPixelsPerInch(300);
  canvas.FillRect({0, 0, 400, 200}, clWhite);
  canvas.Line({0, 150}, {400, 150}, clRed, 1);
  TFont font;
  CalcFont(font, MakeFontCode(0, fsBold), 20);
  canvas.SelectFont(font);
  canvas.TextOut(10, 10, "HHHH");
  painter.end();
  EXPECT_EQ(image.pixelColor(200, 150), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(390, 100), QColor(Qt::white));
  // Inside the first H's left stem, a little above the baseline.
  const int stemX = 10 + canvas.Font().CharWidth('H') / 6;
  const int y = 10 + canvas.Font().Ascent() - 10;
  int dark = 0;
  for (int x = 10; x < 10 + canvas.Font().CharWidth('H'); ++x) dark += image.pixelColor(x, y).lightness() < 80;
  EXPECT_GT(dark, 5) << "no stem near x " << stemX;
}

// Words of the model's print of a file, with their positions in printer pixels: each text
// fragment split at its blanks, each word's x its fragment's x plus the width of what precedes
// it, its baseline the fragment's y plus the font's ascent.
struct TModelWord {
  int Page = 0;
  double X = 0, Baseline = 0;
  double Descent = 0;  // of the face drawn, in printer pixels
  std::string Text;
};

std::vector<TModelWord> ModelWords(TFileViewerModel& viewer) {
  TRecordingCanvas printer;
  viewer.Print(printer, 0, viewer.GetPageCount() - 1);
  std::vector<TModelWord> words;
  TQtCanvas faces;
  int page = 0;
  for (const TCanvasOp& op : printer.Ops) {
    if (op.Kind == TCanvasOp::okNewPage) ++page;
    if (op.Kind != TCanvasOp::okText) continue;
    faces.SetPixelsPerInch(op.Font.PixelsPerInch());
    faces.SelectFont(op.Font);
    const double descent = faces.GlyphRun(0, 0, "x").rawFont().descent();
    std::size_t pos = 0;
    while (pos < op.Text.size()) {
      if (op.Text[pos] == ' ') {
        ++pos;
        continue;
      }
      std::size_t end = op.Text.find(' ', pos);
      if (end == std::string::npos) end = op.Text.size();
      words.push_back({page, static_cast<double>(op.Points[0].X + op.Font.TextWidth(op.Text.substr(0, pos))),
                       static_cast<double>(op.Points[0].Y + op.Font.Ascent()), descent, op.Text.substr(pos, end - pos)});
      pos = end;
    }
  }
  return words;
}

TEST_F(QtCanvasTest, PdfWordsLieWithinOnePrinterPixelOfTheModel) {
  std::string file;
  file += "\\F0:12Arial twelve points AVAWAY Wo To\r\n";
  file += "\\F32:10Times New Roman ten points, kerning pairs AV Ta Yo We\r\n";
  file += "\\F17:14Courier bold fourteen\r\n";
  file += "\\F35:9Times bold italic nine: \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
          "\xD0\xBC\xD0\xB8\xD1\x80\r\n";
  file += "\\F0:10\\PB20:20This paragraph line is justified between its indents: its gaps widen\r\n";
  file += "and this is its last line, which is not widened\\PE\r\n";
  for (int i = 0; i < 70; ++i) file += "\\F1:10Line " + std::to_string(i) + " of a long report in Arial\r\n";
  file += "^\\F34:16New page after a mark\r\n";
  const std::string output = WriteFile("words.prn", file);

  for (int dpi : {300, 600}) {
    PrinterDPI = dpi;
    TFileViewerModel viewer;
    viewer.SetFileName(output);
    viewer.LoadFile();
    ASSERT_GE(viewer.GetPageCount(), 2);
    const std::string pdf = Path("words" + std::to_string(dpi) + ".pdf");
    WriteViewerPdf(viewer, pdf);
    std::vector<TModelWord> expected = ModelWords(viewer);
    std::vector<TPdfWord> found = PdfWords(pdf);
    ASSERT_FALSE(found.empty()) << "pdftotext read no words";
    const double marginX = Printer().LeftMargin() / 25.4 * 72.0;
    const double marginY = Printer().TopMargin() / 25.4 * 72.0;
    const double pixel = 72.0 / dpi;  // a printer pixel in points

    // Each word of the model against the nearest PDF word of the same text on its page: its
    // left edge, and the bottom of its box, which poppler puts at the baseline plus the
    // face's descent.
    double worstX = 0, worstY = 0;
    for (const TModelWord& word : expected) {
      const double x = marginX + word.X * pixel;
      const double bottom = marginY + (word.Baseline + word.Descent) * pixel;
      const TPdfWord* best = nullptr;
      double bestDistance = 1e9;
      for (const TPdfWord& w : found) {
        if (w.Text != word.Text || w.Page != word.Page) continue;
        const double distance = std::abs(w.XMin - x) + std::abs(w.YMax - bottom);
        if (distance < bestDistance) {
          bestDistance = distance;
          best = &w;
        }
      }
      ASSERT_NE(best, nullptr) << "word \"" << word.Text << "\" of page " << word.Page << " not in the PDF";
      worstX = std::max(worstX, std::abs(best->XMin - x) / pixel);
      worstY = std::max(worstY, std::abs(best->YMax - bottom) / pixel);
    }
    std::cout << "[ bbox     ] " << dpi << " dpi: " << expected.size()
              << " words, largest deviation x " << worstX << ", y " << worstY << " printer pixels\n";
    EXPECT_LE(worstX, 1.0) << dpi << " dpi";
    EXPECT_LE(worstY, 1.0) << dpi << " dpi";
  }
}

}  // namespace
}  // namespace bexlo::test
