#include "grid/bookmark_list.h"

#include <algorithm>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

TDataSet* TUBookmarkList::ActiveDataSet() const {
  TDataSet* ds = data_set_ ? data_set_() : nullptr;
  return ds != nullptr && ds->Active() ? ds : nullptr;
}

const TBookmark& TUBookmarkList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(msg::SListIndexError, index));
  Indices();  // the items in record order
  return items_[static_cast<std::size_t>(index)];
}

// The record index of every item, in list order (-1 for a record that is gone). Items are kept
// sorted by these indices, so the cache is sorted too (gone records first).
const std::vector<int>& TUBookmarkList::Indices() const {
  if (cache_valid_) return indices_;
  indices_.assign(items_.size(), -1);
  if (TDataSet* ds = ActiveDataSet()) {
    for (std::size_t i = 0; i < items_.size(); ++i) indices_[i] = ds->BookmarkIndex(items_[i]);
  }
  cache_valid_ = true;
  if (!std::is_sorted(indices_.begin(), indices_.end())) {
    // Records moved (a reopened query in another order): sort the items along.
    std::vector<std::size_t> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) { return indices_[a] < indices_[b]; });
    std::vector<TBookmark> items;
    std::vector<int> indices;
    for (std::size_t i : order) {
      items.push_back(std::move(items_[i]));
      indices.push_back(indices_[i]);
    }
    items_ = std::move(items);
    indices_ = std::move(indices);
  }
  return indices_;
}

bool TUBookmarkList::IsRecordSelected(int index) const {
  if (index < 0 || items_.empty()) return false;
  const std::vector<int>& indices = Indices();
  return std::binary_search(indices.begin(), indices.end(), index);
}

bool TUBookmarkList::Find(const TBookmark& bookmark, int& index) const {
  TDataSet* ds = ActiveDataSet();
  const int record = ds != nullptr ? ds->BookmarkIndex(bookmark) : -1;
  const std::vector<int>& indices = Indices();
  const auto it = std::lower_bound(indices.begin(), indices.end(), record);
  index = static_cast<int>(it - indices.begin());
  return record >= 0 && it != indices.end() && *it == record;
}

int TUBookmarkList::IndexOf(const TBookmark& bookmark) const {
  int index = -1;
  return Find(bookmark, index) ? index : -1;
}

bool TUBookmarkList::CurrentRowSelected() const {
  TDataSet* ds = ActiveDataSet();
  return ds != nullptr && IsRecordSelected(ds->CurrentIndex());
}

void TUBookmarkList::SetCurrentRowSelected(bool value) {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr || ds->IsEmpty()) return;
  const TBookmark current = ds->GetBookmark();
  if (current.IsNull()) return;
  int index = 0;
  const bool found = Find(current, index);
  if (found == value) return;
  if (value) {
    items_.insert(items_.begin() + index, current);
  } else {
    items_.erase(items_.begin() + index);
  }
  Changed();
}

void TUBookmarkList::SelectRange(int fromIndex, int toIndex) {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr) return;
  if (fromIndex > toIndex) std::swap(fromIndex, toIndex);
  fromIndex = std::max(fromIndex, 0);
  toIndex = std::min(toIndex, ds->EnsureRecords(toIndex + 1) - 1);
  if (fromIndex > toIndex) return;
  const int current = ds->CurrentIndex();
  bool changed = false;
  ds->DisableControls();
  try {
    for (int i = fromIndex; i <= toIndex; ++i) {
      if (IsRecordSelected(i)) continue;
      ds->MoveBy(i - ds->CurrentIndex());
      int at = 0;
      const TBookmark mark = ds->GetBookmark();
      if (!mark.IsNull() && !Find(mark, at)) {
        items_.insert(items_.begin() + at, mark);
        indices_.insert(indices_.begin() + at, i);
        changed = true;
      }
    }
    ds->MoveBy(current - ds->CurrentIndex());
  } catch (...) {
    ds->EnableControls();
    if (changed) Changed();
    throw;
  }
  ds->EnableControls();
  if (changed) Changed();
}

void TUBookmarkList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

int TUBookmarkList::Delete() {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr || items_.empty()) return 0;
  ds->CheckBrowseMode();
  Indices();  // sorted by position: deleting from the end keeps the others where they are
  int deleted = 0;
  const int total = Count();
  ds->DisableControls();
  try {
    while (!items_.empty()) {
      const TBookmark& mark = items_.back();
      if (ds->BookmarkIndex(mark) >= 0) {
        ds->GotoBookmark(mark);
        ds->Delete();
        ++deleted;
      }
      items_.pop_back();
    }
  } catch (const Exception& e) {
    ds->EnableControls();
    Changed();
    throw EDatabaseError(Format(msg::SDsDeleteSelectedFailed, deleted, total, e.what()));
  } catch (...) {
    ds->EnableControls();
    Changed();
    throw;
  }
  ds->EnableControls();
  Changed();
  return deleted;
}

bool TUBookmarkList::Refresh() {
  const std::vector<int>& indices = Indices();
  const auto gone = std::count(indices.begin(), indices.end(), -1);
  if (gone == 0) return false;
  // Gone records sort first.
  items_.erase(items_.begin(), items_.begin() + gone);
  Changed();
  return true;
}

void TUBookmarkList::Changed() {
  cache_valid_ = false;
  if (OnChange) OnChange();
}

}  // namespace bexlo
