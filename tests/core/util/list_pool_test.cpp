#include "util/list_pool.h"

#include <gtest/gtest.h>

#include "util/exceptions.h"

namespace bexlo {
namespace {

// An entry that reports its destruction, so frees can be counted and double frees show up
// (as a count going below zero, and under the sanitizers).
class Entry : public TObject {
 public:
  Entry(int id, int* alive) : id(id), alive_(alive) { ++*alive_; }
  ~Entry() override { --*alive_; }
  const int id;

 private:
  int* alive_;
};

int IdOf(const TObject* object) { return static_cast<const Entry*>(object)->id; }

TEST(TList, RangeErrorsGoThroughTheVirtualErrorAndNothingIsOwned) {
  int alive = 0;
  Entry a(1, &alive), b(2, &alive);
  {
    TList list;
    list.Add(&a);
    list.Insert(0, &b);
    list.Add(nullptr);
    EXPECT_EQ(list.Get(0), &b);
    try {
      list.Get(3);
      FAIL() << "no error";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Insert(5, &a), EListError);
    list.Move(0, 2);
    EXPECT_EQ(list.Get(2), &b);
    list.Pack();
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Remove(&a), 0);
    EXPECT_EQ(list.Extract(&b), &b);
    EXPECT_EQ(list.Count(), 0);
  }
  EXPECT_EQ(alive, 2);

  struct Custom : TList {
    mutable int errors = 0;
    void Error(const char*, int data) const override {
      ++errors;
      throw std::out_of_range(std::to_string(data));
    }
  } custom;
  EXPECT_THROW(custom.Delete(7), std::out_of_range);
  EXPECT_EQ(custom.errors, 1);
}

class TListPoolTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(alive, 0) << "an entry was leaked or freed twice"; }
  Entry* Make(int id) { return new Entry(id, &alive); }
  int alive = 0;
};

TEST_F(TListPoolTest, GetItemOutsideTheListIsNullWithoutError) {
  TListPool pool;
  pool.Add(Make(1));
  EXPECT_EQ(pool.GetItem(-1), nullptr);
  EXPECT_EQ(pool.GetItem(1), nullptr);
  EXPECT_EQ(IdOf(pool.GetItem(0)), 1);
}

TEST_F(TListPoolTest, AddIntoRefillsTheLowestEmptySlotBeforeTheLimit) {
  TListPool pool;
  pool.SetLimit(3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pool.AddInto(Make(i)), i);
  Entry* extra = Make(9);
  EXPECT_EQ(pool.AddInto(extra), -1);  // full: the caller still owns extra

  Entry* second = static_cast<Entry*>(pool.GetItem(1));
  Entry* first = static_cast<Entry*>(pool.GetItem(0));
  pool.ClearPosition(1);
  pool.ClearPosition(0);
  EXPECT_EQ(pool.Count(), 3);  // emptied, not shortened
  EXPECT_EQ(alive, 4);         // and not freed
  EXPECT_EQ(pool.AddInto(extra), 0);
  EXPECT_EQ(pool.AddInto(second), 1);
  delete first;
  EXPECT_THROW(pool.ClearPosition(3), EListError);

  EXPECT_EQ(pool.ClearItem(extra), 0);
  EXPECT_EQ(pool.ClearItem(extra), -1);
  delete extra;

  pool.SetLimit(0);  // no limit: appends once no slot is empty
  pool.Put(0, Make(5));
  EXPECT_EQ(pool.AddInto(Make(6)), 3);
  EXPECT_EQ(pool.AddInto(Make(7)), 4);
}

TEST_F(TListPoolTest, FreeChildrenDeleteClearAndDestructionFreeEachEntryOnce) {
  {
    TListPool pool;
    for (int i = 0; i < 4; ++i) pool.Add(Make(i));
    pool.Add(nullptr);
    pool.Delete(1);
    EXPECT_EQ(alive, 3);
    EXPECT_EQ(pool.Count(), 4);
    EXPECT_EQ(IdOf(pool.GetItem(1)), 2);
    pool.Delete(3);  // an empty slot: nothing to free
    pool.FreeChildren();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(pool.Count(), 3);
    EXPECT_EQ(pool.GetItem(0), nullptr);
    EXPECT_EQ(pool.AddInto(Make(8)), 0);
    pool.Clear();
    EXPECT_EQ(pool.Count(), 0);
    EXPECT_EQ(alive, 0);
    pool.Add(Make(1));
    pool.Add(Make(2));
    // Remove gives an entry back without freeing it.
    Entry* back = static_cast<Entry*>(pool.GetItem(0));
    pool.Remove(back);
    EXPECT_EQ(alive, 2);
    delete back;
  }
  EXPECT_EQ(alive, 0);
}

TEST_F(TListPoolTest, SearchesSkipEmptySlotsAndScanFromTheirEnd) {
  TListPool pool;
  EXPECT_EQ(pool.FirstThat([](TObject*) { return true; }), nullptr);
  EXPECT_EQ(pool.LastThat([](TObject*) { return true; }), nullptr);
  pool.Add(nullptr);
  for (int id : {10, 3, 12, 5}) pool.Add(Make(id));
  pool.Add(nullptr);
  auto even = [](TObject* o) { return IdOf(o) % 2 == 0; };
  EXPECT_EQ(IdOf(pool.FirstThat(even)), 10);
  EXPECT_EQ(IdOf(pool.LastThat(even)), 12);
  EXPECT_EQ(pool.FirstThat([](TObject* o) { return IdOf(o) > 100; }), nullptr);

  int sum = 0, calls = 0;
  pool.ForEach([&](TObject* o) {
    sum += IdOf(o);
    ++calls;
  });
  EXPECT_EQ(sum, 30);
  EXPECT_EQ(calls, 4);

  // The slot count is read once: entries added by the action are not visited, and an action that
  // shortens the list does not make the walk run past its end.
  calls = 0;
  pool.ForEach([&](TObject*) {
    ++calls;
    if (pool.Count() > 3) pool.Delete(pool.Count() - 1);
  });
  EXPECT_EQ(pool.Count(), 3);
  EXPECT_EQ(calls, 3);
}

// A descendant that frees only some entries, the way the parameter list frees only its
// temporary cells; its destructor must leave the entries it does not own alone.
class BorrowingPool : public TListPool {
 public:
  ~BorrowingPool() override {
    FreeChildren();
    TList::Clear();
  }
  void FreeChildren() override {
    for (int i = 0; i < Count(); ++i) {
      auto* entry = static_cast<Entry*>(GetItem(i));
      if (entry != nullptr && entry->id < 0) {  // negative ids are "temporary"
        ClearPosition(i);
        delete entry;
      }
    }
  }
};

TEST_F(TListPoolTest, OverriddenFreeChildrenDecidesWhatClearAndDestructionFree) {
  Entry borrowed(1, &alive);
  {
    BorrowingPool pool;
    pool.Add(&borrowed);
    pool.Add(Make(-1));
    pool.Clear();
    EXPECT_EQ(alive, 1);
    pool.Add(&borrowed);
    pool.Add(Make(-2));
  }
  EXPECT_EQ(alive, 1);
}

}  // namespace
}  // namespace bexlo

namespace bexlo {
namespace {

TEST(TListPool, RefusesAnObjectItAlreadyOwnsInsteadOfFreeingItTwice) {
  int alive = 0;
  {
    TListPool pool;
    auto* a = new Entry(1, &alive);
    auto* b = new Entry(2, &alive);
    pool.Add(a);
    pool.Add(b);
    try {
      pool.Add(a);
      FAIL() << "the same object was taken twice";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "An owning list does not take the same object twice (index 0)");
    }
    EXPECT_THROW(pool.Insert(0, b), EListError);
    EXPECT_THROW(pool.AddInto(b), EListError);
    EXPECT_THROW(pool.Put(0, b), EListError);
    pool.Put(1, b);  // an object put back into its own slot is no second copy
    EXPECT_EQ(pool.Count(), 2);
    // Once it left the list (ClearPosition hands it back), it may enter again.
    pool.ClearPosition(0);
    EXPECT_EQ(pool.AddInto(a), 0);
    // Null slots are no objects: several may exist.
    pool.Add(nullptr);
    pool.Add(nullptr);
    EXPECT_EQ(pool.Count(), 4);
  }
  EXPECT_EQ(alive, 0);  // each freed exactly once

  // A plain list owns nothing and holds what it is given, twice if asked.
  Entry c(3, &alive);
  TList list;
  list.Add(&c);
  list.Add(&c);
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
}  // namespace bexlo
