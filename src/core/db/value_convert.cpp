#include "db/value_convert.h"

#include <cmath>
#include <limits>

#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

bool SameAscii(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

[[noreturn]] void NotAValue(std::string_view text, const char* kind) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + kind);
}

std::int64_t RoundToInteger(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) {
    NotAValue(FloatToStr(v), "integer value");
  }
  return static_cast<std::int64_t>(r);
}

// Days from 0001-01-01-style civil date to the classic day count (0 = 1899-12-30).
int DaysFromCivil(int y, int m, int d) noexcept {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;  // 25569: 1970-01-01 in the classic count
}

// Two or four decimal digits at pos (the caller checked the length).
bool Digits(std::string_view s, std::size_t pos, std::size_t count, int& value) noexcept {
  const auto d = [&](std::size_t i) { return static_cast<unsigned>(s[pos + i]) - '0'; };
  if (count == 2) {
    const unsigned a = d(0), b = d(1);
    if (a > 9 || b > 9) return false;
    value = static_cast<int>(a * 10 + b);
    return true;
  }
  const unsigned a = d(0), b = d(1), c = d(2), e = d(3);
  if (a > 9 || b > 9 || c > 9 || e > 9) return false;
  value = static_cast<int>(a * 1000 + b * 100 + c * 10 + e);
  return true;
}

}  // namespace

bool TryTextToBoolean(std::string_view text, bool& value) noexcept {
  const std::string_view t = TrimView(text);
  for (std::string_view s : {"TRUE", "T", "YES", "Y", "ON", "1"}) {
    if (SameAscii(t, s)) {
      value = true;
      return true;
    }
  }
  for (std::string_view s : {"FALSE", "F", "NO", "N", "OFF", "0"}) {
    if (SameAscii(t, s)) {
      value = false;
      return true;
    }
  }
  return false;
}

std::string VariantToText(const Variant& v, TFieldType dateType) {
  switch (v.Type()) {
    case TVariantType::varNull:
      return {};
    case TVariantType::varBoolean:
      return v.Boolean() ? "True" : "False";
    case TVariantType::varInteger:
      return IntToStr(v.Integer());
    case TVariantType::varFloat:
      return FloatToStr(v.Float());
    case TVariantType::varString:
      return v.String();
    case TVariantType::varDate:
      if (dateType == ftDate) return DateToStr(v.Date());
      if (dateType == ftTime) return TimeToStr(v.Date());
      return DateTimeToStr(v.Date());
    case TVariantType::varBytes:
      return std::string(v.Bytes().begin(), v.Bytes().end());
  }
  return {};
}

std::int64_t VariantToInteger(const Variant& v) {
  switch (v.Type()) {
    case TVariantType::varNull:
      return 0;
    case TVariantType::varBoolean:
      return v.Boolean() ? 1 : 0;
    case TVariantType::varInteger:
      return v.Integer();
    case TVariantType::varFloat:
      return RoundToInteger(v.Float());
    case TVariantType::varDate:
      return RoundToInteger(std::trunc(v.Date()));
    case TVariantType::varString: {
      std::int64_t i = 0;
      if (TryStrToInt64(TrimView(v.String()), i)) return i;
      double d = 0;
      if (TryStrToFloat(v.String(), d)) return RoundToInteger(d);
      NotAValue(v.String(), "integer value");
    }
    case TVariantType::varBytes:
      break;
  }
  throw EConvertError("Binary data is not a valid integer value");
}

double VariantToFloat(const Variant& v) {
  switch (v.Type()) {
    case TVariantType::varNull:
      return 0;
    case TVariantType::varBoolean:
      return v.Boolean() ? 1 : 0;
    case TVariantType::varInteger:
      return static_cast<double>(v.Integer());
    case TVariantType::varFloat:
      return v.Float();
    case TVariantType::varDate:
      return v.Date();
    case TVariantType::varString:
      return StrToFloat(v.String());
    case TVariantType::varBytes:
      break;
  }
  throw EConvertError("Binary data is not a valid floating point value");
}

bool VariantToBoolean(const Variant& v) {
  switch (v.Type()) {
    case TVariantType::varNull:
      return false;
    case TVariantType::varBoolean:
      return v.Boolean();
    case TVariantType::varInteger:
      return v.Integer() != 0;
    case TVariantType::varFloat:
      return v.Float() != 0;
    case TVariantType::varDate:
      return v.Date() != 0;
    case TVariantType::varString: {
      bool b = false;
      if (TryTextToBoolean(v.String(), b)) return b;
      NotAValue(v.String(), "boolean value");
    }
    case TVariantType::varBytes:
      break;
  }
  throw EConvertError("Binary data is not a valid boolean value");
}

double VariantToDateTime(const Variant& v, TFieldType type) {
  switch (v.Type()) {
    case TVariantType::varNull:
      return 0;
    case TVariantType::varInteger:
      return static_cast<double>(v.Integer());
    case TVariantType::varFloat:
      return v.Float();
    case TVariantType::varDate:
      return v.Date();
    case TVariantType::varString: {
      const std::string& s = v.String();
      double d = 0;
      if (type == ftDate ? TryStrToDate(s, d)
                         : type == ftTime ? TryStrToTime(s, d) : TryStrToDateTime(s, d)) {
        return d;
      }
      if (ParseEngineDateTime(TrimView(s), d)) return d;
      // Raise the runtime's own message for the kind of text expected.
      if (type == ftDate) return StrToDate(s);
      if (type == ftTime) return StrToTime(s);
      return StrToDateTime(s);
    }
    case TVariantType::varBoolean:
    case TVariantType::varBytes:
      break;
  }
  throw EConvertError("The value is not a valid date and time");
}

TBytes VariantToBytes(const Variant& v) {
  if (v.Type() == TVariantType::varBytes) return v.Bytes();
  const std::string s = VariantToText(v);
  return TBytes(s.begin(), s.end());
}

Variant ConvertVariant(const Variant& v, TFieldType type) {
  if (v.IsNull()) return v;
  switch (type) {
    case ftUnknown:
      return v;
    case ftString:
    case ftMemo:
      return v.Type() == TVariantType::varString ? v : Variant(VariantToText(v));
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return v.Type() == TVariantType::varInteger ? v : Variant(VariantToInteger(v));
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      if (v.Type() == TVariantType::varFloat || v.Type() == TVariantType::varInteger) return v;
      return Variant(VariantToFloat(v));
    case ftBoolean:
      return v.Type() == TVariantType::varBoolean ? v : Variant(VariantToBoolean(v));
    case ftDate:
    case ftTime:
    case ftDateTime:
      return v.Type() == TVariantType::varDate ? v : Variant::FromDate(VariantToDateTime(v, type));
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
      return v.Type() == TVariantType::varBytes ? v : Variant(VariantToBytes(v));
  }
  return v;
}

bool ParseEngineDateTime(std::string_view s, double& value) noexcept {
  int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
  // The common forms first: "yyyy-mm-dd" and "yyyy-mm-dd hh:nn:ss".
  if (s.size() >= 10 && s[4] == '-' && s[7] == '-' && Digits(s, 0, 4, y) && Digits(s, 5, 2, m) &&
      Digits(s, 8, 2, d)) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1] + (m == 2 && leap)) return false;
    const int day = DaysFromCivil(y, m, d);
    if (s.size() == 10) {
      value = day;
      return true;
    }
    if (s.size() == 19 && (s[10] == ' ' || s[10] == 'T') && s[13] == ':' && s[16] == ':' &&
        Digits(s, 11, 2, hh) && Digits(s, 14, 2, mm) && Digits(s, 17, 2, ss)) {
      if (hh > 23 || mm > 59 || ss > 59) return false;
      const double time = (hh * 3600 + mm * 60 + ss) / SecsPerDay;
      value = day >= 0 ? day + time : day - time;
      return true;
    }
  }
  // Everything else through the runtime's ISO reader, without a time zone suffix.
  std::string_view t = s;
  if (t.size() > 8) {
    std::size_t cut = t.size();
    if (t.back() == 'Z') {
      cut = t.size() - 1;
    } else {
      const std::size_t sign = t.find_last_of("+-");
      if (sign != std::string_view::npos && sign >= 8 && t.find(':') != std::string_view::npos &&
          sign > t.find(':')) {
        cut = sign;
      }
    }
    t = t.substr(0, cut);
  }
  return TryIsoToDateTime(t, value);
}

std::string EngineDateText(double value, TFieldType type) {
  std::string text = type == ftDate   ? DateToIso(value)
                     : type == ftTime ? TimeToIso(std::fabs(value - std::trunc(value)))
                                      : DateTimeToIso(value);
  if (text.empty()) throw EConvertError(Format(msg::SInvalidDateTime, FloatToStr(value)));
  return text;
}

void ConvertEngineValue(Variant& v, TValueKind kind) {
  switch (kind) {
    case TValueKind::Natural:
      return;
    case TValueKind::String:
      if (v.Type() == TVariantType::varBytes) {
        const TBytes bytes = v.Bytes();
        v.SetString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      }
      return;
    case TValueKind::Boolean:
      if (v.Type() == TVariantType::varInteger) {
        v.SetBoolean(v.Integer() != 0);
      } else if (v.Type() == TVariantType::varFloat) {
        v.SetBoolean(v.Float() != 0);
      } else if (v.Type() == TVariantType::varString) {
        bool b = false;
        if (TryTextToBoolean(v.String(), b)) v.SetBoolean(b);
      }
      return;
    case TValueKind::Date:
    case TValueKind::Time:
    case TValueKind::DateTime:
      if (v.Type() == TVariantType::varString) {
        double d = 0;
        if (ParseEngineDateTime(v.String(), d)) v.SetDate(d);
      } else if (v.Type() == TVariantType::varFloat) {
        v.SetDate(v.Float());
      } else if (v.Type() == TVariantType::varInteger) {
        v.SetDate(static_cast<double>(v.Integer()));
      }
      return;
  }
}

TValueKind ValueKindOf(TFieldType type) noexcept {
  switch (type) {
    case ftBoolean:
      return TValueKind::Boolean;
    case ftDate:
      return TValueKind::Date;
    case ftTime:
      return TValueKind::Time;
    case ftDateTime:
      return TValueKind::DateTime;
    case ftString:
    case ftMemo:
      return TValueKind::String;
    default:
      return TValueKind::Natural;
  }
}

}  // namespace bexlo
