// Built-in font metrics: advance widths and vertical metrics of the three font families the
// output format knows (Arial, Courier New, Times New Roman), taken from the metric-compatible
// Liberation fonts by tools/gen_font_metrics.py. Every machine measures text with these tables,
// so the writer of an output file and every reader of it lay it out identically.
//
// Widths in font units per character; a character the font does not map takes the face's
// fallback advance (the font's average character width). Code points above U+FFFF use it too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bexlo {

enum class TFontFamily : std::uint8_t { Sans = 0, Mono = 1, Serif = 2 };

struct TGlyphAdvance {
  char16_t CodePoint;
  std::uint16_t Advance;
};

struct TFaceMetrics {
  const char* FontName;   // "LiberationSans-Bold"
  const char* FaceName;   // the face it stands for: "Arial"
  int StyleIndex;         // bold 1 | italic 2
  std::uint16_t UnitsPerEm;
  std::uint16_t WinAscent;
  std::uint16_t WinDescent;
  std::uint16_t FallbackAdvance;
  std::uint16_t Latin[256];     // U+0000..U+00FF
  std::uint16_t Cyrillic[256];  // U+0400..U+04FF
  const TGlyphAdvance* Others;  // every other mapped character of the BMP, sorted
  std::size_t OtherCount;

  // Advance width of `cp` in font units.
  std::uint16_t Advance(char32_t cp) const noexcept;
};

// Indexed by family * 4 + (bold ? 1 : 0) + (italic ? 2 : 0).
extern const TFaceMetrics kFaceMetrics[12];

inline const TFaceMetrics& FaceMetrics(TFontFamily family, bool bold, bool italic) noexcept {
  return kFaceMetrics[static_cast<int>(family) * 4 + (bold ? 1 : 0) + (italic ? 2 : 0)];
}

}  // namespace bexlo
