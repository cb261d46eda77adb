#include "db/params.h"

#include <algorithm>

#include "db/db_error.h"
#include "db/field.h"
#include "db/sql_params.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"

namespace bexlo {

namespace {

TFieldType TypeOfValue(const Variant& v) noexcept {
  switch (v.Type()) {
    case TVariantType::varBoolean:
      return ftBoolean;
    case TVariantType::varInteger:
      return ftInteger;
    case TVariantType::varFloat:
      return ftFloat;
    case TVariantType::varString:
      return ftString;
    case TVariantType::varDate:
      return ftDateTime;
    case TVariantType::varBytes:
      return ftBlob;
    case TVariantType::varNull:
      break;
  }
  return ftUnknown;
}

}  // namespace

TParam::TParam(TParams* owner, std::string name, TParamType paramType)
    : owner_(owner), name_(std::move(name)), param_type_(paramType) {}

void TParam::SetDataType(TFieldType type) {
  data_type_ = type;
  try {
    value_ = ConvertVariant(value_, type);
  } catch (const EConvertError&) {
    // Kept as given: binding reports the value that does not fit.
  }
}

void TParam::Clear() {
  value_.SetNull();
  bound_ = true;
}

void TParam::Store(Variant v, TFieldType type) {
  value_ = std::move(v);
  data_type_ = type;
  bound_ = true;
}

void TParam::SetValue(const Variant& v) {
  value_ = v;
  if (data_type_ == ftUnknown) data_type_ = TypeOfValue(v);
  bound_ = true;
}

std::string TParam::AsString() const { return VariantToText(value_, data_type_); }
void TParam::SetAsString(std::string_view v) { Store(Variant(v), ftString); }
std::int64_t TParam::AsInteger() const { return VariantToInteger(value_); }
void TParam::SetAsInteger(std::int64_t v) { Store(Variant(v), ftInteger); }
void TParam::SetAsSmallInt(int v) { Store(Variant(v), ftSmallint); }
void TParam::SetAsWord(int v) { Store(Variant(v), ftWord); }
double TParam::AsFloat() const { return VariantToFloat(value_); }
void TParam::SetAsFloat(double v) { Store(Variant(v), ftFloat); }
void TParam::SetAsCurrency(double v) { Store(Variant(v), ftCurrency); }
void TParam::SetAsBCD(double v) { Store(Variant(v), ftBCD); }
bool TParam::AsBoolean() const { return VariantToBoolean(value_); }
void TParam::SetAsBoolean(bool v) { Store(Variant(v), ftBoolean); }
double TParam::AsDateTime() const { return VariantToDateTime(value_, data_type_); }
void TParam::SetAsDateTime(double v) { Store(Variant::FromDate(v), ftDateTime); }
void TParam::SetAsDate(double v) { Store(Variant::FromDate(v), ftDate); }
void TParam::SetAsTime(double v) { Store(Variant::FromDate(v), ftTime); }
void TParam::SetAsMemo(std::string_view v) { Store(Variant(v), ftMemo); }
TBytes TParam::AsBlob() const { return VariantToBytes(value_); }
void TParam::SetAsBlob(TBytes v) { Store(Variant(std::move(v)), ftBlob); }
void TParam::SetAsBytes(TBytes v) { Store(Variant(std::move(v)), ftBytes); }

void TParam::SetAsStrings(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines.Strings(i);
  }
  SetAsMemo(text);
}

void TParam::AssignField(const TField* field) {
  if (field == nullptr) return;
  if (name_.empty()) name_ = field->FieldName();
  AssignFieldValue(field, field->Value());
}

void TParam::AssignFieldValue(const TField* field, const Variant& value) {
  if (field == nullptr) return;
  data_type_ = field->DataType() == ftAutoInc ? ftInteger : field->DataType();
  value_ = value;
  bound_ = true;
}

void TParam::Assign(const TPersistent* source) {
  if (const auto* p = dynamic_cast<const TParam*>(source)) {
    if (p == this) return;
    name_ = p->name_;
    data_type_ = p->data_type_;
    param_type_ = p->param_type_;
    value_ = p->value_;
    bound_ = p->bound_;
    Size = p->Size;
    Precision = p->Precision;
    NumericScale = p->NumericScale;
    return;
  }
  if (const auto* f = dynamic_cast<const TField*>(source)) {
    AssignField(f);
    return;
  }
  TPersistent::Assign(source);
}

Variant TParam::BindValue() const {
  try {
    return ConvertVariant(value_, data_type_);
  } catch (const EConvertError&) {
    throw EConvertError(Format(msg::SParamValueError, VariantToText(value_), name_));
  }
}

// ---- TParams ----------------------------------------------------------------------------------

TParams::~TParams() = default;

TParam* TParams::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(msg::SListIndexError, index));
  return items_[static_cast<std::size_t>(index)].get();
}

TParam* TParams::FindParam(std::string_view name) const {
  for (const auto& p : items_) {
    if (SameParamName(p->Name(), name)) return p.get();
  }
  return nullptr;
}

TParam* TParams::ParamByName(std::string_view name) const {
  TParam* p = FindParam(name);
  if (p == nullptr) throw EDatabaseError(Format(msg::SParameterNotFound, name));
  return p;
}

TParam* TParams::CreateParam(TFieldType type, std::string_view name, TParamType paramType) {
  TParam* p = FindParam(name);
  if (p == nullptr) {
    items_.push_back(std::make_unique<TParam>(this, std::string(name), paramType));
    p = items_.back().get();
  }
  p->SetParamType(paramType);
  if (type != ftUnknown) p->SetDataType(type);
  return p;
}

void TParams::RemoveParam(TParam* param) {
  std::erase_if(items_, [param](const auto& p) { return p.get() == param; });
}

void TParams::Clear() { items_.clear(); }

void TParams::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TParams*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  items_.clear();
  for (const auto& p : other->items_) {
    items_.push_back(std::make_unique<TParam>(this));
    items_.back()->Assign(p.get());
  }
}

void TParams::AssignValues(const TParams& source) {
  for (const auto& p : source.items_) {
    if (TParam* mine = FindParam(p->Name()); mine != nullptr && mine != p.get()) {
      const std::string name = mine->Name();
      const TParamType kind = mine->ParamType();
      mine->Assign(p.get());
      mine->SetName(name);
      mine->SetParamType(kind);
    }
  }
}

std::vector<std::string> TParams::ParseSQL(std::string_view sql) {
  std::vector<std::string> names = ParseSqlParams(sql, TParamMarker::QuestionNumber).names;
  std::vector<std::unique_ptr<TParam>> rebuilt;
  rebuilt.reserve(names.size());
  for (const std::string& name : names) {
    auto old = std::find_if(items_.begin(), items_.end(),
                            [&](const auto& p) { return p && SameParamName(p->Name(), name); });
    if (old != items_.end()) {
      rebuilt.push_back(std::move(*old));
    } else {
      rebuilt.push_back(std::make_unique<TParam>(this, name, ptInput));
    }
  }
  items_ = std::move(rebuilt);
  return names;
}

bool TParams::IsEqual(const TParams& other) const {
  if (Count() != other.Count()) return false;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const TParam& a = *items_[i];
    const TParam& b = *other.items_[i];
    if (!SameParamName(a.Name(), b.Name()) || a.DataType() != b.DataType() ||
        a.ParamType() != b.ParamType() || !(a.Value() == b.Value())) {
      return false;
    }
  }
  return true;
}

}  // namespace bexlo
