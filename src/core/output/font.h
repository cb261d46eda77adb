// TFont: a font as the output model measures it: face name, size in points, style and the
// resolution of the device it is measured for. Text height and character widths come from the
// built-in metric tables (font_metrics.h), so measuring never depends on installed fonts:
//   pixel size = Round(size x resolution / 72)
//   height     = Round((win ascent + win descent) x pixel size / units per em)
//   width      = sum over the code points of Round(advance x pixel size / units per em)
// (halves round up). "Arial", "Courier New" and "Times New Roman" (or their Liberation names,
// any letter case) select the Sans, Mono and Serif tables; any other name measures as Arial.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "output/font_metrics.h"

namespace bexlo {

// Style bits, the same as the low four bits of the output format's font code.
enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;

class TFont {
 public:
  static constexpr int kMaxSize = 1000;            // points
  static constexpr int kMaxPixelsPerInch = 9600;
  // A cached width table (LatinWidths) holds U+0000..U+00FF, then U+0400..U+04FF from
  // kCyrillicSlot on, then a width of 0 at kZeroSlot.
  static constexpr int kCyrillicSlot = 256;
  static constexpr int kZeroSlot = kCyrillicSlot + 256;

  // "Courier New", 10 pt, no style, 300 pixels per inch.
  TFont();

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string_view name);
  int Size() const noexcept { return size_; }
  void SetSize(int points);  // clamped to 1..kMaxSize
  TFontStyles Style() const noexcept { return style_; }
  void SetStyle(TFontStyles style);
  // SetName, SetSize and SetStyle at once, measuring the new face once.
  void SetFace(std::string_view name, int points, TFontStyles style);
  int PixelsPerInch() const noexcept { return ppi_; }
  void SetPixelsPerInch(int ppi);  // clamped to 1..kMaxPixelsPerInch

  // Takes name, size and style of `source`, keeping this font's resolution (what a canvas does
  // when it copies another canvas's font).
  void AssignFace(const TFont& source);

  TFontFamily Family() const noexcept { return family_; }
  int PixelSize() const noexcept { return pixel_size_; }
  // Pixel widths of U+0000..U+00FF, or nullptr when the pixel size is too large to cache them.
  // The table goes on as kCyrillicSlot and kZeroSlot say.
  const std::uint16_t* LatinWidths() const noexcept { return widths_; }
  // Pixel widths of U+0400..U+04FF, or nullptr when the pixel size is too large to cache them.
  const std::uint16_t* CyrillicWidths() const noexcept {
    return widths_ != nullptr ? widths_ + kCyrillicSlot : nullptr;
  }
  // The width of every character when the face is fixed-pitch (each character of the face,
  // and the fallback, has the same advance), else 0.
  int FixedPitchWidth() const noexcept { return fixed_pitch_width_; }
  // Height of a line of text in pixels; TextHeight is 0 for an empty text.
  int Height() const noexcept { return height_; }
  int TextHeight(std::string_view text) const noexcept { return text.empty() ? 0 : height_; }
  // Distance from the top of a line of text to its baseline, in pixels.
  int Ascent() const noexcept { return Scale(face_->WinAscent); }
  int CharWidth(char32_t cp) const noexcept {
    if (cp < 0x100) return widths_ != nullptr ? widths_[cp] : Scale(face_->Latin[cp]);
    if (cp - 0x400 < 0x100) {
      return widths_ != nullptr ? widths_[kCyrillicSlot + (cp - 0x400)] : Scale(face_->Cyrillic[cp - 0x400]);
    }
    return Scale(face_->Advance(cp));
  }
  // Width of UTF-8 text; a malformed byte measures as one U+FFFD.
  std::int64_t TextWidth(std::string_view text) const noexcept;

  bool operator==(const TFont& other) const noexcept {
    return size_ == other.size_ && style_ == other.style_ && ppi_ == other.ppi_ &&
           name_ == other.name_;
  }

 private:
  void Update() noexcept;
  // Round(units x pixel size / units per em), halves up.
  int Scale(int units) const noexcept {
    const std::int64_t value = std::int64_t{units} * pixel_size_;
    if (em_shift_ >= 0) return static_cast<int>((2 * value + face_->UnitsPerEm) >> (em_shift_ + 1));
    return static_cast<int>((2 * value + face_->UnitsPerEm) / (2 * face_->UnitsPerEm));
  }

  std::string name_;
  int size_ = 10;
  TFontStyles style_ = 0;
  int ppi_ = 300;

  TFontFamily family_ = TFontFamily::Mono;  // from the name
  const TFaceMetrics* face_ = nullptr;
  int pixel_size_ = 0;
  int height_ = 0;
  int em_shift_ = -1;  // log2 of units per em when that is a power of two
  int fixed_pitch_width_ = 0;
  // Pixel widths of U+0000..U+00FF and U+0400..U+04FF (kCyrillicSlot on), and a 0; shared.
  const std::uint16_t* widths_ = nullptr;
};

}  // namespace bexlo
