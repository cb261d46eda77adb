#include "util/rounding.h"

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

}  // namespace

double GetCleanValue(double x) {
  if (!std::isfinite(x)) return x;
  const int exponent = x == 0 ? 0 : DecimalExponent(x);
  const double d = std::pow(10.0, exponent - 15);
  return x < 0 ? x - d : x + d;
}

double Rd2(double x) {
  return x >= 0 ? std::trunc(GetCleanValue(x * 100 + 0.5)) / 100 : -std::trunc(GetCleanValue(-x * 100 + 0.5)) / 100;
}

double Rd4(double x) {
  return x >= 0 ? std::trunc(GetCleanValue(x * 10000 + 0.5)) / 10000
                : -std::trunc(GetCleanValue(-x * 10000 + 0.5)) / 10000;
}

double Rd0(double x) {
  return x >= 0 ? std::trunc(GetCleanValue(x + 0.5)) : -std::trunc(GetCleanValue(-x + 0.5));
}

double Fr0(double x) { return std::trunc(GetCleanValue(x)); }

// Divided by 100 rather than multiplied by 0.01: the product is off by one unit in the last place
// for about one value in seven (35 * 0.01 is 0.35000000000000003), the quotient never is.
double Fr2(double x) { return std::trunc(GetCleanValue(x * 100 + 1e-9)) / 100; }

}  // namespace bexlo
