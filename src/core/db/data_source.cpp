#include "db/data_source.h"

#include <algorithm>

namespace bexlo {

namespace {

bool EditState(TDataSetState s) noexcept { return s == dsEdit || s == dsInsert; }

}  // namespace

// ---- TDataSource -------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  Destroying();
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links) link->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataset_) return;
  if (dataset_ != nullptr) {
    dataset_->RemoveDataSource(this);
    RemoveFreeNotification(dataset_);
  }
  dataset_ = dataSet;
  if (dataset_ != nullptr) {
    dataset_->AddDataSource(this);
    FreeNotification(dataset_);
  }
  DataEvent(deUpdateState, 0);
}

void TDataSource::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSource::State() const {
  return dataset_ != nullptr && enabled_ ? dataset_->State() : dsInactive;
}

void TDataSource::Edit() {
  if (AutoEdit && State() == dsBrowse) dataset_->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
  return dataset_ != nullptr && dataset_ == dataSet;
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
  // A source going away tells its links, but raises no events of its own any more.
  const bool quiet = HasState(csDestroying);
  if (event == deUpdateState) {
    const TDataSetState now = State();
    const bool changed = now != state_;
    state_ = now;
    NotifyLinks(event, info);
    if (changed && OnStateChange && !quiet) OnStateChange(this);
    return;
  }
  if (quiet) return;
  if (state_ == dsInactive) return;
  NotifyLinks(event, info);
  switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) {
        OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
      }
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info) {
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, info);
  }
}

void TDataSource::AddLink(TDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) { std::erase(links_, link); }

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == dataset_) {
    dataset_ = nullptr;
    DataEvent(deUpdateState, 0);
  }
}

// ---- TDataLink ---------------------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (data_source_ != nullptr) data_source_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == data_source_) return;
  if (data_source_ != nullptr) data_source_->RemoveLink(this);
  data_source_ = source;
  if (data_source_ != nullptr) data_source_->AddLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const {
  return data_source_ != nullptr ? data_source_->DataSet() : nullptr;
}

void TDataLink::UpdateState() {
  const TDataSetState state = data_source_ != nullptr ? data_source_->State() : dsInactive;
  const bool active = state != dsInactive;
  if (active != active_) {
    active_ = active;
    first_ = 0;
    if (active_) AdjustWindow();
    ActiveChanged();
  }
  const bool editing = active_ && EditState(state) && !ReadOnly;
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

int TDataLink::AdjustWindow() {
  TDataSet* ds = DataSet();
  if (ds == nullptr || !ds->Active()) return 0;
  const int old = first_;
  const int cur = ds->CurrentIndex();
  if (cur < 0) {
    first_ = 0;
  } else if (cur < first_) {
    first_ = cur;
  } else if (cur >= first_ + buffer_count_) {
    first_ = cur - buffer_count_ + 1;
  }
  // Keep the window full near the end of the records.
  const int available = ds->EnsureRecords(first_ + buffer_count_);
  if (first_ + buffer_count_ > available) {
    first_ = std::max(0, std::min(available - buffer_count_, cur < 0 ? 0 : cur));
  }
  return first_ - old;
}

void TDataLink::SetBufferCount(int value) {
  buffer_count_ = std::max(1, value);
  if (active_) AdjustWindow();
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  if (!active_ || ds == nullptr) return 0;
  const int available = ds->EnsureRecords(first_ + buffer_count_);
  return std::clamp(available - first_, 0, buffer_count_);
}

int TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  if (!active_ || ds == nullptr) return 0;
  return ds->CurrentIndex() - first_;
}

void TDataLink::SetActiveRecord(int row) {
  TDataSet* ds = DataSet();
  if (!active_ || ds == nullptr) return;
  const int index = first_ + row;
  ds->SetDisplayRecord(index == ds->CurrentIndex() ? -1 : index);
}

bool TDataLink::Edit() {
  if (!ReadOnly && data_source_ != nullptr) data_source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
      break;
    case deDataSetChange:
      AdjustWindow();
      DataSetChanged();
      break;
    case deDataSetScroll:
      DataSetScrolled(AdjustWindow());
      break;
    case deLayoutChange:
      AdjustWindow();
      LayoutChanged();
      break;
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField*>(info));
      break;
    case deUpdateState:
      break;
  }
}

// ---- TFieldDataLink ----------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(std::string name) {
  field_name_ = std::move(name);
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  TDataSet* ds = DataSet();
  field_ = Active() && ds != nullptr && !field_name_.empty() ? ds->FindField(field_name_) : nullptr;
  modified_ = false;
  if (OnDataChange) OnDataChange(this);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly && field_ != nullptr && field_->CanModify(); }

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
  if (field != nullptr && field != field_) return;
  modified_ = false;
  if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (OnUpdateData) OnUpdateData(this);
  modified_ = false;
}

}  // namespace bexlo
