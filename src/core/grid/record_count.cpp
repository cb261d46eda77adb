#include "grid/record_count.h"

#include <memory>

#include "db/database.h"
#include "db/dialect.h"
#include "db/field.h"
#include "db/query.h"
#include "grid/sql_tokens.h"
#include "util/convert.h"
#include "util/exceptions.h"
#include "util/messages.h"

namespace bexlo {
namespace {

bool IsSummable(const TField* field) { return field != nullptr && IsNumericType(field->DataType()); }

// The query's text without a closing ";" (and what follows it), ready to be a sub-query.
std::string SubQueryText(std::string_view sql) {
  const std::vector<TSqlToken> tokens = TokenizeSql(sql);
  for (const TSqlToken& t : tokens) {
    if (t.Depth == 0 && t.Kind == TSqlTokenKind::Symbol && sql[t.Offset] == ';') {
      return std::string(sql.substr(0, t.Offset));
    }
  }
  return std::string(sql);
}

// Whether the database sees the same records as the data set: a query showing nothing that is
// not posted and filtering nothing on the client.
TQuery* ServerCountable(TDataSet& dataSet, const TField* field) {
  auto* query = dynamic_cast<TQuery*>(&dataSet);
  if (query == nullptr || query->State() != dsBrowse || query->UpdatesPending() ||
      query->Filtered() || query->Database() == nullptr) {
    return nullptr;
  }
  if (IsSummable(field) && field->FieldKind() != fkData) return nullptr;
  return query;
}

TRecordCount ServerRecordCount(TQuery& query, const TField* field) {
  const TDialect& dialect = query.Database()->Dialect();
  std::string sql = "select count(*)";
  if (IsSummable(field)) {
    // SQLite's sum() of integers stops with an overflow error; total() sums as floating numbers.
    const std::string column = dialect.QuoteIdentifier(field->FieldName());
    sql += dialect.Name() == "SQLite" ? ", total(" + column + ")" : ", sum(" + column + ")";
  }
  sql += " from (\n" + SubQueryText(query.SQLText()) + "\n) bexlo_count";
  TQuery count;
  count.SetDatabaseName(query.DatabaseName());
  count.SetParamCheck(query.ParamCheck());
  count.SetSQLText(sql);
  count.Params().AssignValues(query.Params());
  count.SetUniDirectional(true);
  count.Open();
  TRecordCount result;
  result.OnServer = true;
  result.Count = count.Fields(0)->AsInteger();
  if (IsSummable(field)) {
    result.HasSum = true;
    result.Sum = count.Fields(1)->IsNull() ? 0.0 : count.Fields(1)->AsFloat();
  }
  return result;
}

}  // namespace

TRecordCount WalkRecordCount(TDataSet& dataSet, const TField* field) {
  TRecordCount result;
  result.HasSum = IsSummable(field);
  if (!dataSet.Active()) return result;
  TBookmark mark = dataSet.GetBookmark();
  dataSet.DisableControls();
  try {
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
      ++result.Count;
      if (result.HasSum) result.Sum += field->AsFloat();
    }
    dataSet.GotoBookmark(mark);
  } catch (...) {
    dataSet.EnableControls();
    throw;
  }
  dataSet.FreeBookmark(mark);
  dataSet.EnableControls();
  return result;
}

TRecordCount CountRecords(TDataSet& dataSet, const TField* field) {
  if (!dataSet.Active()) return TRecordCount{0, IsSummable(field), 0, false};
  if (TQuery* query = ServerCountable(dataSet, field)) {
    try {
      return ServerRecordCount(*query, field);
    } catch (const EDatabaseError&) {
      // A statement the database cannot take as a sub-query: count what the grid reads.
    }
  }
  return WalkRecordCount(dataSet, field);
}

std::string RecordCountMessage(const TRecordCount& count) {
  std::string text;
  if (count.HasSum) {
    text += msg::SDsSumOnField;
    text += FloatToStrF(count.Sum, ffCurrency, 19, 2);
    text += "\r\n";
  }
  text += msg::SDsLinesCount;
  text += std::to_string(count.Count);
  return text;
}

}  // namespace bexlo
