// TUBookmarkList: the records a grid has selected with its multi-select option, as bookmarks of
// the grid's data set. The list keeps them in record order; the grid draws a mark beside each
// and Ctrl+Delete deletes them. A record the data set no longer has drops out at the next
// Refresh; reopening the data set keeps the selection as far as its key finds the records again.
#pragma once

#include <functional>
#include <vector>

#include "db/dataset.h"

namespace bexlo {

class TUBookmarkList {
 public:
  // dataSet gives the grid's data set (null without one); it is asked on every call.
  explicit TUBookmarkList(std::function<TDataSet*()> dataSet) : data_set_(std::move(dataSet)) {}

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  const TBookmark& Items(int index) const;
  const TBookmark& operator[](int index) const { return Items(index); }

  // Whether the data set's current record is selected; setting it adds or removes that record.
  bool CurrentRowSelected() const;
  void SetCurrentRowSelected(bool value);
  void ToggleCurrentRow() { SetCurrentRowSelected(!CurrentRowSelected()); }
  // Selects the records between two indices among the records read, both included.
  void SelectRange(int fromIndex, int toIndex);
  // Whether the record at `index` among the records read is selected (for drawing).
  bool IsRecordSelected(int index) const;
  // The position of a bookmark in the list; false (and index where it would go) when absent.
  bool Find(const TBookmark& bookmark, int& index) const;
  int IndexOf(const TBookmark& bookmark) const;

  void Clear();
  // Deletes every selected record from the data set, the last one first, and clears the list.
  // A failing delete stops there: the records deleted so far are gone from the list, the failed
  // one and the rest stay selected, and the error passes on. Returns how many were deleted.
  int Delete();
  // Drops the bookmarks whose records are gone; true when any were dropped.
  bool Refresh();
  // The data set's records moved (post, delete, reopen): record indices are looked up again.
  void Invalidate() const { cache_valid_ = false; }

  // Called after every change of the list.
  std::function<void()> OnChange;

 private:
  TDataSet* ActiveDataSet() const;
  const std::vector<int>& Indices() const;
  void Sort();
  void Changed();

  std::function<TDataSet*()> data_set_;
  mutable std::vector<TBookmark> items_;  // re-sorted when the records move (Indices)
  mutable std::vector<int> indices_;  // record index of each item, sorted like items_
  mutable bool cache_valid_ = false;
};

}  // namespace bexlo
