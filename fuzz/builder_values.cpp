// Fuzzes what a user types into the query builder's window on its way into a query's text. The
// input is lines of typed values; the first byte of each line picks the field, the operator and
// whether an OR separator comes first; the rest of the line is typed into the value box (an
// "in list" operator takes the text's "|"-separated parts as the list of values). Checks:
// - the value box shows back what was typed (strings and dates), and the list of values its items;
// - the conditions either are refused with the builder's error, or become a query text that holds
//   only the query's own tokens, string literals, numbers, block markers and the templates' words
//   (values typed with "@" are raw SQL by design and are not typed here);
// - clearing the conditions gives the query text back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/query.h"
#include "grid/query_builder.h"
#include "grid/search_sql.h"
#include "sql_token_check.h"
#include "util/strings.h"

using namespace bexlo;

namespace {

const char* const kQuery = "SELECT ID, NAME, QTY, DT FROM T\r\nWHERE ID > 0\r\nORDER BY ID";

TQuery& Query() {
  static TQuery* query = [] {
    Session().AddAlias("fuzz_builder_values", "sqlite::memory:");
    TDatabase* db = Session().OpenDatabase("fuzz_builder_values");
    db->Execute("CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), QTY INTEGER, DT DATE)");
    auto* q = new TQuery();
    q->SetDatabaseName("fuzz_builder_values");
    q->SetSQLText("SELECT ID, NAME, QTY, DT FROM T");
    q->Open();
    return q;
  }();
  return *query;
}

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

std::vector<std::string> SplitBar(std::string_view s) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = s.find('|', start);
    parts.emplace_back(s.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) return parts;
    start = bar + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TStringList typed;
  typed.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  TQueryBuilder builder;
  builder.SetQuery(Query());
  const std::vector<TBuilderField>& fields = builder.Fields();

  for (int i = 0; i < typed.Count() && i < 16; ++i) {
    const std::string& line = typed.Strings(i);
    if (line.empty()) continue;
    const auto pick = static_cast<unsigned char>(line[0]);
    const std::string value = line.substr(1);
    if (!value.empty() && value.front() == '@') continue;  // raw SQL by design
    if (pick & 0x80) builder.AddOr();
    const TBuilderField& field = fields[pick % fields.size()];
    const int op = (pick / 4) % kBuilderOperatorCount;
    const int index = builder.AddCondition(field.Label);
    if (index < 0) continue;
    if (!builder.AddOperator(index, op)) continue;
    if (IsListOperator(op)) {
      const std::vector<std::string> items = SplitBar(value);
      builder.SetValueList(index, items);
      if (field.Kind != 'N' && builder.GetValueList(index) != items) Fail("list of values", value);
    } else if (!IsNullOperator(op)) {
      builder.SetEdit(index, value);
      if (field.Kind != 'N' && !builder.SearchField(value) && builder.GetEdit(index) != value) {
        Fail("value box", value + " -> " + builder.GetEdit(index));
      }
    }
  }

  static const SqlTokenCheck check(kQuery, {"ID", "NAME", "QTY", "DT"}, {"ID", "NAME", "QTY", "DT",
                                                                         std::string(kBuilderBlockName)});
  TBuilderOrderState order;
  std::string text;
  try {
    text = BuilderQueryText(builder, kQuery, "", order);
  } catch (const EBuilderError&) {
    return 0;
  }
  const std::string problem = check.Check(text);
  if (!problem.empty()) Fail(problem.c_str(), text);

  TQueryBuilder empty;
  empty.SetQuery(Query());
  if (BuilderQueryText(empty, text, "", order) != kQuery) Fail("not restored", text);
  return 0;
}
