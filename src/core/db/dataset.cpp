#include "db/dataset.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "db/data_source.h"
#include "db/db_error.h"
#include "db/fields.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

const Variant kNull;

bool EditState(TDataSetState s) noexcept { return s == dsEdit || s == dsInsert; }

// Whether a stored value equals a sought value already converted for the field.
bool ValuesMatch(const Variant& stored, const Variant& wanted, TFieldType type,
                 TLocateOptions options) {
  if (stored.IsNull() || wanted.IsNull()) return stored.IsNull() && wanted.IsNull();
  try {
    if (IsStringType(type) || type == ftUnknown || wanted.Type() == TVariantType::varString) {
      const std::string a = VariantToText(stored, type);
      const std::string b = VariantToText(wanted, type);
      if (options & loPartialKey) {
        const std::string prefix = Utf8Copy(a, 1, static_cast<std::int64_t>(Utf8Length(b)));
        return (options & loCaseInsensitive) ? SameText(prefix, b) : prefix == b;
      }
      return (options & loCaseInsensitive) ? SameText(a, b) : a == b;
    }
    if (type == ftBoolean) return VariantToBoolean(stored) == VariantToBoolean(wanted);
    if (stored.Type() == TVariantType::varInteger && wanted.Type() == TVariantType::varInteger) {
      return stored.Integer() == wanted.Integer();
    }
    if (IsDateTimeType(type)) {
      return VariantToDateTime(stored, type) == VariantToDateTime(wanted, type);
    }
    if (stored.Type() == TVariantType::varBytes || wanted.Type() == TVariantType::varBytes) {
      return VariantToBytes(stored) == VariantToBytes(wanted);
    }
    return VariantToFloat(stored) == VariantToFloat(wanted);
  } catch (const EConvertError&) {
    return false;
  }
}

}  // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), field_defs_(this) {}

TDataSet::~TDataSet() {
  Destroying();
  const std::vector<TDataSource*> sources = data_sources_;
  for (TDataSource* s : sources) s->SetDataSet(nullptr);
  DestroyDefaultFields();
  for (TField* f : fields_.list_) f->Attach(nullptr);
  fields_.list_.clear();
}

// ---- opening and closing -----------------------------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (value == Active()) return;
  const bool quiet = HasState(csDestroying);
  if (value) {
    DoEvent(BeforeOpen);
    try {
      OpenCursor();
    } catch (...) {
      CloseCursor();
      throw;
    }
    SetState(dsBrowse);
    DoEvent(AfterOpen);
    if (!IsEmpty()) DoEvent(AfterScroll);
    return;
  }
  if (!quiet) DoEvent(BeforeClose);
  SetState(dsInactive);
  CloseCursor();
  if (!quiet) DoEvent(AfterClose);
}

void TDataSet::OpenCursor() {
  ++generation_;
  records_.clear();
  deleted_.clear();
  last_applied_.clear();
  transaction_applied_.clear();
  cur_ = -1;
  display_ = -1;
  eof_ = bof_ = true;
  fetched_all_ = false;
  rows_read_ = 0;
  modified_ = false;
  InternalOpen();
  BindFields();
  InternalFieldsBound();
  // The first row is read as by an open data set: filters and calculations read fields.
  state_ = dsBrowse;
  source_.active = state_ != dsInactive;
  try {
    if (FetchNext()) {
      cur_ = 0;
      eof_ = false;
    }
  } catch (...) {
    state_ = dsInactive;
    source_.active = state_ != dsInactive;
    throw;
  }
  state_ = dsInactive;
  source_.active = state_ != dsInactive;
}

void TDataSet::CloseCursor() {
  InternalClose();
  records_.clear();
  deleted_.clear();
  last_applied_.clear();
  transaction_applied_.clear();
  edit_ = Record();
  cur_ = -1;
  display_ = -1;
  Point(nullptr);
  eof_ = bof_ = true;
  fetched_all_ = true;
  DestroyDefaultFields();
  for (TField* f : fields_.list_) f->Bind(0, -1);
}

void TDataSet::BindFields() {
  if (fields_.list_.empty()) {
    for (const TFieldDef& def : field_defs_) {
      TField* f = def.CreateField(this, nullptr);
      f->Attach(this);
      fields_.list_.push_back(f);
      default_fields_.push_back(f);
    }
  }
  calc_count_ = 0;
  for (TField* f : fields_.list_) {
    if (f->FieldKind() == fkData) {
      const int index = field_defs_.IndexOf(f->FieldName());
      if (index < 0) throw EDatabaseError(Format(msg::SFieldNotFound, f->FieldName()));
      const TFieldDef& def = field_defs_[index];
      f->Bind(def.FieldNo, def.FieldNo - 1);
    } else {
      if (f->FieldKind() == fkLookup &&
          (f->LookupDataSet == nullptr || f->KeyFields.empty() || f->LookupKeyFields.empty() ||
           f->LookupResultField.empty())) {
        throw EDatabaseError(Format(msg::SLookupInfoError, f->FieldName()));
      }
      f->Bind(0, calc_count_++);
    }
  }
}

void TDataSet::DestroyDefaultFields() {
  for (TField* f : default_fields_) {
    std::erase(fields_.list_, f);
    f->Attach(nullptr);
    delete f;
  }
  default_fields_.clear();
}

void TDataSet::Refresh() {
  CheckActive();
  CheckBrowseMode();
  const TBookmark mark = GetBookmark();
  DisableControls();
  try {
    InternalClose();
    records_.clear();
    deleted_.clear();
    last_applied_.clear();
    transaction_applied_.clear();
    cur_ = -1;
    display_ = -1;
    ++generation_;
    fetched_all_ = false;
    rows_read_ = 0;
    InternalOpen();
    try {
      BindFields();
    } catch (const EDatabaseError&) {
      // The columns changed: make the default fields afresh.
      DestroyDefaultFields();
      BindFields();
    }
    InternalFieldsBound();
    eof_ = bof_ = true;
    if (FetchNext()) {
      cur_ = 0;
      eof_ = false;
    }
    if (!mark.IsNull() && !IsUniDirectional()) {
      const int index = FindBookmark(mark);
      if (index >= 0) {
        cur_ = index;
        bof_ = index == 0;
      }
    }
    UpdateActive();
  } catch (...) {
    EnableControls();
    Close();
    throw;
  }
  enable_event_ = deLayoutChange;
  EnableControls();
}

// ---- reading rows ------------------------------------------------------------------------------

bool TDataSet::FetchNext() {
  if (fetched_all_) return false;
  const bool uni = InternalIsUniDirectional();
  if (uni && !filtered_ && calc_count_ == 0) {
    // Streaming: refill the one record in place.
    if (records_.empty()) records_.emplace_back();
    Record& r = records_.front();
    if (!InternalFetch(r.values)) {
      fetched_all_ = true;
      return false;
    }
    r.serial = next_serial_++;
    ++rows_read_;
    return true;
  }
  Record next;
  while (true) {
    if (!InternalFetch(next.values)) {
      fetched_all_ = true;
      return false;
    }
    next.serial = next_serial_++;
    if (!AcceptRecord(next)) continue;
    ++rows_read_;
    if (uni) {
      if (records_.empty()) records_.emplace_back();
      std::swap(records_.front(), next);
    } else {
      records_.push_back(std::move(next));
    }
    return true;
  }
}

bool TDataSet::AcceptRecord(Record& record) {
  CalculateFields(record);
  if (!filtered_ || !OnFilterRecord) return true;
  bool accept = true;
  Record* saved = active_;
  Point(&record);
  try {
    OnFilterRecord(this, accept);
  } catch (...) {
    Point(saved);
    throw;
  }
  Point(saved);
  return accept;
}

void TDataSet::CalculateFields(Record& record) {
  if (calc_count_ == 0 || in_calc_) return;
  record.calc.assign(static_cast<std::size_t>(calc_count_), Variant());
  const TDataSetState savedState = state_;
  Record* savedActive = active_;
  in_calc_ = true;
  state_ = dsCalcFields;
  source_.active = state_ != dsInactive;
  Point(&record);
  auto restore = [&] {
    state_ = savedState;
    source_.active = state_ != dsInactive;
    Point(savedActive);
    in_calc_ = false;
  };
  try {
    for (TField* f : fields_.list_) {
      if (f->FieldKind() != fkLookup || f->LookupDataSet == nullptr ||
          !f->LookupDataSet->Active()) {
        continue;
      }
      std::vector<Variant> keys;
      for (TField* k : FieldList(f->KeyFields)) keys.push_back(k->Value());
      record.calc[static_cast<std::size_t>(f->ValueIndex())] =
          f->LookupDataSet->Lookup(f->LookupKeyFields, keys, f->LookupResultField);
    }
    if (OnCalcFields) OnCalcFields(this);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

int TDataSet::EnsureRecords(int count) {
  if (!Active()) return 0;
  if (InternalIsUniDirectional()) return static_cast<int>(records_.size());
  bool fetched = false;
  while (static_cast<int>(records_.size()) < count && FetchNext()) fetched = true;
  if (fetched) UpdateActive();
  return static_cast<int>(records_.size());
}

void TDataSet::UpdateActive() {
  if (state_ == dsCalcFields) return;  // CalculateFields points at the record it calculates
  if (state_ == dsInactive) {
    Point(nullptr);
    return;
  }
  if (display_ >= 0 && display_ != cur_ && display_ < static_cast<int>(records_.size())) {
    Point(&records_[static_cast<std::size_t>(display_)]);
    return;
  }
  if (EditState(state_) || state_ == dsSetKey) {
    Point(&edit_);
    return;
  }
  Point(cur_ >= 0 && cur_ < static_cast<int>(records_.size())
                ? &records_[static_cast<std::size_t>(cur_)]
                : nullptr);
}

void TDataSet::SetDisplayRecord(int index) {
  display_ = index;
  UpdateActive();
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  source_.active = state_ != dsInactive;
  modified_ = false;
  UpdateActive();
  DataEvent(deUpdateState);
}

void TDataSet::ClosedError() { throw EDatabaseError(msg::SDataSetClosed); }

void TField::ClosedDataSetError() { throw EDatabaseError(msg::SDataSetClosed); }

const Variant& TField::NullData() noexcept { return kNull; }

const Variant& TDataSet::NullValue() noexcept { return kNull; }

void TField::NoDataSetError() const {
  throw EDatabaseError(Format(msg::SDataSetMissing, field_name_));
}

void TField::Attach(TDataSet* dataSet) noexcept {
  dataset_ = dataSet;
  source_ = dataSet != nullptr ? &dataSet->source_ : nullptr;
}

void TDataSet::SetFieldData(TField& field, Variant value) {
  if (state_ == dsInactive) throw EDatabaseError(msg::SDataSetClosed);
  const auto index = static_cast<std::size_t>(field.ValueIndex());
  if (field.FieldKind() != fkData) {
    if (state_ != dsCalcFields || active_ == nullptr || index >= active_->calc.size()) {
      throw EDatabaseError(Format(msg::SFieldReadOnly, field.DisplayLabel()));
    }
    active_->calc[index] = std::move(value);
    return;
  }
  if (!EditState(state_) && state_ != dsSetKey) throw EDatabaseError(msg::SNotEditing);
  if (field.ReadOnly && state_ != dsSetKey) {
    throw EDatabaseError(Format(msg::SFieldReadOnly, field.DisplayLabel()));
  }
  if (index >= edit_.values.size()) edit_.values.resize(static_cast<std::size_t>(ValueCount));
  Variant old = std::move(edit_.values[index]);
  edit_.values[index] = std::move(value);
  if (field.OnValidate) {
    try {
      field.OnValidate(&field);
    } catch (...) {
      edit_.values[index] = std::move(old);
      throw;
    }
  }
  if (state_ == dsSetKey) return;
  if (index < changed_.size()) changed_[index] = true;
  modified_ = true;
  if (AutoCalcFields) CalculateFields(edit_);
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(&field));
  if (field.OnChange) field.OnChange(&field);
}

// ---- navigation --------------------------------------------------------------------------------

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) throw EDatabaseError(msg::SDataSetClosed);
}

void TDataSet::CheckInactive() const {
  if (state_ != dsInactive) throw EDatabaseError(msg::SDataSetOpen);
}

void TDataSet::CheckBrowse() const {
  CheckActive();
  if (state_ != dsBrowse) throw EDatabaseError(msg::SNotEditing);
}

void TDataSet::CheckUnidirectional() const {
  if (InternalIsUniDirectional()) throw EDatabaseError(msg::SDataSetUnidirectional);
}

void TDataSet::Resync() {
  display_ = -1;
  UpdateActive();
  DataEvent(deDataSetChange);
}

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  if (InternalIsUniDirectional()) {
    // Only the first record itself is reachable again.
    if (rows_read_ > 1) CheckUnidirectional();
    bof_ = true;
    return;
  }
  DoEvent(BeforeScroll);
  if (records_.empty()) FetchNext();
  cur_ = records_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = records_.empty();
  Resync();
  DoEvent(AfterScroll);
}

void TDataSet::Next() {
  // Streaming with nobody watching (the report run): read the next row into the one record.
  if (state_ == dsBrowse && !eof_ && disable_count_ == 0 && data_sources_.empty() &&
      !BeforeScroll && !AfterScroll && !filtered_ && calc_count_ == 0 && !records_.empty() &&
      InternalIsUniDirectional()) {
    bof_ = false;
    if (fetched_all_ || !InternalFetch(records_.front().values)) {
      fetched_all_ = true;
      eof_ = true;
      return;
    }
    records_.front().serial = next_serial_++;
    ++rows_read_;
    return;
  }
  MoveBy(1);
}

void TDataSet::Prior() { MoveBy(-1); }

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  DoEvent(BeforeScroll);
  if (InternalIsUniDirectional()) {
    while (FetchNext()) {
    }
  } else {
    while (FetchNext()) {
    }
    cur_ = static_cast<int>(records_.size()) - 1;
  }
  eof_ = true;
  bof_ = records_.empty();
  Resync();
  DoEvent(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  if (distance < 0) CheckUnidirectional();
  CheckBrowseMode();
  DoEvent(BeforeScroll);
  const bool uni = InternalIsUniDirectional();
  const int old = cur_;
  int moved = 0;
  if (distance > 0) {
    if (!eof_) bof_ = false;
    while (moved < distance && !eof_) {
      if (uni) {
        if (!FetchNext()) {
          eof_ = true;
          break;
        }
      } else if (cur_ + 1 < static_cast<int>(records_.size())) {
        ++cur_;
      } else if (FetchNext()) {
        ++cur_;
      } else {
        eof_ = true;
        break;
      }
      ++moved;
    }
  } else if (distance < 0) {
    if (!bof_) eof_ = false;
    while (moved > distance) {
      if (cur_ > 0) {
        --cur_;
        --moved;
      } else {
        bof_ = true;
        break;
      }
    }
  }
  if (moved != 0 || uni) {
    display_ = -1;
    UpdateActive();
    if (moved != 0) DataEvent(deDataSetScroll, uni ? moved : cur_ - old);
  }
  DoEvent(AfterScroll);
  return moved;
}

bool TDataSet::IsEmpty() const { return records_.empty(); }

int TDataSet::RecNo() const {
  if (!Active()) return 0;
  if (InternalIsUniDirectional()) return records_.empty() ? 0 : rows_read_;
  return cur_ + 1;
}

void TDataSet::SetRecNo(int recNo) {
  CheckActive();
  if (recNo == RecNo()) return;
  CheckUnidirectional();
  EnsureRecords(recNo);
  const int target = std::clamp(recNo, 1, std::max(1, static_cast<int>(records_.size())));
  MoveBy(target - 1 - cur_);
}

int TDataSet::RecordCount() {
  CheckActive();
  if (InternalIsUniDirectional()) return rows_read_;
  EnsureRecords(INT_MAX);
  return static_cast<int>(records_.size());
}

std::vector<std::string> SplitFieldNames(std::string_view names) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find_first_of(";,", start);
    if (end == std::string_view::npos) end = names.size();
    std::string name = Trim(names.substr(start, end - start));
    if (!name.empty()) out.push_back(std::move(name));
    start = end + 1;
  }
  return out;
}

std::vector<TField*> TDataSet::FieldList(std::string_view names) const {
  std::vector<TField*> list;
  for (const std::string& name : SplitFieldNames(names)) list.push_back(FieldByName(name));
  return list;
}

bool TDataSet::RecordMatches(const Record& record, const std::vector<TField*>& fields,
                             const std::vector<Variant>& values, TLocateOptions options) const {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const TField* f = fields[i];
    const auto index = static_cast<std::size_t>(f->ValueIndex());
    const std::vector<Variant>& source = f->FieldKind() == fkData ? record.values : record.calc;
    const Variant& stored = index < source.size() ? source[index] : kNull;
    if (!ValuesMatch(stored, values[i], f->DataType(), options)) return false;
  }
  return true;
}

int TDataSet::FindRecord(const std::vector<TField*>& fields, const std::vector<Variant>& values,
                         TLocateOptions options, int start) {
  if (fields.size() != values.size()) {
    throw EDatabaseError(Format(msg::SLocateValueCount, static_cast<int>(fields.size()),
                                static_cast<int>(values.size())));
  }
  // Sought values take the field's type once (text stays text for partial and string keys).
  std::vector<Variant> wanted;
  wanted.reserve(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const TFieldType type = fields[i]->DataType();
    if (values[i].Type() == TVariantType::varString &&
        (IsStringType(type) || (options & loPartialKey))) {
      wanted.push_back(values[i]);
    } else {
      wanted.push_back(fields[i]->Convert(values[i]));
    }
  }
  for (int i = start;; ++i) {
    if (i >= static_cast<int>(records_.size())) {
      if (!FetchNext()) {
        UpdateActive();
        return -1;
      }
      UpdateActive();
    }
    if (RecordMatches(records_[static_cast<std::size_t>(i)], fields, wanted, options)) return i;
  }
}

bool TDataSet::Locate(std::string_view keyFields, const std::vector<Variant>& values,
                      TLocateOptions options) {
  CheckActive();
  CheckUnidirectional();
  CheckBrowseMode();
  const int index = FindRecord(FieldList(keyFields), values, options, 0);
  if (index < 0) return false;
  DoEvent(BeforeScroll);
  cur_ = index;
  eof_ = false;
  bof_ = index == 0;
  Resync();
  DoEvent(AfterScroll);
  return true;
}

Variant TDataSet::Lookup(std::string_view keyFields, const std::vector<Variant>& values,
                         std::string_view resultField) {
  CheckActive();
  CheckUnidirectional();
  TField* result = FieldByName(resultField);
  const int index = FindRecord(FieldList(keyFields), values, 0, 0);
  if (index < 0) return Variant();
  // Read the found record in place; reading never fetches, so the pointers stay valid.
  Record* saved = active_;
  Point(&records_[static_cast<std::size_t>(index)]);
  Variant value;
  try {
    value = result->Value();
  } catch (...) {
    Point(saved);
    throw;
  }
  Point(saved);
  return value;
}

// ---- bookmarks ---------------------------------------------------------------------------------

std::vector<Variant> TDataSet::KeyOf(const Record& record) const {
  std::vector<Variant> key;
  for (int index : KeyValueIndices()) {
    const auto i = static_cast<std::size_t>(index);
    key.push_back(i < record.values.size() ? record.values[i] : Variant());
  }
  return key;
}

TBookmark TDataSet::GetBookmark() const {
  TBookmark mark;
  if (!Active() || cur_ < 0 || cur_ >= static_cast<int>(records_.size())) return mark;
  const Record& r = records_[static_cast<std::size_t>(cur_)];
  mark.Serial = r.serial;
  mark.Generation = generation_;
  mark.Key = KeyOf(r);
  mark.RecNo = RecNo();
  return mark;
}

int TDataSet::FindBookmark(const TBookmark& mark) {
  if (mark.IsNull() || !Active()) return -1;
  if (mark.Generation == generation_) {
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (records_[i].serial == mark.Serial) return static_cast<int>(i);
    }
    return -1;
  }
  if (InternalIsUniDirectional()) return -1;
  const std::vector<int> keyIndices = KeyValueIndices();
  const bool keyed = !mark.Key.empty() && keyIndices.size() == mark.Key.size() &&
                     std::none_of(mark.Key.begin(), mark.Key.end(),
                                  [](const Variant& v) { return v.IsNull(); });
  if (keyed) {
    for (std::size_t i = 0;; ++i) {
      if (i >= records_.size()) {
        if (!FetchNext()) {
          UpdateActive();
          return -1;
        }
        UpdateActive();
      }
      const Record& r = records_[i];
      bool same = true;
      for (std::size_t k = 0; k < keyIndices.size() && same; ++k) {
        const auto vi = static_cast<std::size_t>(keyIndices[k]);
        same = vi < r.values.size() && ValuesMatch(r.values[vi], mark.Key[k], ftUnknown, 0);
      }
      if (same) return static_cast<int>(i);
    }
  }
  // Without a key the record number stands in for the record.
  if (mark.RecNo <= 0) return -1;
  EnsureRecords(mark.RecNo);
  return mark.RecNo <= static_cast<int>(records_.size()) ? mark.RecNo - 1 : -1;
}

void TDataSet::GotoBookmark(const TBookmark& mark) {
  if (mark.IsNull()) return;
  CheckActive();
  if (InternalIsUniDirectional()) {
    if (!records_.empty() && records_.front().serial == mark.Serial &&
        mark.Generation == generation_) {
      return;
    }
    CheckUnidirectional();
  }
  CheckBrowseMode();
  const int index = FindBookmark(mark);
  if (index < 0) throw EDatabaseError(msg::SRecordNotFound);
  DoEvent(BeforeScroll);
  cur_ = index;
  eof_ = false;
  bof_ = false;
  Resync();
  DoEvent(AfterScroll);
}

bool TDataSet::BookmarkValid(const TBookmark& mark) {
  if (!Active() || mark.IsNull()) return false;
  if (InternalIsUniDirectional()) {
    return !records_.empty() && records_.front().serial == mark.Serial &&
           mark.Generation == generation_;
  }
  return FindBookmark(mark) >= 0;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  const int ia = FindBookmark(a);
  const int ib = FindBookmark(b);
  return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

// ---- editing -----------------------------------------------------------------------------------

bool TDataSet::CanModify() const { return Active() && InternalCanModify(); }

void TDataSet::CheckCanModify() const {
  if (!CanModify()) throw EDatabaseError(msg::SDataSetReadOnly);
}

void TDataSet::NewRecordBuffer(Record& record) const {
  record.values.assign(static_cast<std::size_t>(ValueCount), Variant());
  record.calc.assign(static_cast<std::size_t>(calc_count_), Variant());
  record.original.reset();
  record.status = usInserted;
  record.applied = false;
}

void TDataSet::Edit() {
  CheckActive();
  if (EditState(state_)) return;
  if (records_.empty()) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoEvent(BeforeEdit);
  RunWithErrorEvent(OnEditError, [] {});
  const Record& r = records_[static_cast<std::size_t>(cur_)];
  edit_.values = r.values;
  edit_.values.resize(static_cast<std::size_t>(ValueCount));
  edit_.calc = r.calc;
  edit_.serial = r.serial;
  edit_.status = r.status;
  changed_.assign(static_cast<std::size_t>(ValueCount), false);
  display_ = -1;
  SetState(dsEdit);
  DataEvent(deRecordChange);
  DoEvent(AfterEdit);
}

void TDataSet::Insert() {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify();
  DoEvent(BeforeInsert);
  DoEvent(BeforeScroll);
  StartInsert(cur_ < 0 ? 0 : cur_);
}

void TDataSet::Append() {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify();
  while (FetchNext()) {
  }
  cur_ = static_cast<int>(records_.size());
  // Insert puts the new record before cur_, which here is the end.
  DoEvent(BeforeInsert);
  DoEvent(BeforeScroll);
  StartInsert(static_cast<int>(records_.size()));
}

void TDataSet::StartInsert(int position) {
  Record placeholder;
  NewRecordBuffer(placeholder);
  placeholder.serial = next_serial_++;
  records_.insert(records_.begin() + position, std::move(placeholder));
  cur_ = position;
  NewRecordBuffer(edit_);
  edit_.serial = records_[static_cast<std::size_t>(cur_)].serial;
  changed_.assign(static_cast<std::size_t>(ValueCount), false);
  eof_ = bof_ = false;
  display_ = -1;
  SetState(dsInsert);
  try {
    DoEvent(OnNewRecord);
  } catch (...) {
    Cancel();
    throw;
  }
  modified_ = false;
  if (calc_count_ > 0) CalculateFields(edit_);
  DataEvent(deDataSetChange);
  DoEvent(AfterInsert);
  DoEvent(AfterScroll);
}

void TDataSet::UpdateRecord() {
  if (!EditState(state_)) throw EDatabaseError(msg::SNotEditing);
  DataEvent(deUpdateRecord);
}

void TDataSet::CheckRequiredFields() {
  for (TField* f : fields_.list_) {
    if (f->FieldKind() != fkData || !f->Required || f->ReadOnly) continue;
    const auto index = static_cast<std::size_t>(f->ValueIndex());
    if (index >= edit_.values.size() || edit_.values[index].IsNull()) {
      f->FocusControl();
      throw EDatabaseError(Format(msg::SFieldRequired, f->DisplayLabel()));
    }
  }
}

void TDataSet::RunWithErrorEvent(const TDataSetErrorEvent& event,
                                 const std::function<void()>& body) {
  while (true) {
    try {
      body();
      return;
    } catch (EDatabaseError& e) {
      if (!event) throw;
      TDataAction action = daFail;
      event(this, e, action);
      if (action == daRetry) continue;
      if (action == daAbort) throw EAbort();
      throw;
    }
  }
}

void TDataSet::WriteRecord(Record& record, TUpdateKind kind) {
  if (cached_updates_) {
    if (record.applied) {
      // Written by ApplyUpdates but not committed: the database now holds these values.
      record.original = std::make_unique<std::vector<Variant>>(record.values);
      record.status = usModified;
      record.applied = false;
    }
    if (kind == ukInsert) {
      record.status = usInserted;
    } else if (record.status == usUnmodified) {
      record.original = std::make_unique<std::vector<Variant>>(record.values);
      record.status = usModified;
    }
    record.values = edit_.values;
    return;
  }
  std::vector<Variant> values = edit_.values;
  if (kind == ukModify && std::none_of(changed_.begin(), changed_.end(), [](bool b) { return b; })) {
    return;  // nothing changed: nothing to write
  }
  InternalAtomic([&] { InternalApplyUpdate(kind, record.values, values, changed_); });
  record.values = std::move(values);
  record.status = usUnmodified;
}

void TDataSet::Post() {
  CheckActive();
  if (state_ == dsSetKey) {
    SetState(dsBrowse);
    return;
  }
  if (!EditState(state_)) return;
  UpdateRecord();
  CheckRequiredFields();
  DoEvent(BeforePost);
  const TUpdateKind kind = state_ == dsInsert ? ukInsert : ukModify;
  RunWithErrorEvent(OnPostError, [&] {
    WriteRecord(records_[static_cast<std::size_t>(cur_)], kind);
  });
  Record& r = records_[static_cast<std::size_t>(cur_)];
  CalculateFields(r);
  SetState(dsBrowse);
  Resync();
  DoEvent(AfterPost);
}

void TDataSet::Cancel() {
  if (state_ == dsSetKey) {
    SetState(dsBrowse);
    return;
  }
  if (!EditState(state_)) return;
  DoEvent(BeforeCancel);
  if (state_ == dsInsert && cur_ >= 0 && cur_ < static_cast<int>(records_.size())) {
    records_.erase(records_.begin() + cur_);
    if (cur_ >= static_cast<int>(records_.size())) cur_ = static_cast<int>(records_.size()) - 1;
  }
  edit_ = Record();
  changed_.clear();
  eof_ = bof_ = records_.empty();
  SetState(dsBrowse);
  Resync();
  DoEvent(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (records_.empty() || cur_ < 0) throw EDatabaseError(msg::SDataSetEmpty);
  DataEvent(deCheckBrowseMode);
  CheckCanModify();
  DoEvent(BeforeDelete);
  DoEvent(BeforeScroll);
  RunWithErrorEvent(OnDeleteError, [&] {
    Record& r = records_[static_cast<std::size_t>(cur_)];
    if (cached_updates_) {
      if (r.status == usInserted && !r.applied) return;  // never written: just drop it
      if (r.status != usModified || r.applied) {
        r.original = std::make_unique<std::vector<Variant>>(r.values);
      }
      r.status = usDeleted;
      r.applied = false;
      return;
    }
    std::vector<Variant> unused;
    InternalAtomic([&] { InternalApplyUpdate(ukDelete, r.values, unused, {}); });
  });
  Record& r = records_[static_cast<std::size_t>(cur_)];
  if (cached_updates_ && r.status == usDeleted) deleted_.push_back(std::move(r));
  records_.erase(records_.begin() + cur_);
  if (cur_ >= static_cast<int>(records_.size()) && FetchNext()) {
    // The next unread record takes the place of the deleted one.
  }
  if (cur_ >= static_cast<int>(records_.size())) cur_ = static_cast<int>(records_.size()) - 1;
  edit_ = Record();
  eof_ = records_.empty();
  bof_ = records_.empty() || cur_ == 0;
  SetState(dsBrowse);
  Resync();
  DoEvent(AfterDelete);
  DoEvent(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (EditState(state_)) {
    UpdateRecord();
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  } else if (state_ == dsSetKey) {
    Post();
  }
}

void TDataSet::ClearFields() {
  if (!EditState(state_)) throw EDatabaseError(msg::SNotEditing);
  for (TField* f : fields_.list_) {
    if (f->FieldKind() != fkData) continue;
    const auto index = static_cast<std::size_t>(f->ValueIndex());
    if (index < edit_.values.size()) edit_.values[index].SetNull();
    if (index < changed_.size()) changed_[index] = true;
  }
  modified_ = true;
  if (AutoCalcFields) CalculateFields(edit_);
  DataEvent(deRecordChange);
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  Append();
  try {
    for (std::size_t i = 0; i < values.size() && i < fields_.list_.size(); ++i) {
      TField* f = fields_.list_[i];
      if (f->FieldKind() == fkData && !values[i].IsNull()) f->SetValue(values[i]);
    }
  } catch (...) {
    Cancel();
    throw;
  }
  Post();
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  Insert();
  try {
    for (std::size_t i = 0; i < values.size() && i < fields_.list_.size(); ++i) {
      TField* f = fields_.list_[i];
      if (f->FieldKind() == fkData && !values[i].IsNull()) f->SetValue(values[i]);
    }
  } catch (...) {
    Cancel();
    throw;
  }
  Post();
}

void TDataSet::InternalApplyUpdate(TUpdateKind, const std::vector<Variant>&,
                                   std::vector<Variant>&, const std::vector<bool>&) {
  throw EDatabaseError(msg::SDataSetReadOnly);
}

void TDataSet::EnterSetKey() {
  CheckActive();
  CheckBrowseMode();
  NewRecordBuffer(edit_);
  SetState(dsSetKey);
}

const Variant& TDataSet::KeyBufferValue(const TField& field) const {
  const auto index = static_cast<std::size_t>(field.ValueIndex());
  return index < edit_.values.size() ? edit_.values[index] : kNull;
}

// ---- cached updates ----------------------------------------------------------------------------

void TDataSet::SetCachedUpdates(bool value) {
  if (value == cached_updates_) return;
  if (Active() && UpdatesPending()) throw EDatabaseError(msg::SUpdatesPending);
  cached_updates_ = value;
}

bool TDataSet::UpdatesPending() const {
  if (!deleted_.empty()) return true;
  return std::any_of(records_.begin(), records_.end(),
                     [](const Record& r) { return r.status != usUnmodified; });
}

TUpdateStatus TDataSet::UpdateStatus() const {
  if (state_ == dsInsert) return usInserted;
  if (cur_ < 0 || cur_ >= static_cast<int>(records_.size())) return usUnmodified;
  return records_[static_cast<std::size_t>(cur_)].status;
}

void TDataSet::ApplyUpdates() {
  CheckActive();
  if (!cached_updates_) throw EDatabaseError(msg::SNotCachedUpdates);
  CheckBrowseMode();
  struct Work {
    Record* record;
    TUpdateKind kind;
    std::vector<Variant> values;
  };
  std::vector<Work> work;
  // Deletions first, then changes, then new records: a key freed by a deletion can be reused.
  for (Record& r : deleted_) {
    if (!r.applied) work.push_back({&r, ukDelete, {}});
  }
  for (Record& r : records_) {
    if (r.status == usModified && !r.applied) work.push_back({&r, ukModify, r.values});
  }
  for (Record& r : records_) {
    if (r.status == usInserted && !r.applied) work.push_back({&r, ukInsert, r.values});
  }
  if (work.empty()) return;
  InternalAtomic([&] {
    for (Work& w : work) {
      const std::vector<Variant>& old = w.record->original ? *w.record->original : w.record->values;
      std::vector<bool> changed(w.values.size(), false);
      for (std::size_t i = 0; i < w.values.size(); ++i) {
        changed[i] = w.kind == ukInsert ? !w.values[i].IsNull()
                                        : (i >= old.size() || !(w.values[i] == old[i]));
      }
      InternalApplyUpdate(w.kind, old, w.values, changed);
    }
  });
  const bool inTransaction = InternalInTransaction();
  last_applied_.clear();
  for (Work& w : work) {
    w.record->applied = true;
    if (w.kind != ukDelete) w.record->values = std::move(w.values);
    last_applied_.push_back(w.record->serial);
    if (inTransaction) transaction_applied_.push_back(w.record->serial);
  }
  Resync();
}

namespace {

// Clears the applied mark of the records whose serials are listed (sorted).
template <class Records>
void Unmark(Records& records, const std::vector<std::uint64_t>& sortedSerials) {
  for (auto& r : records) {
    if (r.applied && std::binary_search(sortedSerials.begin(), sortedSerials.end(), r.serial)) r.applied = false;
  }
}

}  // namespace

void TDataSet::TransactionEnded(bool committed) noexcept {
  if (!committed && !transaction_applied_.empty()) {
    std::sort(transaction_applied_.begin(), transaction_applied_.end());
    Unmark(records_, transaction_applied_);
    Unmark(deleted_, transaction_applied_);
  }
  transaction_applied_.clear();
}

void TDataSet::ForgetLastApply() noexcept {
  std::sort(last_applied_.begin(), last_applied_.end());
  Unmark(records_, last_applied_);
  Unmark(deleted_, last_applied_);
  std::erase_if(transaction_applied_, [&](std::uint64_t serial) {
    return std::binary_search(last_applied_.begin(), last_applied_.end(), serial);
  });
  last_applied_.clear();
}

void TDataSet::CommitUpdates() {
  CheckActive();
  deleted_.clear();
  last_applied_.clear();
  transaction_applied_.clear();
  for (Record& r : records_) {
    r.status = usUnmodified;
    r.applied = false;
    r.original.reset();
  }
}

void TDataSet::CancelUpdates() {
  CheckActive();
  if (EditState(state_)) Cancel();
  const std::uint64_t current = cur_ >= 0 && cur_ < static_cast<int>(records_.size())
                                    ? records_[static_cast<std::size_t>(cur_)].serial
                                    : 0;
  std::erase_if(records_, [](const Record& r) { return r.status == usInserted; });
  for (Record& r : records_) {
    if (r.original) r.values = std::move(*r.original);
    r.original.reset();
    r.status = usUnmodified;
    r.applied = false;
  }
  // Deleted records return to their place in reading order.
  for (Record& r : deleted_) {
    if (r.original) r.values = std::move(*r.original);
    r.original.reset();
    r.status = usUnmodified;
    r.applied = false;
    const auto at = std::find_if(records_.begin(), records_.end(),
                                 [&](const Record& x) { return x.serial > r.serial; });
    records_.insert(at, std::move(r));
  }
  deleted_.clear();
  last_applied_.clear();
  transaction_applied_.clear();
  for (Record& r : records_) CalculateFields(r);
  cur_ = records_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].serial == current) cur_ = static_cast<int>(i);
  }
  eof_ = bof_ = records_.empty();
  Resync();
}

// ---- filtering, controls, events ---------------------------------------------------------------

void TDataSet::SetFiltered(bool value) {
  if (filtered_ == value) return;
  filtered_ = value;
  if (Active()) Refresh();
}

void TDataSet::DisableControls() {
  if (disable_count_ == 0) {
    disable_state_ = state_;
    enable_event_ = deDataSetChange;
  }
  ++disable_count_;
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ > 0) return;
  if (disable_state_ != state_) DataEvent(deUpdateState);
  if (disable_state_ != dsInactive && state_ != dsInactive) DataEvent(enable_event_);
}

void TDataSet::NotifySources(TDataEvent event, std::intptr_t info) {
  if (disable_count_ == 0) {
    const std::vector<TDataSource*> sources = data_sources_;
    for (TDataSource* s : sources) s->DataEvent(event, info);
  } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
    enable_event_ = deLayoutChange;
  }
}

void TDataSet::CopyEvents(const TDataSet& s) {
  BeforeOpen = s.BeforeOpen;
  AfterOpen = s.AfterOpen;
  BeforeClose = s.BeforeClose;
  AfterClose = s.AfterClose;
  BeforeInsert = s.BeforeInsert;
  AfterInsert = s.AfterInsert;
  BeforeEdit = s.BeforeEdit;
  AfterEdit = s.AfterEdit;
  BeforePost = s.BeforePost;
  AfterPost = s.AfterPost;
  BeforeCancel = s.BeforeCancel;
  AfterCancel = s.AfterCancel;
  BeforeDelete = s.BeforeDelete;
  AfterDelete = s.AfterDelete;
  BeforeScroll = s.BeforeScroll;
  AfterScroll = s.AfterScroll;
  OnCalcFields = s.OnCalcFields;
  OnNewRecord = s.OnNewRecord;
  OnPostError = s.OnPostError;
  OnDeleteError = s.OnDeleteError;
  OnEditError = s.OnEditError;
  OnFilterRecord = s.OnFilterRecord;
}

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(data_sources_.begin(), data_sources_.end(), source) == data_sources_.end()) {
    data_sources_.push_back(source);
  }
}

void TDataSet::RemoveDataSource(TDataSource* source) { std::erase(data_sources_, source); }

void TDataSet::AddField(TField* field) {
  CheckInactive();
  if (std::find(fields_.list_.begin(), fields_.list_.end(), field) != fields_.list_.end()) return;
  if (!field->FieldName().empty() && FindField(field->FieldName()) != nullptr) {
    throw EDatabaseError(Format(msg::SDuplicateFieldName, field->FieldName()));
  }
  fields_.list_.push_back(field);
}

void TDataSet::RemoveField(TField* field) {
  if (Active() && !field->HasState(csDestroying)) throw EDatabaseError(msg::SDataSetOpen);
  std::erase(fields_.list_, field);
  std::erase(default_fields_, field);
  if (Active()) DataEvent(deLayoutChange);
}

void TDataSet::FieldLayoutChanged() {
  if (Active()) DataEvent(deLayoutChange);
}

}  // namespace bexlo
