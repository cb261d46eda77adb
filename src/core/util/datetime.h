// Dates and times in the classic representation: a TDateTime is a double counting days since
// 1899-12-30, its fraction the time of day. Negative values count days before that date, with the
// fraction still running forward from midnight (-1.25 is 1899-12-29 06:00). Valid dates are
// 0001-01-01 to 9999-12-31; the Gregorian calendar is used throughout.
//
// Texts follow TFormatSettings: FormatDateTime knows the classic specifiers, StrToDate reads
// numbers in the order of ShortDateFormat. Malformed text raises EConvertError quoting the text;
// invalid parts raise EConvertError ("Invalid argument to date encode" / "... time encode").
#pragma once

#include <string>
#include <string_view>

#include "util/format_settings.h"

namespace bexlo {

using TDateTime = double;

inline constexpr double HoursPerDay = 24;
inline constexpr double MinsPerDay = 24 * 60;
inline constexpr double SecsPerDay = 24 * 60 * 60;
inline constexpr double MSecsPerDay = 24 * 60 * 60 * 1000.0;
// Day count of 0001-01-01, the first valid date, and of 9999-12-31, the last.
inline constexpr double MinDateTime = -693593;
inline constexpr double MaxDateTime = 2958465.99999999;

// ---- calendar arithmetic -------------------------------------------------------------------------

bool IsLeapYear(int year) noexcept;
// Days in the month (28..31); 0 for an invalid month.
int DaysInAMonth(int year, int month) noexcept;

bool TryEncodeDate(int year, int month, int day, TDateTime& date) noexcept;
TDateTime EncodeDate(int year, int month, int day);
// Year, month and day of the date part; all 0 for NaN or values outside the valid range.
void DecodeDate(TDateTime date, int& year, int& month, int& day) noexcept;

// hour 0..23, minute 0..59, second 0..59, msec 0..999.
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time) noexcept;
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// The time of day, rounded to the millisecond (a time that rounds up to 24:00 decodes as 23:59:59.999
// here; FormatDateTime and DecodeDateTime carry it into the next day instead).
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec) noexcept;

// Both parts at once, with a time that rounds to midnight carried into the next day.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& msec) noexcept;

// 1 = Sunday .. 7 = Saturday; 0 for values outside the valid range.
int DayOfWeek(TDateTime date) noexcept;

// The local date (no fraction), time of day (no integer part) and both.
TDateTime Date();
TDateTime Time();
TDateTime Now();

// ---- text ----------------------------------------------------------------------------------------

// Classic specifiers, letters in either case:
//   c       ShortDateFormat, then " " and LongTimeFormat unless the time is exactly midnight
//   d dd    day (1-31 / 01-31)        ddd dddd    ShortDayNames / LongDayNames
//   ddddd   ShortDateFormat            dddddd      LongDateFormat
//   m mm    month (after h or hh: minutes)        mmm mmmm    ShortMonthNames / LongMonthNames
//   yy      two-digit year             yyyy        four-digit year
//   h hh    hour (12-hour when an am/pm specifier follows)
//   n nn    minute    s ss   second    z zzz  millisecond
//   t tt    ShortTimeFormat / LongTimeFormat
//   am/pm a/p  "am"/"pm" or "a"/"p" in the case written     ampm  TimeAMString / TimePMString
//   /       DateSeparator              :           TimeSeparator
//   "..." '...'  literal text; every other character stands for itself.
// An empty pattern formats as "c". An infinite or NaN value raises EConvertError ("'INF' is not a
// valid date and time"); DateToStr, TimeToStr and DateTimeToStr go through here.
std::string FormatDateTime(std::string_view pattern, TDateTime value);
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const TFormatSettings& settings);

// ShortDateFormat; LongTimeFormat; both ("c": no time at midnight).
std::string DateToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Dates: two or three numbers separated by DateSeparator, in the order of d, m and y in
// ShortDateFormat (blanks around them allowed). Without a year the current year is used; a year
// written with one or two digits falls in the TwoDigitYearCenturyWindow.
// Times: hour[:minute[:second[<DecimalSeparator>fraction]]] with an optional AM/PM marker
// (TimeAMString / TimePMString or "AM" / "PM", before or after); the fraction is read as a
// decimal fraction of a second to the millisecond.
// Date and time: a date, optionally followed by a time; or a time alone.
TDateTime StrToDate(std::string_view s);
TDateTime StrToDate(std::string_view s, const TFormatSettings& settings);
bool TryStrToDate(std::string_view s, TDateTime& value) noexcept;
bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings) noexcept;
TDateTime StrToTime(std::string_view s);
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings);
bool TryStrToTime(std::string_view s, TDateTime& value) noexcept;
bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) noexcept;
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings);
bool TryStrToDateTime(std::string_view s, TDateTime& value) noexcept;
bool TryStrToDateTime(std::string_view s, TDateTime& value,
                      const TFormatSettings& settings) noexcept;

// ---- ISO 8601 for database drivers -----------------------------------------------------------------

// "yyyy-mm-dd" when the value has no time part, else "yyyy-mm-dd hh:nn:ss", with ".zzz" when the
// milliseconds are not 0. Values outside the valid range give "".
std::string DateTimeToIso(TDateTime value);
std::string DateToIso(TDateTime value);  // always "yyyy-mm-dd"
std::string TimeToIso(TDateTime value);  // always "hh:nn:ss", ".zzz" when not 0

// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.fraction]]" (or with "T" between them) and a time
// alone "hh:nn[:ss[.fraction]]". Any fraction length is accepted and rounded to the millisecond.
// Time zones are not accepted: the caller converts them.
bool TryIsoToDateTime(std::string_view text, TDateTime& value) noexcept;

}  // namespace bexlo
