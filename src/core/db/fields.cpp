#include "db/fields.h"

#include <cmath>
#include <limits>

#include "db/value_convert.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

namespace {

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

}  // namespace

// ---- TStringField ------------------------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner, ftString) { SetSize(20); }

Variant TStringField::Convert(const Variant& value) const {
  if (value.IsNull() || value.Type() == TVariantType::varString) return value;
  return Variant(VariantToText(value));
}

std::string TStringField::GetAsString() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varString) return v.String();
  return VariantToText(v);
}

void TStringField::SetAsStringValue(std::string_view value) { StoreData(Variant(value)); }

std::int64_t TStringField::GetAsInteger() const {
  const Variant& v = Data();
  if (v.Type() != TVariantType::varString) return VariantToInteger(v);
  std::int64_t i = 0;
  if (!TryStrToInt64(TrimView(v.String()), i)) ValueError(v.String());
  return i;
}

void TStringField::SetAsIntegerValue(std::int64_t value) { StoreData(Variant(IntToStr(value))); }

double TStringField::GetAsFloat() const {
  const Variant& v = Data();
  if (v.Type() != TVariantType::varString) return VariantToFloat(v);
  double d = 0;
  if (!TryStrToFloat(v.String(), d)) ValueError(v.String());
  return d;
}

void TStringField::SetAsFloatValue(double value) { StoreData(Variant(FloatToStr(value))); }

bool TStringField::GetAsBoolean() const {
  const Variant& v = Data();
  if (v.Type() != TVariantType::varString) return VariantToBoolean(v);
  bool b = false;
  if (!TryTextToBoolean(v.String(), b)) ValueError(v.String());
  return b;
}

void TStringField::SetAsBooleanValue(bool value) { StoreData(Variant(value ? "T" : "F")); }

double TStringField::GetAsDateTime() const {
  const Variant& v = Data();
  try {
    return VariantToDateTime(v, ftDateTime);
  } catch (const EConvertError&) {
    ValueError(VariantToText(v));
  }
}

void TStringField::SetAsDateTimeValue(double value) { StoreData(Variant(DateTimeToStr(value))); }

Variant TStringField::GetAsVariant() const { return Convert(Data()); }

void TStringField::SetAsVariantValue(const Variant& value) { StoreData(Convert(value)); }

// ---- numbers -----------------------------------------------------------------------------------

TNumericField::TNumericField(TComponent* owner, TFieldType type) : TField(owner, type) {
  SetAlignment(taRightJustify);
}

TIntegerField::TIntegerField(TComponent* owner)
    : TIntegerField(owner, ftInteger, kInt64Min, kInt64Max) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, std::int64_t low,
                             std::int64_t high)
    : TNumericField(owner, type), type_low_(low), type_high_(high) {}

TSmallintField::TSmallintField(TComponent* owner)
    : TIntegerField(owner, ftSmallint, -32768, 32767) {}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner, ftWord, 0, 65535) {}

TAutoIncField::TAutoIncField(TComponent* owner)
    : TIntegerField(owner, ftAutoInc, kInt64Min, kInt64Max) {}

void TIntegerField::CheckRange(std::int64_t value) const {
  const bool own = MinValue != 0 || MaxValue != 0;
  const std::int64_t low = own ? MinValue : type_low_;
  const std::int64_t high = own ? MaxValue : type_high_;
  if (value < low || value > high) {
    throw EDatabaseError(
        Format(msg::SFieldRangeError, IntToStr(value), FieldName(), IntToStr(low), IntToStr(high)));
  }
}

void TIntegerField::Validate() {
  if (!IsNull()) CheckRange(GetAsInteger());
}

Variant TIntegerField::Convert(const Variant& value) const {
  if (value.IsNull()) return value;
  std::int64_t i = 0;
  try {
    i = VariantToInteger(value);
  } catch (const EConvertError&) {
    ValueError(VariantToText(value));
  }
  CheckRange(i);
  return Variant(i);
}

std::string TIntegerField::GetAsString() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varInteger) return IntToStr(v.Integer());
  return VariantToText(v);
}

void TIntegerField::SetAsStringValue(std::string_view value) {
  const std::string_view text = TrimView(value);
  if (text.empty()) {
    Clear();
    return;
  }
  std::int64_t i = 0;
  if (!TryStrToInt64(text, i)) ValueError(value);
  SetAsIntegerValue(i);
}

std::int64_t TIntegerField::GetAsInteger() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varInteger) return v.Integer();
  try {
    return VariantToInteger(v);
  } catch (const EConvertError&) {
    ValueError(VariantToText(v));
  }
}

void TIntegerField::SetAsIntegerValue(std::int64_t value) {
  CheckRange(value);
  StoreData(Variant(value));
}

double TIntegerField::GetAsFloat() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varInteger) return static_cast<double>(v.Integer());
  try {
    return VariantToFloat(v);
  } catch (const EConvertError&) {
    ValueError(VariantToText(v));
  }
}

void TIntegerField::SetAsFloatValue(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) ValueError(FloatToStr(value));
  SetAsIntegerValue(static_cast<std::int64_t>(r));
}

bool TIntegerField::GetAsBoolean() const { return GetAsInteger() != 0; }

void TIntegerField::SetAsBooleanValue(bool value) { SetAsIntegerValue(value ? 1 : 0); }

Variant TIntegerField::GetAsVariant() const {
  const Variant& v = Data();
  if (v.IsNull() || v.Type() == TVariantType::varInteger) return v;
  return Variant(GetAsInteger());
}

void TIntegerField::SetAsVariantValue(const Variant& value) {
  if (value.Type() == TVariantType::varString) {
    SetAsStringValue(value.String());
  } else {
    StoreData(Convert(value));
  }
}

std::string TIntegerField::GetText(bool displayText) const {
  const Variant& v = Data();
  if (v.IsNull()) return {};
  const std::string& format = displayText ? DisplayFormat() : EditFormat;
  if (format.empty()) return GetAsString();
  return FormatFloat(format, GetAsFloat());
}

TFloatField::TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}

TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) {
  SetCurrency(true);
}

TBCDField::TBCDField(TComponent* owner) : TFloatField(owner, ftBCD) { SetSize(4); }

void TFloatField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int value) {
  precision_ = std::clamp(value, 2, 15);
  PropertyChanged(false);
}

void TFloatField::CheckRange(double value) const {
  if ((MinValue != 0 || MaxValue != 0) && (value < MinValue || value > MaxValue)) {
    throw EDatabaseError(Format(msg::SFieldRangeError, FloatToStr(value), FieldName(),
                                FloatToStr(MinValue), FloatToStr(MaxValue)));
  }
}

void TFloatField::Validate() {
  if (!IsNull()) CheckRange(GetAsFloat());
}

Variant TFloatField::Convert(const Variant& value) const {
  if (value.IsNull()) return value;
  if (value.Type() == TVariantType::varInteger) {
    CheckRange(static_cast<double>(value.Integer()));
    return value;
  }
  double d = 0;
  try {
    d = VariantToFloat(value);
  } catch (const EConvertError&) {
    ValueError(VariantToText(value));
  }
  CheckRange(d);
  return Variant(d);
}

std::string TFloatField::GetAsString() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varFloat) return FloatToStr(v.Float());
  return VariantToText(v);
}

void TFloatField::SetAsStringValue(std::string_view value) {
  const std::string_view text = TrimView(value);
  if (text.empty()) {
    Clear();
    return;
  }
  double d = 0;
  if (!TryStrToFloat(text, d)) ValueError(value);
  SetAsFloatValue(d);
}

std::int64_t TFloatField::GetAsInteger() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varInteger) return v.Integer();
  try {
    return VariantToInteger(v);
  } catch (const EConvertError&) {
    ValueError(VariantToText(v));
  }
}

void TFloatField::SetAsIntegerValue(std::int64_t value) {
  CheckRange(static_cast<double>(value));
  StoreData(Variant(value));
}

double TFloatField::GetAsFloat() const {
  const Variant& v = Data();
  switch (v.Type()) {
    case TVariantType::varFloat:
      return v.Float();
    case TVariantType::varInteger:
      return static_cast<double>(v.Integer());
    case TVariantType::varNull:
      return 0;
    default:
      try {
        return VariantToFloat(v);
      } catch (const EConvertError&) {
        ValueError(VariantToText(v));
      }
  }
}

void TFloatField::SetAsFloatValue(double value) {
  CheckRange(value);
  StoreData(Variant(value));
}

Variant TFloatField::GetAsVariant() const {
  const Variant& v = Data();
  if (v.IsNull() || v.Type() == TVariantType::varFloat) return v;
  return Variant(GetAsFloat());
}

void TFloatField::SetAsVariantValue(const Variant& value) {
  if (value.Type() == TVariantType::varString) {
    SetAsStringValue(value.String());
  } else {
    StoreData(Convert(value));
  }
}

std::string TFloatField::GetText(bool displayText) const {
  const Variant& v = Data();
  if (v.IsNull()) return {};
  const std::string& format =
      displayText || EditFormat.empty() ? DisplayFormat() : EditFormat;
  const double d = GetAsFloat();
  if (!format.empty()) return FormatFloat(format, d);
  if (currency_) {
    return FloatToStrF(d, displayText ? ffCurrency : ffFixed, precision_,
                       FormatSettings().CurrencyDecimals);
  }
  // Whole numbers beyond double precision print exactly.
  if (v.Type() == TVariantType::varInteger && precision_ >= 15) return IntToStr(v.Integer());
  return FloatToStrF(d, ffGeneral, precision_, 0);
}

// ---- TBooleanField -----------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner, ftBoolean) {}

void TBooleanField::SetDisplayValues(std::string values) {
  const std::size_t semi = values.find(';');
  true_text_ = values.substr(0, semi);
  false_text_ = semi == std::string::npos ? std::string() : values.substr(semi + 1);
  display_values_ = std::move(values);
  PropertyChanged(false);
}

Variant TBooleanField::Convert(const Variant& value) const {
  if (value.IsNull() || value.Type() == TVariantType::varBoolean) return value;
  try {
    return Variant(VariantToBoolean(value));
  } catch (const EConvertError&) {
    ValueError(VariantToText(value));
  }
}

bool TBooleanField::GetAsBoolean() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varBoolean) return v.Boolean();
  try {
    return VariantToBoolean(v);
  } catch (const EConvertError&) {
    ValueError(VariantToText(v));
  }
}

void TBooleanField::SetAsBooleanValue(bool value) { StoreData(Variant(value)); }

std::string TBooleanField::GetAsString() const {
  if (IsNull()) return {};
  return GetAsBoolean() ? true_text_ : false_text_;
}

void TBooleanField::SetAsStringValue(std::string_view value) {
  const std::string text = Trim(value);
  if (text.empty()) {
    Clear();
    return;
  }
  // A beginning of the false or the true text (any case), as the classic field accepted.
  const auto length = static_cast<std::int64_t>(Utf8Length(text));
  if (!false_text_.empty() && SameText(text, Utf8Copy(false_text_, 1, length))) {
    SetAsBooleanValue(false);
  } else if (!true_text_.empty() && SameText(text, Utf8Copy(true_text_, 1, length))) {
    SetAsBooleanValue(true);
  } else {
    bool b = false;
    if (!TryTextToBoolean(text, b)) ValueError(value);
    SetAsBooleanValue(b);
  }
}

std::int64_t TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }

void TBooleanField::SetAsIntegerValue(std::int64_t value) { SetAsBooleanValue(value != 0); }

Variant TBooleanField::GetAsVariant() const {
  if (IsNull()) return Variant();
  return Variant(GetAsBoolean());
}

void TBooleanField::SetAsVariantValue(const Variant& value) {
  if (value.Type() == TVariantType::varString) {
    SetAsStringValue(value.String());
  } else {
    StoreData(Convert(value));
  }
}

// ---- dates and times ---------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner, type) {}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

Variant TDateTimeField::Convert(const Variant& value) const {
  if (value.IsNull()) return value;
  double d = 0;
  try {
    d = VariantToDateTime(value, DataType());
  } catch (const EConvertError&) {
    ValueError(VariantToText(value));
  }
  return Variant::FromDate(Normalize(d));
}

double TDateTimeField::GetAsDateTime() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varDate) return Normalize(v.Date());
  if (v.IsNull()) return 0;
  try {
    return Normalize(VariantToDateTime(v, DataType()));
  } catch (const EConvertError&) {
    ValueError(VariantToText(v));
  }
}

void TDateTimeField::SetAsDateTimeValue(double value) {
  StoreData(Variant::FromDate(Normalize(value)));
}

double TDateTimeField::GetAsFloat() const { return TDateTimeField::GetAsDateTime(); }

void TDateTimeField::SetAsFloatValue(double value) { SetAsDateTimeValue(value); }

std::string TDateTimeField::GetAsString() const {
  if (IsNull()) return {};
  const double d = GetAsDateTime();
  switch (DataType()) {
    case ftDate:
      return DateToStr(d);
    case ftTime:
      return TimeToStr(d);
    default:
      return DateTimeToStr(d);
  }
}

void TDateTimeField::SetAsStringValue(std::string_view value) {
  const std::string text = Trim(value);
  if (text.empty()) {
    Clear();
    return;
  }
  double d = 0;
  const bool ok = DataType() == ftDate   ? TryStrToDate(text, d)
                  : DataType() == ftTime ? TryStrToTime(text, d)
                                         : TryStrToDateTime(text, d);
  if (!ok && !ParseEngineDateTime(text, d)) ValueError(value);
  SetAsDateTimeValue(d);
}

Variant TDateTimeField::GetAsVariant() const {
  if (IsNull()) return Variant();
  return Variant::FromDate(GetAsDateTime());
}

void TDateTimeField::SetAsVariantValue(const Variant& value) {
  if (value.Type() == TVariantType::varString) {
    SetAsStringValue(value.String());
  } else {
    StoreData(Convert(value));
  }
}

std::string TDateTimeField::GetText(bool displayText) const {
  if (IsNull()) return {};
  std::string format = displayText ? DisplayFormat() : std::string();
  if (format.empty()) {
    if (DataType() == ftDate) format = FormatSettings().ShortDateFormat;
    if (DataType() == ftTime) format = FormatSettings().LongTimeFormat;
  }
  return FormatDateTime(format, GetAsDateTime());
}

// ---- bytes and blobs ---------------------------------------------------------------------------

TBinaryField::TBinaryField(TComponent* owner, TFieldType type) : TField(owner, type) {}

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner, ftBytes) { SetSize(16); }

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner, ftVarBytes) {
  SetSize(16);
}

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TBinaryField(owner, type) {}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}

Variant TBinaryField::Convert(const Variant& value) const {
  if (value.IsNull() || value.Type() == TVariantType::varBytes) return value;
  return Variant(VariantToBytes(value));
}

std::string TBinaryField::GetAsString() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varString) return v.String();
  if (v.Type() == TVariantType::varBytes) return std::string(v.Bytes().begin(), v.Bytes().end());
  return VariantToText(v);
}

void TBinaryField::SetAsStringValue(std::string_view value) {
  StoreData(Variant(TBytes(value.begin(), value.end())));
}

Variant TBinaryField::GetAsVariant() const { return Convert(Data()); }

void TBinaryField::SetAsVariantValue(const Variant& value) { StoreData(Convert(value)); }

std::string TBinaryField::GetText(bool) const {
  return DataType() == ftVarBytes ? "(VarBytes)" : "(Bytes)";
}

std::size_t TBlobField::BlobSize() const {
  const Variant& v = Data();
  if (v.Type() == TVariantType::varBytes) return v.Bytes().size();
  if (v.Type() == TVariantType::varString) return v.String().size();
  return v.IsNull() ? 0 : VariantToText(v).size();
}

void TBlobField::GetLines(TStrings& lines) const { lines.SetText(GetAsString()); }

void TBlobField::AssignLines(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines.Strings(i);
  }
  SetAsStringValue(text);
}

std::string TBlobField::GetText(bool) const {
  // "(MEMO)" when there is a value, "(Memo)" when there is none.
  const bool empty = IsNull() || BlobSize() == 0;
  const std::string name = DataType() == ftMemo ? "Memo" : "Blob";
  return "(" + (empty ? name : AsciiUpperCase(name)) + ")";
}

Variant TMemoField::Convert(const Variant& value) const {
  if (value.IsNull() || value.Type() == TVariantType::varString) return value;
  return Variant(VariantToText(value));
}

void TMemoField::SetAsStringValue(std::string_view value) { StoreData(Variant(value)); }

Variant TMemoField::GetAsVariant() const {
  const Variant& v = Data();
  if (v.IsNull() || v.Type() == TVariantType::varString) return v;
  return Variant(GetAsString());
}

void TMemoField::SetAsVariantValue(const Variant& value) { StoreData(Convert(value)); }

// ---- factory -----------------------------------------------------------------------------------

TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
  switch (type) {
    case ftString: return new TStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftBytes: return new TBytesField(owner);
    case ftVarBytes: return new TVarBytesField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftBlob: return new TBlobField(owner);
    case ftMemo: return new TMemoField(owner);
    case ftUnknown: break;
  }
  return new TStringField(owner);
}

}  // namespace bexlo
