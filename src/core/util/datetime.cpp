#include "util/datetime.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "util/convert.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {
namespace {

// Days from 0001-01-01 (day 1) to 1899-12-30 (day 0 of TDateTime).
constexpr int kDateDelta = 693594;
constexpr int kMSecsPerDay = 24 * 60 * 60 * 1000;

constexpr int kDaysInMonth[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                     {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

bool InRange(TDateTime value) { return value >= MinDateTime - 1 && value < MaxDateTime + 1; }

// A TDateTime split into a day number and the milliseconds of the day, the time rounded to the
// millisecond. `carry` moves a time that rounds up to 24:00 into the next day.
struct DayAndTime {
  int day = 0;       // TDateTime day number (0 = 1899-12-30)
  int msec = 0;      // 0 .. 86399999
  bool valid = false;
};

DayAndTime Split(TDateTime value, bool carry) {
  DayAndTime r;
  if (!InRange(value)) return r;
  const double whole = std::trunc(value);
  r.day = static_cast<int>(whole);
  r.msec = static_cast<int>(std::llround(std::fabs(value - whole) * MSecsPerDay));
  if (r.msec >= kMSecsPerDay) {
    if (carry) {
      r.msec = 0;
      ++r.day;
    } else {
      r.msec = kMSecsPerDay - 1;
    }
  }
  r.valid = r.day + kDateDelta >= 1 && r.day + kDateDelta <= 3652059;
  return r;
}

// Gregorian year, month and day of a day number; false outside 0001-01-01 .. 9999-12-31.
bool DayToDate(int day, int& year, int& month, int& dayOfMonth) {
  int t = day + kDateDelta;  // 1 = 0001-01-01
  if (t <= 0 || t > 3652059) {
    year = month = dayOfMonth = 0;
    return false;
  }
  --t;
  constexpr int D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
  int y = 1 + (t / D400) * 400;
  t %= D400;
  int i = t / D100, d = t % D100;
  if (i == 4) {
    --i;
    d += D100;
  }
  y += i * 100;
  y += (d / D4) * 4;
  d %= D4;
  i = d / D1;
  d %= D1;
  if (i == 4) {
    --i;
    d += D1;
  }
  y += i;
  const int* lengths = kDaysInMonth[IsLeapYear(y) ? 1 : 0];
  int m = 0;
  while (d >= lengths[m]) d -= lengths[m++];
  year = y;
  month = m + 1;
  dayOfMonth = d + 1;
  return true;
}

int CurrentYear() {
  int y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

// ---- FormatDateTime --------------------------------------------------------------------------------

struct DateParts {
  int year = 0, month = 0, day = 0, dayOfWeek = 0;  // dayOfWeek 1 = Sunday; 0 when invalid
  int hour = 0, minute = 0, second = 0, msec = 0;
};

DateParts Decode(TDateTime value) {
  DateParts p;
  const DayAndTime dt = Split(value, true);
  if (!dt.valid) return p;
  DayToDate(dt.day, p.year, p.month, p.day);
  p.dayOfWeek = (dt.day + kDateDelta) % 7 + 1;
  p.hour = dt.msec / 3600000;
  p.minute = dt.msec / 60000 % 60;
  p.second = dt.msec / 1000 % 60;
  p.msec = dt.msec % 1000;
  return p;
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = text[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != word[i]) return false;
  }
  return true;
}

class DateTimeWriter {
 public:
  DateTimeWriter(const TFormatSettings& settings, const DateParts& parts)
      : fs_(settings), p_(parts) {}

  void Write(std::string_view pattern, int level) {
    if (level >= 2) return;  // formats nested in formats stop here (a format may name itself)
    char lastToken = ' ';
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char c = pattern[i];
      char token = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      const std::size_t count = RunLength(pattern, i);
      switch (token) {
        case 'Y':
          i += count;
          if (count <= 2) Number(p_.year % 100, 2); else Number(p_.year, 4);
          break;
        case 'M':
          i += count;
          if (count <= 2) Number(p_.month, static_cast<int>(count));
          else Name(count == 3 ? fs_.ShortMonthNames : fs_.LongMonthNames, p_.month - 1);
          break;
        case 'D':
          i += count;
          if (count <= 2) Number(p_.day, static_cast<int>(count));
          else if (count == 3) Name(fs_.ShortDayNames, p_.dayOfWeek - 1);
          else if (count == 4) Name(fs_.LongDayNames, p_.dayOfWeek - 1);
          else Write(count == 5 ? fs_.ShortDateFormat : fs_.LongDateFormat, level + 1);
          break;
        case 'H':
          i += count;
          Number(UsesTwelveHours(pattern, i) ? TwelveHour() : p_.hour, count >= 2 ? 2 : 1);
          break;
        case 'N':
          i += count;
          Number(p_.minute, count >= 2 ? 2 : 1);
          break;
        case 'S':
          i += count;
          Number(p_.second, count >= 2 ? 2 : 1);
          break;
        case 'Z':
          i += count;
          Number(p_.msec, count >= 3 ? 3 : static_cast<int>(count));
          break;
        case 'T':
          i += count;
          Write(count == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, level + 1);
          break;
        case 'C':
          i += count;
          Write(fs_.ShortDateFormat, level + 1);
          if (p_.hour != 0 || p_.minute != 0 || p_.second != 0) {
            out_ += ' ';
            Write(fs_.LongTimeFormat, level + 1);
          }
          break;
        case 'A':
          i = AmPm(pattern, i);
          break;
        case '/':
          out_ += fs_.DateSeparator;
          ++i;
          break;
        case ':':
          out_ += fs_.TimeSeparator;
          ++i;
          break;
        case '"':
        case '\'': {
          const std::size_t close = pattern.find(c, i + 1);
          const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
          out_.append(pattern.substr(i + 1, end - i - 1));
          i = end + 1;
          break;
        }
        default:
          out_ += c;
          ++i;
          break;
      }
    }
  }

  std::string& Result() { return out_; }

 private:
  // How many times the letter at pattern[i] repeats (either case).
  static std::size_t RunLength(std::string_view pattern, std::size_t i) {
    const char lower = static_cast<char>(pattern[i] | 0x20);
    if (lower < 'a' || lower > 'z') return 1;
    std::size_t n = 1;
    while (i + n < pattern.size() && (pattern[i + n] | 0x20) == lower) ++n;
    return n;
  }

  // An hour is written on the 12-hour clock when the next "a" or "h" after it (outside quotes)
  // starts an am/pm specifier.
  static bool UsesTwelveHours(std::string_view pattern, std::size_t i) {
    bool quoted = false;
    for (; i < pattern.size(); ++i) {
      const char c = pattern[i];
      if (c == '"' || c == '\'') {
        quoted = !quoted;
      } else if (!quoted && (c == 'a' || c == 'A')) {
        return StartsWithNoCase(pattern, i, "AM/PM") || StartsWithNoCase(pattern, i, "A/P") ||
               StartsWithNoCase(pattern, i, "AMPM");
      } else if (!quoted && (c == 'h' || c == 'H')) {
        return false;
      }
    }
    return false;
  }

  int TwelveHour() const {
    if (p_.hour == 0) return 12;
    return p_.hour > 12 ? p_.hour - 12 : p_.hour;
  }

  std::size_t AmPm(std::string_view pattern, std::size_t i) {
    const bool pm = p_.hour >= 12;
    if (StartsWithNoCase(pattern, i, "AM/PM")) {
      out_.append(pattern.substr(i + (pm ? 3 : 0), 2));  // written in the pattern's own case
      return i + 5;
    }
    if (StartsWithNoCase(pattern, i, "A/P")) {
      out_ += pattern[i + (pm ? 2 : 0)];
      return i + 3;
    }
    if (StartsWithNoCase(pattern, i, "AMPM")) {
      out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
      return i + 4;
    }
    out_ += pattern[i];
    return i + 1;
  }

  void Number(int value, int minDigits) {
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    for (auto n = end - buffer; n < minDigits; ++n) out_ += '0';
    out_.append(buffer, end);
  }

  template <std::size_t N>
  void Name(const std::array<std::string, N>& names, int index) {
    if (index >= 0 && index < static_cast<int>(N)) out_ += names[index];
  }

  const TFormatSettings& fs_;
  const DateParts& p_;
  std::string out_;
};

// ---- parsing -------------------------------------------------------------------------------------

// A cursor over text being scanned, with the classic scanning steps.
struct Scanner {
  std::string_view s;
  std::size_t pos = 0;

  void SkipBlanks() {
    while (pos < s.size() && static_cast<unsigned char>(s[pos]) <= 32) ++pos;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos >= s.size();
  }
  // Up to `maxDigits` digits (more is an error); `length` receives how many were read.
  bool Number(int& value, int& length, int maxDigits = 4) {
    SkipBlanks();
    std::size_t i = pos;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      if (static_cast<int>(i - pos) >= maxDigits) return false;
      value = value * 10 + (s[i] - '0');
      ++i;
    }
    length = static_cast<int>(i - pos);
    if (length == 0) return false;
    pos = i;
    return true;
  }
  bool Text(std::string_view text) {  // case-insensitive, after blanks
    SkipBlanks();
    if (text.empty() || s.size() - pos < text.size()) return false;
    if (!SameText(s.substr(pos, text.size()), text)) return false;
    pos += text.size();
    return true;
  }
  bool Char(std::string_view separator) {
    SkipBlanks();
    if (separator.empty() || s.substr(pos, separator.size()) != separator) return false;
    pos += separator.size();
    return true;
  }
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder GetDateOrder(std::string_view format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    switch (format[i] | 0x20) {
      case 'd': return DateOrder::DMY;
      case 'm': return DateOrder::MDY;
      case 'y': return DateOrder::YMD;
      case '"':
      case '\'': {
        const std::size_t close = format.find(format[i], i + 1);
        if (close == std::string_view::npos) return DateOrder::MDY;
        i = close;
        break;
      }
      default: break;
    }
  }
  return DateOrder::MDY;
}

bool ScanDate(Scanner& sc, TDateTime& date, const TFormatSettings& fs) {
  const DateOrder order = GetDateOrder(fs.ShortDateFormat);
  int n1, n2, n3 = 0, l1, l2, l3 = 0;
  if (!sc.Number(n1, l1) || !sc.Char(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
  int year, month, day, yearLength;
  if (sc.Char(fs.DateSeparator)) {
    if (!sc.Number(n3, l3)) return false;
    switch (order) {
      case DateOrder::MDY: year = n3; yearLength = l3; month = n1; day = n2; break;
      case DateOrder::DMY: year = n3; yearLength = l3; month = n2; day = n1; break;
      default: year = n1; yearLength = l1; month = n2; day = n3; break;
    }
  } else {
    year = CurrentYear();
    yearLength = 4;
    if (order == DateOrder::DMY) {
      day = n1;
      month = n2;
    } else {
      month = n1;
      day = n2;
    }
  }
  if (yearLength <= 2) {
    const int window = fs.TwoDigitYearCenturyWindow;
    const int pivot = CurrentYear() - window;
    year += pivot / 100 * 100;
    if (window > 0 && year < pivot) year += 100;
  }
  return TryEncodeDate(year, month, day, date);
}

bool ScanTime(Scanner& sc, TDateTime& time, const TFormatSettings& fs) {
  auto scanMarker = [&](int& baseHour) {
    if (sc.Text(fs.TimeAMString) || sc.Text("AM")) baseHour = 0;
    else if (sc.Text(fs.TimePMString) || sc.Text("PM")) baseHour = 12;
  };
  int baseHour = -1;
  scanMarker(baseHour);
  int hour, minute = 0, second = 0, msec = 0, length;
  if (!sc.Number(hour, length)) return false;
  if (sc.Char(fs.TimeSeparator)) {
    if (!sc.Number(minute, length)) return false;
    if (sc.Char(fs.TimeSeparator)) {
      if (!sc.Number(second, length)) return false;
      if (sc.Char(fs.DecimalSeparator)) {
        // A decimal fraction of a second, kept to the millisecond.
        int digits = 0;
        const std::size_t start = sc.pos;
        while (sc.pos < sc.s.size() && sc.s[sc.pos] >= '0' && sc.s[sc.pos] <= '9') {
          if (digits < 3) msec = msec * 10 + (sc.s[sc.pos] - '0');
          ++digits;
          ++sc.pos;
        }
        if (sc.pos == start) return false;
        for (; digits < 3; ++digits) msec *= 10;
      }
    }
  }
  if (baseHour < 0) scanMarker(baseHour);
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  return TryEncodeTime(hour, minute, second, msec, time);
}

[[noreturn]] void ThrowConvert(const char* message, std::string_view text) {
  throw EConvertError(Format(message, RepairUtf8(text)));
}

// ---- ISO -------------------------------------------------------------------------------------------

bool FixedNumber(std::string_view s, std::size_t& pos, int digits, int& value) {
  if (s.size() - pos < static_cast<std::size_t>(digits)) return false;
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = s[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += digits;
  return true;
}

bool IsoTime(std::string_view s, std::size_t& pos, double& fraction) {
  int hour, minute, second = 0;
  if (!FixedNumber(s, pos, 2, hour) || pos >= s.size() || s[pos++] != ':' ||
      !FixedNumber(s, pos, 2, minute)) {
    return false;
  }
  double msec = 0;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!FixedNumber(s, pos, 2, second)) return false;
    if (pos < s.size() && s[pos] == '.') {
      ++pos;
      double scale = 100;
      const std::size_t start = pos;
      while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        msec += (s[pos++] - '0') * scale;
        scale /= 10;
      }
      if (pos == start) return false;
      msec = std::round(msec);
    }
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  fraction = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec;
  fraction /= MSecsPerDay;
  return true;
}

void AppendPadded(std::string& out, int value, int digits) {
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  for (auto n = end - buffer; n < digits; ++n) out += '0';
  out.append(buffer, end);
}

void AppendIsoDate(std::string& out, int year, int month, int day) {
  AppendPadded(out, year, 4);
  out += '-';
  AppendPadded(out, month, 2);
  out += '-';
  AppendPadded(out, day, 2);
}

void AppendIsoTime(std::string& out, int msecOfDay) {
  AppendPadded(out, msecOfDay / 3600000, 2);
  out += ':';
  AppendPadded(out, msecOfDay / 60000 % 60, 2);
  out += ':';
  AppendPadded(out, msecOfDay / 1000 % 60, 2);
  if (msecOfDay % 1000 != 0) {
    out += '.';
    AppendPadded(out, msecOfDay % 1000, 3);
  }
}

}  // namespace

// ---- calendar arithmetic -------------------------------------------------------------------------

bool IsLeapYear(int year) noexcept {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) noexcept {
  if (month < 1 || month > 12) return 0;
  return kDaysInMonth[IsLeapYear(year) ? 1 : 0][month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) noexcept {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInAMonth(year, month)) {
    return false;
  }
  const int* lengths = kDaysInMonth[IsLeapYear(year) ? 1 : 0];
  for (int m = 0; m < month - 1; ++m) day += lengths[m];
  const int y = year - 1;
  date = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + day - kDateDelta);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) throw EConvertError(msg::SDateEncodeError);
  return date;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) noexcept {
  year = month = day = 0;
  if (!InRange(date)) return;
  DayToDate(static_cast<int>(std::trunc(date)), year, month, day);
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time) noexcept {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      msec < 0 || msec > 999) {
    return false;
  }
  time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime time;
  if (!TryEncodeTime(hour, minute, second, msec, time)) throw EConvertError(msg::STimeEncodeError);
  return time;
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec) noexcept {
  hour = minute = second = msec = 0;
  if (!std::isfinite(time)) return;
  const double fraction = std::fabs(time - std::trunc(time));
  int ms = static_cast<int>(std::llround(fraction * MSecsPerDay));
  if (ms >= kMSecsPerDay) ms = kMSecsPerDay - 1;
  hour = ms / 3600000;
  minute = ms / 60000 % 60;
  second = ms / 1000 % 60;
  msec = ms % 1000;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int msec) {
  const TDateTime date = EncodeDate(year, month, day);
  const TDateTime time = EncodeTime(hour, minute, second, msec);
  return date >= 0 ? date + time : date - time;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& msec) noexcept {
  const DateParts p = Decode(value);
  year = p.year;
  month = p.month;
  day = p.day;
  hour = p.hour;
  minute = p.minute;
  second = p.second;
  msec = p.msec;
}

int DayOfWeek(TDateTime date) noexcept {
  if (!InRange(date)) return 0;
  const int t = static_cast<int>(std::trunc(date)) + kDateDelta;
  if (t <= 0 || t > 3652059) return 0;
  return t % 7 + 1;
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  const TDateTime now = Now();
  return now - std::trunc(now);
}

TDateTime Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  localtime_r(&ts.tv_sec, &local);
  TDateTime date = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second stays in its minute
  TDateTime time = 0;
  TryEncodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000), time);
  return date + time;
}

// ---- text ----------------------------------------------------------------------------------------

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const TFormatSettings& settings) {
  // An infinity or NaN is no date at all: its text would be a made-up "00/00/0000".
  if (!std::isfinite(value)) throw EConvertError(Format(msg::SInvalidDateTime, FloatToStr(value, settings)));
  const DateParts parts = Decode(value);
  DateTimeWriter writer(settings, parts);
  writer.Write(pattern.empty() ? std::string_view("c") : pattern, 0);
  return std::move(writer.Result());
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  return FormatDateTime(pattern, value, FormatSettings());
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}
std::string DateToStr(TDateTime value) { return DateToStr(value, FormatSettings()); }

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}
std::string TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings()); }

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}
std::string DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }

bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings) noexcept {
  Scanner sc{s};
  TDateTime date;
  if (!ScanDate(sc, date, settings) || !sc.AtEnd()) return false;
  value = date;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) noexcept {
  Scanner sc{s};
  TDateTime time;
  if (!ScanTime(sc, time, settings) || !sc.AtEnd()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& value,
                      const TFormatSettings& settings) noexcept {
  Scanner sc{s};
  TDateTime date, time = 0;
  if (ScanDate(sc, date, settings) && (sc.AtEnd() || (ScanTime(sc, time, settings) && sc.AtEnd()))) {
    value = date >= 0 ? date + time : date - time;
    return true;
  }
  return TryStrToTime(s, value, settings);
}

bool TryStrToDate(std::string_view s, TDateTime& value) noexcept {
  return TryStrToDate(s, value, FormatSettings());
}
bool TryStrToTime(std::string_view s, TDateTime& value) noexcept {
  return TryStrToTime(s, value, FormatSettings());
}
bool TryStrToDateTime(std::string_view s, TDateTime& value) noexcept {
  return TryStrToDateTime(s, value, FormatSettings());
}

TDateTime StrToDate(std::string_view s, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDate(s, value, settings)) ThrowConvert(msg::SInvalidDate, s);
  return value;
}
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToTime(s, value, settings)) ThrowConvert(msg::SInvalidTime, s);
  return value;
}
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDateTime(s, value, settings)) ThrowConvert(msg::SInvalidDateTime, s);
  return value;
}
TDateTime StrToDate(std::string_view s) { return StrToDate(s, FormatSettings()); }
TDateTime StrToTime(std::string_view s) { return StrToTime(s, FormatSettings()); }
TDateTime StrToDateTime(std::string_view s) { return StrToDateTime(s, FormatSettings()); }

// ---- ISO 8601 ------------------------------------------------------------------------------------

std::string DateToIso(TDateTime value) {
  const DayAndTime dt = Split(value, true);
  int year, month, day;
  if (!dt.valid || !DayToDate(dt.day, year, month, day)) return {};
  std::string out;
  AppendIsoDate(out, year, month, day);
  return out;
}

std::string TimeToIso(TDateTime value) {
  const DayAndTime dt = Split(value, true);
  if (!dt.valid) return {};
  std::string out;
  AppendIsoTime(out, dt.msec);
  return out;
}

std::string DateTimeToIso(TDateTime value) {
  const DayAndTime dt = Split(value, true);
  int year, month, day;
  if (!dt.valid || !DayToDate(dt.day, year, month, day)) return {};
  std::string out;
  AppendIsoDate(out, year, month, day);
  if (dt.msec != 0) {
    out += ' ';
    AppendIsoTime(out, dt.msec);
  }
  return out;
}

bool TryIsoToDateTime(std::string_view text, TDateTime& value) noexcept {
  const std::string_view s = TrimView(text);
  std::size_t pos = 0;
  double fraction = 0;
  if (s.size() >= 3 && s[2] == ':') {  // a time alone
    if (!IsoTime(s, pos, fraction) || pos != s.size()) return false;
    value = fraction;
    return true;
  }
  int year, month, day;
  if (!FixedNumber(s, pos, 4, year) || pos >= s.size() || s[pos++] != '-' ||
      !FixedNumber(s, pos, 2, month) || pos >= s.size() || s[pos++] != '-' ||
      !FixedNumber(s, pos, 2, day)) {
    return false;
  }
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) return false;
  if (pos < s.size()) {
    if (s[pos] != ' ' && s[pos] != 'T' && s[pos] != 't') return false;
    ++pos;
    if (!IsoTime(s, pos, fraction) || pos != s.size()) return false;
  }
  value = date >= 0 ? date + fraction : date - fraction;
  return true;
}

}  // namespace bexlo
