#include "output/recording_canvas.h"

#include <algorithm>

namespace bexlo {

std::vector<TCanvasOp> TRecordingCanvas::Texts() const {
  std::vector<TCanvasOp> texts;
  std::copy_if(Ops.begin(), Ops.end(), std::back_inserter(texts),
               [](const TCanvasOp& op) { return op.Kind == TCanvasOp::okText; });
  return texts;
}

int TRecordingCanvas::Count(TCanvasOp::TKind kind) const {
  return static_cast<int>(
      std::count_if(Ops.begin(), Ops.end(), [kind](const TCanvasOp& op) { return op.Kind == kind; }));
}

TCanvasOp& TRecordingCanvas::Record(TCanvasOp::TKind kind) {
  TCanvasOp& op = Ops.emplace_back();
  op.Kind = kind;
  return op;
}

void TRecordingCanvas::FillRect(const TRect& rect, TColor color) {
  TCanvasOp& op = Record(TCanvasOp::okFillRect);
  op.Rect = rect;
  op.Color = color;
}

void TRecordingCanvas::TextOut(int x, int y, std::string_view text) {
  TCanvasOp& op = Record(TCanvasOp::okText);
  op.Font = Font();
  op.Text = text;
  op.Points = {{x, y}};
}

void TRecordingCanvas::Line(TPoint from, TPoint to, TColor color, int penWidth) {
  TCanvasOp& op = Record(TCanvasOp::okLine);
  op.Points = {from, to};
  op.Color = color;
  op.PenWidth = penWidth;
}

void TRecordingCanvas::Polyline(std::span<const TPoint> points, TColor color, int penWidth) {
  TCanvasOp& op = Record(TCanvasOp::okPolyline);
  op.Points.assign(points.begin(), points.end());
  op.Color = color;
  op.PenWidth = penWidth;
}

}  // namespace bexlo
