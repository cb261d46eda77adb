// The record count of a grid's data set (Ctrl+F8): how many records and, for a numeric field,
// the sum of its values.
//
// A query without unposted changes is counted by its database: "select count(*), sum(F) from
// (QUERY)" with the query's parameters, so that a list of millions of rows is counted without
// fetching one of them and the grid keeps its place. Otherwise (edits or inserts not yet posted,
// cached updates pending, a record filter, a data set that is not a query, or a query the
// database cannot count this way) the records are walked as the grid sees them, with controls
// disabled and the current record kept.
#pragma once

#include <cstdint>
#include <string>

namespace bexlo {

class TDataSet;
class TField;

struct TRecordCount {
  std::int64_t Count = 0;
  bool HasSum = false;  // the field is numeric
  double Sum = 0;
  bool OnServer = false;  // counted by the database, not by walking
};

// Counts the records of an open data set; field (may be null) is the grid's selected field,
// summed when numeric. A closed data set counts as empty.
TRecordCount CountRecords(TDataSet& dataSet, const TField* field);

// Counts by walking every record (what CountRecords falls back to).
TRecordCount WalkRecordCount(TDataSet& dataSet, const TField* field);

// The message box text: for a numeric field "Sum on current field: " + the sum as currency
// (19 significant digits, 2 decimals) + CR LF; then "Lines count: " + the count.
std::string RecordCountMessage(const TRecordCount& count);

}  // namespace bexlo
