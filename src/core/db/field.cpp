#include "db/field.h"

#include <algorithm>

#include "db/dataset.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

TField::TField(TComponent* owner) : TField(owner, ftUnknown) {}

TField::TField(TComponent* owner, TFieldType type) : TComponent(owner), data_type_(type) {}

TField::~TField() {
  Destroying();
  if (dataset_ != nullptr) dataset_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataset_) return;
  if (dataset_ != nullptr) {
    dataset_->RemoveField(this);  // raises while that data set is open
    Attach(nullptr);
  }
  if (dataSet != nullptr) {
    dataSet->AddField(this);
    Attach(dataSet);
  }
}

void TField::SetFieldName(std::string name) {
  if (dataset_ != nullptr && dataset_->Active()) throw EDatabaseError(msg::SDataSetOpen);
  field_name_ = std::move(name);
}

void TField::SetFieldKind(TFieldKind kind) {
  if (dataset_ != nullptr && dataset_->Active()) throw EDatabaseError(msg::SDataSetOpen);
  field_kind_ = kind;
}

int TField::Index() const { return dataset_ ? dataset_->Fields().IndexOf(this) : -1; }

void TField::SetIndex(int index) {
  if (dataset_ == nullptr) return;
  auto& list = dataset_->Fields().list_;
  const auto cur = std::find(list.begin(), list.end(), this);
  if (cur == list.end()) return;
  list.erase(cur);
  index = std::clamp(index, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + index, this);
  dataset_->FieldLayoutChanged();
}

void TField::SetSize(int size) {
  if (dataset_ != nullptr && dataset_->Active()) throw EDatabaseError(msg::SDataSetOpen);
  if (size < 0) throw EDatabaseError(msg::SInvalidFieldSize);
  size_ = size;
}

int TField::DataSize() const { return 0; }

void TField::SetDisplayLabel(std::string label) {
  display_label_ = std::move(label);
  PropertyChanged(true);
}

int TField::DisplayWidth() const { return display_width_ > 0 ? display_width_ : DefaultWidth(); }

void TField::SetDisplayWidth(int width) {
  display_width_ = std::max(width, 0);
  PropertyChanged(true);
}

void TField::SetDisplayFormat(std::string format) {
  display_format_ = std::move(format);
  PropertyChanged(false);
}

void TField::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
  if (alignment_ == alignment) return;
  alignment_ = alignment;
  PropertyChanged(true);
}

void TField::PropertyChanged(bool layoutAffected) {
  if (dataset_ != nullptr && dataset_->Active()) {
    dataset_->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange);
  }
}

void TField::StoreData(Variant value) {
  if (dataset_ == nullptr) throw EDatabaseError(Format(msg::SDataSetMissing, field_name_));
  dataset_->SetFieldData(*this, std::move(value));
}

bool TField::IsNull() const { return Data().IsNull(); }

void TField::Clear() { StoreData(Variant()); }

std::string TField::DisplayText() const {
  if (OnGetText) {
    std::string text;
    OnGetText(const_cast<TField*>(this), text, true);
    return text;
  }
  return GetText(true);
}

std::string TField::Text() const {
  if (OnGetText) {
    std::string text;
    OnGetText(const_cast<TField*>(this), text, false);
    return text;
  }
  return GetText(false);
}

void TField::SetText(std::string_view text) {
  if (OnSetText) {
    OnSetText(this, std::string(text));
  } else {
    SetAsStringValue(text);
  }
}

bool TField::CanModify() const {
  if (ReadOnly || dataset_ == nullptr) return false;
  if (field_kind_ != fkData) return dataset_->State() == dsCalcFields;
  return dataset_->CanModify();
}

void TField::FocusControl() {
  if (dataset_ != nullptr) dataset_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(this));
}

void TField::AccessError(std::string_view typeName) const {
  throw EDatabaseError(Format(msg::SFieldAccessError, field_name_, typeName));
}

void TField::ValueError(std::string_view text) const {
  throw EConvertError(Format(msg::SFieldValueError, text, field_name_));
}

Variant TField::Convert(const Variant& value) const {
  try {
    return ConvertVariant(value, data_type_);
  } catch (const EConvertError&) {
    ValueError(VariantToText(value));
  }
}

std::string TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(std::string_view) { AccessError("String"); }
std::int64_t TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(std::int64_t) { AccessError("Integer"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
double TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(double) { AccessError("DateTime"); }
Variant TField::GetAsVariant() const { return Data(); }
void TField::SetAsVariantValue(const Variant& value) { StoreData(Convert(value)); }

std::string TField::GetText(bool) const { return IsNull() ? std::string() : GetAsString(); }

int TField::DefaultWidth() const { return 10; }

// ---- TFields -----------------------------------------------------------------------------------

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(msg::SListIndexError, index));
  return list_[static_cast<std::size_t>(index)];
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* f : list_) {
    if (f->FieldName() == name) return f;
  }
  for (TField* f : list_) {
    if (SameText(f->FieldName(), name)) return f;
  }
  return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* f = FindField(name);
  if (f == nullptr) throw EDatabaseError(Format(msg::SFieldNotFound, name));
  return f;
}

int TFields::IndexOf(const TField* field) const {
  const auto it = std::find(list_.begin(), list_.end(), field);
  return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

}  // namespace bexlo
