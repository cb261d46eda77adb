// TStringList against the plain standard containers doing the same job:
//   - SetText of a 200 000-line text   vs splitting it into a std::vector<std::string>
//   - Text of that list                 vs joining the vector with CR LF
//   - sorted Add of 50 000 words one by one, ignoring case (dupIgnore), and the same words added
//     at once with AddStrings           both vs std::set with the same CompareText ordering
//     (one-by-one inserts shift the vector, as the classic list does; bulk adds sort and merge)
//   - Values of 2 000 names in a 5 000-line name=value list
//                                       vs a linear scan of a vector of (name, value) pairs
// Prints one line per case with both timings and ours/baseline; the last line is the ratio of
// the summed times.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "util/strings.h"
#include "util/text.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of five runs of body, in milliseconds.
template <class Body>
double Measure(Body body) {
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    const auto start = Clock::now();
    body();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

std::string Word(std::mt19937& random) {
  static const char* const kSyllables[] = {"ka", "ro", "Ми", "ше", "lo", "ТА", "ne", "ви", "su", "Ра"};
  std::string word;
  const int n = 2 + static_cast<int>(random() % 4);
  for (int i = 0; i < n; ++i) word += kSyllables[random() % 10];
  return word;
}

struct TextLess {
  bool operator()(const std::string& a, const std::string& b) const { return bexlo::CompareText(a, b) < 0; }
};

volatile std::size_t sink;

}  // namespace

int main() {
  using bexlo::TStringList;
  std::mt19937 random(7);

  std::string text;
  for (int i = 0; i < 200000; ++i) text += "FIELD_" + std::to_string(i) + "=" + Word(random) + "\r\n";
  std::vector<std::string> words;
  for (int i = 0; i < 50000; ++i) words.push_back(Word(random));

  struct Case {
    const char* name;
    double ours, baseline;
  };
  std::vector<Case> cases;

  TStringList list;
  std::vector<std::string> vec;
  cases.push_back({"SetText 200k lines vs split into vector", Measure([&] { list.SetText(text); }), Measure([&] {
                     vec.clear();
                     std::size_t pos = 0;
                     while (pos < text.size()) {
                       const std::size_t end = text.find_first_of("\r\n", pos);
                       vec.emplace_back(text, pos, end - pos);
                       pos = end + (text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
                     }
                   })});
  cases.push_back({"Text of 200k lines vs join", Measure([&] { sink = list.Text().size(); }), Measure([&] {
                     std::string out;
                     for (const std::string& s : vec) {
                       out += s;
                       out += "\r\n";
                     }
                     sink = out.size();
                   })});

  cases.push_back({"sorted Add 50k words one by one vs std::set", Measure([&] {
                     TStringList sorted;
                     sorted.SetSorted(true);
                     for (const std::string& w : words) sorted.Add(w);
                     sink = static_cast<std::size_t>(sorted.Count());
                   }),
                   Measure([&] {
                     std::set<std::string, TextLess> set;
                     for (const std::string& w : words) set.insert(w);
                     sink = set.size();
                   })});

  TStringList wordList;
  for (const std::string& w : words) wordList.Add(w);
  cases.push_back({"sorted AddStrings 50k words vs std::set", Measure([&] {
                     TStringList sorted;
                     sorted.SetSorted(true);
                     sorted.AddStrings(wordList);
                     sink = static_cast<std::size_t>(sorted.Count());
                   }),
                   Measure([&] {
                     std::set<std::string, TextLess> set;
                     for (const std::string& w : words) set.insert(w);
                     sink = set.size();
                   })});

  TStringList values;
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int i = 0; i < 5000; ++i) {
    values.Add("FIELD_" + std::to_string(i) + "=" + words[static_cast<std::size_t>(i)]);
    pairs.emplace_back("FIELD_" + std::to_string(i), words[static_cast<std::size_t>(i)]);
  }
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i) names.push_back("field_" + std::to_string(random() % 5000));
  cases.push_back({"Values 2k lookups in 5k lines vs scan of pairs", Measure([&] {
                     std::size_t total = 0;
                     for (const std::string& n : names) total += values.Values(n).size();
                     sink = total;
                   }),
                   Measure([&] {
                     std::size_t total = 0;
                     for (const std::string& n : names) {
                       for (const auto& [name, value] : pairs) {
                         if (bexlo::SameText(name, n)) {
                           total += value.size();
                           break;
                         }
                       }
                     }
                     sink = total;
                   })});

  double ours = 0, baseline = 0;
  for (const Case& c : cases) {
    std::printf("%-50s ours %9.3f ms  baseline %9.3f ms  ratio %.2f\n", c.name, c.ours, c.baseline,
                c.ours / c.baseline);
    ours += c.ours;
    baseline += c.baseline;
  }
  std::printf("RATIO %.2f\n", ours / baseline);
  return 0;
}
