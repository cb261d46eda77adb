// TRecordingCanvas: a print canvas that draws nothing and records every call with the font in
// force, so that tests (and the fuzz target) can see exactly what the page model paints.
#pragma once

#include <string>
#include <vector>

#include "output/canvas.h"

namespace bexlo {

struct TCanvasOp {
  enum TKind { okFillRect, okText, okLine, okPolyline, okBeginDoc, okNewPage, okEndDoc };
  TKind Kind = okText;
  TFont Font;                  // okText: the font the text was drawn with
  std::string Text;            // okText
  std::vector<TPoint> Points;  // okText: the position; okLine: both ends; okPolyline: all
  TRect Rect;                  // okFillRect
  TColor Color = clBlack;
  int PenWidth = 0;
};

class TRecordingCanvas : public TPrintCanvas {
 public:
  TRect Clip{0, 0, 1000000, 1000000};
  std::vector<TCanvasOp> Ops;

  // The recorded text calls only.
  std::vector<TCanvasOp> Texts() const;
  int Count(TCanvasOp::TKind kind) const;

  TRect ClipRect() const override { return Clip; }
  void FillRect(const TRect& rect, TColor color) override;
  void TextOut(int x, int y, std::string_view text) override;
  void Line(TPoint from, TPoint to, TColor color, int penWidth) override;
  void Polyline(std::span<const TPoint> points, TColor color, int penWidth) override;
  void BeginDoc() override { Record(TCanvasOp::okBeginDoc); }
  void NewPage() override { Record(TCanvasOp::okNewPage); }
  void EndDoc() override { Record(TCanvasOp::okEndDoc); }

 private:
  TCanvasOp& Record(TCanvasOp::TKind kind);
};

}  // namespace bexlo
