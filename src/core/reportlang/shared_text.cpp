#include "reportlang/shared_text.h"

#include <vector>

namespace bexlo {

namespace {
// Set when this thread's pool has been destroyed (at thread exit): texts destroyed later (in
// static objects) free their buffers directly.
thread_local bool t_pool_gone = false;
}  // namespace

// Spare buffers of one thread. Large buffers, and a surplus beyond kMaxBlocks, are freed instead
// of kept, so a pool holds at most kMaxBlocks small strings.
struct TSharedText::Pool {
  static constexpr std::size_t kMaxBlocks = 4096;
  static constexpr std::size_t kMaxPooledCapacity = 4096;

  std::vector<Block*> free;
  ~Pool() {
    t_pool_gone = true;
    for (Block* block : free) delete block;
  }
};

TSharedText::Pool* TSharedText::ThisThreadPool() {
  if (t_pool_gone) return nullptr;
  thread_local Pool pool;
  return &pool;
}

const std::string& TSharedText::EmptyString() noexcept {
  static const std::string empty;
  return empty;
}

TSharedText::Block* TSharedText::NewBlock() {
  Pool* pool = ThisThreadPool();
  if (pool && !pool->free.empty()) {
    Block* block = pool->free.back();
    pool->free.pop_back();
    block->refs = 1;
    return block;
  }
  return new Block{1, {}};
}

void TSharedText::Recycle(Block* block) noexcept {
  Pool* pool = ThisThreadPool();
  if (!pool || pool->free.size() >= Pool::kMaxBlocks ||
      block->text.capacity() > Pool::kMaxPooledCapacity) {
    delete block;
    return;
  }
  block->text.clear();
  try {
    pool->free.push_back(block);
  } catch (...) {
    delete block;
  }
}

std::string& TSharedText::TakeFreshBlock() {
  Block* fresh = NewBlock();
  Release();  // a shared buffer stays alive for its other holders
  block_ = fresh;
  return fresh->text;
}

std::string& TSharedText::Mutable() {
  if (block_ && block_->refs == 1) return block_->text;
  Block* fresh = NewBlock();
  if (block_) fresh->text = block_->text;
  Release();
  block_ = fresh;
  return fresh->text;
}

}  // namespace bexlo
