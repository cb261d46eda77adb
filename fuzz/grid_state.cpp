// Fuzzes grid state files and query-builder lines on their way into a grid's query text. The
// input is .GRD file text, then a zero byte, then more builder lines (one per line). Checks:
// - the file reads without failing, and what it holds writes and reads back the same;
// - its search and choice lines pass the typed-value checks, its builder lines and ordering go
//   through the builder, and the resulting query text holds only the query's own tokens, string
//   literals, numbers, block markers and the templates' words (unless the builder lines hold raw
//   "@" values or "#" SQL, which are SQL by design);
// - clearing the search values, the builder lines and the ordering gives the query text back
//   byte for byte, raw SQL or not.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "db/database.h"
#include "db/query.h"
#include "grid/grid_state.h"
#include "grid/grid_state_file.h"
#include "grid/query_builder.h"
#include "grid/search_sql.h"
#include "sql_token_check.h"
#include "util/strings.h"

using namespace bexlo;

namespace {

const char* const kQueries[] = {
    "SELECT ID, NAME, QTY, DT FROM T\r\nWHERE ID > 0\r\nORDER BY ID",
    "SELECT ID, NAME, QTY, DT FROM T",
    "SELECT ID, NAME, QTY, DT FROM T /*RW*/ WHERE (ID > 0) ORDER BY NAME DESC, ID",
    "SELECT ID, NAME, QTY, DT FROM T WHERE NAME <> 'WHERE x ORDER BY'\r\nUNION\r\nSELECT ID, NAME, QTY, DT FROM T",
};

// The query whose fields the search lines and builder lines are checked against: an in-memory
// SQLite table, opened once.
TQuery& Query() {
  static TQuery* query = [] {
    Session().AddAlias("fuzz_grid_state", "sqlite::memory:");
    TDatabase* db = Session().OpenDatabase("fuzz_grid_state");
    db->Execute("CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), QTY INTEGER, DT DATE)");
    auto* q = new TQuery();
    q->SetDatabaseName("fuzz_grid_state");
    q->SetSQLText("SELECT ID, NAME, QTY, DT FROM T");
    q->Open();
    return q;
  }();
  return *query;
}

bool HasRawSql(const TStrings& lines) {
  if (IsBuilderRaw(lines)) return true;
  for (int i = 0; i < lines.Count(); ++i) {
    const TBuilderLine line = ParseBuilderLine(lines.Strings(i));
    const std::string_view v = TrimView(line.Value);
    if (!v.empty() && v.front() == '@') return true;
  }
  return false;
}

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t zero = input.find('\0');
  const std::string_view fileText = input.substr(0, zero);
  const std::string_view extra = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);
  TQuery& query = Query();
  const std::string sql = kQueries[size % std::size(kQueries)];

  // The file and its round trip.
  const TGridStateFile file = ReadGridStateText(fileText);
  const TGridStateFile back = ReadGridStateText(WriteGridStateText(file.State));
  if (!(back.State == file.State) || back.DeleteMark) Fail("round trip", std::string(fileText));

  // Loading into the query's text.
  TStringList search;
  for (const std::string& l : CheckStateSearchLines(query, file.State.Search, nullptr)) search.Add(l);
  CheckStateChoiceLines(query, file.State.Choice, nullptr);
  TStringList builderLines;
  for (const std::string& l : file.State.Build) builderLines.Add(l);
  TStringList more;
  more.SetText(extra);
  builderLines.AddStrings(more);

  std::string text = GetSearchSQL(query, sql, search, nullptr, false);
  TQueryBuilder builder;
  builder.SetQuery(query);
  builder.SetListBox(builderLines);
  const bool raw = HasRawSql(builderLines);
  TBuilderOrderState order;
  std::string orderText;
  std::string ordering;
  for (const std::string& l : file.State.Order) ordering += l + " ";
  try {
    orderText = CheckBuilderOrder(builder, ordering);
  } catch (const EBuilderError&) {
  }
  try {
    text = BuilderQueryText(builder, text, orderText, order);
  } catch (const EBuilderError&) {
    text = ApplyBuilderOrder(text, orderText, order);
  }

  static const SqlTokenCheck* checks[std::size(kQueries)] = {};
  const std::size_t qi = size % std::size(kQueries);
  if (checks[qi] == nullptr) {
    checks[qi] = new SqlTokenCheck(sql, {"ID", "NAME", "QTY", "DT"},
                                   {"ID", "NAME", "QTY", "DT", std::string(kBuilderBlockName)});
  }
  if (!raw) {
    const std::string problem = checks[qi]->Check(text);
    if (!problem.empty()) Fail(problem.c_str(), text);
  }

  // Clearing gives the text back.
  ClearSearchList(search);
  text = GetSearchSQL(query, text, search, nullptr, false);
  TQueryBuilder empty;
  empty.SetQuery(query);
  text = BuilderQueryText(empty, text, "", order);
  if (text != sql) Fail("not restored", text);
  return 0;
}
