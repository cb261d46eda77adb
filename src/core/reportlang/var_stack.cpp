#include "reportlang/var_stack.h"

#include "util/exceptions.h"

namespace bexlo {

TVarStack::~TVarStack() = default;

void TVarStack::Mismatch() { throw EAbort(); }

TObject* TVarStack::TopOrAbort() const {
  if (Count() == 0) Mismatch();
  return Slot(Count() - 1);
}

void TVarStack::Push(TObject* item) {
  if (auto* cell = dynamic_cast<TReportVar*>(item)) return Push(*cell);
  if (auto* list = dynamic_cast<TCustomVarList*>(item)) return Push(*list);
  Mismatch();
}

void TVarStack::Push(const TReportVar& cell) {
  std::unique_ptr<TReportVar> copy;
  if (spare_cells_.empty()) {
    copy = TReportVar::CopyOf(cell, cell.OwnerList());
  } else {
    copy = std::move(spare_cells_.back());
    spare_cells_.pop_back();
    copy->BecomeCopyOf(cell, cell.OwnerList());
  }
  Add(copy.get());
  copy.release();
}

void TVarStack::Push(const TCustomVarList& list) {
  std::unique_ptr<TParamList> saved;
  if (spare_lists_.empty()) {
    saved = std::make_unique<TParamList>();
  } else {
    saved = std::move(spare_lists_.back());
    spare_lists_.pop_back();
  }
  const bool isParamList = dynamic_cast<const TCustomParamList*>(&list) != nullptr;
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    TReportVar* cell = list.Get(i);
    if (!cell) continue;
    if (isParamList && !cell->Temporary()) {
      saved->AddReference(cell);
    } else {
      saved->AddTemporaryCopy(*cell);
    }
  }
  Add(saved.get());
  saved.release();
}

void TVarStack::Pop(TObject* target, bool fresh) {
  TopOrAbort();
  if (auto* cell = dynamic_cast<TReportVar*>(target)) return Pop(*cell);
  if (auto* list = dynamic_cast<TCustomVarList*>(target)) return Pop(*list, fresh);
  Mismatch();
}

void TVarStack::Pop(TReportVar& target) {
  TObject* top = TopOrAbort();
  if (top->ClassName() != target.ClassName()) Mismatch();
  target.Clear();
  target.Assign(*static_cast<TReportVar*>(top));
  DropTop();
  spare_cells_.emplace_back(static_cast<TReportVar*>(top));
}

void TVarStack::Pop(TCustomVarList& target, bool fresh) {
  TObject* top = TopOrAbort();
  if (top->ClassName() != target.ClassName()) Mismatch();
  auto* saved = static_cast<TParamList*>(top);
  const int count = saved->Count();
  if (fresh) {
    // The class names match, so the target is a parameter list too.
    auto& params = static_cast<TParamList&>(target);
    params.Clear();
    for (int i = 0; i < count; ++i) {
      TReportVar* cell = saved->Get(i);
      if (!cell) continue;
      if (cell->Temporary()) {
        params.AddTemporaryCopy(*cell);
      } else {
        params.AddReference(cell);
      }
    }
  } else {
    for (int i = 0; i < count; ++i) {
      TReportVar* cell = saved->Get(i);
      if (!cell) continue;
      if (TReportVar* found = target.FindVarByUpperName(cell->Name())) {
        found->Clear();
        found->Assign(*cell);
      }
    }
  }
  DropTop();
  saved->Clear();
  spare_lists_.emplace_back(saved);
}

void TVarStack::DropTop() {
  const int last = Count() - 1;
  ClearPosition(last);
  TList::Delete(last);
}

}  // namespace bexlo
