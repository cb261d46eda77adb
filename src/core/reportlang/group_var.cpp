#include "reportlang/group_var.h"

#include <memory>

#include "reportlang/report_var.h"

namespace bexlo {

// ---- TGroupVar -----------------------------------------------------------------------------------

TGroupVar::TGroupVar(TReportVar* cell, TGroupList* groupList) : cell_(cell), group_list_(groupList) {
  if (group_list_) group_list_->Add(this);
}

TReportVar* TGroupVar::GetValue(int index) const {
  return static_cast<TReportVar*>(values_.GetItem(index));
}

void TGroupVar::SetValue(int index, TReportVar* cell) {
  if (index < 0 || index >= values_.Count()) return;
  delete values_.GetItem(index);
  values_.Put(index, cell);
}

int TGroupVar::AddValue(int direction, int index) {
  std::unique_ptr<TReportVar> copy = TReportVar::CopyOf(*cell_, cell_->OwnerList());
  int row;
  if (direction != 0) {
    // Binary search for the row before which the copy goes; an equal row stops the search.
    int low = 0;
    int high = values_.Count() - 1;
    row = 0;
    while (low <= high) {
      const int mid = low + (high - low) / 2;
      const TReportVar* existing = GetValue(mid);
      if (!existing) {
        low = mid + 1;
        continue;
      }
      const int after = direction > 0 ? coLess : coGreater;
      if (existing->Compare(*copy, after)) {
        low = mid + 1;
      } else if (existing->Compare(*copy, coEqual)) {
        low = mid;
        break;
      } else {
        high = mid - 1;
      }
    }
    row = low;
  } else {
    row = index < 0 || index > values_.Count() ? values_.Count() : index;
  }
  values_.Insert(row, copy.get());
  copy.release();
  return row;
}

void TGroupVar::CalcValue(int row) {
  TReportVar* value = GetValue(row);
  if (!value) return;
  if (cell_->VarType() == vtFloat) {
    value->DoAdd(*cell_);
  } else {
    value->Assign(*cell_);
  }
}

int TGroupVar::GetRowNum() const {
  const int count = values_.Count();
  for (int i = 0; i < count; ++i) {
    const TReportVar* value = GetValue(i);
    if (value && value->Compare(*cell_, coEqual)) return i;
  }
  return -1;
}

// ---- TGroupList ----------------------------------------------------------------------------------

TGroupList::~TGroupList() {
  for (int i = 0; i < Count(); ++i) delete Get(i);
}

void TGroupList::AddValues() {
  TGroupVar* key = GetGroupVar(0);
  if (!key) return;
  const int row = key->AddValue(direction_, -1);
  for (int i = 1; i < Count(); ++i) {
    if (TGroupVar* entry = GetGroupVar(i)) entry->AddValue(0, row);
  }
}

void TGroupList::CalcValues(int row) {
  for (int i = 1; i < Count(); ++i) {
    if (TGroupVar* entry = GetGroupVar(i)) entry->CalcValue(row);
  }
}

void TGroupList::CheckUnAssigned() {
  TGroupVar* key = GetGroupVar(0);
  if (!key || key->GetValueCount() == 0 || key->GetValue(0)) return;
  for (int i = 0; i < Count(); ++i) {
    if (TGroupVar* entry = GetGroupVar(i)) entry->ClearValues();
  }
}

int TGroupList::GetValueCount() const {
  TGroupVar* key = GetGroupVar(0);
  return key ? key->GetValueCount() : 0;
}

TGroupVar* TGroupList::GetGroupVar(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return static_cast<TGroupVar*>(TList::Get(index));
}

}  // namespace bexlo
