#include "reportlang/var_stack.h"

#include <typeinfo>

#include "util/exceptions.h"

namespace bexlo {

TVarStack::~TVarStack() { Clear(); }

void TVarStack::Mismatch() { throw EAbort(); }

void TVarStack::Clear() {
  // Saved lists let go of their cells now, while the variables they refer to still exist.
  for (int i = 0; i < depth_; ++i) {
    if (entries_[static_cast<std::size_t>(i)].list) entries_[static_cast<std::size_t>(i)].list->Clear();
  }
  depth_ = 0;
}

TVarStack::Entry& TVarStack::NextEntry() {
  if (static_cast<std::size_t>(depth_) == entries_.size()) entries_.emplace_back();
  return entries_[static_cast<std::size_t>(depth_)];
}

void TVarStack::Push(TObject* item) {
  if (auto* cell = dynamic_cast<TReportVar*>(item)) return Push(*cell);
  if (auto* list = dynamic_cast<TCustomVarList*>(item)) return Push(*list);
  Mismatch();
}

void TVarStack::PushNewCell(const TReportVar& cell) {
  Entry& entry = NextEntry();
  if (entry.cell) {
    entry.cell->CopyFrom(cell);
  } else {
    entry.cell = TReportVar::CopyOf(cell, cell.OwnerList());
  }
  entry.isList = false;
  ++depth_;
}

void TVarStack::Push(const TCustomVarList& list) {
  Entry& entry = NextEntry();
  if (!entry.list) entry.list = std::make_unique<TParamList>();
  TParamList& saved = *entry.list;
  const bool isParamList = list.IsParamList();
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    TReportVar* cell = list.Get(i);
    if (!cell) continue;
    if (isParamList && !cell->Temporary()) {
      saved.AddReference(cell);
    } else {
      saved.AddTemporaryCopy(*cell);
    }
  }
  entry.isList = true;
  ++depth_;
}

void TVarStack::Pop(TObject* target, bool fresh) {
  if (auto* cell = dynamic_cast<TReportVar*>(target)) return Pop(*cell);
  if (auto* list = dynamic_cast<TCustomVarList*>(target)) return Pop(*list, fresh);
  Mismatch();
}

void TVarStack::Pop(TCustomVarList& target, bool fresh) {
  if (depth_ == 0) Mismatch();
  Entry& entry = entries_[static_cast<std::size_t>(depth_ - 1)];
  // Saved lists are TParamLists: only a TParamList takes one back.
  if (!entry.isList || typeid(target) != typeid(TParamList)) Mismatch();
  TParamList& saved = *entry.list;
  const int count = saved.Count();
  if (fresh) {
    auto& params = static_cast<TParamList&>(target);
    params.Clear();
    for (int i = 0; i < count; ++i) {
      TReportVar* cell = saved.Get(i);
      if (!cell) continue;
      if (cell->Temporary()) {
        params.AddTemporaryCopy(*cell);
      } else {
        params.AddReference(cell);
      }
    }
  } else {
    for (int i = 0; i < count; ++i) {
      TReportVar* cell = saved.Get(i);
      if (!cell) continue;
      if (TReportVar* found = target.FindVarByUpperName(cell->Name())) {
        found->Clear();
        found->Assign(*cell);
      }
    }
  }
  if (count > 0) saved.Clear();
  --depth_;
}

}  // namespace bexlo
