// TField: one column of a data set's current record, with its presentation (display label and
// width, display format, edit mask, visibility, alignment) and its value through typed accessors.
//
// A field holds no value of its own: it reads and writes the data set's active record. Reading a
// field of a closed data set raises "Cannot perform this operation on a closed dataset"; writing
// needs the data set in edit or insert state (calculated and lookup fields are written by
// OnCalcFields only). The typed subclasses (fields.h) convert: a getter or setter that makes no
// sense for the type raises EDatabaseError "Cannot access field ... as type ...", text that does
// not fit raises EConvertError naming the text. A null value reads as "", 0, false or date 0.
//
// Fields are components: fields created by the application for a data set (persistent, with
// their own owner) stay across Open and Close; when a data set has none, Open creates one field
// per result column (owned by the data set) and Close frees them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/field_types.h"
#include "util/object.h"
#include "util/variant.h"

namespace bexlo {

class TDataSet;
class TField;

// What the fields of a data set read: the active record's values, kept current by the data set
// so that reading a field costs no call into it.
struct TFieldSource {
  const std::vector<Variant>* values = nullptr;  // data fields; null when there is no record
  const std::vector<Variant>* calc = nullptr;    // calculated and lookup fields
  bool active = false;                           // the data set is open
};

using TFieldNotifyEvent = std::function<void(TField* sender)>;
// Replaces the field's text: displayText is true for display, false for editing.
using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const std::string& text)>;

class TField : public TComponent {
 public:
  explicit TField(TComponent* owner = nullptr);
  ~TField() override;

  std::string_view ClassName() const noexcept override { return "TField"; }

  // ---- identity ---------------------------------------------------------------------------------
  TDataSet* DataSet() const noexcept { return dataset_; }
  // Attaches the field to a data set (closed), as a persistent field; null detaches it.
  void SetDataSet(TDataSet* dataSet);
  const std::string& FieldName() const noexcept { return field_name_; }
  void SetFieldName(std::string name);
  TFieldType DataType() const noexcept { return data_type_; }
  TFieldKind FieldKind() const noexcept { return field_kind_; }
  void SetFieldKind(TFieldKind kind);
  // 1-based number of the result column; 0 for calculated and lookup fields and while closed.
  int FieldNo() const noexcept { return field_no_; }
  // Position in the data set's field list.
  int Index() const;
  void SetIndex(int index);
  // Characters of a string field, bytes of a bytes field, decimals of a BCD field.
  int Size() const noexcept { return size_; }
  void SetSize(int size);
  // Bytes of the value in the classic record layout (Integer 4, Float 8, String Size + 1, ...).
  virtual int DataSize() const;
  bool IsBlob() const noexcept { return IsBlobType(data_type_); }

  // ---- presentation -----------------------------------------------------------------------------
  // DisplayLabel is the field name until set.
  std::string DisplayLabel() const { return display_label_.empty() ? field_name_ : display_label_; }
  void SetDisplayLabel(std::string label);
  int DisplayWidth() const;
  void SetDisplayWidth(int width);
  // Picture for numbers (FormatFloat) or dates (FormatDateTime) in DisplayText; empty: default.
  const std::string& DisplayFormat() const noexcept { return display_format_; }
  void SetDisplayFormat(std::string format);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment alignment);

  // Plain data that changes nothing by itself.
  std::string EditFormat;             // picture used by Text (edit text); empty: DisplayFormat
  std::string EditMask;               // input mask for editors
  bool Required = false;              // Post refuses a null value
  bool ReadOnly = false;              // the value cannot be set
  std::string Origin;                 // "table.column" the value comes from
  std::string ConstraintErrorMessage; // message an editor shows when a required entry is missing
  // Lookup fields: the value is LookupResultField of the LookupDataSet record whose
  // LookupKeyFields equal this record's KeyFields (";"-separated lists of the same length).
  TDataSet* LookupDataSet = nullptr;
  std::string KeyFields;
  std::string LookupKeyFields;
  std::string LookupResultField;

  // ---- value ------------------------------------------------------------------------------------
  bool IsNull() const;
  void Clear();
  std::string AsString() const { return GetAsString(); }
  void SetAsString(std::string_view value) { SetAsStringValue(value); }
  std::int64_t AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(std::int64_t value) { SetAsIntegerValue(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  double AsCurrency() const { return GetAsFloat(); }
  void SetAsCurrency(double value) { SetAsFloatValue(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  double AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(double value) { SetAsDateTimeValue(value); }
  // The value in the field's own type (Null when null).
  Variant Value() const { return GetAsVariant(); }
  Variant AsVariant() const { return GetAsVariant(); }
  // Converts to the field's type; Null clears.
  void SetValue(const Variant& value) { SetAsVariantValue(value); }
  void SetAsVariant(const Variant& value) { SetAsVariantValue(value); }
  // Text for display (DisplayFormat, currency, ...) and for editing; OnGetText may replace both.
  std::string DisplayText() const;
  std::string Text() const;
  // Sets the value from edit text (OnSetText when assigned, else AsString).
  void SetText(std::string_view text);

  // Whether the value can be set now (data set editable, field not read-only).
  bool CanModify() const;
  // Asks the data set's links to focus the control that shows this field.
  void FocusControl();
  // Checks the value against the field's range (numeric fields); raises when out of range.
  virtual void Validate() {}

  // ---- events -------------------------------------------------------------------------------------
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;  // after the new value is stored; raising undoes it
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // ---- for the data set -----------------------------------------------------------------------------
  // Where the value lives: index into the record's values (data fields) or calculated values.
  int ValueIndex() const noexcept { return value_index_; }
  void Bind(int fieldNo, int valueIndex) noexcept {
    field_no_ = fieldNo;
    value_index_ = valueIndex;
  }
  // Converts a value to the field's storage form; raises for unfit values.
  virtual Variant Convert(const Variant& value) const;

 protected:
  TField(TComponent* owner, TFieldType type);

  // The stored value (Null when null); raises on a closed data set.
  const Variant& Data() const {
    if (source_ == nullptr) NoDataSetError();
    if (!source_->active) ClosedDataSetError();
    const std::vector<Variant>* v = field_kind_ == fkData ? source_->values : source_->calc;
    if (v == nullptr || static_cast<std::size_t>(value_index_) >= v->size()) return NullData();
    return (*v)[static_cast<std::size_t>(value_index_)];
  }
  // Stores a value already in storage form, through the data set (state checks, events).
  void StoreData(Variant value);
  // Raises "Cannot access field '%s' as type %s".
  [[noreturn]] void AccessError(std::string_view typeName) const;
  [[noreturn]] void ValueError(std::string_view text) const;

  virtual std::string GetAsString() const;
  virtual void SetAsStringValue(std::string_view value);
  virtual std::int64_t GetAsInteger() const;
  virtual void SetAsIntegerValue(std::int64_t value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool value);
  virtual double GetAsDateTime() const;
  virtual void SetAsDateTimeValue(double value);
  virtual Variant GetAsVariant() const;
  virtual void SetAsVariantValue(const Variant& value);
  // Text for display or editing; the default is "" for null, else AsString.
  virtual std::string GetText(bool displayText) const;
  virtual int DefaultWidth() const;

  // Redraws the data set's controls: layout (labels, widths, visibility) or data (formats).
  void PropertyChanged(bool layoutAffected);

 private:
  friend class TDataSet;

  [[noreturn]] void NoDataSetError() const;
  [[noreturn]] static void ClosedDataSetError();
  static const Variant& NullData() noexcept;
  void Attach(TDataSet* dataSet) noexcept;

  TDataSet* dataset_ = nullptr;
  const TFieldSource* source_ = nullptr;
  std::string field_name_;
  TFieldType data_type_;
  TFieldKind field_kind_ = fkData;
  int field_no_ = 0;
  int value_index_ = -1;
  int size_ = 0;
  std::string display_label_;
  int display_width_ = 0;  // 0: DefaultWidth()
  std::string display_format_;
  bool visible_ = true;
  TAlignment alignment_ = taLeftJustify;
};

// The fields of a data set in display order. Names are found ignoring case.
class TFields {
 public:
  int Count() const noexcept { return static_cast<int>(list_.size()); }
  TField* operator[](int index) const { return Fields(index); }
  TField* Fields(int index) const;
  TField* FindField(std::string_view name) const;
  TField* FieldByName(std::string_view name) const;
  int IndexOf(const TField* field) const;

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

 private:
  friend class TDataSet;
  friend class TField;
  std::vector<TField*> list_;
};

}  // namespace bexlo
