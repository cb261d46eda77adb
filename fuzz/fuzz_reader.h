// Reads typed values off a fuzzer's input: bytes, short texts (a length byte, then that many
// bytes) and doubles (eight bytes, any bit pattern). Past the end every read gives zero bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzReader {
 public:
  FuzzReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ >= size_; }
  std::uint8_t Byte() { return AtEnd() ? 0 : data_[pos_++]; }
  std::string Text() {
    const std::size_t length = std::min<std::size_t>(Byte(), size_ - pos_);
    std::string text(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    return text;
  }
  double Double() {
    std::uint8_t bytes[8] = {};
    for (auto& b : bytes) b = Byte();
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};
