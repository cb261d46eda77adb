#include "util/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "util/num_letter.h"

namespace bexlo {
namespace {

TEST(Rounding, HalvesRoundAwayFromZeroDespiteTheirBinaryForm) {
  // Each of these is stored just below the written half.
  EXPECT_EQ(Rd2(2.675), 2.68);
  EXPECT_EQ(Rd2(-2.675), -2.68);
  EXPECT_EQ(Rd2(1.005), 1.01);
  EXPECT_EQ(Rd2(1.115), 1.12);
  EXPECT_EQ(Rd4(1.00005), 1.0001);
  EXPECT_EQ(Rd0(2.5), 3);
  EXPECT_EQ(Rd0(-0.5), -1);
  EXPECT_EQ(Rd0(0.49), 0);
  // Below the half stays below.
  EXPECT_EQ(Rd2(2.674), 2.67);
  EXPECT_EQ(Rd2(-2.6749), -2.67);
  // Sums of money that drifted in binary.
  EXPECT_EQ(Rd2(0.1 + 0.2), 0.3);
  EXPECT_EQ(Rd2(1234567.895), 1234567.9);
}

TEST(Rounding, TruncationsGoTowardZero) {
  EXPECT_EQ(Fr0(-1.7), -1);
  EXPECT_EQ(Fr0(1.7), 1);
  EXPECT_EQ(Fr0(2.9999999999999996), 3);  // a 3 that lost its last bit is still 3
  EXPECT_EQ(Fr2(1.239), 1.23);
  EXPECT_EQ(Fr2(-1.239), -1.23);
  EXPECT_EQ(Fr2(0.29), 0.29);
  // The result is the nearest double to the two-decimal value, equal to what Rd2 gives.
  for (int cents = 0; cents < 2000; ++cents) {
    const double v = cents / 100.0;
    ASSERT_EQ(Fr2(v), v) << cents;
    ASSERT_EQ(Rd2(v), v) << cents;
  }
}

TEST(Rounding, CleanValueMovesByTheFifteenthDigit) {
  EXPECT_EQ(GetCleanValue(0), 1e-15);
  EXPECT_NEAR(GetCleanValue(123.0) - 123.0, 1e-12, 2e-14);
  EXPECT_NEAR(GetCleanValue(-123.0) + 123.0, -1e-12, 2e-14);
  EXPECT_NEAR(GetCleanValue(0.05) - 0.05, 1e-16, 2e-17);  // 10^(E-15) with E = -1
  EXPECT_NEAR(GetCleanValue(0.5) - 0.5, 1e-15, 1.2e-16);
  EXPECT_EQ(GetCleanValue(9.9999999999999982), 9.9999999999999982 + 1e-14);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Rd2(inf), inf);
  EXPECT_EQ(Rd0(-inf), -inf);
  EXPECT_TRUE(std::isnan(Rd2(std::nan(""))));
}

}  // namespace
}  // namespace bexlo

namespace bexlo {
namespace {

// The nearest double to a decimal text, as a reader of amounts gets it.
double Amount(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

std::string PowerOfTen(int p) { return "1" + std::string(static_cast<std::size_t>(p), '0'); }

TEST(Rounding, ExactAmountsNeverChangeAroundEveryPowerOfTen) {
  for (int p = 9; p <= 15; ++p) {
    SCOPED_TRACE("10^" + std::to_string(p));
    const std::string base = PowerOfTen(p);
    const double whole = Amount(base);
    // Whole amounts, and the amounts one unit below and above.
    for (const double n : {whole, whole - 1, whole + 1, whole + 7}) {
      EXPECT_EQ(Rd2(n), n);
      EXPECT_EQ(Rd4(n), n);
      EXPECT_EQ(Rd0(n), n);
      EXPECT_EQ(Fr0(n), n);
      EXPECT_EQ(Fr2(n), n);
      EXPECT_EQ(Rd2(-n), -n);
      EXPECT_EQ(Rd0(-n), -n);
      EXPECT_EQ(Fr0(-n), -n);
    }
    // Halves of a unit: Rd0 (and the script's Round) round away from zero, Fr0 truncates.
    {
      const double half = Amount(base + ".5");
      EXPECT_EQ(Rd0(half), whole + 1);
      EXPECT_EQ(Rd0(-half), -(whole + 1));
      EXPECT_EQ(Fr0(half), whole);
      EXPECT_EQ(Fr0(-half), -whole);
    }
    // Amounts in cents, while a double still holds every cent (below 2^53 cents).
    if (p <= 13) {
      for (const char* cents : {".01", ".10", ".35", ".99", ".50"}) {
        const double amount = Amount(base + cents);
        EXPECT_EQ(Rd2(amount), amount) << cents;
        EXPECT_EQ(Fr2(amount), amount) << cents;
        EXPECT_EQ(Rd2(-amount), -amount) << cents;
      }
    }
    // Halves of a cent round up, where a double still tells them apart from their neighbours.
    if (p <= 12) {
      EXPECT_EQ(Rd2(Amount(base + ".005")), Amount(base + ".01"));
      EXPECT_EQ(Rd2(Amount(base + ".675")), Amount(base + ".68"));
      EXPECT_EQ(Rd2(-Amount(base + ".675")), -Amount(base + ".68"));
    }
    // A third decimal is kept while it is within the fifteen significant digits the rounding
    // trusts (the sixteenth is taken as noise).
    if (p <= 10) {
      EXPECT_EQ(Rd2(Amount(base + ".674")), Amount(base + ".67"));
      EXPECT_EQ(Fr2(Amount(base + ".679")), Amount(base + ".67"));
    }
  }
}

TEST(Rounding, AnExactTrillionReadsZeroCents) {
  double value = 1e12;
  std::string text;
  ASSERT_TRUE(DoubleToWords(value, text, true, true, false));
  EXPECT_EQ(value, 1e12);
  EXPECT_NE(text.find("dollars 00 cents"), std::string::npos) << text;
}

}  // namespace
}  // namespace bexlo
