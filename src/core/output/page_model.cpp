#include "output/page_model.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>


namespace bexlo {

namespace {

int ClampInt(std::int64_t v) noexcept {
  return static_cast<int>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max()));
}

}  // namespace

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

// ---- TLineList -------------------------------------------------------------------------------

namespace {

constexpr std::size_t kFirstMapping = std::size_t{64} << 10;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

TLineList::TLineList(const TLineList& other) {
  if (other.size_ == 0) return;
  Grow(other.size_);
  std::memcpy(static_cast<void*>(data_), other.data_, other.size_ * sizeof(TLine));
  size_ = other.size_;
}

TLineList& TLineList::operator=(const TLineList& other) {
  if (this != &other) {
    TLineList copy(other);
    *this = std::move(copy);
  }
  return *this;
}

TLineList::TLineList(TLineList&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TLineList& TLineList::operator=(TLineList&& other) noexcept {
  if (this != &other) {
    clear();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

TLineList::~TLineList() { clear(); }

void TLineList::clear() noexcept {
  if (data_ != nullptr) munmap(data_, CapacityBytes());
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

void TLineList::Grow(std::size_t needed) {
  std::size_t bytes = std::max(CapacityBytes(), kFirstMapping / 2);
  while (bytes / sizeof(TLine) < needed) {
    if (bytes > std::numeric_limits<std::size_t>::max() / 2) throw std::bad_alloc();
    bytes *= 2;
  }
  void* memory = data_ == nullptr
                     ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                     : mremap(data_, CapacityBytes(), bytes, MREMAP_MAYMOVE);
  if (memory == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  if (bytes >= kHugePage) madvise(memory, bytes, MADV_HUGEPAGE);
#endif
  data_ = static_cast<TLine*>(memory);
  capacity_ = bytes / sizeof(TLine);
}

// ---- pages -----------------------------------------------------------------------------------

void TPageBuilder::StartPage(std::int64_t index) {
  pages_.push_back({first_, index - 1});
  first_ = index;
  sum_ = pending_height_;
}

std::vector<TPage> TPageBuilder::Finish() {
  if (count_ == 0) return std::move(pages_);
  // The last line follows the rule of every other: marked, or not fitting, it starts a page
  // (else it would print past the bottom of the paper).
  Place();
  pages_.push_back({first_, count_ - 1});
  return std::move(pages_);
}

std::vector<TPage> BuildPages(const TLineList& lines, int pageHeight) {
  TPageBuilder builder(pageHeight);
  for (const TLine& line : lines) builder.Add(line);
  return builder.Finish();
}

}  // namespace bexlo
