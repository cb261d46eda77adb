// The lines of an output file for indexing, with the offset of each and whether it holds a
// backslash. TLineScanView reads them straight from a mapping of the file made for the scan,
// its pages brought in a window ahead of the scan in one call each and dropped behind it, so
// nothing is copied and little stays resident. StreamOutputLines reads them through a bounded
// buffer (pread on the open file) where no such mapping can be made; a line longer than the
// buffer, and everything after a read error, is taken from the file's mapped view instead.
// Both find exactly the lines, offsets and bytes SplitOutputLines finds in the mapped view.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

#include "output/output_format.h"

namespace bexlo {

namespace detail {

// Calls onLine(offset, bytes, backslash) when it takes the third argument, onLine(offset, bytes)
// otherwise. `backslash`: the bytes contain a backslash, so the line may hold control sequences.
template <class F>
void CallOnLine(F& onLine, std::int64_t offset, std::string_view bytes, bool backslash) {
  if constexpr (std::is_invocable_v<F&, std::int64_t, std::string_view, bool>) {
    onLine(offset, bytes, backslash);
  } else {
    onLine(offset, bytes);
  }
}

// The first CR in [p, end), nullptr when there is none. Sets `backslash` when a backslash
// occurs before that CR (anywhere in the range when there is none): one pass over the bytes
// instead of a search for each.
inline const char* FindLineEnd(const char* p, const char* end, bool& backslash) noexcept {
  backslash = false;
#if defined(__SSE2__)
  // 32 bytes a step: crs and slashes are bit masks of the CRs and backslashes among them.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i slash = _mm_set1_epi8('\\');
  for (; end - p >= 32; p += 32) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i crLow = _mm_cmpeq_epi8(low, cr), crHigh = _mm_cmpeq_epi8(high, cr);
    const __m128i slashLow = _mm_cmpeq_epi8(low, slash), slashHigh = _mm_cmpeq_epi8(high, slash);
    const __m128i any = _mm_or_si128(_mm_or_si128(crLow, crHigh), _mm_or_si128(slashLow, slashHigh));
    if (_mm_movemask_epi8(any) == 0) continue;
    const std::uint32_t crs = static_cast<std::uint32_t>(_mm_movemask_epi8(crLow)) |
                              static_cast<std::uint32_t>(_mm_movemask_epi8(crHigh)) << 16;
    const std::uint32_t slashes = static_cast<std::uint32_t>(_mm_movemask_epi8(slashLow)) |
                                  static_cast<std::uint32_t>(_mm_movemask_epi8(slashHigh)) << 16;
    if (crs != 0) {
      const std::uint32_t before = (crs & (0u - crs)) - 1;  // the bits below the first CR
      backslash = (slashes & before) != 0;
      return p + __builtin_ctz(crs);
    }
    // A backslash and no CR yet: what is left is the search for the CR.
    backslash = true;
    return static_cast<const char*>(std::memchr(p + 32, '\r', static_cast<std::size_t>(end - p - 32)));
  }
#endif
  for (; p < end; ++p) {
    if (*p == '\r') return p;
    if (*p == '\\') {
      backslash = true;
      return static_cast<const char*>(std::memchr(p + 1, '\r', static_cast<std::size_t>(end - p - 1)));
    }
  }
  return nullptr;
}

// SplitOutputLines on mapped[from..], with an LF at `from` skipped when skipLF is set.
template <class F>
void SplitMappedLines(std::string_view mapped, std::size_t from, bool skipLF, F& onLine) {
  if (skipLF && from < mapped.size() && mapped[from] == '\n') ++from;
  SplitOutputLines(mapped.substr(from), [&](std::size_t start, std::size_t length) {
    std::string_view bytes = mapped.substr(from + start, length);
    CallOnLine(onLine, static_cast<std::int64_t>(from + start), bytes,
               std::memchr(bytes.data(), '\\', bytes.size()) != nullptr);
  });
}

}  // namespace detail

// A read-only mapping of a whole output file, made for one pass over its lines.
class TLineScanView {
 public:
  static constexpr std::size_t kWindow = std::size_t{16} << 20;
  // How far ahead of the line being scanned its bytes are prefetched.
  static constexpr std::size_t kAhead = 1024;

  // Maps the first `size` bytes of the open file `fd` (which may be closed afterwards);
  // Mapped() tells whether that worked.
  TLineScanView(int fd, std::size_t size) noexcept : size_(size) {
    if (size == 0) return;
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) data_ = static_cast<const char*>(view);
  }
  ~TLineScanView() {
    if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
  }
  TLineScanView(const TLineScanView&) = delete;
  TLineScanView& operator=(const TLineScanView&) = delete;

  bool Mapped() const noexcept { return data_ != nullptr; }

  // Calls onLine(offset, bytes) or onLine(offset, bytes, backslash) (see detail::CallOnLine)
  // for every line, in order. The pages are brought in `window` bytes (rounded up to whole
  // pages) ahead of the scan and dropped once the scan is a window past them.
  template <class F>
  void ScanLines(F&& onLine, std::size_t window = kWindow) {
    if (data_ == nullptr) return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    window = std::max<std::size_t>((window + page - 1) / page * page, page);
    std::size_t brought = 0;  // pages before this offset have been brought in
    std::size_t dropped = 0;  // pages before this offset have been dropped
    std::size_t pos = 0;
    while (pos < size_) {
      if (brought < size_ && pos + window > brought) {
        const std::size_t length = std::min(window, size_ - brought);
        Advise(brought, length, kPopulate);
        brought += length;
      }
      if (pos - dropped >= 2 * window) {
        Advise(dropped, window, MADV_DONTNEED);
        dropped += window;
      }
      // The processor's own prefetching stops at page boundaries: ask for the bytes ahead.
      __builtin_prefetch(data_ + std::min(pos + kAhead, size_ - 1));
      __builtin_prefetch(data_ + std::min(pos + kAhead + 64, size_ - 1));
      bool backslash;
      const char* cr = detail::FindLineEnd(data_ + pos, data_ + size_, backslash);
      const std::size_t end = cr != nullptr ? static_cast<std::size_t>(cr - data_) : size_;
      detail::CallOnLine(onLine, static_cast<std::int64_t>(pos), std::string_view(data_ + pos, end - pos),
                         backslash);
      pos = end + 1;
      if (pos < size_ && data_[pos] == '\n') ++pos;
    }
  }

 private:
#ifdef MADV_POPULATE_READ
  static constexpr int kPopulate = MADV_POPULATE_READ;
#else
  static constexpr int kPopulate = MADV_WILLNEED;
#endif

  // Advice on data_[from, from + length), whole pages of this view only; a kernel that does
  // not know the advice leaves the pages to be faulted in as the scan reaches them.
  void Advise(std::size_t from, std::size_t length, int advice) noexcept {
    ::madvise(const_cast<char*>(data_) + from, length, advice);
  }

  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

// Calls onLine(offset, bytes) or onLine(offset, bytes, backslash) (see detail::CallOnLine) for
// every line of the file open as `fd` whose whole content is `mapped`. The bytes are valid
// during the call only.
template <class F>
void StreamOutputLines(int fd, std::string_view mapped, F&& onLine,
                       std::size_t capacity = std::size_t{1} << 20) {
  const std::size_t size = mapped.size();
  capacity = std::clamp<std::size_t>(capacity, 1, std::max<std::size_t>(size, 1));
  std::vector<char> buffer(capacity);
  char* data = buffer.data();
  std::size_t bufferStart = 0;  // file offset of data[0]
  std::size_t filled = 0;
  std::size_t lineStart = 0;    // file offset of the next line
  bool skipLF = false;          // the previous line ended with CR: an LF here belongs to it

  while (lineStart < size) {
    // Keep the unfinished line at the start of the buffer and read behind it.
    std::size_t keep = lineStart - bufferStart;
    std::memmove(data, data + keep, filled - keep);
    filled -= keep;
    bufferStart = lineStart;
    std::size_t want = std::min(capacity - filled, size - (bufferStart + filled));
    ssize_t got = ::pread(fd, data + filled, want, static_cast<off_t>(bufferStart + filled));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      detail::SplitMappedLines(mapped, lineStart, skipLF, onLine);
      return;
    }
    filled += static_cast<std::size_t>(got);
    const bool atEnd = bufferStart + filled >= size;

    std::size_t p = lineStart - bufferStart;
    while (p < filled) {
      if (skipLF) {
        skipLF = false;
        if (data[p] == '\n' && ++p == filled) break;
      }
      bool backslash;
      const char* cr = detail::FindLineEnd(data + p, data + filled, backslash);
      if (cr == nullptr) {
        if (atEnd) {
          detail::CallOnLine(onLine, static_cast<std::int64_t>(bufferStart + p),
                             std::string_view(data + p, filled - p), backslash);
          p = filled;
        }
        break;
      }
      std::size_t end = static_cast<std::size_t>(cr - data);
      detail::CallOnLine(onLine, static_cast<std::int64_t>(bufferStart + p),
                         std::string_view(data + p, end - p), backslash);
      p = end + 1;
      skipLF = true;
    }
    lineStart = bufferStart + p;

    if (lineStart == bufferStart && filled == capacity && !atEnd) {
      // A line longer than the buffer: take it from the mapped view.
      std::string_view rest = mapped.substr(lineStart);
      std::size_t cr = rest.find('\r');
      std::size_t length = cr == std::string_view::npos ? rest.size() : cr;
      std::string_view line = rest.substr(0, length);
      detail::CallOnLine(onLine, static_cast<std::int64_t>(lineStart), line,
                         line.find('\\') != std::string_view::npos);
      lineStart += length + (cr == std::string_view::npos ? 0 : 1);
      skipLF = cr != std::string_view::npos;
      bufferStart = lineStart;
      filled = 0;
    }
  }
}

}  // namespace bexlo
