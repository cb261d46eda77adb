// Streams the lines of an output file for indexing: the bytes are read sequentially through a
// bounded buffer (pread on the open file), which is several times faster than walking a fresh
// memory map page by page, and never holds more than the buffer in memory. A line longer than
// the buffer, and everything after a read error, is taken from the file's mapped view instead.
// The lines, their offsets and their bytes are exactly those SplitOutputLines finds in the
// mapped view.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "output/output_format.h"

namespace bexlo {

namespace detail {

// SplitOutputLines on mapped[from..], with an LF at `from` skipped when skipLF is set.
template <class F>
void SplitMappedLines(std::string_view mapped, std::size_t from, bool skipLF, F& onLine) {
  if (skipLF && from < mapped.size() && mapped[from] == '\n') ++from;
  SplitOutputLines(mapped.substr(from), [&](std::size_t start, std::size_t length) {
    onLine(static_cast<std::int64_t>(from + start), mapped.substr(from + start, length));
  });
}

}  // namespace detail

// Calls onLine(offset, bytes) for every line of the file open as `fd` whose whole content is
// `mapped`. The bytes are valid during the call only.
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
      const void* cr = std::memchr(data + p, '\r', filled - p);
      if (cr == nullptr) {
        if (atEnd) {
          onLine(static_cast<std::int64_t>(bufferStart + p), std::string_view(data + p, filled - p));
          p = filled;
        }
        break;
      }
      std::size_t end = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
      onLine(static_cast<std::int64_t>(bufferStart + p), std::string_view(data + p, end - p));
      p = end + 1;
      skipLF = true;
    }
    lineStart = bufferStart + p;

    if (lineStart == bufferStart && filled == capacity && !atEnd) {
      // A line longer than the buffer: take it from the mapped view.
      std::string_view rest = mapped.substr(lineStart);
      std::size_t cr = rest.find('\r');
      std::size_t length = cr == std::string_view::npos ? rest.size() : cr;
      onLine(static_cast<std::int64_t>(lineStart), rest.substr(0, length));
      lineStart += length + (cr == std::string_view::npos ? 0 : 1);
      skipLF = cr != std::string_view::npos;
      bufferStart = lineStart;
      filled = 0;
    }
  }
}

}  // namespace bexlo
