#include "output/font.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
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
  // The names the output format's font codes set, as they are written.
  if (name == msg::SQoFontCourierNew) return TFontFamily::Mono;
  if (name == msg::SQoFontArial) return TFontFamily::Sans;
  if (name == msg::SQoFontTimesNewRoman) return TFontFamily::Serif;
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

// Pixel widths of U+0000..U+00FF followed by those of U+0400..U+04FF and a 0 (the layout
// TFont::kCyrillicSlot and kZeroSlot give), of a face at a pixel size, computed once and shared
// by all fonts and threads (at most 12 faces x kCachedPixelSizes tables of 1 KiB); nullptr
// for pixel sizes beyond the cache.
constexpr int kCachedPixelSizes = 512;

const std::uint16_t* SharedWidths(const TFaceMetrics* face, int pixelSize) {
  if (pixelSize < 0 || pixelSize >= kCachedPixelSizes) return nullptr;
  static std::atomic<const std::uint16_t*> cache[12][kCachedPixelSizes];
  std::atomic<const std::uint16_t*>& slot = cache[face - kFaceMetrics][pixelSize];
  const std::uint16_t* table = slot.load(std::memory_order_acquire);
  if (table != nullptr) return table;
  auto scaled = [&](std::uint16_t units) {
    return static_cast<std::uint16_t>(RoundDiv(std::int64_t{units} * pixelSize, face->UnitsPerEm));
  };
  auto* fresh = new std::uint16_t[TFont::kZeroSlot + 1];
  for (int c = 0; c < 256; ++c) {
    fresh[c] = scaled(face->Latin[c]);
    fresh[TFont::kCyrillicSlot + c] = scaled(face->Cyrillic[c]);
  }
  fresh[TFont::kZeroSlot] = 0;
  if (slot.compare_exchange_strong(table, fresh, std::memory_order_acq_rel)) return fresh;
  delete[] fresh;
  return table;
}

// Whether every character of the face, and its fallback, has the same advance.
bool IsFixedPitch(const TFaceMetrics* face) noexcept {
  static const auto fixed = [] {
    std::array<bool, std::size(kFaceMetrics)> result{};
    for (std::size_t i = 0; i < result.size(); ++i) {
      const TFaceMetrics& f = kFaceMetrics[i];
      auto same = [&](std::uint16_t advance) { return advance == f.FallbackAdvance; };
      result[i] = std::all_of(std::begin(f.Latin), std::end(f.Latin), same) &&
                  std::all_of(std::begin(f.Cyrillic), std::end(f.Cyrillic), same) &&
                  std::all_of(f.Others, f.Others + f.OtherCount,
                              [&](const TGlyphAdvance& g) { return same(g.Advance); });
    }
    return result;
  }();
  return fixed[static_cast<std::size_t>(face - kFaceMetrics)];
}

}  // namespace

TFont::TFont() : name_(msg::SQoFontCourierNew) { Update(); }

void TFont::SetName(std::string_view name) {
  if (name == name_) return;
  name_ = name;
  family_ = FamilyOfName(name_);
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

void TFont::SetFace(std::string_view name, int points, TFontStyles style) {
  points = std::clamp(points, 1, kMaxSize);
  style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  const bool renamed = name != name_;
  if (!renamed && points == size_ && style == style_) return;
  if (renamed) {
    name_ = name;
    family_ = FamilyOfName(name_);
  }
  size_ = points;
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
  family_ = source.family_;
  size_ = source.size_;
  style_ = source.style_;
  Update();
}

void TFont::Update() noexcept {
  face_ = &FaceMetrics(family_, (style_ & fsBold) != 0, (style_ & fsItalic) != 0);
  pixel_size_ = static_cast<int>(RoundDiv(std::int64_t{size_} * ppi_, 72));
  // A power of two has one bit set (tested without popcount, which may be a library call).
  const unsigned em = face_->UnitsPerEm;
  em_shift_ = em != 0 && (em & (em - 1)) == 0 ? std::countr_zero(em) : -1;
  height_ = Scale(face_->WinAscent + face_->WinDescent);
  widths_ = SharedWidths(face_, pixel_size_);
  fixed_pitch_width_ = IsFixedPitch(face_) ? Scale(face_->FallbackAdvance) : 0;
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
