// Number-to-text speed of the report engine's per-field work: FloatToStr, FloatToStrF (fixed, 2
// decimals), IntToStr and Format, each against the C library's snprintf doing the same job
// ("%.15g", "%.2f", "%lld", the same Format pattern). Values are money-like amounts, ratios of
// long doubles and whole numbers, as a report's fields hold them.
//
// Prints one line per case with both timings and ours/baseline; the last line is the ratio of
// the summed times.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "util/convert.h"
#include "util/format.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<double> Values() {
  std::mt19937_64 random(1);
  std::uniform_int_distribution<long long> cents(-10'000'000, 10'000'000);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  std::vector<double> values;
  for (int i = 0; i < 4096; ++i) {
    switch (i % 3) {
      case 0: values.push_back(cents(random) / 100.0); break;  // amounts: 12345.67
      case 1: values.push_back(any(random) / 3.0); break;      // long fractions
      default: values.push_back(static_cast<double>(cents(random) / 100)); break;  // whole
    }
  }
  return values;
}

// Best of five runs of `body` over all values, in nanoseconds per call.
template <class Body>
double Measure(const std::vector<double>& values, Body body) {
  double best = 1e300;
  std::size_t sink = 0;
  for (int run = 0; run < 5; ++run) {
    const auto start = Clock::now();
    for (int repeat = 0; repeat < 50; ++repeat) {
      for (double v : values) sink += body(v);
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    best = std::min(best, ns / (50.0 * values.size()));
  }
  if (sink == 42) std::puts("");  // keeps the work observable
  return best;
}

std::size_t Snprintf(const char* pattern, double v) {
  char buffer[64];
  return static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, pattern, v));
}

}  // namespace

int main() {
  using namespace bexlo;
  const std::vector<double> values = Values();
  const TFormatSettings& fs = DefaultFormatSettings();
  struct Case {
    const char* name;
    double ours, baseline;
  };
  std::vector<Case> cases;

  cases.push_back({"FloatToStr vs snprintf %.15g",
                   Measure(values, [&](double v) { return FloatToStr(v, fs).size(); }),
                   Measure(values, [](double v) { return Snprintf("%.15g", v); })});
  cases.push_back({"FloatToStrF(ffFixed,15,2) vs snprintf %.2f",
                   Measure(values, [&](double v) { return FloatToStrF(v, ffFixed, 15, 2, fs).size(); }),
                   Measure(values, [](double v) { return Snprintf("%.2f", v); })});
  cases.push_back({"IntToStr vs snprintf %lld",
                   Measure(values, [](double v) { return IntToStr(static_cast<long long>(v)).size(); }),
                   Measure(values, [](double v) {
                     char buffer[32];
                     return static_cast<std::size_t>(
                         std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v)));
                   })});
  cases.push_back({"Format(\"%s: %d = %.2f\") vs snprintf",
                   Measure(values, [](double v) {
                     return Format("%s: %d = %.2f", "Total", static_cast<int>(v), v).size();
                   }),
                   Measure(values, [](double v) {
                     char buffer[96];
                     return static_cast<std::size_t>(std::snprintf(
                         buffer, sizeof buffer, "%s: %d = %.2f", "Total", static_cast<int>(v), v));
                   })});

  double ours = 0, baseline = 0;
  for (const Case& c : cases) {
    std::printf("%-45s ours %7.1f ns  baseline %7.1f ns  ratio %.2f\n", c.name, c.ours, c.baseline,
                c.ours / c.baseline);
    ours += c.ours;
    baseline += c.baseline;
  }
  std::printf("RATIO %.2f\n", ours / baseline);
  return 0;
}
