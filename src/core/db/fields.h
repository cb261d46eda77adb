// The typed fields. Each converts its value to and from text, numbers, booleans and dates by the
// classic rules:
//   TStringField   any text; reads as a number, boolean or date when the text is one
//   TIntegerField, TSmallintField, TWordField, TAutoIncField   whole numbers (range-checked)
//   TFloatField, TCurrencyField, TBCDField   floating numbers; Currency switches display to the
//                  currency format, Precision is the number of significant digits shown
//   TBooleanField  DisplayValues "True;False" name the two values in text
//   TDateField, TTimeField, TDateTimeField   TDateTime values; a date field keeps no time of day,
//                  a time field no date
//   TBytesField, TVarBytesField, TBlobField   bytes; TMemoField text of any length
// Numbers and dates follow the process-wide format settings.
#pragma once

#include <cmath>
#include <string>

#include "db/field.h"

namespace bexlo {

class TStrings;

class TStringField : public TField {
 public:
  explicit TStringField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TStringField"; }
  int DataSize() const override { return Size() + 1; }
  Variant Convert(const Variant& value) const override;

 protected:
  std::string GetAsString() const override;
  void SetAsStringValue(std::string_view value) override;
  std::int64_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  double GetAsDateTime() const override;
  void SetAsDateTimeValue(double value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  int DefaultWidth() const override { return Size() > 0 ? Size() : 20; }
};

// Shared behaviour of the numeric fields: right-aligned, DisplayFormat and EditFormat pictures.
class TNumericField : public TField {
 public:
  std::string_view ClassName() const noexcept override { return "TNumericField"; }

 protected:
  TNumericField(TComponent* owner, TFieldType type);
};

class TIntegerField : public TNumericField {
 public:
  explicit TIntegerField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TIntegerField"; }
  int DataSize() const override { return 4; }
  Variant Convert(const Variant& value) const override;
  // Allowed range; both 0 means the type's own range.
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = 0;
  void Validate() override;

 protected:
  TIntegerField(TComponent* owner, TFieldType type, std::int64_t low, std::int64_t high);
  std::string GetAsString() const override;
  void SetAsStringValue(std::string_view value) override;
  std::int64_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  std::string GetText(bool displayText) const override;
  int DefaultWidth() const override { return 11; }

 private:
  void CheckRange(std::int64_t value) const;
  std::int64_t type_low_;
  std::int64_t type_high_;
};

class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TSmallintField"; }
  int DataSize() const override { return 2; }

 protected:
  int DefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
 public:
  explicit TWordField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TWordField"; }
  int DataSize() const override { return 2; }

 protected:
  int DefaultWidth() const override { return 5; }
};

// Values the engine assigns (SQLite INTEGER PRIMARY KEY AUTOINCREMENT, PostgreSQL identity).
class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TAutoIncField"; }
};

class TFloatField : public TNumericField {
 public:
  explicit TFloatField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TFloatField"; }
  int DataSize() const override { return 8; }
  Variant Convert(const Variant& value) const override;

  bool Currency() const noexcept { return currency_; }
  void SetCurrency(bool value);
  // Significant digits of the default display (2..15).
  int Precision() const noexcept { return precision_; }
  void SetPrecision(int value);
  // Allowed range; both 0 means no check.
  double MinValue = 0;
  double MaxValue = 0;
  void Validate() override;

 protected:
  TFloatField(TComponent* owner, TFieldType type);
  std::string GetAsString() const override;
  void SetAsStringValue(std::string_view value) override;
  std::int64_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  std::string GetText(bool displayText) const override;
  int DefaultWidth() const override { return 10; }

 private:
  void CheckRange(double value) const;
  bool currency_ = false;
  int precision_ = 15;
};

class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TCurrencyField"; }
};

// Exact decimals of the engine (NUMERIC(p,s)); Size is the scale. Held as a floating number.
class TBCDField : public TFloatField {
 public:
  explicit TBCDField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TBCDField"; }
  int DataSize() const override { return 34; }
};

class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TBooleanField"; }
  int DataSize() const override { return 2; }
  Variant Convert(const Variant& value) const override;

  // "True;False": the texts of true and false.
  const std::string& DisplayValues() const noexcept { return display_values_; }
  void SetDisplayValues(std::string values);

 protected:
  std::string GetAsString() const override;
  void SetAsStringValue(std::string_view value) override;
  std::int64_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int64_t value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  int DefaultWidth() const override { return 5; }

 private:
  std::string display_values_ = "True;False";
  std::string true_text_ = "True";
  std::string false_text_ = "False";
};

class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TDateTimeField"; }
  int DataSize() const override { return 8; }
  Variant Convert(const Variant& value) const override;

 protected:
  TDateTimeField(TComponent* owner, TFieldType type);
  std::string GetAsString() const override;
  void SetAsStringValue(std::string_view value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  double GetAsDateTime() const override;
  void SetAsDateTimeValue(double value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  std::string GetText(bool displayText) const override;
  int DefaultWidth() const override { return 18; }

 private:
  // The value with the part the type does not keep removed.
  double Normalize(double value) const {
    if (DataType() == ftDate) return std::trunc(value);
    if (DataType() == ftTime) return std::fabs(value - std::trunc(value));
    return value;
  }
};

class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TDateField"; }
  int DataSize() const override { return 4; }

 protected:
  int DefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TTimeField"; }
  int DataSize() const override { return 4; }

 protected:
  int DefaultWidth() const override { return 10; }
};

class TBinaryField : public TField {
 public:
  std::string_view ClassName() const noexcept override { return "TBinaryField"; }
  int DataSize() const override { return Size(); }
  Variant Convert(const Variant& value) const override;

 protected:
  TBinaryField(TComponent* owner, TFieldType type);
  std::string GetAsString() const override;
  void SetAsStringValue(std::string_view value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  std::string GetText(bool displayText) const override;
};

class TBytesField : public TBinaryField {
 public:
  explicit TBytesField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TBytesField"; }
};

class TVarBytesField : public TBinaryField {
 public:
  explicit TVarBytesField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TVarBytesField"; }
  int DataSize() const override { return Size() + 2; }
};

class TBlobField : public TBinaryField {
 public:
  explicit TBlobField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TBlobField"; }
  int DataSize() const override { return 0; }

  // Bytes of the value.
  std::size_t BlobSize() const;
  // The value as text lines (split at CR LF, LF or CR) and back (joined with CR LF).
  void GetLines(TStrings& lines) const;
  void AssignLines(const TStrings& lines);

 protected:
  TBlobField(TComponent* owner, TFieldType type);
  std::string GetText(bool displayText) const override;
  int DefaultWidth() const override { return 10; }
};

class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* owner = nullptr);
  std::string_view ClassName() const noexcept override { return "TMemoField"; }
  Variant Convert(const Variant& value) const override;

 protected:
  void SetAsStringValue(std::string_view value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
};

// A new field of the class that holds `type` (TStringField for ftString, ...), owned by owner.
TField* CreateFieldOfType(TFieldType type, TComponent* owner);

}  // namespace bexlo
