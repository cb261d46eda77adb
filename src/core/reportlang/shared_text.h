// TSharedText: the text payload of a report value. Copies share one buffer (a pointer copy and a
// count), and writing into a shared buffer first takes a buffer of its own, so passing strings
// between cells (registers, the value stack, argument copies) copies no characters. Buffers come
// from and go back to a per-thread pool, so steady-state use does not allocate.
//
// A text, and every text sharing its buffer, is used by one thread at a time (the counts are not
// atomic): report values live on the thread that runs the report.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace bexlo {

class TSharedText {
 public:
  TSharedText() noexcept = default;
  TSharedText(const TSharedText& other) noexcept : block_(other.block_) {
    if (block_) ++block_->refs;
  }
  TSharedText& operator=(const TSharedText& other) noexcept {
    if (other.block_) ++other.block_->refs;
    Release();
    block_ = other.block_;
    return *this;
  }
  ~TSharedText() { Release(); }
  void swap(TSharedText& other) noexcept { std::swap(block_, other.block_); }

  const std::string& str() const noexcept { return block_ ? block_->text : EmptyString(); }
  bool empty() const noexcept { return !block_ || block_->text.empty(); }
  std::size_t size() const noexcept { return block_ ? block_->text.size() : 0; }

  // Empties the text; a buffer of its own is kept for the next write.
  void clear() noexcept {
    if (!block_) return;
    if (block_->refs == 1) {
      block_->text.clear();
    } else {
      Release();
    }
  }
  // Replaces the text (s may point into this or any other text).
  void assign(std::string_view s) { Overwrite().assign(s.data(), s.size()); }
  // The text for writing, with its current content (a shared buffer is copied first).
  std::string& Mutable();
  // A buffer of its own for writing, with unspecified content (the caller replaces it).
  std::string& Overwrite() {
    if (block_ && block_->refs == 1) return block_->text;
    return TakeFreshBlock();
  }

 private:
  struct Block {
    int refs;
    std::string text;
  };

  static const std::string& EmptyString() noexcept;
  std::string& TakeFreshBlock();
  void Release() noexcept {
    if (block_ && --block_->refs == 0) Recycle(block_);
    block_ = nullptr;
  }
  struct Pool;
  static Pool* ThisThreadPool();  // null once the thread's pool is gone
  static Block* NewBlock();
  static void Recycle(Block* block) noexcept;

  Block* block_ = nullptr;
};

}  // namespace bexlo
