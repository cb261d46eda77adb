// Number <-> text conversions with the classic runtime's behaviour.
//
// Floats: FloatToStr is the general format with 15 significant digits ("0.1", "-1.5", "1E15",
// "1.5E-5", "NAN", "INF", "-INF"). FloatToStrF offers the general, exponent, fixed, number
// (thousands separators) and currency formats; FormatFloat the picture syntax
// "#,##0.00;(#,##0.00);Zero". Digits are rounded half away from zero on the exact binary value.
// Text-to-number accepts only the settings' decimal separator and never a thousands separator.
// Malformed text raises EConvertError whose message quotes the text.
//
// Every routine that depends on regional settings has an overload with an explicit
// TFormatSettings; the plain one uses FormatSettings().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/format_settings.h"

namespace bexlo {

// ---- integers ------------------------------------------------------------------------------------

std::string IntToStr(std::int64_t value);
std::string UIntToStr(std::uint64_t value);
// Upper-case hex digits, zero-padded to at least `digits`. A negative 32-bit value gives its 8-digit
// two's complement, a negative 64-bit value its 16-digit one.
std::string IntToHex(int value, int digits);
std::string IntToHex(std::int64_t value, int digits);

// Text to integer: optional leading blanks, optional sign, decimal digits or hex after "$", "0x" or
// "0X". Trailing characters, an empty text and values out of range are errors. Hex forms may use
// the full unsigned width ("$FFFFFFFF" is -1 as a 32-bit value), as the classic runtime allowed.
int StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, int& value) noexcept;
int StrToIntDef(std::string_view s, int defaultValue) noexcept;
std::int64_t StrToInt64(std::string_view s);
bool TryStrToInt64(std::string_view s, std::int64_t& value) noexcept;
std::int64_t StrToInt64Def(std::string_view s, std::int64_t defaultValue) noexcept;

// ---- floats to text ------------------------------------------------------------------------------

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The decimal digits of a value as the classic FloatToDecimal gives them: Digits holds at most
// `precision` significant digits (1..20) and no more than `decimals` after the decimal point,
// rounded half away from zero, without trailing zeros, NUL-terminated. The value is
// 0.d1d2d3... x 10^Exponent. Zero has no digits and Exponent 0; a value rounding to zero is zero
// (Negative false). NaN has Exponent kNanExponent, infinities kInfExponent.
struct TFloatRec {
  static constexpr int kNanExponent = 0x8000;
  static constexpr int kInfExponent = 0x7FFF;
  int Exponent = 0;
  bool Negative = false;
  char Digits[21] = {};
};
void FloatToDecimal(TFloatRec& result, double value, int precision, int decimals);

// General format, 15 significant digits.
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);

// Classic FloatToStrF. `precision` (clamped to 2..18) is the number of significant digits; `digits`
// is the minimum exponent digits (0..4) for ffGeneral and ffExponent and the decimals (0..18) for
// ffFixed, ffNumber and ffCurrency. The fixed formats switch to the general format's scientific
// form when the value has more integer digits than `precision`.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);
// The same, appended to `out` (no temporary string).
void AppendFloatToStrF(std::string& out, double value, TFloatFormat format, int precision,
                       int digits, const TFormatSettings& settings);

// Classic picture formatting. Up to three sections separated by ";" for positive, negative and
// zero values (an empty or missing section uses the first; with a negative section no minus sign
// is printed). In a section: "0" digit or zero, "#" digit or nothing, "." decimal separator (the
// first one), "," anywhere turns on thousands grouping, "E+" "E-" "e+" "e-" scientific with the
// following zeros as minimum exponent digits, "..." and '...' literals, any other character
// itself. An empty pattern gives FloatToStr's text.
std::string FormatFloat(std::string_view pattern, double value);
std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& settings);

// ---- text to floats ------------------------------------------------------------------------------

// Optional blanks, optional sign, digits with at most one DecimalSeparator (".5" and "5." are
// accepted), optional exponent "E"/"e" with optional sign, optional blanks. Nothing else.
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& settings);
bool TryStrToFloat(std::string_view s, double& value) noexcept;
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) noexcept;
double StrToFloatDef(std::string_view s, double defaultValue) noexcept;
double StrToFloatDef(std::string_view s, double defaultValue,
                     const TFormatSettings& settings) noexcept;

}  // namespace bexlo
