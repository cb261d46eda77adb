// The index a reader keeps of an output file: one TLine per line (where its bytes are, the font
// and paragraph state it starts in, its measured height and width), the pages as ranges of
// lines, and the text runs (TFragment) a page is painted with. Sizes are printer pixels.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace bexlo {

// 24 bytes per line; the file offset is 64-bit, so files of any size index.
struct TLine {
  std::int64_t Start = 0;          // offset of the line's first byte in the file
  std::uint16_t Length = 0;        // bytes kept for display, at most kMaxDisplayLine
  std::uint8_t FontCode = 255;     // font in force at the start of the line
  std::uint8_t FontSize = 0;
  std::uint16_t Height = 0;        // 0 for a line of control sequences only
  std::uint16_t Width = 0;         // measured for paragraph lines only
  std::uint16_t LeftIndent = 0;
  std::uint16_t RightIndent = 0;
  std::uint8_t Flags = 0;          // TLineFlag bits

  TLine() = default;
  // Length is capped at 65535 and indents are clamped to 0..65535 (callers cap the length to
  // the display limit first).
  TLine(std::int64_t start, std::size_t length, int fontCode, int fontSize, int leftIndent,
        int rightIndent) noexcept;
  void SetIndents(int leftIndent, int rightIndent) noexcept;
};
static_assert(sizeof(TLine) == 24);

// Lines live in a deque: no reallocation while a large file is indexed, and no slack beyond
// one block.
using TLineList = std::deque<TLine>;

// A page: an inclusive range of line indexes.
struct TPage {
  std::int64_t FirstLine = 0;
  std::int64_t LastLine = 0;
  bool operator==(const TPage&) const = default;
};

// A run of text drawn with one font at one position (device pixels, never negative).
struct TFragment {
  std::int64_t LineIndex = 0;
  std::uint8_t FontCode = 255;
  std::uint8_t FontSize = 0;
  int X = 0;
  int Y = 0;
  std::string Text;

  TFragment() = default;
  TFragment(std::int64_t lineIndex, int fontCode, int fontSize, std::int64_t x, std::int64_t y);
  void SetPosition(std::int64_t x, std::int64_t y) noexcept;
};

// Splits the lines into pages: heights are summed from the page's first line; a line at which
// the sum reaches pageHeight, or that carries the page-break flag, starts the next page (its
// height starts the new sum). The first line of the file always belongs to the first page and
// the last line never starts a page. No lines, no pages.
std::vector<TPage> BuildPages(const TLineList& lines, int pageHeight);

}  // namespace bexlo
