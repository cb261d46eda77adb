#include "util/format_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <unistd.h>

#include "util/convert.h"
#include "util/datetime.h"

#if defined(__SANITIZE_ADDRESS__)
#define BEXLO_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BEXLO_LEAK_CHECKER 1
#endif
#endif
#ifdef BEXLO_LEAK_CHECKER
#include <sanitizer/lsan_interface.h>
#endif

namespace bexlo {
namespace {

// glibc's newlocale leaks its copy of LOCPATH (a few bytes per call) when that variable is set;
// the leak checker must not count that against the tests that set it.
template <class Body>
auto IgnoringLibcLeaks(Body body) {
#ifdef BEXLO_LEAK_CHECKER
  __lsan::ScopedDisabler disabler;
#endif
  return body();
}

bool FromLocale(const std::string& name, TFormatSettings& fs) {
  return IgnoringLibcLeaks([&] { return FormatSettingsFromLocale(name, fs); });
}

bool LoadFromSystem() {
  return IgnoringLibcLeaks([] { return LoadFormatSettingsFromSystem(); });
}

TEST(FormatSettings, FixedDefault) {
  const TFormatSettings& fs = DefaultFormatSettings();
  EXPECT_EQ(fs.DecimalSeparator, ".");
  EXPECT_EQ(fs.ThousandSeparator, ",");
  EXPECT_EQ(fs.DateSeparator, "/");
  EXPECT_EQ(fs.ShortDateFormat, "dd/mm/yyyy");
  EXPECT_EQ(fs.ShortTimeFormat, "hh:nn");
  EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(fs.LongMonthNames[11], "December");
  EXPECT_EQ(fs.ShortDayNames[0], "Sun");
  EXPECT_EQ(fs.CurrencyString, "$");
  EXPECT_EQ(fs.CurrencyDecimals, 2);
}

TEST(FormatSettings, ScopedSettingsRestoreTheProcessWideOnes) {
  const std::string before = FormatSettings().DecimalSeparator;
  {
    TFormatSettings comma = DefaultFormatSettings();
    comma.DecimalSeparator = ",";
    ScopedFormatSettings scope(comma);
    EXPECT_EQ(FloatToStr(1.5), "1,5");
    {
      ScopedFormatSettings inner;
      FormatSettings().DecimalSeparator = ";";
      EXPECT_EQ(FloatToStr(1.5), "1;5");
    }
    EXPECT_EQ(FloatToStr(1.5), "1,5");
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, before);
}

TEST(FormatSettings, PlainAndUnknownLocalesGiveTheDefault) {
  TFormatSettings fs;
  fs.DecimalSeparator = "x";
  EXPECT_TRUE(FormatSettingsFromLocale("C", fs));
  EXPECT_EQ(fs.DecimalSeparator, ".");
  EXPECT_EQ(fs.ShortDateFormat, "dd/mm/yyyy");
  fs.DecimalSeparator = "x";
  EXPECT_FALSE(FormatSettingsFromLocale("xx_NOWHERE.UTF-8", fs));
  EXPECT_EQ(fs.DecimalSeparator, ".");
}

// Real locales, compiled from the system's locale sources into a private directory.
class LocaleSettings : public testing::Test {
 protected:
  // Builds `name` (e.g. "de_DE.UTF-8") and points LOCPATH at it; false when this system cannot.
  bool Build(const std::string& input, const std::string& charset, const std::string& name) {
    dir_ = std::filesystem::path(testing::TempDir()) / ("bexlo-locales-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    const std::string command = "localedef -i " + input + " -f " + charset + " '" +
                                (dir_ / name).string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    ::setenv("LOCPATH", dir_.c_str(), 1);
    return true;
  }
  void TearDown() override {
    ::unsetenv("LOCPATH");
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
};

TEST_F(LocaleSettings, GermanSeparatorsDatesCurrencyAndLoadingFromTheEnvironment) {
  if (!Build("de_DE", "UTF-8", "de_DE.UTF-8")) GTEST_SKIP() << "localedef cannot build de_DE";
  TFormatSettings fs;
  ASSERT_TRUE(FromLocale("de_DE.UTF-8", fs));
  EXPECT_EQ(fs.DecimalSeparator, ",");
  EXPECT_EQ(fs.ThousandSeparator, ".");
  EXPECT_EQ(fs.DateSeparator, ".");
  EXPECT_EQ(fs.ShortDateFormat, "dd/mm/yyyy");
  EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(fs.LongMonthNames[2], "März");
  EXPECT_EQ(fs.CurrencyString, "€");
  const TDateTime value = EncodeDateTime(2024, 2, 5, 13, 4, 3, 0);
  EXPECT_EQ(DateTimeToStr(value, fs), "05.02.2024 13:04:03");
  EXPECT_EQ(StrToDateTime("05.02.2024 13:04:03", fs), value);
  EXPECT_EQ(FloatToStrF(-1234567.5, ffCurrency, 15, 2, fs), "-1.234.567,50 €");
  EXPECT_EQ(StrToFloat("2,5", fs), 2.5);

  // The same locale through the environment, as an application loads it at start-up.
  const char* old = std::getenv("LC_ALL");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ScopedFormatSettings scope;
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_TRUE(LoadFromSystem());
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  ::setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
  EXPECT_FALSE(LoadFromSystem());  // keeps what was there
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  if (saved) {
    ::setenv("LC_ALL", saved->c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

TEST_F(LocaleSettings, AmericanOrderAndTwelveHourClock) {
  if (!Build("en_US", "UTF-8", "en_US.UTF-8")) GTEST_SKIP() << "localedef cannot build en_US";
  TFormatSettings fs;
  ASSERT_TRUE(FromLocale("en_US.UTF-8", fs));
  EXPECT_EQ(fs.ShortDateFormat, "mm/dd/yyyy");
  EXPECT_EQ(fs.TimePMString, "PM");
  const TDateTime value = EncodeDateTime(2024, 2, 5, 13, 4, 3, 0);
  EXPECT_EQ(DateTimeToStr(value, fs), "02/05/2024 01:04:03 PM");
  EXPECT_EQ(StrToDateTime("02/05/2024 01:04:03 PM", fs), value);
  EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2, fs), "-$1.50");
}

TEST_F(LocaleSettings, SingleByteLocaleTextsBecomeUtf8) {
  if (!Build("ru_RU", "KOI8-R", "ru_RU.KOI8-R")) GTEST_SKIP() << "localedef cannot build ru_RU";
  TFormatSettings fs;
  ASSERT_TRUE(FromLocale("ru_RU.KOI8-R", fs));
  EXPECT_EQ(fs.DecimalSeparator, ",");
  EXPECT_EQ(fs.ShortDayNames[1], "Пн");
  EXPECT_EQ(FormatDateTime("d mmmm yyyy", EncodeDate(2024, 2, 5), fs), "5 февраля 2024");
}

}  // namespace
}  // namespace bexlo
