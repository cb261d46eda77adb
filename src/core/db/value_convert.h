// Conversions of Variant values shared by fields, parameters and drivers. Text follows the
// process-wide format settings; unfit values raise EConvertError quoting the value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/driver.h"
#include "db/field_types.h"
#include "util/variant.h"

namespace bexlo {

// "True"/"T"/"Yes"/"Y"/"On"/"1" and "False"/"F"/"No"/"N"/"Off"/"0", any case, blanks around.
bool TryTextToBoolean(std::string_view text, bool& value) noexcept;

// The value as text: numbers by IntToStr/FloatToStr, booleans "True"/"False", dates by the type
// (ftDate: DateToStr, ftTime: TimeToStr, else DateTimeToStr), bytes as they are; Null gives "".
std::string VariantToText(const Variant& v, TFieldType dateType = ftDateTime);
std::int64_t VariantToInteger(const Variant& v);  // floats rounded half to even
double VariantToFloat(const Variant& v);
bool VariantToBoolean(const Variant& v);
// Text is read by the type: ftDate StrToDate, ftTime StrToTime, else StrToDateTime (an ISO text
// is accepted too).
double VariantToDateTime(const Variant& v, TFieldType type = ftDateTime);
TBytes VariantToBytes(const Variant& v);

// The value in the storage form of a field type (Null stays Null; ftUnknown keeps the value).
Variant ConvertVariant(const Variant& v, TFieldType type);

// ISO text from an engine: "yyyy-mm-dd", "yyyy-mm-dd hh:nn:ss[.fff]" (or "T"), "hh:nn:ss[.fff]",
// with an optional time zone suffix that is ignored (the value is the engine's local time).
bool ParseEngineDateTime(std::string_view text, double& value) noexcept;

// The ISO text an engine stores for a date value of the given type (ftDate: "yyyy-mm-dd",
// ftTime: "hh:nn:ss[.zzz]", else the date with the time when it has one); EConvertError for a
// value outside the valid date range.
std::string EngineDateText(double value, TFieldType type);

// Converts a value as read from an engine to the kind a field wants (see TValueKind); a value
// that does not convert is left as it is.
void ConvertEngineValue(Variant& v, TValueKind kind);

// The target kind for a field type.
TValueKind ValueKindOf(TFieldType type) noexcept;

}  // namespace bexlo
