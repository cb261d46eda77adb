// TCanvas: the drawing surface the output model lays pages out on. The model selects fonts,
// measures text with the built-in metrics of the canvas's font (Font(), at the canvas's own
// resolution) and computes every position; an implementation only paints what it is told, where
// it is told: the screen viewer, the printer and the PDF export implement it, and
// TRecordingCanvas records the calls for tests.
//
// Coordinates are device pixels of the canvas. TextOut places the top-left corner of the text's
// line cell at (x, y) (the baseline lies Font().Ascent() below), drawn with Font(), glyph by
// glyph at the table widths (no kerning).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "output/font.h"

namespace bexlo {

using TColor = std::uint32_t;  // 0x00BBGGRR
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TRect&) const = default;
};

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  const TFont& Font() const noexcept { return font_; }
  // Takes name, size and style of `font`; the canvas keeps its own resolution.
  void SelectFont(const TFont& font);
  // The resolution fonts are measured with on this canvas.
  void SetPixelsPerInch(int ppi);

  int TextHeight(std::string_view text) const noexcept { return font_.TextHeight(text); }
  std::int64_t TextWidth(std::string_view text) const noexcept { return font_.TextWidth(text); }
  int CharWidth(char32_t cp) const noexcept { return font_.CharWidth(cp); }

  // The part of the canvas that needs painting; drawing stops at its bottom and right edges.
  virtual TRect ClipRect() const = 0;
  virtual void FillRect(const TRect& rect, TColor color) = 0;
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  virtual void Line(TPoint from, TPoint to, TColor color, int penWidth) = 0;
  virtual void Polyline(std::span<const TPoint> points, TColor color, int penWidth) = 0;

 protected:
  // Called after the font or the resolution changed.
  virtual void FontChanged() {}

 private:
  TFont font_;
};

// A canvas that is a printer: pages of one document.
class TPrintCanvas : public TCanvas {
 public:
  virtual void BeginDoc() = 0;
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
};

}  // namespace bexlo
