// Shared helpers of the data-access benchmarks: a wall clock and the best of several runs.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>

namespace bexlo::bench {

inline double Seconds(const std::function<void()>& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs ours and the baseline alternately `rounds` times; keeps the best time of each.
inline void BestOf(int rounds, const std::function<void()>& ours,
                   const std::function<void()>& baseline, double& oursBest, double& baseBest) {
  oursBest = baseBest = 1e100;
  for (int i = 0; i < rounds; ++i) {
    const double b = Seconds(baseline);
    const double o = Seconds(ours);
    std::printf("  round %d: ours %.3f s, baseline %.3f s\n", i + 1, o, b);
    if (o < oursBest) oursBest = o;
    if (b < baseBest) baseBest = b;
  }
}

}  // namespace bexlo::bench
