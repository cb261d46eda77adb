// Group accumulators behind the grouping functions of the report scripts. A TGroupList is one
// group table: its entries (TGroupVar) each track one report variable and keep one value cell per
// group row; entry 0 is the key. Rows are kept in key order (direction 1 ascending, -1
// descending) or in arrival order (0), and every entry keeps its rows parallel to the key's.
// A NUMBER entry sums the tracked variable per row; any other entry keeps its last value.
#pragma once

#include "util/list_pool.h"

namespace bexlo {

class TReportVar;
class TGroupList;

class TGroupVar : public TObject {
 public:
  // Creates the empty row list and appends itself to groupList (not owned by it).
  TGroupVar(TReportVar* cell, TGroupList* groupList);
  std::string_view ClassName() const noexcept override { return "TGroupVar"; }

  TReportVar* Cell() const noexcept { return cell_; }
  TGroupList* GroupList() const noexcept { return group_list_; }

  int GetValueCount() const noexcept { return values_.Count(); }
  // The row cell, or null outside 0..count-1.
  TReportVar* GetValue(int index) const;
  // Replaces the row cell (the old one is freed); ignored outside the range.
  void SetValue(int index, TReportVar* cell);
  // Adds a copy of the tracked cell as a new row and returns the row. direction <> 0: at its
  // place by binary search (before an equal row); direction 0: at index, or at the end when
  // index < 0.
  int AddValue(int direction, int index);
  // NUMBER tracked cell: row += tracked value; otherwise row := tracked value.
  void CalcValue(int row);
  // The first row equal to the tracked cell's current value; -1 if none.
  int GetRowNum() const;
  // Empties the row list.
  void ClearValues() { values_.Clear(); }

 private:
  TReportVar* cell_;
  TListPool values_;
  TGroupList* group_list_;
};

// An ordered list of group entries (entry 0 the key) and a direction. It owns its entries.
class TGroupList : public TList {
 public:
  explicit TGroupList(int direction = 0) : direction_(direction) {}
  ~TGroupList() override;
  std::string_view ClassName() const noexcept override { return "TGroupList"; }

  int Direction() const noexcept { return direction_; }
  void SetDirection(int direction) noexcept { direction_ = direction; }

  // Adds a row: the key at its place (direction), every other entry at the same row.
  void AddValues();
  // CalcValue(row) on every entry except the key.
  void CalcValues(int row);
  // When the key has rows and its row 0 is null, empties the rows of every entry.
  void CheckUnAssigned();
  // Row count of the key; 0 without entries.
  int GetValueCount() const;
  // Entry i, or null outside the range.
  TGroupVar* GetGroupVar(int index) const;

 private:
  int direction_;
};

}  // namespace bexlo
