#include "output/viewer_navigation.h"

#include <algorithm>

namespace bexlo {

TViewPosition ViewerKeyTarget(TViewPosition pos, TViewerKey key, bool ctrl,
                              const TViewSteps& steps) noexcept {
  switch (key) {
    case TViewerKey::vkPageUp: pos.Top = ctrl ? 0 : pos.Top - steps.VisibleLines; break;
    case TViewerKey::vkPageDown: pos.Top = ctrl ? steps.MaxTop : pos.Top + steps.VisibleLines; break;
    case TViewerKey::vkHome: pos.X = 0; break;
    case TViewerKey::vkEnd: pos.X = ctrl ? steps.MaxX : 0; break;
    case TViewerKey::vkLeft: pos.X -= ctrl ? steps.HorzStep : steps.HorzStep / 10; break;
    case TViewerKey::vkRight: pos.X += ctrl ? steps.HorzStep : steps.HorzStep / 10; break;
    case TViewerKey::vkUp:
      if (!ctrl) pos.Top -= 1;
      break;
    case TViewerKey::vkDown:
      if (!ctrl) pos.Top += 1;
      break;
  }
  return pos;
}

std::int64_t ScrollTarget(std::int64_t pos, TScrollCode code, std::int64_t thumb,
                          std::int64_t unit, std::int64_t page, std::int64_t max) noexcept {
  page = std::max<std::int64_t>(page, 1);
  switch (code) {
    case TScrollCode::scLineUp: return pos - unit;
    case TScrollCode::scLineDown: return pos + unit;
    case TScrollCode::scPageUp: return pos - page;
    case TScrollCode::scPageDown: return pos + page;
    case TScrollCode::scPosition:
    case TScrollCode::scTrack: return thumb;
    case TScrollCode::scTop: return 0;
    case TScrollCode::scBottom: return max;
    case TScrollCode::scEndScroll: return pos;
  }
  return pos;
}

}  // namespace bexlo
