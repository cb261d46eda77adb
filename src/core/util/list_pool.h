// Pointer lists and owning lists.
//   TList: an ordered array of TObject pointers (null allowed); owns nothing. An index out of
//     range raises EListError "List index out of bounds (%d)" through the virtual Error.
//   TListPool: a TList that owns its non-null entries. Slots may be emptied (set to null)
//     without shrinking the list; AddInto refills the lowest empty slot first; every traversal
//     skips empty slots. An object it already holds is refused (EListError) wherever it would
//     enter a second slot. Base of the script machine's lists and the report's object lists.
//   TQoStringList: a TStringList that owns the objects attached to its lines.
#pragma once

#include <functional>
#include <vector>

#include "util/object.h"
#include "util/strings.h"

namespace bexlo {

class TList : public TObject {
 public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  ~TList() override = default;

  std::string_view ClassName() const noexcept override { return "TList"; }

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  // Growing adds null slots, shrinking drops the last ones (an owning list does not free them
  // here: use Delete or Clear for that). A negative count raises EListError.
  void SetCount(int count);
  int Capacity() const noexcept { return static_cast<int>(items_.capacity()); }
  // Reserves room; a capacity below Count is taken as Count.
  void SetCapacity(int capacity);

  TObject* Get(int index) const;
  void Put(int index, TObject* item);
  TObject* First() const { return Get(0); }
  TObject* Last() const { return Get(Count() - 1); }

  int Add(TObject* item);
  void Insert(int index, TObject* item);
  // Removes the slot at index (later entries move down).
  virtual void Delete(int index);
  // Empties the list.
  virtual void Clear();
  // IndexOf(item) then Delete of that index; returns the index or -1.
  int Remove(TObject* item);
  // Removes the first slot holding item without any freeing; returns item or null when absent.
  TObject* Extract(TObject* item);
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  int IndexOf(const TObject* item) const;
  // Drops every null slot.
  void Pack();

  // Direct access to the slots for fast loops (valid until the next change of the list).
  TObject* const* List() const noexcept { return items_.data(); }

 protected:
  // Enlarges Capacity ahead of an Add or Insert into a full list.
  virtual void Grow();
  // Reports a list error: raises EListError with msg formatted with data. An override may
  // raise something else but must not return normally.
  virtual void Error(const char* msg, int data) const;
  // Whether the list owns its entries: it then refuses an object it already holds (Add, Insert,
  // Put, AddInto), which it would otherwise free twice.
  virtual bool OwnsItems() const noexcept { return false; }
  // Raises EListError when an owning list holds item in a slot other than `except`.
  void CheckNotHeld(const TObject* item, int except) const;
  // Slot access without range checks, for descendants.
  TObject*& Slot(int index) { return items_[static_cast<std::size_t>(index)]; }
  TObject* Slot(int index) const { return items_[static_cast<std::size_t>(index)]; }
  void CheckIndex(int index) const;

 private:
  std::vector<TObject*> items_;
};

// The owning list. Destruction frees every non-null entry with TListPool::FreeChildren: a C++
// base destructor cannot reach a descendant's override, so a descendant whose FreeChildren leaves
// some entries alive (the parameter list frees only its temporary cells) calls its own
// FreeChildren and then empties the slots it does not own (Clear) in its own destructor.
class TListPool : public TList {
 public:
  TListPool() = default;
  ~TListPool() override;

  std::string_view ClassName() const noexcept override { return "TListPool"; }

 protected:
  bool OwnsItems() const noexcept override { return true; }

 public:

  // The entry at index, or null for any index outside 0..Count-1 (no error).
  TObject* GetItem(int index) const;
  // Maximum Count that AddInto may reach by appending; 0 or negative means no limit.
  int Limit() const noexcept { return limit_; }
  void SetLimit(int limit) noexcept { limit_ = limit; }
  // Stores object in the lowest empty slot, or appends it when there is none and the limit
  // allows; returns its index, or -1 when it was not placed (the caller keeps ownership).
  int AddInto(TObject* object);
  // Empties the slot without freeing its object (ownership returns to the caller); the list
  // keeps its length. EListError for an index outside 0..Count-1.
  void ClearPosition(int index);
  // Empties the slot holding object without freeing it; returns its index or -1.
  int ClearItem(const TObject* object);
  // Frees the entry at index (when not null), then removes the slot.
  void Delete(int index) override;
  // FreeChildren, then empties the list (Count 0).
  void Clear() override;
  // Frees every non-null entry and sets its slot to null; Count is unchanged.
  virtual void FreeChildren();

  // Calls action for every non-null entry from index 0 up; the slot count is read once.
  void ForEach(const std::function<void(TObject*)>& action) const;
  // The first (FirstThat, from index 0 up) or last (LastThat, from Count-1 down) non-null entry
  // that test accepts; null when none does.
  TObject* FirstThat(const std::function<bool(TObject*)>& test) const;
  TObject* LastThat(const std::function<bool(TObject*)>& test) const;

 private:
  int limit_ = 0;
};

// A string list whose attached objects belong to it: Delete, Clear and destruction free them.
class TQoStringList : public TStringList {
 public:
  TQoStringList() : TStringList(true) {}
  std::string_view ClassName() const noexcept override { return "TQoStringList"; }
};

}  // namespace bexlo
