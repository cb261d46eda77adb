// Regional settings that drive every number and date conversion: separators, date and time
// formats, month and day names, currency layout. One process-wide instance, FormatSettings(),
// starts as the fixed default below; LoadFormatSettingsFromSystem() replaces it with the user's
// locale. Every conversion routine also has an overload taking an explicit TFormatSettings.
//
// Date formats use the classic letters (dd/mm/yyyy, hh:nn:ss, ...) where "/" and ":" stand for
// DateSeparator and TimeSeparator. Separators are strings so that multi-byte characters from a
// locale (a no-break space as thousands separator) are kept whole.
#pragma once

#include <array>
#include <string>

namespace bexlo {

struct TFormatSettings {
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = ",";
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";

  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongDateFormat = "dd mmmm yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";

  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames = {"January", "February", "March",     "April",
                                                "May",     "June",     "July",      "August",
                                                "September", "October", "November", "December"};
  // Index 0 is Sunday, as DayOfWeek() - 1.
  std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};

  std::string CurrencyString = "$";
  // Position of the currency string for positive amounts: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  int CurrencyFormat = 0;
  // Layout of negative amounts, 0 to 15: 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$",
  // 6 "1-$", 7 "1$-", 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1", 13 "1- $", 14 "($ 1)",
  // 15 "(1 $)".
  int NegCurrFormat = 0;
  int CurrencyDecimals = 2;

  // Two-digit years read by StrToDate fall into the 100 years that start this many years before
  // the current year (0: the current century).
  int TwoDigitYearCenturyWindow = 50;
};

// The process-wide settings every plain conversion routine uses.
TFormatSettings& FormatSettings();

// The fixed default: "." decimal, "," thousands, "/" dates in "dd/mm/yyyy", ":" times in "hh:nn" /
// "hh:nn:ss", English names, "$" currency before the amount, 2 decimals.
const TFormatSettings& DefaultFormatSettings();

// Settings of the locale named `localeName` ("" = the environment's LANG / LC_* variables), built
// with nl_langinfo / localeconv. strftime date orders map to the classic letters ("%d.%m.%Y"
// becomes "dd/mm/yyyy" with DateSeparator "."). The C and POSIX locales carry no regional data, so
// they give DefaultFormatSettings(); an unknown locale also gives the default and returns false.
bool FormatSettingsFromLocale(const std::string& localeName, TFormatSettings& result);

// Replaces FormatSettings() with the environment's locale; returns false (and keeps the current
// settings) when that locale cannot be loaded.
bool LoadFormatSettingsFromSystem();

// Swaps the process-wide settings for the lifetime of the object and restores them afterwards.
class ScopedFormatSettings {
 public:
  ScopedFormatSettings();  // keeps the current settings, to be changed through FormatSettings()
  explicit ScopedFormatSettings(const TFormatSettings& settings);
  ~ScopedFormatSettings();
  ScopedFormatSettings(const ScopedFormatSettings&) = delete;
  ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

 private:
  TFormatSettings saved_;
};

}  // namespace bexlo
