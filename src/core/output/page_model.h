// The index a reader keeps of an output file: one TLine per line (where its bytes are, the font
// and paragraph state it starts in, its measured height and width), the pages as ranges of
// lines, and the text runs (TFragment) a page is painted with. Sizes are printer pixels.
#pragma once

#include <cstdint>
#include <cstddef>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace bexlo {

// Flags of a line (TLine::Flags).
enum TLineFlag : std::uint8_t { lfPageBreak = 1, lfInParagraph = 2, lfParagraphEnd = 4 };

// 32 bytes per line; the file offset is 64-bit, so files of any size index, and the pixel
// values are 32-bit, so that no page the printer model accepts (up to 9600 dpi, paper of
// several metres) saturates them.
struct TLine {
  std::int64_t Start = 0;          // offset of the line's first byte in the file
  std::uint32_t Height = 0;        // 0 for a line of control sequences only
  std::uint32_t Width = 0;         // measured for paragraph lines only
  std::uint32_t LeftIndent = 0;
  std::uint32_t RightIndent = 0;
  std::uint16_t Length = 0;        // bytes kept for display, at most kMaxDisplayLine
  std::uint8_t FontCode = 255;     // font in force at the start of the line
  std::uint8_t FontSize = 0;
  std::uint8_t Flags = 0;          // TLineFlag bits

  TLine() = default;
  // Length is capped at 65535 and indents are clamped to 0 and above (callers cap the length to
  // the display limit first).
  TLine(std::int64_t start, std::size_t length, int fontCode, int fontSize, int leftIndent,
        int rightIndent) noexcept
      : Start(start),
        Length(static_cast<std::uint16_t>(length < 0xFFFF ? length : 0xFFFF)),
        FontCode(static_cast<std::uint8_t>(fontCode)),
        FontSize(static_cast<std::uint8_t>(fontSize)) {
    SetIndents(leftIndent, rightIndent);
  }
  void SetIndents(int leftIndent, int rightIndent) noexcept {
    LeftIndent = ClampPixels(leftIndent);
    RightIndent = ClampPixels(rightIndent);
  }
  // A measured pixel value as stored: negative values become 0.
  static std::uint32_t ClampPixels(int v) noexcept { return static_cast<std::uint32_t>(v < 0 ? 0 : v); }
};
static_assert(sizeof(TLine) == 32);

// The line index: a growable array of TLine in a memory mapping of its own. It grows by
// remapping (the lines are never copied) and asks for huge pages once it is large, so that
// indexing millions of lines does not pay a page fault every 170 lines.
class TLineList {
 public:
  TLineList() = default;
  TLineList(const TLineList& other);
  TLineList& operator=(const TLineList& other);
  TLineList(TLineList&& other) noexcept;
  TLineList& operator=(TLineList&& other) noexcept;
  ~TLineList();

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const TLine& operator[](std::size_t index) const noexcept { return data_[index]; }
  TLine& operator[](std::size_t index) noexcept { return data_[index]; }
  const TLine* begin() const noexcept { return data_; }
  const TLine* end() const noexcept { return data_ + size_; }

  void push_back(const TLine& line) {
    if (size_ == capacity_) Grow(size_ + 1);
    data_[size_++] = line;
  }
  // A line made in place from TLine's constructor arguments.
  template <class... Args>
  TLine& emplace_back(Args&&... args) {
    if (size_ == capacity_) Grow(size_ + 1);
    return *::new (static_cast<void*>(data_ + size_++)) TLine(std::forward<Args>(args)...);
  }
  // Drops the lines and gives the memory back.
  void clear() noexcept;
  // Bytes of address space the list holds (the memory it uses is at most this).
  std::size_t CapacityBytes() const noexcept { return capacity_ * sizeof(TLine); }

 private:
  void Grow(std::size_t needed);

  TLine* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

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

// Splits lines into pages: heights are summed from the page's first line; a line at which the
// sum reaches the page height, or that carries the page-break flag, starts the next page (its
// height starts the new sum). The first line of the file always belongs to the first page; the
// last line follows the same rule as the others (the writer breaks the page before it too). No
// lines, no pages.
class TPageBuilder {
 public:
  explicit TPageBuilder(int pageHeight) noexcept : page_height_(pageHeight) {}
  // The next line, in file order.
  void Add(const TLine& line) {
    if (count_ > 0) Place();
    pending_height_ = line.Height;
    pending_break_ = (line.Flags & lfPageBreak) != 0;
    ++count_;
  }
  // The pages of the lines added.
  std::vector<TPage> Finish();

 private:
  // Sums the height of line count_ - 1 and starts a page at it when the rule says so.
  void Place() {
    const std::int64_t index = count_ - 1;
    sum_ += pending_height_;
    if (index > 0 && (sum_ >= page_height_ || pending_break_)) StartPage(index);
  }
  // Line `index` starts a new page.
  void StartPage(std::int64_t index);

  int page_height_;
  std::int64_t count_ = 0;
  std::int64_t first_ = 0;
  std::int64_t sum_ = 0;
  // The last line added, placed when the next one comes or at Finish.
  int pending_height_ = 0;
  bool pending_break_ = false;
  std::vector<TPage> pages_;
};

std::vector<TPage> BuildPages(const TLineList& lines, int pageHeight);

}  // namespace bexlo
