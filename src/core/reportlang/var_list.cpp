#include "reportlang/var_list.h"

#include "util/text.h"

namespace bexlo {

// ---- TCustomVarList ------------------------------------------------------------------------------

TReportVar* TCustomVarList::FindVarByName(std::string_view name) const {
  return FindVarByUpperName(UpperCase(name));
}

int TCustomVarList::LowerBound(std::string_view upperName) const {
  int low = 0;
  int high = Count();
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (Get(mid)->Name() < upperName) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

TReportVar* TCustomVarList::FindVarByUpperName(std::string_view upperName) const {
  if (sorted_) {
    const int index = LowerBound(upperName);
    if (index < Count() && Get(index)->Name() == upperName) return Get(index);
    return nullptr;
  }
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    auto* cell = static_cast<TReportVar*>(Slot(i));
    if (cell && cell->Name() == upperName) return cell;
  }
  return nullptr;
}

TReportVar* TCustomVarList::AddVarImpl(std::string_view name) {
  const std::string upper = UpperCase(name);
  if (TReportVar* cell = FindVarByUpperName(upper)) return cell;
  auto cell = std::make_unique<TReportVar>(upper, this);
  TReportVar* result = cell.get();
  if (sorted_) {
    Insert(LowerBound(result->Name()), cell.release());
  } else {
    Add(cell.release());
  }
  return result;
}

// ---- TParamList ----------------------------------------------------------------------------------

TParamList::~TParamList() {
  FreeChildren();
  TList::Clear();  // the remaining entries are the callers' variables
}

void TParamList::FreeChildren() {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    TObject*& slot = Slot(i);
    auto* cell = static_cast<TReportVar*>(slot);
    if (cell && cell->Temporary()) {
      spare_.emplace_back(cell);
      slot = nullptr;
    }
  }
}

void TParamList::Delete(int index) {
  auto* cell = static_cast<TReportVar*>(TList::Get(index));
  if (cell && cell->Temporary()) {
    TList::Put(index, nullptr);
    spare_.emplace_back(cell);
  }
  TList::Delete(index);
}

TReportVar* TParamList::AddVar(std::string_view name) {
  const int count = Count();
  TReportVar* cell = AddVarImpl(name);
  if (Count() > count) cell->SetTemporary(true);
  return cell;
}

TReportVar* TParamList::AddTemporaryCopy(const TReportVar& cell) {
  std::unique_ptr<TReportVar> copy;
  if (spare_.empty()) {
    copy = TReportVar::CopyOf(cell, this);
  } else {
    copy = std::move(spare_.back());
    spare_.pop_back();
    copy->BecomeCopyOf(cell, this);
  }
  copy->SetTemporary(true);
  TReportVar* result = copy.get();
  Add(copy.release());
  return result;
}

}  // namespace bexlo
