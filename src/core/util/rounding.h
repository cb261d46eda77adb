// Money-safe rounding of doubles. Every routine first lifts its argument by about one unit in
// the 15th significant digit (GetCleanValue), so that a value whose binary representation lies
// just below a decimal half (2.675 is stored as 2.67499999...) rounds as written, then truncates
// toward zero. Infinities and NaN pass through unchanged. Before a truncation the lift is never
// more than a tenth of the unit kept, so an exact amount never changes at any magnitude
// (Rd2(1e12) is 1e12, not 1e12 + 0.01).
#pragma once

namespace bexlo {

// X moved away from zero by 10^(E-15), E being X's decimal exponent (digits before the point;
// 0 or less when |X| < 1). 0 gives 1e-15.
double GetCleanValue(double x);

// Rounding to 2, 4 and 0 decimals, halves away from zero: Rd2(2.675) = 2.68, Rd2(-2.675) = -2.68,
// Rd0(-0.5) = -1.
double Rd2(double x);
double Rd4(double x);
double Rd0(double x);
// The integer part (toward zero): Fr0(-1.7) = -1.
double Fr0(double x);
// Truncation to 2 decimals (toward zero): Fr2(1.239) = 1.23.
double Fr2(double x);

}  // namespace bexlo
