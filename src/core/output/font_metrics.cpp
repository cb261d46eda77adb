#include "output/font_metrics.h"

#include <algorithm>

namespace bexlo {

std::uint16_t TFaceMetrics::Advance(char32_t cp) const noexcept {
  if (cp < 0x100) return Latin[cp];
  if (cp >= 0x400 && cp < 0x500) return Cyrillic[cp - 0x400];
  if (cp > 0xFFFF) return FallbackAdvance;
  const TGlyphAdvance* end = Others + OtherCount;
  const TGlyphAdvance* it = std::lower_bound(
      Others, end, cp, [](const TGlyphAdvance& g, char32_t c) { return g.CodePoint < c; });
  return (it != end && it->CodePoint == cp) ? it->Advance : FallbackAdvance;
}

}  // namespace bexlo
