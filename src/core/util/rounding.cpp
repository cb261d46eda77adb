#include "util/rounding.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace bexlo {

namespace {

// Number of decimal digits before the point of |x| written with 20 significant digits; 0 or
// less when |x| < 1 (0.05 gives -1). x must be finite and not zero.
int DecimalExponent(double x) {
  char buffer[64];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific, 19).ptr;
  const char* e = end;
  while (e > buffer && *(e - 1) != 'e') --e;  // e now points just after the 'e'
  if (*e == '+') ++e;                          // from_chars takes no plus sign
  int exponent = 0;
  std::from_chars(e, end, exponent);
  return exponent + 1;
}

double Correction(double x) {
  const int exponent = x == 0 ? 0 : DecimalExponent(x);
  return std::pow(10.0, exponent - 15);
}

// The largest lift before a truncation to whole units. From 10^14 on, one unit in the 15th digit
// is a whole unit or more, and lifting by it would change exact amounts (10^14 + 0.5, the
// rounded form of an exact 10^12 in Rd2, would truncate to 10^14 + 1). A tenth of a unit still
// covers the representation error of a decimal half at every magnitude where one exists, and
// never carries an exact value (whose fraction is 0 or .5 here) over the next unit.
constexpr double kMaxLift = 0.1;

// GetCleanValue for a value about to be truncated to whole units.
double Lift(double x) {
  if (!std::isfinite(x)) return x;
  const double d = std::min(Correction(x), kMaxLift);
  return x < 0 ? x - d : x + d;
}

}  // namespace

double GetCleanValue(double x) {
  if (!std::isfinite(x)) return x;
  const double d = Correction(x);
  return x < 0 ? x - d : x + d;
}

double Rd2(double x) {
  return x >= 0 ? std::trunc(Lift(x * 100 + 0.5)) / 100 : -std::trunc(Lift(-x * 100 + 0.5)) / 100;
}

double Rd4(double x) {
  return x >= 0 ? std::trunc(Lift(x * 10000 + 0.5)) / 10000 : -std::trunc(Lift(-x * 10000 + 0.5)) / 10000;
}

double Rd0(double x) { return x >= 0 ? std::trunc(Lift(x + 0.5)) : -std::trunc(Lift(-x + 0.5)); }

double Fr0(double x) { return std::trunc(Lift(x)); }

// Divided by 100 rather than multiplied by 0.01: the product is off by one unit in the last place
// for about one value in seven (35 * 0.01 is 0.35000000000000003), the quotient never is.
double Fr2(double x) { return std::trunc(Lift(x * 100 + 1e-9)) / 100; }

}  // namespace bexlo
