// SearchPrim: where condition blocks go, how they are replaced and removed, and that values and
// words inside literals, comments, identifiers and sub-queries never steer it.
#include <gtest/gtest.h>

#include <string>

#include "db/dialect.h"
#include "grid/search_sql.h"
#include "grid/sql_tokens.h"
#include "util/format_settings.h"

namespace bexlo {
namespace {

std::string Block(const std::string& name, const std::string& condition) {
  return BeginMarker(name) + condition + EndMarker(name);
}

std::string Like(std::string_view sql, std::string_view value, std::string_view name = "NAME") {
  return SearchPrim(sql, kTplLike, value, name, "", "%", false);
}

std::string Remove(std::string_view sql, std::string_view name = "NAME") {
  return SearchPrim(sql, kTplLike, "", name, "", "", false);
}

TEST(SearchPrim, GoesFirstAfterAnExistingWhereAndComesOutAgainExactly) {
  const std::string sql = "select * from T where A = 1";
  const std::string r = Like(sql, "Smi");
  EXPECT_EQ(r, "select * from T where" + Block("NAME", "NAME like 'Smi%'") + "AND  A = 1");
  EXPECT_EQ(Remove(r), sql);
}

TEST(SearchPrim, WritesWhereBeforeOrderByAndRemovesItWithItsLineBreak) {
  const std::string sql = "select * from T order by NAME";
  const std::string r = Like(sql, "Smi");
  EXPECT_EQ(r, "select * from T \r\nWHERE" + Block("NAME", "NAME like 'Smi%'") + "order by NAME");
  EXPECT_EQ(Remove(r), sql);
  // A text ending in a line break (as query texts do) also comes back as it was.
  const std::string lines = "select *\r\nfrom T\r\n";
  EXPECT_EQ(Remove(Like(lines, "x")), lines);
}

TEST(SearchPrim, InsertingTwiceReplacesTheBlockAndBlocksComeOutInAnyOrder) {
  const std::string sql = "select * from T where A = 1 order by B";
  const std::string once = Like(sql, "S");
  const std::string twice = Like(once, "Smith");
  EXPECT_EQ(twice, Like(sql, "Smith"));
  EXPECT_EQ(twice.find("'S%'"), std::string::npos);

  const std::string noWhere = "select * from T";
  const std::string a = Like(noWhere, "a", "A");
  const std::string ab = Like(a, "b", "B");
  EXPECT_EQ(ab, "select * from T\r\nWHERE" + Block("B", "B like 'b%'") + "AND " +
                    Block("A", "A like 'a%'"));
  EXPECT_EQ(Remove(ab, "A"), Like(noWhere, "b", "B"));
  EXPECT_EQ(Remove(ab, "B"), a);
  EXPECT_EQ(Remove(Remove(ab, "A"), "B"), noWhere);
}

TEST(SearchPrim, RemovingABlockItDidNotWriteKeepsItsNeighboursApart) {
  const std::string written = "select ja/*Begin for N*/x/*End for N*/rd, 1-/*Begin for M*/x/*End for M*/-1";
  EXPECT_EQ(Remove(written, "N"), "select ja rd, 1-/*Begin for M*/x/*End for M*/-1");
  EXPECT_EQ(Remove(written, "M"), "select ja/*Begin for N*/x/*End for N*/rd, 1- -1");
}

TEST(SearchPrim, NothingToRemoveOrNowhereToGoLeavesTheTextAlone) {
  EXPECT_EQ(Remove("select * from T"), "");
  // A "/*RW*/" marker without a WHERE after it: nothing is inserted.
  EXPECT_EQ(Like("select * from T /*RW*/ order by A", "x"), "");
  // A Begin marker without its End, an unterminated literal or comment, a stray ")".
  EXPECT_EQ(Like("select * from T" + BeginMarker("NAME") + "x", "x"), "");
  EXPECT_EQ(Like("select * from T where A = 'open", "x"), "");
  EXPECT_EQ(Like("select * from T /* open", "x"), "");
  EXPECT_EQ(Like("select * from T where A = 1)", "x"), "");
  // Block names that would end or nest the marker comment.
  EXPECT_EQ(Like("select * from T", "x", "A*/B"), "");
  EXPECT_EQ(Like("select * from T", "x", "A/*B"), "");
  EXPECT_EQ(Like("select * from T", "x", "A/"), "");
  EXPECT_EQ(Like("select * from T", "x", ""), "");
}

TEST(SearchPrim, GroupByWithoutMarkerUsesHavingAndWithMarkerTheWhereAfterIt) {
  const std::string grouped = "select A, count(*) from T where B = 1 group by A order by A";
  EXPECT_EQ(Like(grouped, "x", "A"), "select A, count(*) from T where B = 1 group by A \r\nHAVING" +
                                         Block("A", "A like 'x%'") + "order by A");
  const std::string having = "select A from T group by A having count(*) > 1";
  EXPECT_EQ(Like(having, "x", "A"),
            "select A from T group by A having" + Block("A", "A like 'x%'") + "AND  count(*) > 1");

  const std::string marked = "select A, count(*) from T /*RW*/ where B = 1 group by A";
  EXPECT_EQ(Like(marked, "x", "A"), "select A, count(*) from T /*RW*/ where" +
                                        Block("A", "A like 'x%'") + "AND  B = 1 group by A");
  // The marker may stand inside a sub-query: the WHERE after it at its own depth is the one.
  const std::string inner = "select * from (select * from T /*rw*/ where X = 1) s where Y = 2";
  EXPECT_EQ(Like(inner, "x", "X"), "select * from (select * from T /*rw*/ where" +
                                       Block("X", "X like 'x%'") + "AND  X = 1) s where Y = 2");
  // ... but not one after its closing parenthesis.
  EXPECT_EQ(Like("select * from (select * from T /*RW*/) s where Y = 2", "x"), "");
}

TEST(SearchPrim, UnionTailComesBackUnchanged) {
  const std::string sql = "select A from T union all select A from U where B = 1 order by 1";
  const std::string r = Like(sql, "x", "A");
  EXPECT_EQ(r, "select A from T \r\nWHERE" + Block("A", "A like 'x%'") +
                   "union all select A from U where B = 1 order by 1");
  EXPECT_EQ(Remove(r, "A"), sql);
  // With the marker the conditions go where it says, union or not.
  const std::string marked = "select A from T union select A from U /*RW*/ where B = 1";
  EXPECT_EQ(Like(marked, "x", "A"), "select A from T union select A from U /*RW*/ where" +
                                        Block("A", "A like 'x%'") + "AND  B = 1");
}

TEST(SearchPrim, KeywordsInsideLiteralsCommentsNamesAndSubQueriesDoNotCount) {
  // "ORDER BY" in a literal, "GROUP BY" in comments, ORDER_BYTES as a name.
  const std::string sql =
      "select ORDER_BYTES, \"order by\" from T -- group by X\r\n/* union where */ "
      "where N = 'order by union' order by ORDER_BYTES";
  EXPECT_EQ(Like(sql, "x", "N"),
            "select ORDER_BYTES, \"order by\" from T -- group by X\r\n/* union where */ where" +
                Block("N", "N like 'x%'") + "AND  N = 'order by union' order by ORDER_BYTES");
  // WHERE, GROUP BY and UNION inside a sub-query are not the main query's.
  const std::string sub =
      "select * from T where A in (select B from U where C = 1 group by B union select 1)";
  EXPECT_EQ(Like(sub, "x", "A"), "select * from T where" + Block("A", "A like 'x%'") +
                                     "AND  A in (select B from U where C = 1 group by B union select 1)");
  const std::string from = "select * from (select A from T where B = 1) s order by A";
  EXPECT_EQ(Like(from, "x", "A"), "select * from (select A from T where B = 1) s \r\nWHERE" +
                                      Block("A", "A like 'x%'") + "order by A");
  // Clause words elsewhere in the statement: LIMIT, a closing ";".
  EXPECT_EQ(Like("select limit_x from T limit 10", "x", "A"),
            "select limit_x from T \r\nWHERE" + Block("A", "A like 'x%'") + "limit 10");
  EXPECT_EQ(Like("select * from T;", "x", "A"), "select * from T\r\nWHERE" + Block("A", "A like 'x%'") + ";");
}

TEST(SearchPrim, ValuesStayInsideTheirLiteral) {
  const std::string sql = "select * from T order by NAME";
  const std::string r = Like(sql, "O'Brien");
  EXPECT_NE(r.find("NAME like 'O''Brien%'"), std::string::npos);
  // A value that looks like SQL or like the block's own markers changes nothing around it, and
  // the block still comes out whole.
  for (const std::string& value : {std::string("x' or 1=1 --"), std::string("*/ union select 1 /*"),
                                  "a" + EndMarker("NAME") + "AND ", std::string("%S %F %FLD")}) {
    const std::string put = Like(sql, value);
    ASSERT_FALSE(put.empty()) << value;
    int literals = 0;
    for (const TSqlToken& t : TokenizeSql(put)) {
      if (t.Kind == TSqlTokenKind::String) {
        ++literals;
        EXPECT_EQ(UnquoteSqlString(t.Text(put)), value + "%");
      }
    }
    EXPECT_EQ(literals, 1) << value;
    EXPECT_EQ(Remove(put), sql) << value;
  }
}

TEST(SearchPrim, MacrosAndParameterMode) {
  EXPECT_EQ(ReplaceMacros("%fld = %f", "12", "QTY", "", "", false), "QTY = 12");
  EXPECT_EQ(ReplaceMacros("%FLD like %S", "a", "NAME", "%", "%", false), "NAME like '%a%'");
  EXPECT_EQ(ReplaceMacros("%fld = %d", "2024-01-31", "D", "", "", false), "D = '2024-01-31'");
  EXPECT_EQ(ReplaceMacros("%Note", "(A = 1 OR\r\nA = 2)", "X", "", "", false), "(A = 1 OR\r\nA = 2)");
  // %F writes numbers only; anything else (a search edit's text) becomes a literal.
  EXPECT_EQ(ReplaceMacros("%fld = %f", "-1.5", "Q", "", "", false), "Q = -1.5");
  EXPECT_EQ(ReplaceMacros("%fld = %f", "1 or 1=1", "Q", "", "", false), "Q = '1 or 1=1'");
  EXPECT_EQ(ReplaceMacros("%fld = %f", "1.", "Q", "", "", false), "Q = '1.'");
  // Text brought in by a value is not searched again.
  EXPECT_EQ(ReplaceMacros("%fld = %f", "%fld", "Q", "", "", false), "Q = '%fld'");
  EXPECT_EQ(ReplaceMacros("%fld = %d", "%s", "Q", "", "", false), "Q = '%s'");
  // Parameter mode: the reference for every value macro, no quotes and no wildcards.
  EXPECT_EQ(ReplaceMacros("%fld like %s", "Smi", "NAME", "%", "%", true), "NAME like :_NAME");
  EXPECT_EQ(ReplaceMacros("%fld = %d", "x", "T.D", "", "", true), "T.D = :\"_T.D\"");
  EXPECT_EQ(SearchPrim("select * from T", kTplLike, "Smi", "NAME", "", "%", true),
            "select * from T\r\nWHERE" + Block("NAME", "NAME like :_NAME"));
  // Names that are not plain identifiers are quoted.
  EXPECT_EQ(SqlFieldName("T.NAME"), "T.NAME");
  EXPECT_EQ(SqlFieldName("first name"), "\"first name\"");
  EXPECT_EQ(SqlFieldName("order"), "\"order\"");
  EXPECT_EQ(SqlFieldName("a\"b"), "\"a\"\"b\"");
  // PostgreSQL folds unquoted names: a name in mixed case is quoted, per part of a dotted name;
  // SQLite compares names without case and keeps it.
  const TDialect& pg = PostgresDialect();
  EXPECT_EQ(SqlFieldName("OrderDate", &pg), "\"OrderDate\"");
  EXPECT_EQ(SqlFieldName("o.OrderDate", &pg), "o.\"OrderDate\"");
  EXPECT_EQ(SqlFieldName("NAME", &pg), "NAME");
  EXPECT_EQ(SqlFieldName("order_date", &pg), "order_date");
  EXPECT_EQ(SqlFieldName("\"OrderDate\"", &pg), "\"OrderDate\"");
  EXPECT_EQ(SqlFieldName("Order Date", &pg), "\"Order Date\"");
  EXPECT_EQ(SqlFieldName("OrderDate", &SqliteDialect()), "OrderDate");
  EXPECT_EQ(ReplaceMacros("%fld = %d", "2024-03-12", "OrderDate", "", "", false, &pg),
            "\"OrderDate\" = '2024-03-12'");
}

TEST(SearchDates, ShortDateFormatsAsTheEnginesRenderThem) {
  TFormatSettings fs = DefaultFormatSettings();
  std::vector<TDatePart> parts;
  ASSERT_TRUE(ShortDateParts(fs, parts));
  EXPECT_EQ(SqliteDialect().DateText("D", parts), "strftime('%d/%m/%Y', D)");
  EXPECT_EQ(PostgresDialect().DateText("D", parts), "to_char(D, 'DD\"/\"MM\"/\"YYYY')");
  // "/" is the locale's separator; unpadded parts and two-digit years; quoted text.
  fs.ShortDateFormat = "d/m/yy 'r.'";
  fs.DateSeparator = ".";
  ASSERT_TRUE(ShortDateParts(fs, parts));
  EXPECT_EQ(SqliteDialect().DateText("D", parts),
            "ltrim(strftime('%d', D), '0') || strftime('.', D) || ltrim(strftime('%m', D), '0') || "
            "strftime('.', D) || substr(strftime('%Y', D), 3, 2) || strftime(' r.', D)");
  EXPECT_EQ(PostgresDialect().DateText("D", parts), "to_char(D, 'FMDD\".\"FMMM\".\"YY\" r.\"')");
  // Text with quotes or "%" stays text on both engines.
  fs.ShortDateFormat = "yyyy\"%'\"mm";
  ASSERT_TRUE(ShortDateParts(fs, parts));
  EXPECT_EQ(SqliteDialect().DateText("D", parts), "strftime('%Y%%''%m', D)");
  EXPECT_EQ(PostgresDialect().DateText("D", parts), "to_char(D, 'YYYY\"%''\"MM')");
  // Names of days and months, times: not a format SQL renders alike.
  fs.ShortDateFormat = "dd mmm yyyy";
  EXPECT_FALSE(ShortDateParts(fs, parts));
  fs.ShortDateFormat = "dd/mm/yyyy hh";
  EXPECT_FALSE(ShortDateParts(fs, parts));
  fs.ShortDateFormat = "'unclosed";
  EXPECT_FALSE(ShortDateParts(fs, parts));
}

TEST(SqlTokens, LiteralsCommentsMarkersAndDepth) {
  const std::string sql =
      "select 'it''s' , E'a\\'b', $x$ where $x$, \"q\"\"n\", [b c] /*RW*/ /*Begin for A B*/ "
      "-- c\r\n(x) :p ?1 $2 1.5e3";
  const std::vector<TSqlToken> tokens = TokenizeSql(sql);
  std::size_t total = 0;
  std::vector<std::string> code;
  for (const TSqlToken& t : tokens) {
    total += t.Length;
    if (t.Kind != TSqlTokenKind::Space) code.emplace_back(t.Text(sql));
  }
  EXPECT_EQ(total, sql.size());
  EXPECT_EQ(code, (std::vector<std::string>{"select", "'it''s'", ",", "E'a\\'b'", ",", "$x$ where $x$",
                                            ",", "\"q\"\"n\"", ",", "[b c]", "/*RW*/",
                                            "/*Begin for A B*/", "-- c", "(", "x", ")", ":p",
                                            "?1", "$2", "1.5e3"}));
  const auto marker = std::find_if(tokens.begin(), tokens.end(), [](const TSqlToken& t) {
    return t.Kind == TSqlTokenKind::BeginMarker;
  });
  ASSERT_NE(marker, tokens.end());
  EXPECT_EQ(MarkerBlockName(sql, *marker), "A B");
  const auto x = std::find_if(tokens.begin(), tokens.end(),
                              [&](const TSqlToken& t) { return t.Text(sql) == "x"; });
  EXPECT_EQ(x->Depth, 1);
  EXPECT_FALSE(IsSqlTextDamaged(sql, tokens));
  // Engines disagree whether comments nest: such a comment counts as damage.
  const std::string nested = "select 1 /* a /* b */";
  EXPECT_TRUE(IsSqlTextDamaged(nested, TokenizeSql(nested)));
  EXPECT_EQ(UnquoteSqlString(QuoteSqlString("O'Brien ''")), "O'Brien ''");
}

}  // namespace
}  // namespace bexlo
