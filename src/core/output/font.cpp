#include "output/font.h"

#include <algorithm>
#include <bit>

#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

bool SameAscii(std::string_view a, std::string_view b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

TFontFamily FamilyOfName(std::string_view name) noexcept {
  if (SameAscii(name, msg::SQoFontCourierNew) || SameAscii(name, "Liberation Mono"))
    return TFontFamily::Mono;
  if (SameAscii(name, msg::SQoFontTimesNewRoman) || SameAscii(name, "Liberation Serif"))
    return TFontFamily::Serif;
  return TFontFamily::Sans;
}

// Round(value / divisor) for non-negative values, halves up.
std::int64_t RoundDiv(std::int64_t value, std::int64_t divisor) noexcept {
  return (2 * value + divisor) / (2 * divisor);
}

}  // namespace

TFont::TFont() : name_(msg::SQoFontCourierNew) { Update(); }

void TFont::SetName(std::string_view name) {
  if (name == name_) return;
  name_ = name;
  Update();
}

void TFont::SetSize(int points) {
  points = std::clamp(points, 1, kMaxSize);
  if (points == size_) return;
  size_ = points;
  Update();
}

void TFont::SetStyle(TFontStyles style) {
  style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  if (style == style_) return;
  style_ = style;
  Update();
}

void TFont::SetPixelsPerInch(int ppi) {
  ppi = std::clamp(ppi, 1, kMaxPixelsPerInch);
  if (ppi == ppi_) return;
  ppi_ = ppi;
  Update();
}

void TFont::AssignFace(const TFont& source) {
  name_ = source.name_;
  size_ = source.size_;
  style_ = source.style_;
  Update();
}

void TFont::Update() noexcept {
  family_ = FamilyOfName(name_);
  face_ = &FaceMetrics(family_, (style_ & fsBold) != 0, (style_ & fsItalic) != 0);
  pixel_size_ = static_cast<int>(RoundDiv(std::int64_t{size_} * ppi_, 72));
  em_shift_ = std::has_single_bit(face_->UnitsPerEm) ? std::countr_zero(face_->UnitsPerEm) : -1;
  height_ = Scale(face_->WinAscent + face_->WinDescent);
}

std::int64_t TFont::TextWidth(std::string_view text) const noexcept {
  std::int64_t width = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      width += CharWidth(byte);
      ++pos;
    } else {
      width += CharWidth(Utf8Decode(text, pos));
    }
  }
  return width;
}

}  // namespace bexlo
