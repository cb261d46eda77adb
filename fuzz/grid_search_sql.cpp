// Fuzzes the grid's SQL splicing: arbitrary query texts, values, wildcards, block names, search
// lines and choice keys through SearchPrim, GetSearchSQL and SetChoiceWhereList. Whatever comes
// in, the SQL code of the result (its tokens outside string literals, comments included) is the
// query's plus the template's: a value can only ever end up inside a literal, or as a number
// where the field is numeric. A block that SearchPrim put into a text without one comes out again
// leaving the text exactly as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "db/db.h"
#include "fuzz_reader.h"
#include "grid/search_sql.h"
#include "grid/sql_tokens.h"
#include "util/format_settings.h"
#include "util/strings.h"

using namespace bexlo;

namespace {

struct Fixture {
  TQuery query;
  Fixture() {
    Session().AddAlias("fuzzgrid", "sqlite::memory:");
    Session().OpenDatabase("fuzzgrid")->Execute(
        "CREATE TABLE t (id INTEGER, name VARCHAR(20), amount NUMERIC(10,2), born DATE, "
        "\"odd name\" VARCHAR(5), \"bad*/name\" VARCHAR(5), \"or\" INTEGER, m CLOB)");
    query.SetDatabaseName("fuzzgrid");
    query.SetSQLText("select * from t");
    query.Open();
  }
};

const char* const kFields[] = {"id", "name", "amount", "born", "odd name", "bad*/name",
                               "or", "m", "t.name", "missing", ""};

// Counts of the tokens that are SQL code or comments, by text; literals are not counted (a
// number is counted as "#" when numbers are allowed to come from values).
using Counts = std::map<std::string, int>;

void AddTokens(Counts& counts, std::string_view sql, bool numbersAsClass, int times = 1) {
  for (const TSqlToken& t : TokenizeSql(sql)) {
    if (t.Kind == TSqlTokenKind::Space || t.Kind == TSqlTokenKind::String) continue;
    std::string key(t.Text(sql));
    if (numbersAsClass && t.Kind == TSqlTokenKind::Number) key = "#";
    counts[key] += times;
  }
}

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "grid_search_sql: %s\n", what);
    std::abort();
  }
}

// Every code token of result is allowed: it is one of the query's or of the allowance.
void CheckTokens(std::string_view query, std::string_view result, const Counts& allowance,
                 bool numbersAsClass) {
  if (result.empty()) return;
  Counts allowed = allowance;
  AddTokens(allowed, query, numbersAsClass);
  Counts found;
  AddTokens(found, result, numbersAsClass);
  for (const auto& [text, n] : found) {
    const auto it = allowed.find(text);
    if (it == allowed.end() || n > it->second) {
      fprintf(stderr, "token \"%s\" x%d not allowed\n", text.c_str(), n);
      Check(false, "a value changed the structure of the SQL");
    }
  }
}

// The tokens a condition block of this template may bring, for `times` blocks.
void AllowBlock(Counts& allowance, std::string_view tpl, std::string_view field, int times) {
  AddTokens(allowance, ReplaceMacros(tpl, "", field, "", "", false), true, times);
  AddTokens(allowance, ReplaceMacros(tpl, "", field, "", "", true), true, times);
  AddTokens(allowance, BeginMarker(field) + EndMarker(field), true, times);
  AddTokens(allowance, "WHERE HAVING AND", true, times);
}

bool HasBlock(std::string_view sql, std::string_view name) {
  for (const TSqlToken& t : TokenizeSql(sql)) {
    if (t.Kind == TSqlTokenKind::BeginMarker && MarkerBlockName(sql, t) == name) return true;
  }
  return false;
}

void FuzzSearchPrim(FuzzReader& in, const std::string& sql) {
  const std::string value = in.Text();
  const std::string name = in.Text();
  const std::string lw = in.Text();
  const std::string rw = in.Text();
  const bool asParam = (in.Byte() & 1) != 0;
  const std::string_view templates[] = {kTplLike, kTplDateEq, kTplNumberEq, kTplSearchEdit};
  const std::string_view tpl = templates[value.size() % std::size(templates)];
  const std::string r = SearchPrim(sql, tpl, value, name, lw, rw, asParam);
  Counts allowance;
  AllowBlock(allowance, tpl, name, 1);
  AddTokens(allowance, "- #", true);  // %F writes a number as it stands
  CheckTokens(sql, r, allowance, true);
  if (!r.empty() && !value.empty()) {
    Check(HasBlock(r, name), "the block is not in the result");
    if (!HasBlock(sql, name)) {
      Check(SearchPrim(r, tpl, "", name, "", "", false) == sql, "removing the block changed the text");
    }
  }
}

void FuzzGetSearchSQL(FuzzReader& in, TQuery& query, const std::string& sql) {
  TStringList search;
  Counts allowance;
  const int lines = in.Byte() % 4 + 1;
  for (int i = 0; i < lines; ++i) {
    const char* field = kFields[in.Byte() % std::size(kFields)];
    std::string value = in.Text();
    search.Add(std::string(field) + "=" + value);
    AllowBlock(allowance, kTplLike, field, 1);
    AllowBlock(allowance, kTplLikeText, field, 1);
    AllowBlock(allowance, kTplNumberEq, field, 1);
    AddTokens(allowance, "- #", true);
    // A partial date: the engine renders the field in the user's date format and compares.
    std::vector<TDatePart> parts;
    if (const TDialect* dialect = SearchDialect(&query); dialect != nullptr && ShortDateParts(FormatSettings(), parts)) {
      AddTokens(allowance, dialect->DateText(SqlFieldName(field, dialect), parts) + " like :_x", true);
    }
  }
  TParams params;
  const bool asParams = (in.Byte() & 1) != 0;
  const std::string r = GetSearchSQL(query, sql, search, &params, asParams);
  CheckTokens(sql, r, allowance, true);
}

void FuzzChoice(FuzzReader& in, TQuery& query, const std::string& sql) {
  TStringList choice;
  Counts allowance;
  const int lines = in.Byte() % 4 + 1;
  for (int i = 0; i < lines; ++i) {
    const char* field = kFields[in.Byte() % std::size(kFields)];
    choice.Add(std::string(field) + "=" + in.Text());
    AddTokens(allowance, SqlFieldName(field) + " = # OR - ", true);
  }
  AddTokens(allowance, "NOT ( )", true);
  TStringList where;
  SetChoiceWhereList(choice, &query, (in.Byte() & 1) != 0, where);
  std::string condition;
  for (const std::string& line : where) condition += line + "\r\n";
  CheckTokens("", condition, allowance, true);
  AllowBlock(allowance, kTplNote, kChoiceBlockName, 1);
  CheckTokens(sql, SearchPrim(sql, kTplNote, condition, kChoiceBlockName, "", "", false), allowance,
              true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  FuzzReader in(data, size);
  const int mode = in.Byte() % 3;
  std::string sql = in.Text();
  sql += in.Text();  // query texts up to 510 bytes
  switch (mode) {
    case 0: FuzzSearchPrim(in, sql); break;
    case 1: FuzzGetSearchSQL(in, fixture.query, sql); break;
    default: FuzzChoice(in, fixture.query, sql); break;
  }
  return 0;
}
