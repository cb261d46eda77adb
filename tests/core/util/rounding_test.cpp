#include "util/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
