#include "util/list_pool.h"

#include <algorithm>
#include <utility>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

// ---- TList --------------------------------------------------------------------------------------

void TList::Error(const char* msg, int data) const { throw EListError(Format(msg, data)); }

void TList::CheckIndex(int index) const {
  if (index >= 0 && index < Count()) return;
  Error(msg::SListIndexError, index);
  throw EListError(Format(msg::SListIndexError, index));  // an override of Error that returned
}

void TList::Grow() {
  const int capacity = Capacity();
  const int delta = capacity > 64 ? capacity / 4 : (capacity > 8 ? 16 : 4);
  items_.reserve(static_cast<std::size_t>(capacity + delta));
}

void TList::SetCount(int count) {
  if (count < 0) {
    Error(msg::SListIndexError, count);
    return;
  }
  items_.resize(static_cast<std::size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity > Count()) items_.reserve(static_cast<std::size_t>(capacity));
}

TObject* TList::Get(int index) const {
  CheckIndex(index);
  return Slot(index);
}

void TList::CheckNotHeld(const TObject* item, int except) const {
  if (item == nullptr || !OwnsItems()) return;
  const auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  const int at = static_cast<int>(it - items_.begin());
  if (at != except || std::find(it + 1, items_.end(), item) != items_.end())
    throw EListError(Format(msg::SDuplicateOwnedItem, at));
}

void TList::Put(int index, TObject* item) {
  CheckIndex(index);
  CheckNotHeld(item, index);
  Slot(index) = item;
}

int TList::Add(TObject* item) {
  CheckNotHeld(item, -1);
  if (Count() == Capacity()) Grow();
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, TObject* item) {
  if (index < 0 || index > Count()) {
    Error(msg::SListIndexError, index);
    return;
  }
  CheckNotHeld(item, -1);
  if (Count() == Capacity()) Grow();
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

void TList::Clear() { items_.clear(); }

int TList::Remove(TObject* item) {
  const int index = IndexOf(item);
  if (index >= 0) TList::Delete(index);  // never frees, even in an owning list
  return index;
}

TObject* TList::Extract(TObject* item) {
  const int index = IndexOf(item);
  if (index < 0) return nullptr;
  TList::Delete(index);
  return item;
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(Slot(index1), Slot(index2));
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  const auto from = items_.begin() + curIndex;
  const auto to = items_.begin() + newIndex;
  if (curIndex < newIndex) {
    std::rotate(from, from + 1, to + 1);
  } else {
    std::rotate(to, from, from + 1);
  }
}

int TList::IndexOf(const TObject* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

// ---- TListPool ----------------------------------------------------------------------------------

TListPool::~TListPool() { TListPool::FreeChildren(); }

TObject* TListPool::GetItem(int index) const {
  return index >= 0 && index < Count() ? Slot(index) : nullptr;
}

int TListPool::AddInto(TObject* object) {
  CheckNotHeld(object, -1);
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (Slot(i) == nullptr) {
      Slot(i) = object;
      return i;
    }
  }
  if (limit_ < 1 || n < limit_) return Add(object);
  return -1;
}

void TListPool::ClearPosition(int index) {
  CheckIndex(index);
  Slot(index) = nullptr;
}

int TListPool::ClearItem(const TObject* object) {
  const int index = IndexOf(object);
  if (index >= 0) Slot(index) = nullptr;
  return index;
}

void TListPool::Delete(int index) {
  CheckIndex(index);
  TObject* object = Slot(index);
  TList::Delete(index);
  delete object;
}

void TListPool::Clear() {
  FreeChildren();
  TList::Clear();
}

void TListPool::FreeChildren() {
  // The slot is emptied before the object goes, so a destructor that looks at the list sees a
  // consistent one; Count is re-read in case such a destructor shortened it.
  for (int i = 0; i < Count(); ++i) delete std::exchange(Slot(i), nullptr);
}

void TListPool::ForEach(const std::function<void(TObject*)>& action) const {
  const int n = Count();
  for (int i = 0; i < n && i < Count(); ++i) {
    if (TObject* object = Slot(i)) action(object);
  }
}

TObject* TListPool::FirstThat(const std::function<bool(TObject*)>& test) const {
  for (int i = 0; i < Count(); ++i) {
    TObject* object = Slot(i);
    if (object != nullptr && test(object)) return object;
  }
  return nullptr;
}

TObject* TListPool::LastThat(const std::function<bool(TObject*)>& test) const {
  for (int i = Count() - 1; i >= 0; --i) {
    if (i >= Count()) continue;  // the test shortened the list
    TObject* object = Slot(i);
    if (object != nullptr && test(object)) return object;
  }
  return nullptr;
}

}  // namespace bexlo
