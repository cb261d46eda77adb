// Streams the lines of an output file for indexing: the bytes are read sequentially through a
// bounded buffer (pread on the open file), which is several times faster than walking a fresh
// memory map page by page, and never holds more than the buffer in memory. A line longer than
// the buffer, and everything after a read error, is taken from the file's mapped view instead.
// The lines, their offsets and their bytes are exactly those SplitOutputLines finds in the
// mapped view.
#pragma once

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
