#include "util/convert.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {
namespace {

// Significant decimal digits of a non-negative finite value: value = 0.<digits> x 10^exponent.
struct DecimalDigits {
  char digits[48];
  int count = 0;
  int exponent = 0;
};

// Parses the output of to_chars in scientific form ("d.ddde+XX") into DecimalDigits.
void ParseScientific(const char* begin, const char* end, DecimalDigits& out) {
  out.count = 0;
  const char* p = begin;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') out.digits[out.count++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
  out.exponent = exponent + 1;
}

// Exact digits of |value| (value > 0 and finite): 41 correctly rounded significant digits,
// enough to round at any position up to 20 without a double-rounding error.
void ExactDigits(double value, DecimalDigits& out) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific, 40);
  ParseScientific(buffer, result.ptr, out);
}

// Significant digits of |value| correctly rounded to `count` (1..18) by to_chars, which breaks
// exact ties to even.
void RoundedDigits(double value, int count, DecimalDigits& out) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific, count - 1);
  ParseScientific(buffer, result.ptr, out);
}

// True when the normal double `value` lies exactly halfway between two multiples of 10^position.
// With value = m * 2^e (m odd), value / 10^position = m / 5^position * 2^(e - position), which is
// an odd number of halves only when e = position - 1 and 5^position divides m.
bool IsExactTie(double value, int position) {
  int binaryExponent;
  const double fraction = std::frexp(value, &binaryExponent);
  std::uint64_t m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int e = binaryExponent - 53;
  const int zeros = std::countr_zero(m);
  m >>= zeros;
  e += zeros;
  if (e != position - 1) return false;
  std::uint64_t power = 1;
  for (int i = 0; i < position; ++i) {
    if (power > m) return false;
    power *= 5;
  }
  return m % power == 0;
}

// Shortest digits that read back as the same double.
void ShortestDigits(double value, DecimalDigits& out) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific);
  ParseScientific(buffer, result.ptr, out);
}

// Number of digits to keep for a value with `exponent`: at most `precision` significant ones and
// none beyond `decimals` after the decimal point.
std::int64_t KeptDigits(int exponent, int precision, int decimals) {
  return std::min<std::int64_t>(precision, static_cast<std::int64_t>(exponent) + decimals);
}

void StripTrailingZeros(DecimalDigits& d) {
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
}

// Rounds the exact digits half away from zero to `keep` digits. May leave no digits (zero).
void RoundDigits(DecimalDigits& d, std::int64_t keep) {
  if (keep >= d.count) return;
  if (keep < 0) {
    d.count = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.count = static_cast<int>(keep);
  if (!up) return;
  int i = d.count - 1;
  while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
  if (i >= 0) {
    ++d.digits[i];
  } else {  // 99.9 -> 100: one digit more in front
    d.digits[0] = '1';
    d.count = std::max(d.count, 1);
    ++d.exponent;
  }
}

// ---- text building --------------------------------------------------------------------------------

const char* SpecialText(const TFloatRec& rec) {
  if (rec.Exponent == TFloatRec::kNanExponent) return "NAN";
  if (rec.Exponent == TFloatRec::kInfExponent) return rec.Negative ? "-INF" : "INF";
  return nullptr;
}

int DigitCount(const TFloatRec& rec) { return static_cast<int>(std::strlen(rec.Digits)); }

void AppendExponent(std::string& out, int exponent, int minDigits, bool alwaysSign) {
  out += 'E';
  if (exponent < 0) {
    out += '-';
    exponent = -exponent;
  } else if (alwaysSign) {
    out += '+';
  }
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, exponent).ptr;
  for (auto n = end - buffer; n < minDigits; ++n) out += '0';
  out.append(buffer, end);
}

// Integer digits of `rec` (at least "0"), with a thousands separator between groups when given.
void AppendIntegerPart(std::string& out, const TFloatRec& rec, std::string_view thousands) {
  const int count = DigitCount(rec);
  const int integerDigits = rec.Exponent;
  if (integerDigits <= 0) {
    out += '0';
    return;
  }
  for (int i = 0; i < integerDigits; ++i) {
    out += i < count ? rec.Digits[i] : '0';
    const int left = integerDigits - 1 - i;
    if (left > 0 && left % 3 == 0) out += thousands;
  }
}

// Exactly `decimals` fraction digits of `rec`, after the decimal separator.
void AppendFractionPart(std::string& out, const TFloatRec& rec, int decimals,
                        std::string_view decimalSeparator) {
  if (decimals <= 0) return;
  out += decimalSeparator;
  const int count = DigitCount(rec);
  for (int i = 0; i < decimals; ++i) {
    const int index = rec.Exponent + i;  // digit index of the i-th decimal
    out += (index >= 0 && index < count) ? rec.Digits[index] : '0';
  }
}

void AppendGeneral(std::string& out, double value, int precision, int digits,
                   const TFormatSettings& fs) {
  TFloatRec rec;
  FloatToDecimal(rec, value, precision, 9999);
  if (const char* special = SpecialText(rec)) {
    out += special;
    return;
  }
  const int count = DigitCount(rec);
  if (count == 0) {
    out += '0';
    return;
  }
  if (rec.Negative) out += '-';
  if (rec.Exponent > precision || rec.Exponent < -3) {
    out += rec.Digits[0];
    if (count > 1) {
      out += fs.DecimalSeparator;
      out.append(rec.Digits + 1, count - 1);
    }
    AppendExponent(out, rec.Exponent - 1, digits, false);
    return;
  }
  AppendIntegerPart(out, rec, {});
  if (count > rec.Exponent) AppendFractionPart(out, rec, count - rec.Exponent, fs.DecimalSeparator);
}

void AppendExponentFormat(std::string& out, double value, int precision, int digits,
                          const TFormatSettings& fs) {
  TFloatRec rec;
  FloatToDecimal(rec, value, precision, 9999);
  if (const char* special = SpecialText(rec)) {
    out += special;
    return;
  }
  const int count = DigitCount(rec);
  if (rec.Negative) out += '-';
  out += count > 0 ? rec.Digits[0] : '0';
  if (precision > 1) {
    out += fs.DecimalSeparator;
    for (int i = 1; i < precision; ++i) out += i < count ? rec.Digits[i] : '0';
  }
  AppendExponent(out, count > 0 ? rec.Exponent - 1 : 0, digits, true);
}

// The currency text of a magnitude, laid out by CurrencyFormat / NegCurrFormat.
void AppendCurrency(std::string& out, std::string_view number, bool negative,
                    const TFormatSettings& fs) {
  const std::string_view c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: out.append(number).append(c); break;
      case 2: out.append(c).append(" ").append(number); break;
      case 3: out.append(number).append(" ").append(c); break;
      default: out.append(c).append(number); break;
    }
    return;
  }
  switch (fs.NegCurrFormat) {
    case 1: out.append("-").append(c).append(number); break;
    case 2: out.append(c).append("-").append(number); break;
    case 3: out.append(c).append(number).append("-"); break;
    case 4: out.append("(").append(number).append(c).append(")"); break;
    case 5: out.append("-").append(number).append(c); break;
    case 6: out.append(number).append("-").append(c); break;
    case 7: out.append(number).append(c).append("-"); break;
    case 8: out.append("-").append(number).append(" ").append(c); break;
    case 9: out.append("-").append(c).append(" ").append(number); break;
    case 10: out.append(number).append(" ").append(c).append("-"); break;
    case 11: out.append(c).append(" ").append(number).append("-"); break;
    case 12: out.append(c).append(" -").append(number); break;
    case 13: out.append(number).append("- ").append(c); break;
    case 14: out.append("(").append(c).append(" ").append(number).append(")"); break;
    case 15: out.append("(").append(number).append(" ").append(c).append(")"); break;
    default: out.append("(").append(c).append(number).append(")"); break;
  }
}

void AppendFixedFormats(std::string& out, double value, TFloatFormat format, int precision,
                        int digits, const TFormatSettings& fs) {
  TFloatRec rec;
  FloatToDecimal(rec, value, precision, digits);
  if (const char* special = SpecialText(rec)) {
    out += special;
    return;
  }
  if (rec.Exponent > precision) {  // too many integer digits: the scientific form
    AppendGeneral(out, value, precision, 0, fs);
    return;
  }
  const std::string_view thousands =
      format == ffFixed ? std::string_view() : std::string_view(fs.ThousandSeparator);
  if (format != ffCurrency) {
    if (rec.Negative) out += '-';
    AppendIntegerPart(out, rec, thousands);
    AppendFractionPart(out, rec, digits, fs.DecimalSeparator);
    return;
  }
  std::string number;
  AppendIntegerPart(number, rec, thousands);
  AppendFractionPart(number, rec, digits, fs.DecimalSeparator);
  AppendCurrency(out, number, rec.Negative, fs);
}

// ---- FormatFloat ---------------------------------------------------------------------------------

// Byte ranges of the (up to three) sections of a picture; quotes protect ";".
struct Sections {
  std::string_view part[3];
  int count = 0;
};

Sections SplitSections(std::string_view pattern) {
  Sections s;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';' && s.count < 2) {
      s.part[s.count++] = pattern.substr(start, i - start);
      start = i + 1;
    }
  }
  s.part[s.count++] = pattern.substr(start);
  return s;
}

// What a picture section asks for.
struct Picture {
  std::string_view text;
  int integerPlaceholders = 0;  // "0" and "#" before the decimal point (or the exponent)
  int firstIntegerZero = -1;    // index among those of the first "0"
  int fractionPlaceholders = 0;
  int lastFractionZero = -1;    // index among the fraction placeholders of the last "0"
  bool thousands = false;
  bool scientific = false;
  int exponentDigits = 0;
};

// True when text[i] starts an exponent marker ("E+", "E-", "e+", "e-").
bool IsExponentMarker(std::string_view text, std::size_t i) {
  return (text[i] == 'E' || text[i] == 'e') && i + 1 < text.size() &&
         (text[i + 1] == '+' || text[i + 1] == '-');
}

Picture ScanPicture(std::string_view text) {
  Picture p;
  p.text = text;
  bool inFraction = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = text.find(c, i + 1);
      i = close == std::string_view::npos ? text.size() : close;
    } else if (c == '0' || c == '#') {
      if (inFraction) {
        if (c == '0') p.lastFractionZero = p.fractionPlaceholders;
        ++p.fractionPlaceholders;
      } else {
        if (c == '0' && p.firstIntegerZero < 0) p.firstIntegerZero = p.integerPlaceholders;
        ++p.integerPlaceholders;
      }
    } else if (c == '.') {
      inFraction = true;
    } else if (c == ',') {
      p.thousands = true;
    } else if (IsExponentMarker(text, i) && !p.scientific) {
      p.scientific = true;
      i += 2;
      while (i < text.size() && text[i] == '0') {
        ++p.exponentDigits;
        ++i;
      }
      --i;
    }
  }
  p.exponentDigits = std::min(p.exponentDigits, 4);
  return p;
}

bool HasPlaceholders(const Picture& p) { return p.integerPlaceholders + p.fractionPlaceholders > 0; }

TFloatRec PictureDigits(const Picture& p, double magnitude) {
  TFloatRec rec;
  if (p.scientific) {
    FloatToDecimal(rec, magnitude, std::max(1, p.integerPlaceholders + p.fractionPlaceholders), 9999);
  } else {
    FloatToDecimal(rec, magnitude, 18, p.fractionPlaceholders);
  }
  return rec;
}

// Writes `rec` through picture `p`; `negative` asks for a leading minus sign.
std::string ApplyPicture(const Picture& p, const TFloatRec& rec, bool negative,
                         const TFormatSettings& fs) {
  const int count = DigitCount(rec);
  const bool zero = count == 0;
  // Integer digits as printed (left-padded with zeros to the forced width) and the exponent shown.
  int exponent = 0;
  std::string integerDigits;
  if (p.scientific) {
    for (int i = 0; i < p.integerPlaceholders; ++i) integerDigits += i < count ? rec.Digits[i] : '0';
    exponent = zero ? 0 : rec.Exponent - p.integerPlaceholders;
  } else {
    for (int i = 0; i < rec.Exponent; ++i) integerDigits += i < count ? rec.Digits[i] : '0';
  }
  const int forced = p.firstIntegerZero < 0 ? 0 : p.integerPlaceholders - p.firstIntegerZero;
  if (static_cast<int>(integerDigits.size()) < forced) {
    integerDigits.insert(0, forced - integerDigits.size(), '0');
  }
  if (p.scientific) {  // no leading zeros beyond the forced ones in scientific form
    const std::size_t firstNonZero = integerDigits.find_first_not_of('0');
    const std::size_t keepFrom = std::min<std::size_t>(
        firstNonZero == std::string::npos ? integerDigits.size() : firstNonZero,
        integerDigits.size() - forced);
    integerDigits.erase(0, keepFrom);
  }
  // Fraction digits: those the value has, at least up to the last "0" placeholder.
  const int fractionStart = p.scientific ? p.integerPlaceholders : rec.Exponent;
  std::string fractionDigits;
  for (int i = 0; i < p.fractionPlaceholders; ++i) {
    const int index = fractionStart + i;
    fractionDigits += (index >= 0 && index < count) ? rec.Digits[index] : '0';
  }
  int shownFraction = static_cast<int>(fractionDigits.size());
  while (shownFraction > p.lastFractionZero + 1 && fractionDigits[shownFraction - 1] == '0') {
    --shownFraction;
  }

  std::string out;
  if (negative) out += '-';
  const int total = static_cast<int>(integerDigits.size());
  auto putIntegerDigit = [&](int index) {
    out += integerDigits[index];
    const int left = total - 1 - index;
    if (p.thousands && left > 0 && left % 3 == 0) out += fs.ThousandSeparator;
  };
  int integerSeen = 0, fractionSeen = 0;
  bool inFraction = false, exponentDone = false;
  const std::string_view text = p.text;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = text.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? text.size() : close;
      out.append(text.substr(i + 1, end - i - 1));
      i = end;
    } else if ((c == '0' || c == '#') && !inFraction) {
      const int index = total - p.integerPlaceholders + integerSeen;
      if (integerSeen == 0) {
        for (int k = 0; k < index; ++k) putIntegerDigit(k);  // digits beyond the placeholders
      }
      if (index >= 0) putIntegerDigit(index);
      ++integerSeen;
    } else if (c == '0' || c == '#') {
      if (fractionSeen < shownFraction) out += fractionDigits[fractionSeen];
      ++fractionSeen;
    } else if (c == '.') {
      if (!inFraction) {
        if (p.integerPlaceholders == 0 && total > 0) {
          for (int k = 0; k < total; ++k) putIntegerDigit(k);
        }
        if (shownFraction > 0) out += fs.DecimalSeparator;
      }
      inFraction = true;
    } else if (c == ',') {
      // a flag only: separators go between digit groups
    } else if (p.scientific && !exponentDone && IsExponentMarker(text, i)) {
      out += c;
      if (exponent < 0) {
        out += '-';
      } else if (text[i + 1] == '+') {
        out += '+';
      }
      i += 2;
      while (i < text.size() && text[i] == '0') ++i;
      --i;
      char buffer[16];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::abs(exponent)).ptr;
      for (auto n = end - buffer; n < p.exponentDigits; ++n) out += '0';
      out.append(buffer, end);
      exponentDone = true;
      inFraction = true;  // placeholders after the exponent are not digits of the number
    } else {
      out += c;
    }
  }
  return out;
}

// ---- parsing -------------------------------------------------------------------------------------

[[noreturn]] void ThrowConvert(const char* message, std::string_view text) {
  throw EConvertError(Format(message, RepairUtf8(text)));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads an optionally signed integer (decimal, or hex after "$", "0x", "0X") into a magnitude and a
// sign. `maxMagnitude` bounds decimal values; hex values may use `maxHex`.
bool ParseInteger(std::string_view s, std::uint64_t maxDecimal, std::uint64_t maxHex,
                  std::uint64_t& magnitude, bool& negative, bool& hex) noexcept {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  const char* begin = s.data() + i;
  const char* end = s.data() + s.size();
  const auto result = std::from_chars(begin, end, magnitude, hex ? 16 : 10);
  if (result.ec != std::errc() || result.ptr != end) return false;
  if (hex && (*begin == '+' || *begin == '-')) return false;
  return magnitude <= (hex ? maxHex : maxDecimal);
}

template <class Int>
bool TryStrToSigned(std::string_view s, Int& value) noexcept {
  using U = std::make_unsigned_t<Int>;
  const std::uint64_t maxPositive = static_cast<std::uint64_t>(std::numeric_limits<Int>::max());
  std::uint64_t magnitude;
  bool negative, hex;
  if (!ParseInteger(s, maxPositive + 1, std::numeric_limits<U>::max(), magnitude, negative, hex)) {
    return false;
  }
  if (!hex && !negative && magnitude > maxPositive) return false;
  // Hex may use the full unsigned width; both then wrap to the two's complement value.
  const U bits = static_cast<U>(negative ? U(0) - static_cast<U>(magnitude) : static_cast<U>(magnitude));
  value = static_cast<Int>(bits);
  return true;
}

}  // namespace

// ---- integers ------------------------------------------------------------------------------------

std::string IntToStr(std::int64_t value) {
  char buffer[24];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::string UIntToStr(std::uint64_t value) {
  char buffer[24];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

namespace {
std::string HexDigits(std::uint64_t value, int digits) {
  char buffer[24];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr;
  for (char* p = buffer; p < end; ++p) {
    if (*p >= 'a') *p = static_cast<char>(*p - 32);
  }
  std::string out;
  const int length = static_cast<int>(end - buffer);
  if (digits > length) out.assign(std::min(digits, 64) - length, '0');
  out.append(buffer, end);
  return out;
}
}  // namespace

std::string IntToHex(int value, int digits) {
  return HexDigits(static_cast<std::uint32_t>(value), digits);
}

std::string IntToHex(std::int64_t value, int digits) {
  return HexDigits(static_cast<std::uint64_t>(value), digits);
}

bool TryStrToInt(std::string_view s, int& value) noexcept { return TryStrToSigned(s, value); }

int StrToInt(std::string_view s) {
  int value;
  if (!TryStrToInt(s, value)) ThrowConvert(msg::SInvalidInteger, s);
  return value;
}

int StrToIntDef(std::string_view s, int defaultValue) noexcept {
  int value;
  return TryStrToInt(s, value) ? value : defaultValue;
}

bool TryStrToInt64(std::string_view s, std::int64_t& value) noexcept {
  return TryStrToSigned(s, value);
}

std::int64_t StrToInt64(std::string_view s) {
  std::int64_t value;
  if (!TryStrToInt64(s, value)) ThrowConvert(msg::SInvalidInteger, s);
  return value;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t defaultValue) noexcept {
  std::int64_t value;
  return TryStrToInt64(s, value) ? value : defaultValue;
}

// ---- floats to text ------------------------------------------------------------------------------

void FloatToDecimal(TFloatRec& result, double value, int precision, int decimals) {
  result = TFloatRec();
  if (std::isnan(value)) {
    result.Exponent = TFloatRec::kNanExponent;
    return;
  }
  result.Negative = std::signbit(value);
  if (std::isinf(value)) {
    result.Exponent = TFloatRec::kInfExponent;
    return;
  }
  precision = std::clamp(precision, 1, 20);
  const double magnitude = std::fabs(value);
  DecimalDigits d;
  if (magnitude != 0) {
    // Fast path: when the shortest round-trip digits of a normal double already fit, they are
    // the correctly rounded result (for up to 15 digits no other decimal of that length lies
    // closer to the value). Subnormals carry fewer bits, so they always take the exact digits.
    bool done = false;
    if (magnitude >= std::numeric_limits<double>::min()) {
      ShortestDigits(magnitude, d);
      const int exponent = d.exponent;
      const std::int64_t keep = KeptDigits(exponent, precision, decimals);
      done = keep <= 15 && d.count <= keep;
      // Otherwise round with to_chars, which is exact except that it breaks ties to even: an
      // exact tie is spotted from the binary form and rounded away from zero instead.
      if (!done && keep >= 1 && keep <= 17) {
        const int count = static_cast<int>(keep);
        RoundedDigits(magnitude, count, d);
        if (d.exponent == exponent) {
          if (IsExactTie(magnitude, exponent - count)) {
            RoundedDigits(magnitude, count + 1, d);  // the tie's digits, exact
            RoundDigits(d, count);
          }
          done = true;
        }
      }
    }
    if (!done) {
      ExactDigits(magnitude, d);
      RoundDigits(d, KeptDigits(d.exponent, precision, decimals));
    }
    StripTrailingZeros(d);
  }
  if (d.count == 0) {  // zero, or rounded to zero
    result.Negative = false;
    return;
  }
  std::memcpy(result.Digits, d.digits, d.count);
  result.Digits[d.count] = '\0';
  result.Exponent = d.exponent;
}

void AppendFloatToStrF(std::string& out, double value, TFloatFormat format, int precision,
                       int digits, const TFormatSettings& settings) {
  precision = std::clamp(precision, 2, 18);
  switch (format) {
    case ffGeneral:
      AppendGeneral(out, value, precision, std::clamp(digits, 0, 4), settings);
      break;
    case ffExponent:
      AppendExponentFormat(out, value, precision, std::clamp(digits, 0, 4), settings);
      break;
    case ffFixed:
    case ffNumber:
    case ffCurrency:
      AppendFixedFormats(out, value, format, precision, std::clamp(digits, 0, 18), settings);
      break;
  }
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings) {
  std::string out;
  AppendFloatToStrF(out, value, format, precision, digits, settings);
  return out;
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& settings) {
  if (pattern.empty() || !std::isfinite(value)) return FloatToStr(value, settings);
  const Sections sections = SplitSections(pattern);
  auto section = [&](int index) {
    return index < sections.count && !sections.part[index].empty() ? sections.part[index]
                                                                   : sections.part[0];
  };
  const int wanted = value < 0 ? 1 : (value == 0 ? 2 : 0);
  Picture picture = ScanPicture(section(wanted));
  TFloatRec rec = PictureDigits(picture, std::fabs(value));
  if (!picture.scientific && rec.Exponent > 18) return FloatToStr(value, settings);
  if (rec.Digits[0] == '\0' && wanted != 2) {  // rounds to zero: the zero section
    picture = ScanPicture(section(2));
    rec = PictureDigits(picture, 0.0);
  }
  // The minus sign is printed only by the first section, and only for a non-zero result.
  const bool usesFirst = picture.text.data() == sections.part[0].data();
  const bool minus = value < 0 && usesFirst && rec.Digits[0] != '\0' && HasPlaceholders(picture);
  return ApplyPicture(picture, rec, minus, settings);
}

std::string FormatFloat(std::string_view pattern, double value) {
  return FormatFloat(pattern, value, FormatSettings());
}

// ---- text to floats ------------------------------------------------------------------------------

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) noexcept {
  const std::string_view text = TrimView(s);
  const std::string_view separator = settings.DecimalSeparator;
  // Rebuild the number in the form from_chars reads: [-]digits[.digits][e[-]digits].
  char stack[128];
  std::string heap;
  const bool big = text.size() + 8 > sizeof stack;
  if (big) {
    try {
      heap.resize(text.size() + 8);
    } catch (...) {
      return false;
    }
  }
  char* const buffer = big ? heap.data() : stack;
  char* out = buffer;
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (negative) *out++ = '-';
  int mantissaDigits = 0, integerDigits = 0, leadingFractionZeros = 0;
  bool nonZeroSeen = false;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits) {
    *out++ = text[i];
    if (text[i] != '0') nonZeroSeen = true;
    if (nonZeroSeen) ++integerDigits;
  }
  if (!separator.empty() && text.substr(i, separator.size()) == separator) {
    i += separator.size();
    *out++ = '.';
    for (; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits) {
      *out++ = text[i];
      if (text[i] != '0') nonZeroSeen = true;
      if (!nonZeroSeen) ++leadingFractionZeros;
    }
  }
  if (mantissaDigits == 0) return false;
  std::int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i])) return false;
    *out++ = 'e';
    if (negativeExponent) *out++ = '-';
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      *out++ = text[i];
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return false;
  double parsed = 0;
  const auto result = std::from_chars(buffer, out, parsed);
  if (result.ec == std::errc::result_out_of_range) {
    // Past the double range: the decimal magnitude tells overflow from underflow.
    const std::int64_t magnitude = (integerDigits > 0 ? integerDigits : -leadingFractionZeros) + exponent;
    if (!nonZeroSeen || magnitude < 0) {
      value = negative ? -0.0 : 0.0;
      return true;
    }
    return false;
  }
  if (result.ec != std::errc() || result.ptr != out) return false;
  value = parsed;
  return true;
}

bool TryStrToFloat(std::string_view s, double& value) noexcept {
  return TryStrToFloat(s, value, FormatSettings());
}

double StrToFloat(std::string_view s, const TFormatSettings& settings) {
  double value;
  if (!TryStrToFloat(s, value, settings)) ThrowConvert(msg::SInvalidFloat, s);
  return value;
}

double StrToFloat(std::string_view s) { return StrToFloat(s, FormatSettings()); }

double StrToFloatDef(std::string_view s, double defaultValue,
                     const TFormatSettings& settings) noexcept {
  double value;
  return TryStrToFloat(s, value, settings) ? value : defaultValue;
}

double StrToFloatDef(std::string_view s, double defaultValue) noexcept {
  return StrToFloatDef(s, defaultValue, FormatSettings());
}

}  // namespace bexlo
