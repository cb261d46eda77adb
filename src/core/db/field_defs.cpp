#include "db/field_defs.h"

#include "db/dataset.h"
#include "db/fields.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

TField* TFieldDef::CreateField(TComponent* owner, TDataSet* dataSet) const {
  TField* field = CreateFieldOfType(DataType, owner);
  try {
    field->SetFieldName(Name);
    if (DataType == ftString || DataType == ftBytes || DataType == ftVarBytes ||
        DataType == ftBCD) {
      field->SetSize(Size);
    }
    field->Required = Required;
    if (dataSet != nullptr) field->SetDataSet(dataSet);
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

const TFieldDef& TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(msg::SListIndexError, index));
  return items_[static_cast<std::size_t>(index)];
}

TFieldDef& TFieldDefs::Items(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format(msg::SListIndexError, index));
  return items_[static_cast<std::size_t>(index)];
}

TFieldDef& TFieldDefs::Add(std::string name, TFieldType type, int size, bool required) {
  if (name.empty()) throw EDatabaseError(msg::SFieldNameMissing);
  if (IndexOf(name) >= 0) throw EDatabaseError(Format(msg::SDuplicateFieldName, name));
  items_.emplace_back(std::move(name), type, size, required);
  items_.back().FieldNo = Count();
  return items_.back();
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (SameText(items_[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

const TFieldDef& TFieldDefs::Find(std::string_view name) const {
  const int i = IndexOf(name);
  if (i < 0) throw EDatabaseError(Format(msg::SFieldNotFound, name));
  return items_[static_cast<std::size_t>(i)];
}

void TFieldDefs::Update() {
  if (dataset_ != nullptr && !dataset_->Active()) dataset_->InternalInitFieldDefs();
}

}  // namespace bexlo
