// TQtCanvas: the page model's canvas over a QPainter: the viewer's screen, an offscreen
// QImage, a QPrinter or a QPdfWriter. Text is drawn glyph by glyph where the model measured it:
// each character advances by its width in the built-in metric tables at the canvas's
// resolution (no kerning, no shaping), drawn with the Liberation face that stands for the
// font's family (Arial -> Liberation Sans, Courier New -> Liberation Mono, Times New Roman ->
// Liberation Serif) at the table's pixel size. So the screen, the printer and the PDF put
// every character exactly where the model put it, whatever Qt would round a font size to.
//
// TQtPrintCanvas adds documents on a paged device. Several documents may go into one print job
// (BeginJob ... EndJob): each document after the first starts on a new page, so that several
// passes over a page range (collated copies) make one print job and one PDF file.
#pragma once

#include <QPainter>
#include <QRawFont>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "output/canvas.h"

class QPagedPaintDevice;

namespace bexlo {

// The font file data of a face of the metric tables (family, bold, italic), loaded once per
// process from the Liberation fonts; raises EInOutError when the face's file cannot be found.
// BEXLO_FONT_DIR, when set, is searched before the system's font directories.
const QByteArray& LiberationFontData(TFontFamily family, bool bold, bool italic);

class TQtCanvas : public TPrintCanvas {
 public:
  // Paints with `painter` (not owned; may be set later) within `clip` (device pixels).
  explicit TQtCanvas(QPainter* painter = nullptr, const TRect& clip = {});
  ~TQtCanvas() override;

  void SetPainter(QPainter* painter) noexcept { painter_ = painter; }
  QPainter* Painter() const noexcept { return painter_; }
  void SetClip(const TRect& clip) noexcept { clip_ = clip; }

  TRect ClipRect() const override { return clip_; }
  void FillRect(const TRect& rect, TColor color) override;
  void TextOut(int x, int y, std::string_view text) override;
  void Line(TPoint from, TPoint to, TColor color, int penWidth) override;
  void Polyline(std::span<const TPoint> points, TColor color, int penWidth) override;
  // A screen or an image has no documents.
  void BeginDoc() override {}
  void NewPage() override {}
  void EndDoc() override {}

  // The glyph run TextOut draws for `text` at (x, y) in the current font: glyph indexes and
  // baseline positions (what a test compares with the model's positions).
  QGlyphRun GlyphRun(int x, int y, std::string_view text);

  static QColor ToQColor(TColor color) noexcept {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  }

 protected:
  void FontChanged() override { raw_font_valid_ = false; }

 private:
  const QRawFont& RawFont();

  QPainter* painter_;
  TRect clip_;
  // Faces at pixel sizes, by (face index << 20 | pixel size).
  std::unordered_map<std::uint32_t, QRawFont> raw_fonts_;
  QRawFont raw_font_;
  bool raw_font_valid_ = false;
  QList<quint32> glyphs_;
  QList<QPointF> positions_;
};

// A print canvas on a paged device (QPrinter, QPdfWriter). The device's resolution should be
// the model's (PrinterDPI); when it is not, drawing is scaled so that a model pixel stays
// 1/PrinterDPI inch. The clip is the device's paint area.
class TQtPrintCanvas : public TQtCanvas {
 public:
  // `name` names the device in error messages (a printer, a file).
  explicit TQtPrintCanvas(QPagedPaintDevice& device, std::string name = "the printer");
  ~TQtPrintCanvas() override;

  // Opens the device (for a printer, the print job) for several documents. Raises EInOutError
  // when it cannot be opened (no printer, a PDF file that cannot be written).
  void BeginJob();
  void EndJob();
  // Outside a job, BeginDoc opens the device and EndDoc closes it; inside one, every document
  // after the first begins with a new page.
  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;

  // Pages begun so far in the job.
  int PageCount() const noexcept { return pages_; }

 private:
  QPagedPaintDevice& device_;
  std::string name_;
  QPainter painter_;
  void Open();
  void Close();

  bool open_ = false;
  bool job_ = false;  // opened by BeginJob
  int docs_ = 0;
  int pages_ = 0;
};

}  // namespace bexlo
