// How the file viewer moves on keys and scroll-bar commands, as pure functions of its state.
// They return the wanted position; the viewer's SetCurrent clamps it to what GetMax allows.
// Horizontal positions are printer pixels, vertical ones line indexes.
#pragma once

#include <cstdint>

namespace bexlo {

enum class TViewerKey { vkPageUp, vkPageDown, vkHome, vkEnd, vkLeft, vkRight, vkUp, vkDown };

enum class TScrollCode {
  scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll
};

struct TViewPosition {
  std::int64_t X = 0;    // LeftPos
  std::int64_t Top = 0;  // TopLine
  bool operator==(const TViewPosition&) const = default;
};

// What the moves depend on besides the position.
struct TViewSteps {
  std::int64_t MaxX = 0;          // GetMax
  std::int64_t MaxTop = 0;
  std::int64_t HorzStep = 10;     // horizontal page; the arrow step is HorzStep div 10
  std::int64_t VisibleLines = 60; // vertical page
};

// Page Up/Down move by VisibleLines (with Ctrl: to the top / to the maximum line); Home goes to
// x 0; End to x 0 (with Ctrl: the maximum x); Left/Right move by HorzStep div 10 (with Ctrl:
// HorzStep); Up/Down move by one line (nothing with Ctrl).
TViewPosition ViewerKeyTarget(TViewPosition pos, TViewerKey key, bool ctrl,
                              const TViewSteps& steps) noexcept;

// One scroll bar: line up/down by `unit`, page up/down by `page` (at least 1), position and
// tracking to `thumb`, top to 0, bottom to `max`; other commands keep the position.
std::int64_t ScrollTarget(std::int64_t pos, TScrollCode code, std::int64_t thumb,
                          std::int64_t unit, std::int64_t page, std::int64_t max) noexcept;

}  // namespace bexlo
