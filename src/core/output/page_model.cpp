#include "output/page_model.h"

#include <algorithm>
#include <limits>

#include "output/output_format.h"

namespace bexlo {

namespace {

std::uint16_t Clamp16(std::int64_t v) noexcept {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 0xFFFF));
}

int ClampInt(std::int64_t v) noexcept {
  return static_cast<int>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max()));
}

}  // namespace

TLine::TLine(std::int64_t start, std::size_t length, int fontCode, int fontSize, int leftIndent,
             int rightIndent) noexcept
    : Start(start),
      Length(static_cast<std::uint16_t>(std::min<std::size_t>(length, 0xFFFF))),
      FontCode(static_cast<std::uint8_t>(fontCode)),
      FontSize(static_cast<std::uint8_t>(fontSize)) {
  SetIndents(leftIndent, rightIndent);
}

void TLine::SetIndents(int leftIndent, int rightIndent) noexcept {
  LeftIndent = Clamp16(leftIndent);
  RightIndent = Clamp16(rightIndent);
}

TFragment::TFragment(std::int64_t lineIndex, int fontCode, int fontSize, std::int64_t x,
                     std::int64_t y)
    : LineIndex(lineIndex),
      FontCode(static_cast<std::uint8_t>(fontCode)),
      FontSize(static_cast<std::uint8_t>(fontSize)) {
  SetPosition(x, y);
}

void TFragment::SetPosition(std::int64_t x, std::int64_t y) noexcept {
  X = ClampInt(x);
  Y = ClampInt(y);
}

std::vector<TPage> BuildPages(const TLineList& lines, int pageHeight) {
  std::vector<TPage> pages;
  const auto count = static_cast<std::int64_t>(lines.size());
  if (count == 0) return pages;
  std::int64_t first = 0;
  std::int64_t sum = 0;
  for (std::int64_t i = 0; i + 1 < count; ++i) {
    const TLine& line = lines[i];
    sum += line.Height;
    if (i > 0 && (sum >= pageHeight || (line.Flags & lfPageBreak) != 0)) {
      pages.push_back({first, i - 1});
      first = i;
      sum = line.Height;
    }
  }
  pages.push_back({first, count - 1});
  return pages;
}

}  // namespace bexlo
