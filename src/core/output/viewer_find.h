// Finding text in a report output as the viewer shows it. The searched text of a line is its
// display text with the control sequences taken out, so a word written across a font change is
// found; a hit lies within one line. Letter case is ignored (Unicode case folding) unless asked
// for. Positions are code points of that shown text.
//
// FindText walks the lines of a loaded TFileViewerModel from a position on to the end, then, when
// wrapping is allowed, from the top back to where it started. HitRects tells where a hit was
// drawn by the model's last Paint, so a window can mark it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/canvas.h"

namespace bexlo {

class TFileViewerModel;

// The text of an output line as shown: control sequences removed, as code points.
std::u32string ShownLineText(std::string_view lineText);

struct TFindHit {
  std::int64_t Line = -1;  // line index
  int Page = -1;           // the first page whose range holds the line
  int Start = 0;           // code point offset in the line's shown text
  int Length = 0;          // code points
  bool Wrapped = false;    // the search went past the end and went on from the top
  bool operator==(const TFindHit&) const = default;
};

struct TFindPosition {
  std::int64_t Line = 0;
  int Offset = 0;  // code point offset in the shown text of Line
};

// The first hit of `what` at or after `from`; with `wrap`, the lines before `from` (and the start
// of its line) are searched afterwards. Nothing for an empty text, an unloaded model or no hit.
std::optional<TFindHit> FindText(const TFileViewerModel& model, std::string_view what,
                                 TFindPosition from, bool matchCase = false, bool wrap = true);

// The position just after a hit's first character: where "find next" goes on from, so that
// overlapping hits are found too.
inline TFindPosition NextFindPosition(const TFindHit& hit) noexcept { return {hit.Line, hit.Start + 1}; }

// Rectangles (device pixels of the last Paint) that cover the hit's characters, one per text
// fragment it touches; empty when the hit's line was not painted. Uses the fragments the model
// kept from its last Paint, so call it right after painting.
std::vector<TRect> HitRects(const TFileViewerModel& model, const TFindHit& hit);

}  // namespace bexlo
