// Feeds arbitrary bytes to the string list readers (line splitting as LoadFromFile and Text use
// it, delimited text) and checks what they promise: nothing is lost on a round trip, no line
// holds a line break, a sorted list stays sorted and finds every line it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "util/strings.h"
#include "util/text.h"

using bexlo::TDuplicates;
using bexlo::TStringList;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void TextRoundTrip(std::string_view data) {
  TStringList list;
  list.SetText(data);
  for (const std::string& line : list) Check(line.find_first_of("\r\n") == std::string::npos);
  TStringList again;
  again.SetText(list.Text());
  Check(again.Equals(list));
  // Name-value lookups find a line at or before the one that holds the name.
  for (int i = 0; i < list.Count() && i < 64; ++i) {
    const std::string name = list.Names(i);
    if (!name.empty()) Check(list.IndexOfName(name) <= i);
  }
}

void DelimitedRoundTrip(std::string_view data, bool strict) {
  TStringList list;
  list.StrictDelimiter = strict;
  list.Delimiter = strict ? ';' : ',';
  list.SetDelimitedText(data);
  TStringList again;
  again.StrictDelimiter = strict;
  again.Delimiter = list.Delimiter;
  again.SetDelimitedText(list.DelimitedText());
  Check(again.Equals(list));
}

void SortedInvariants(std::string_view data, bool caseSensitive) {
  TStringList list;
  list.SetCaseSensitive(caseSensitive);
  list.SetSorted(true);
  list.SetDuplicates(TDuplicates::dupAccept);
  TStringList lines;
  lines.SetText(data);
  list.AddStrings(lines);
  Check(list.Count() == lines.Count());
  // Adding the lines one by one, with duplicates ignored, gives what one bulk add gives.
  TStringList single, bulk;
  for (TStringList* l : {&single, &bulk}) {
    l->SetCaseSensitive(caseSensitive);
    l->SetSorted(true);
  }
  for (const std::string& line : lines) single.Add(line);
  bulk.AddStrings(lines);
  Check(single.Equals(bulk));
  for (int i = 0; i < lines.Count(); ++i) Check(list.IndexOf(lines.Strings(i)) >= 0);
  auto compare = caseSensitive ? bexlo::CompareStr : bexlo::CompareText;
  for (int i = 1; i < list.Count(); ++i) Check(compare(list.Strings(i - 1), list.Strings(i)) <= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size > 1 << 16) return 0;
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  TextRoundTrip(data);
  DelimitedRoundTrip(data, false);
  DelimitedRoundTrip(data, true);
  SortedInvariants(data, false);
  SortedInvariants(data, true);
  return 0;
}
