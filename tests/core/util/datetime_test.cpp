#include "util/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "util/exceptions.h"

namespace bexlo {
namespace {

int ThisYear() {
  int y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

// 2024-02-05 is a Monday.
const TDateTime kMonday = EncodeDateTime(2024, 2, 5, 8, 4, 3, 7);
const TDateTime kAfternoon = EncodeDateTime(2024, 2, 5, 13, 30, 0, 0);

TEST(Calendar, EncodeDateAnchors) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
  EXPECT_EQ(EncodeDate(9999, 12, 31), std::trunc(MaxDateTime));
  for (auto [y, m, d] : {std::tuple{2023, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2024, 13, 1}, {2024, 4, 31}, {2024, 1, 0}}) {
    TDateTime out;
    EXPECT_FALSE(TryEncodeDate(y, m, d, out)) << y << "-" << m << "-" << d;
  }
  try {
    EncodeDate(2023, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to date encode");
  }
}

TEST(Calendar, DecodeDateInvertsEncodeDate) {
  auto check = [](int day) {
    int y, m, d;
    DecodeDate(day >= 0 ? day + 0.75 : day - 0.75, y, m, d);  // the fraction never moves the day
    ASSERT_EQ(EncodeDate(y, m, d), day) << day;
  };
  for (int day = -2000; day < 80000; ++day) check(day);  // 1894 .. 2119, every day
  for (int day = static_cast<int>(MinDateTime); day <= MaxDateTime; day += 97) check(day);
  check(static_cast<int>(std::trunc(MaxDateTime)));
  int y, m, d;
  for (double bad : {MinDateTime - 1, MaxDateTime + 1, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
    DecodeDate(bad, y, m, d);
    EXPECT_EQ(y + m + d, 0);
    EXPECT_EQ(DayOfWeek(bad), 0);
  }
}

TEST(Calendar, WeekdaysLeapYearsAndMonthLengths) {
  EXPECT_EQ(DayOfWeek(0), 7);                         // 1899-12-30, Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5);   // Thursday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);       // Monday
  EXPECT_EQ(DayOfWeek(-1.25), 6);                     // 1899-12-29, Friday
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(2023, 2), 28);
  EXPECT_EQ(DaysInAMonth(2023, 13), 0);
}

TEST(Calendar, TimesAndNegativeDates) {
  int h, n, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ((std::tuple{h, n, s, ms}), (std::tuple{23, 59, 59, 999}));
  DecodeTime(0.9999999999, h, n, s, ms);  // rounds to 24:00 but stays within the day
  EXPECT_EQ((std::tuple{h, n, s, ms}), (std::tuple{23, 59, 59, 999}));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
  // Negative values: the day counts back, the time still runs forward.
  int y, m, d;
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::tuple{y, m, d, h}), (std::tuple{1899, 12, 29, 6}));
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  // A time that rounds up to midnight carries into the next day.
  DecodeDateTime(EncodeDate(2024, 12, 31) + 0.9999999999, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::tuple{y, m, d, h, n, s, ms}), (std::tuple{2025, 1, 1, 0, 0, 0, 0}));
}

TEST(Calendar, ClockIsConsistent) {
  const TDateTime now = Now();
  EXPECT_EQ(std::trunc(now), Date());
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
}

TEST(FormatDateTime, ClassicSpecifiers) {
  const std::pair<const char*, const char*> cases[] = {
      {"d/m/yy", "5/2/24"},
      {"dd/mm/yyyy", "05/02/2024"},
      {"ddd dddd", "Mon Monday"},
      {"mmm mmmm MMMMM", "Feb February February"},
      {"h:n:s.z", "8:4:3.7"},
      {"hh:nn:ss.zzz", "08:04:03.007"},
      {"hh:mm", "08:04"},      // m after h is minutes
      {"hh\" o'clock\" mm", "08 o'clock 04"},
      {"h am/pm|h AM/PM|h a/p|hh ampm", "8 am|8 AM|8 a|08 AM"},
      {"ddddd|dddddd", "05/02/2024|05 February 2024"},
      {"t|tt", "08:04|08:04:03"},
      {"c", "05/02/2024 08:04:03"},
      {"'yyyy' yyyy", "yyyy 2024"},
      {"x-q", "x-q"},
      {"", "05/02/2024 08:04:03"},
  };
  for (const auto& [pattern, text] : cases) EXPECT_EQ(FormatDateTime(pattern, kMonday), text) << pattern;
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", kAfternoon), "1:30 PM");
  EXPECT_EQ(FormatDateTime("h:nn a/p", EncodeTime(0, 5, 0, 0)), "12:05 a");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", EncodeDate(5, 3, 9)), "0005-03-09");
}

TEST(FormatDateTime, FollowsTheSettings) {
  TFormatSettings fs = DefaultFormatSettings();
  fs.DateSeparator = ".";
  fs.TimeSeparator = "-";
  fs.TimeAMString = "дп";
  fs.LongMonthNames[1] = "февраля";
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn ampm", kMonday, fs), "05.02.2024 08-04 дп");
  EXPECT_EQ(FormatDateTime("d mmmm", kMonday, fs), "5 февраля");
  fs.ShortDateFormat = "c";  // a format naming itself must not recurse forever
  EXPECT_EQ(FormatDateTime("c", kMonday, fs), "  08-04-03");
}

TEST(FormatDateTime, NonFiniteValuesAreNoDates) {
  try {
    DateToStr(HUGE_VAL);
    FAIL() << "an infinite date was formatted";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'INF' is not a valid date and time");
  }
  EXPECT_THROW(DateTimeToStr(std::nan("")), EConvertError);
  EXPECT_THROW(TimeToStr(-HUGE_VAL), EConvertError);
  EXPECT_THROW(FormatDateTime("yyyy", std::nan("")), EConvertError);
  // Finite dates outside the calendar keep their classic zero text.
  EXPECT_EQ(DateToStr(1e9), "00/00/0000");
}

TEST(DateToStr, MidnightOmitsTheTime) {
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 2, 29)), "29/02/2024");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 0, 500)), "29/02/2024");
  EXPECT_EQ(DateTimeToStr(-1.25), "29/12/1899 06:00:00");
  EXPECT_EQ(DateToStr(kMonday), "05/02/2024");
  EXPECT_EQ(TimeToStr(kMonday), "08:04:03");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 12, 31) + 0.9999999999), "01/01/2025");
}

TEST(StrToDate, ReadsNumbersInTheShortFormatsOrder) {
  EXPECT_EQ(StrToDate("25/12/2024"), EncodeDate(2024, 12, 25));
  EXPECT_EQ(StrToDate(" 25 / 12 / 2024 "), EncodeDate(2024, 12, 25));
  EXPECT_EQ(StrToDate("1/2"), EncodeDate(ThisYear(), 2, 1));
  TFormatSettings us = DefaultFormatSettings();
  us.ShortDateFormat = "m/d/yyyy";
  EXPECT_EQ(StrToDate("12/25/2024", us), EncodeDate(2024, 12, 25));
  EXPECT_EQ(StrToDate("2/1", us), EncodeDate(ThisYear(), 2, 1));
  TFormatSettings iso = DefaultFormatSettings();
  iso.ShortDateFormat = "yyyy/mm/dd";
  iso.DateSeparator = "-";
  EXPECT_EQ(StrToDate("2024-12-25", iso), EncodeDate(2024, 12, 25));
  EXPECT_EQ(StrToDate("12-25", iso), EncodeDate(ThisYear(), 12, 25));
}

TEST(StrToDate, TwoDigitYearsUseTheCenturyWindow) {
  const int pivot = ThisYear() - 50;  // window 50: years from pivot to pivot + 99
  for (int yy : {0, 30, 49, 50, 51, 99}) {
    int expected = pivot / 100 * 100 + yy;
    if (expected < pivot) expected += 100;
    int y, m, d;
    DecodeDate(StrToDate("1/1/" + std::to_string(yy)), y, m, d);
    EXPECT_EQ(y, expected) << yy;
  }
  TFormatSettings fs = DefaultFormatSettings();
  fs.TwoDigitYearCenturyWindow = 0;  // the current century
  int y, m, d;
  DecodeDate(StrToDate("1/1/99", fs), y, m, d);
  EXPECT_EQ(y, ThisYear() / 100 * 100 + 99);
  DecodeDate(StrToDate("1/1/0099", fs), y, m, d);  // four digits are taken as written
  EXPECT_EQ(y, 99);
}

TEST(StrToDate, MalformedDatesQuoteTheText) {
  for (const char* bad : {"31/02/2024", "25-12-2024", "25/12/2024x", "", "25", "1/2/3/4",
                          "25/12/12345", "/12/2024", "a/b/c", "25/12/"}) {
    TDateTime value;
    EXPECT_FALSE(TryStrToDate(bad, value)) << bad;
  }
  try {
    StrToDate("31/02/2024");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'31/02/2024' is not a valid date");
  }
}

TEST(StrToTime, ClassicTimeSyntax) {
  EXPECT_EQ(StrToTime("13:05"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("1:05:07"), EncodeTime(1, 5, 7, 0));
  EXPECT_EQ(StrToTime("13:05:07.5"), EncodeTime(13, 5, 7, 500));
  EXPECT_EQ(StrToTime("13:05:07.0429"), EncodeTime(13, 5, 7, 42));
  EXPECT_EQ(StrToTime("1:05 PM"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("pm 1:05"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("12:00 AM"), 0);
  EXPECT_EQ(StrToTime("12:00 PM"), 0.5);
  EXPECT_EQ(StrToTime("7"), EncodeTime(7, 0, 0, 0));
  for (const char* bad : {"13:00 PM", "0:30 AM", "25:00", "12:60", "12:00:60", "abc", "", "12:",
                          "12:00.5", "12:00:00."}) {
    TDateTime value;
    EXPECT_FALSE(TryStrToTime(bad, value)) << bad;
  }
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
}

TEST(StrToDateTime, DateTimeOrTimeAlone) {
  EXPECT_EQ(StrToDateTime("25/12/2024 13:05:07"), EncodeDateTime(2024, 12, 25, 13, 5, 7, 0));
  EXPECT_EQ(StrToDateTime("25/12/2024"), EncodeDate(2024, 12, 25));
  EXPECT_EQ(StrToDateTime("13:05"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToDateTime("29/12/1899 06:00"), -1.25);
  try {
    StrToDateTime("25/12/2024 xx");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'25/12/2024 xx' is not a valid date and time");
  }
}

TEST(StrToDateTime, RoundTripsThroughDateTimeToStrUnderManySettings) {
  std::vector<TFormatSettings> all(4, DefaultFormatSettings());
  all[1].ShortDateFormat = "mm/dd/yyyy";
  all[1].LongTimeFormat = "h:nn:ss ampm";
  all[2].ShortDateFormat = "yyyy/mm/dd";
  all[2].DateSeparator = "-";
  all[3].ShortDateFormat = "d/m/yyyy";
  all[3].DateSeparator = ".";
  all[3].TimeSeparator = ".";
  std::mt19937 random(7);
  std::uniform_int_distribution<int> day(static_cast<int>(MinDateTime), static_cast<int>(MaxDateTime));
  std::uniform_int_distribution<int> second(0, 86399);
  for (int i = 0; i < 3000; ++i) {
    const int sec = i % 5 == 0 ? 0 : second(random);
    const TDateTime d = day(random);
    const TDateTime value = d >= 0 ? d + sec / SecsPerDay : d - sec / SecsPerDay;
    for (const TFormatSettings& fs : all) {
      const std::string text = DateTimeToStr(value, fs);
      TDateTime back;
      ASSERT_TRUE(TryStrToDateTime(text, back, fs)) << text;
      EXPECT_NEAR(back, value, 1e-9) << text;
    }
  }
}

TEST(Iso, WritesAndReadsIso8601) {
  EXPECT_EQ(DateTimeToIso(EncodeDate(2024, 2, 29)), "2024-02-29");
  EXPECT_EQ(DateTimeToIso(EncodeDateTime(2024, 2, 29, 13, 5, 7, 0)), "2024-02-29 13:05:07");
  EXPECT_EQ(DateTimeToIso(EncodeDateTime(2024, 2, 29, 13, 5, 7, 40)), "2024-02-29 13:05:07.040");
  EXPECT_EQ(DateTimeToIso(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(DateToIso(kMonday), "2024-02-05");
  EXPECT_EQ(TimeToIso(EncodeDate(2024, 2, 29)), "00:00:00");
  EXPECT_EQ(DateTimeToIso(1e300), "");

  TDateTime v;
  ASSERT_TRUE(TryIsoToDateTime("2024-02-29", v));
  EXPECT_EQ(v, EncodeDate(2024, 2, 29));
  ASSERT_TRUE(TryIsoToDateTime("2024-02-29T13:05:07.1234567", v));
  EXPECT_EQ(DateTimeToIso(v), "2024-02-29 13:05:07.123");
  ASSERT_TRUE(TryIsoToDateTime("13:05", v));
  EXPECT_EQ(v, EncodeTime(13, 5, 0, 0));
  ASSERT_TRUE(TryIsoToDateTime("1899-12-29 06:00:00", v));
  EXPECT_EQ(v, -1.25);
  for (const char* bad : {"2024-02-30", "2024-2-29", "2024-02-29 25:00", "2024-02-29 13:05:07+01",
                          "2024-02-29X", "24-02-29", "", "13:5", "0000-01-01"}) {
    EXPECT_FALSE(TryIsoToDateTime(bad, v)) << bad;
  }
  std::mt19937 random(3);
  std::uniform_int_distribution<int> day(static_cast<int>(MinDateTime), static_cast<int>(MaxDateTime));
  std::uniform_int_distribution<int> msec(0, 86399999);
  for (int i = 0; i < 2000; ++i) {
    const TDateTime value = day(random);
    const int ms = msec(random);
    const TDateTime withTime = value >= 0 ? value + ms / MSecsPerDay : value - ms / MSecsPerDay;
    ASSERT_TRUE(TryIsoToDateTime(DateTimeToIso(withTime), v));
    EXPECT_EQ(DateTimeToIso(v), DateTimeToIso(withTime));
  }
}

}  // namespace
}  // namespace bexlo
