#include "util/convert.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "util/exceptions.h"

namespace bexlo {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TFormatSettings Continental() {
  TFormatSettings fs = DefaultFormatSettings();
  fs.DecimalSeparator = ",";
  fs.ThousandSeparator = "\xC2\xA0";  // no-break space: a two-byte separator
  return fs;
}

TEST(FloatToStr, GeneralFormWithFifteenDigits) {
  const TFormatSettings& fs = DefaultFormatSettings();
  const std::pair<double, const char*> cases[] = {
      {0, "0"},          {-0.0, "0"},       {0.1, "0.1"},           {-1.5, "-1.5"},
      {100, "100"},      {1e15, "1E15"},    {123456789012345.0, "123456789012345"},
      {1e16, "1E16"},    {0.0001, "0.0001"}, {0.00001, "1E-5"},     {1.5e-7, "1.5E-7"},
      {1.0 / 3, "0.333333333333333"},      {0.1 + 0.2, "0.3"},    {2.0 / 3, "0.666666666666667"},
      {1e100, "1E100"},  {1.7976931348623157e308, "1.79769313486232E308"},
      {5e-324, "4.94065645841247E-324"},   {kNaN, "NAN"},         {kInf, "INF"}, {-kInf, "-INF"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(FloatToStr(value, fs), text) << value;
  EXPECT_EQ(FloatToStr(-1.5, Continental()), "-1,5");
}

TEST(FloatToStrF, ExponentFormKeepsAllDigitsAndASignedExponent) {
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");  // exact tie: away from zero
  EXPECT_EQ(FloatToStrF(-0.00012, ffExponent, 3, 0), "-1.20E-4");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 4, 2), "0.000E+00");
  EXPECT_EQ(FloatToStrF(9.9999, ffExponent, 3, 1), "1.00E+1");  // rounding carries into the exponent
}

TEST(FloatToStrF, FixedRoundsTheExactValueHalfAwayFromZero) {
  EXPECT_EQ(FloatToStrF(2.675, ffFixed, 15, 2), "2.67");   // 2.67499999... in binary
  EXPECT_EQ(FloatToStrF(0.125, ffFixed, 15, 2), "0.13");   // exact tie
  EXPECT_EQ(FloatToStrF(-0.125, ffFixed, 15, 2), "-0.13");
  EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 0), "3");
  EXPECT_EQ(FloatToStrF(99.995, ffFixed, 15, 2), "100.00");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0.00");  // no "-0.00"
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 0), "1");
  EXPECT_EQ(FloatToStrF(0.05, ffFixed, 15, 3), "0.050");
  // Precision bounds the significant digits, and more integer digits switch to the E form.
  EXPECT_EQ(FloatToStrF(1234567.891, ffFixed, 8, 2), "1234567.90");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");
  EXPECT_EQ(FloatToStrF(kNaN, ffFixed, 15, 2), "NAN");
}

TEST(FloatToStrF, PrecisionAndDigitsAreClamped) {
  EXPECT_EQ(FloatToStrF(3.14159, ffGeneral, 0, 0), "3.1");  // precision at least 2
  EXPECT_EQ(FloatToStrF(0.1, ffGeneral, 99, 0), "0.100000000000000006");  // at most 18
  EXPECT_EQ(FloatToStrF(1.5, ffFixed, 15, -3), "2");
  EXPECT_EQ(FloatToStrF(1e-20, ffGeneral, 15, 9), "1E-0020");  // at most 4 exponent digits
}

TEST(FloatToStrF, NumberFormGroupsThousands) {
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1,234,567.89");
  EXPECT_EQ(FloatToStrF(-999.5, ffNumber, 15, 0), "-1,000");
  EXPECT_EQ(FloatToStrF(0.5, ffNumber, 15, 1), "0.5");
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2, Continental()), "1\xC2\xA0" "234\xC2\xA0" "567,89");
}

TEST(FloatToStrF, CurrencyFollowsEveryLayoutCode) {
  TFormatSettings fs = DefaultFormatSettings();
  fs.CurrencyString = "р.";
  const char* positive[] = {"р.1,234.50", "1,234.50р.", "р. 1,234.50", "1,234.50 р."};
  for (int f = 0; f < 4; ++f) {
    fs.CurrencyFormat = f;
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2, fs), positive[f]);
  }
  const char* negative[] = {"(р.1.5)", "-р.1.5", "р.-1.5", "р.1.5-", "(1.5р.)", "-1.5р.",
                            "1.5-р.",  "1.5р.-", "-1.5 р.", "-р. 1.5", "1.5 р.-", "р. 1.5-",
                            "р. -1.5", "1.5- р.", "(р. 1.5)", "(1.5 р.)"};
  for (int f = 0; f < 16; ++f) {
    fs.NegCurrFormat = f;
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 1, fs), negative[f]) << f;
  }
}

TEST(FloatToDecimal, GivesTheClassicDigitRecord) {
  TFloatRec rec;
  FloatToDecimal(rec, 2.675, 20, 9999);
  EXPECT_STREQ(rec.Digits, "26749999999999998224");
  EXPECT_EQ(rec.Exponent, 1);
  FloatToDecimal(rec, -99.5, 20, 0);  // carry adds a digit in front
  EXPECT_STREQ(rec.Digits, "1");
  EXPECT_EQ(rec.Exponent, 3);
  EXPECT_TRUE(rec.Negative);
  FloatToDecimal(rec, -0.004, 20, 2);  // rounds to zero: no digits, not negative
  EXPECT_STREQ(rec.Digits, "");
  EXPECT_FALSE(rec.Negative);
  FloatToDecimal(rec, 0.001234, 2, 9999);
  EXPECT_STREQ(rec.Digits, "12");
  EXPECT_EQ(rec.Exponent, -2);
  FloatToDecimal(rec, kNaN, 15, 0);
  EXPECT_EQ(rec.Exponent, TFloatRec::kNanExponent);
}

// The digits FloatToDecimal must give, from 60 exact digits rounded half away from zero.
std::string ReferenceDigits(double value, int precision, int decimals, int& exponent) {
  char buffer[96];
  *std::to_chars(buffer, buffer + sizeof buffer - 1, std::fabs(value), std::chars_format::scientific, 59).ptr = '\0';
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  exponent = std::atoi(p + 1) + 1;
  const long keep = std::min<long>(precision, static_cast<long>(exponent) + decimals);
  if (keep < 0) return "";
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (up) {
    int i = static_cast<int>(keep) - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
      ++exponent;
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return digits;
}

TEST(FloatToDecimal, MatchesExactRoundingHalfAwayFromZero) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> power(-30, 30), precision(1, 20), decimals(-5, 25);
  std::uniform_int_distribution<long long> whole(0, 100000000);
  for (int i = 0; i < 200000; ++i) {
    double value;
    switch (i % 4) {
      case 0: value = unit(random) * std::pow(10.0, power(random)); break;
      case 1: value = whole(random) / 8.0; break;        // many exact ties
      case 2: value = whole(random) / 100.0; break;      // amounts in cents
      default: value = static_cast<double>(whole(random)) * std::pow(10.0, power(random) % 6); break;
    }
    if (i % 3 == 0) value = -value;
    const int p = precision(random), d = decimals(random);
    int exponent;
    const std::string expected = ReferenceDigits(value, p, d, exponent);
    TFloatRec rec;
    FloatToDecimal(rec, value, p, d);
    ASSERT_EQ(rec.Digits, expected) << value << " precision " << p << " decimals " << d;
    if (!expected.empty()) {
      ASSERT_EQ(rec.Exponent, exponent) << value;
      ASSERT_EQ(rec.Negative, value < 0);
    }
  }
}

TEST(FormatFloat, SectionsForPositiveNegativeAndZero) {
  const char* picture = "#,##0.00;(#,##0.00);Zero";
  EXPECT_EQ(FormatFloat(picture, 1234.5), "1,234.50");
  EXPECT_EQ(FormatFloat(picture, -1234.5), "(1,234.50)");
  EXPECT_EQ(FormatFloat(picture, 0), "Zero");
  EXPECT_EQ(FormatFloat(picture, -0.001), "Zero");  // rounds to zero: the zero section
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");   // and never "-0.00"
  EXPECT_EQ(FormatFloat("0.00;;Nil", -5), "-5.00");  // empty negative section: the first, signed
  EXPECT_EQ(FormatFloat("0.00;", 0), "0.00");
}

TEST(FormatFloat, PlaceholdersLiteralsAndGrouping) {
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("0.##", 1), "1");
  EXPECT_EQ(FormatFloat("0.0#", 1.25), "1.25");
  EXPECT_EQ(FormatFloat("0.0#", 1.2), "1.2");
  EXPECT_EQ(FormatFloat("00000", 42), "00042");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("000-00", 12345), "123-45");
  EXPECT_EQ(FormatFloat("0", 1234567), "1234567");
  EXPECT_EQ(FormatFloat("#,##0", 1234567), "1,234,567");
  EXPECT_EQ(FormatFloat("#,##0", -1234567), "-1,234,567");
  EXPECT_EQ(FormatFloat("\"Total: \"0.00' ;'", 5), "Total: 5.00 ;");
  EXPECT_EQ(FormatFloat("'a;b'0", 5), "a;b5");
  EXPECT_EQ(FormatFloat(".00", 12.5), "12.50");
  EXPECT_EQ(FormatFloat("", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("0.00", kNaN), "NAN");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, Continental()), "1\xC2\xA0" "234\xC2\xA0" "567,89");
}

TEST(FormatFloat, ScientificPictures) {
  EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
  EXPECT_EQ(FormatFloat("0.00E+00", 0), "0.00E+00");
  EXPECT_EQ(FormatFloat("0.0E-0", 0.000123), "1.2E-4");
  EXPECT_EQ(FormatFloat("0.0E-0", 12345), "1.2E4");
  EXPECT_EQ(FormatFloat("0.00e+000", -12345), "-1.23e+004");
}

TEST(StrToFloat, AcceptsTheClassicSyntax) {
  const std::pair<const char*, double> cases[] = {
      {"1.5", 1.5},   {" -1.5e3 ", -1500}, {".5", 0.5},     {"5.", 5},       {"+2", 2},
      {"1E-400", 0},  {"0e999999", 0},     {"00012.50", 12.5}, {"1e+2", 100}, {"\t7\n", 7}};
  for (const auto& [text, value] : cases) EXPECT_EQ(StrToFloat(text), value) << text;
  EXPECT_EQ(StrToFloat("2,5", Continental()), 2.5);
  EXPECT_EQ(StrToFloatDef("x", -1), -1);
}

TEST(StrToFloat, RejectsAnythingElseQuotingTheText) {
  for (const char* text : {"", " ", "abc", "1,5", "1.2.3", "1e", "e5", "1 2", "--1", "1e400",
                           "inf", "nan", "0x10", "1_000", ".", "-"}) {
    double value;
    EXPECT_FALSE(TryStrToFloat(text, value)) << text;
  }
  double unused;
  EXPECT_FALSE(TryStrToFloat("2.5", unused, Continental()));
  try {
    StrToFloat("1,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1,5' is not a valid floating point value");
  }
}

TEST(StrToFloat, RoundTripsEveryFormatAndSeparator) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-300, 300);
  const TFormatSettings settings[] = {DefaultFormatSettings(), Continental()};
  for (int i = 0; i < 2000; ++i) {
    const double x = mantissa(random) * std::pow(10.0, exponent(random));
    for (const TFormatSettings& fs : settings) {
      // 17 significant digits identify every double.
      EXPECT_EQ(StrToFloat(FloatToStrF(x, ffGeneral, 17, 0, fs), fs), x);
      EXPECT_EQ(StrToFloat(FloatToStrF(x, ffExponent, 17, 0, fs), fs), x);
      EXPECT_NEAR(StrToFloat(FloatToStr(x, fs), fs), x, std::fabs(x) * 1e-14);
    }
  }
  for (double x : {0.01, 12345.67, -1e6 + 0.25}) {
    EXPECT_EQ(StrToFloat(FloatToStrF(x, ffFixed, 18, 2)), x);
  }
}

TEST(IntConversions, StrToIntFollowsVal) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -42"), -42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  for (const char* bad : {"", "2147483648", "-2147483649", "12 ", "1.0", "abc", "$", "0x", "--1",
                          "$1FFFFFFFF", "$-1", "1e3"}) {
    int value;
    EXPECT_FALSE(TryStrToInt(bad, value)) << bad;
  }
  std::int64_t big;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_EQ(StrToIntDef("x", 5), 5);
  EXPECT_EQ(StrToInt64Def("", -5), -5);
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
}

TEST(IntConversions, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(UIntToStr(UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(255, 0), "FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
}

}  // namespace
}  // namespace bexlo
