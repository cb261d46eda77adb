// Shared helpers of the data-access benchmarks: a wall clock, the best of several runs, and the
// streamed read both engines' benchmarks time.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "db/field.h"
#include "db/query.h"

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

// Streams `select` (id, amount, name, day, note) through a unidirectional query on `database`,
// reading every field as a report would: numbers and the date with AsFloat, text with AsString.
inline void StreamFiveColumns(const std::string& database, const char* select, double& sum,
                              std::size_t& chars) {
  sum = 0;
  chars = 0;
  TQuery q;
  q.SetDatabaseName(database);
  q.SetUniDirectional(true);
  q.SetSQLText(select);
  q.Open();
  TField* id = q.Fields(0);
  TField* amount = q.Fields(1);
  TField* name = q.Fields(2);
  TField* day = q.Fields(3);
  TField* note = q.Fields(4);
  for (; !q.Eof(); q.Next()) {
    sum += id->AsFloat();
    sum += amount->AsFloat();
    chars += name->AsString().size();
    sum += day->AsFloat();  // the date as a TDateTime
    chars += note->AsString().size();
  }
}

}  // namespace bexlo::bench
