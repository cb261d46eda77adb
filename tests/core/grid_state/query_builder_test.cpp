#include "grid/query_builder.h"

#include <gtest/gtest.h>

#include "grid/search_sql.h"
#include "grid/sql_tokens.h"
#include "util/format_settings.h"
#include "util/messages.h"
#include "util/strings.h"

namespace bexlo {
namespace {

// NAME string, QTY number, DT date, PRICE number labelled "Unit|price", MEMO of kind "U".
void Fill(TQueryBuilder& b) {
  b.SetFields({{"NAME", "NAME", 'S'},
               {"QTY", "QTY", 'N'},
               {"DT", "DT", 'D'},
               {"Unit_price", "PRICE", 'N'},
               {"CITY", "CITY", 'S'},
               {"BLOB", "BLOB", 'U'}});
}

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

std::vector<std::string> Where(TQueryBuilder& b, std::initializer_list<const char*> lines) {
  TStringList in;
  for (const char* l : lines) in.Add(l);
  b.SetListBox(in);
  TStringList w;
  b.SetWhereList(w);
  return Lines(w);
}

std::string WhereError(TQueryBuilder& b, std::initializer_list<const char*> lines) {
  try {
    Where(b, lines);
  } catch (const EBuilderError& e) {
    return e.Message();
  }
  return "(no error)";
}

using V = std::vector<std::string>;

TEST(QueryBuilderWhere, WorkedExampleGroupsAndGroupsJoinedByOr) {
  TQueryBuilder b;
  Fill(b);
  EXPECT_EQ(Where(b, {"NAME like to 'A%'", "QTY > 5", "-- OR --", "DT = '01/02/2024'"}),
            (V{"(", "((NAME LIKE 'A%') AND", "(QTY > 5)) OR", "((DT = '2024-02-01'))", ")"}));
  // One group of one line; a condition on a field whose label was cleaned.
  EXPECT_EQ(Where(b, {"Unit_price <= 2.5"}), (V{"(", "((PRICE <= 2.5))", ")"}));
}

TEST(QueryBuilderWhere, SeparatorsAndIncompleteLines) {
  TQueryBuilder b;
  Fill(b);
  // Only a separator: nothing; a trailing separator is dropped from the list.
  EXPECT_TRUE(Where(b, {"-- OR --"}).empty());
  EXPECT_EQ(Where(b, {"QTY = 1", "-- OR --"}), (V{"(", "((QTY = 1))", ")"}));
  EXPECT_EQ(Lines(b.Conditions()), (V{"QTY = 1"}));
  // Two separators in a row make one OR; a leading one is skipped.
  EXPECT_EQ(Where(b, {"-- OR --", "QTY = 1", "-- OR --", "-- OR --", "QTY = 2"}),
            (V{"(", "((QTY = 1)) OR", "((QTY = 2))", ")"}));
  // Lines without an operator, without a value, of unknown or "U" fields are deleted and
  // skipped, also when they end a group or the list.
  EXPECT_EQ(Where(b, {"QTY = 1", "NAME", "QTY > ", "GONE = 3", "-- OR --", "BLOB = 'x'", "QTY = 2", "NAME = "}),
            (V{"(", "((QTY = 1)) OR", "((QTY = 2))", ")"}));
  EXPECT_EQ(Lines(b.Conditions()), (V{"QTY = 1", "-- OR --", "QTY = 2"}));
  // The null operators need no value, with or without their last blank.
  EXPECT_EQ(Where(b, {"NAME null ", "DT not null"}),
            (V{"(", "((NAME IS NULL ) AND", "(DT IS NOT NULL ))", ")"}));
}

TEST(QueryBuilderWhere, StringValuesNeverChangeTheStructure) {
  TQueryBuilder b;
  Fill(b);
  b.SetListBox(TStringList());
  b.Conditions().Add("NAME");
  ASSERT_TRUE(b.AddOperator(0, boEqual));
  b.SetEdit(0, "O'Brien') OR (1=1");
  EXPECT_EQ(b.Conditions().Strings(0), "NAME = 'O''Brien'') OR (1=1'");
  EXPECT_EQ(b.GetEdit(0), "O'Brien') OR (1=1");
  TStringList w;
  b.SetWhereList(w);
  EXPECT_EQ(Lines(w), (V{"(", "((NAME = 'O''Brien'') OR (1=1'))", ")"}));
  // A line written by an older program with a lone quote inside is read as the text between its
  // outer quotes and written escaped.
  EXPECT_EQ(Where(b, {"NAME = 'O'Brien'"}), (V{"(", "((NAME = 'O''Brien'))", ")"}));
  // A string value that is not quoted is refused, not written as SQL.
  EXPECT_EQ(WhereError(b, {"NAME = 1 OR 1=1"}),
            "Condition \"NAME = 1 OR 1=1\": the value must be text in single quotes");
}

TEST(QueryBuilderWhere, LabelEndsAtFirstBlankAndTheOperatorFollowsIt) {
  TQueryBuilder b;
  Fill(b);
  // The value holds " = " and " > ": the line still splits after the label.
  EXPECT_EQ(Where(b, {"NAME like to 'a = b > c'"}), (V{"(", "((NAME LIKE 'a = b > c'))", ")"}));
  const TBuilderLine line = ParseBuilderLine("NAME not like to ' in list '");
  EXPECT_EQ(line.Label, "NAME");
  EXPECT_EQ(line.Operator, boNotLike);
  EXPECT_EQ(line.Value, "' in list '");
  // " >= " is not read as " > " followed by "= ...".
  EXPECT_EQ(ParseBuilderLine("QTY >= 3").Operator, boGreaterEqual);
  EXPECT_EQ(ParseBuilderLine("QTY <> 3").Operator, boNotEqual);
  // An operator that does not follow the label directly is no operator: the line is dropped.
  EXPECT_EQ(ParseBuilderLine("QTY x = 3").Operator, boNone);
  EXPECT_TRUE(Where(b, {"QTY x = 3"}).empty());
}

TEST(QueryBuilderWhere, NumbersMustReadAsNumbers) {
  TQueryBuilder b;
  Fill(b);
  b.SetListBox(TStringList());
  b.Conditions().Add("QTY");
  ASSERT_TRUE(b.AddOperator(0, boEqual));
  // The clean-up keeps "E", "e" and "-" anywhere; what it leaves must still read as a number.
  b.SetEdit(0, "12; DELETE --");
  EXPECT_EQ(b.Conditions().Strings(0), "QTY = 12EEE--");
  TStringList w;
  try {
    b.SetWhereList(w);
    FAIL() << "12EEE-- accepted";
  } catch (const EBuilderError& e) {
    EXPECT_EQ(e.Message(), "Condition \"QTY = 12EEE--\": \"12EEE--\" is not a number");
  }
  EXPECT_EQ(w.Count(), 0);
  EXPECT_EQ(Where(b, {"QTY = -3E2", "QTY <> 1.5e-3", "QTY < 7."}),
            (V{"(", "((QTY = -3E2) AND", "(QTY <> 1.5E-3) AND", "(QTY < 7))", ")"}));
  for (const char* bad : {"QTY = -", "QTY = 1.2.3", "QTY = 1E", "QTY = E5", "QTY = 1-2"}) {
    EXPECT_NE(WhereError(b, {bad}).find("is not a number"), std::string::npos) << bad;
  }
  EXPECT_EQ(BuilderNumber(" 42 ", FormatSettings()), "42");
}

TEST(QueryBuilderWhere, DatesPerInListItemAndNoneForNullOperators) {
  TQueryBuilder b;
  Fill(b);
  EXPECT_EQ(Where(b, {"DT in list ('01/02/2024','03/04/2024')", "DT null ", "DT not null "}),
            (V{"(", "((DT IN ('2024-02-01','2024-04-03')) AND", "(DT IS NULL ) AND",
               "(DT IS NOT NULL ))", ")"}));
  EXPECT_EQ(WhereError(b, {"DT not in list ('01/02/2024','31/02/2024')"}),
            "Condition \"DT not in list ('01/02/2024','31/02/2024')\": \"31/02/2024\" is not a date");
  EXPECT_EQ(WhereError(b, {"DT = 'tomorrow'"}), "Condition \"DT = 'tomorrow'\": \"tomorrow\" is not a date");
  // A value after a null operator is refused rather than written as SQL.
  EXPECT_EQ(WhereError(b, {"DT null OR 1=1"}), "Condition \"DT null OR 1=1\": the operator takes no value");
}

TEST(QueryBuilderWhere, InLists) {
  TQueryBuilder b;
  Fill(b);
  b.SetListBox(TStringList());
  b.Conditions().Add("NAME");
  ASSERT_TRUE(b.AddOperator(0, boInList));
  EXPECT_TRUE(b.ListEditable(0));
  EXPECT_FALSE(b.ValueEditable(0));
  b.SetValueList(0, {"a,b", "O'Brien"});
  EXPECT_EQ(b.Conditions().Strings(0), "NAME in list ('a,b','O''Brien')");
  EXPECT_EQ(b.GetValueList(0), (V{"a,b", "O'Brien"}));
  TStringList w;
  b.SetWhereList(w);
  EXPECT_EQ(Lines(w), (V{"(", "((NAME IN ('a,b','O''Brien')))", ")"}));
  EXPECT_EQ(Where(b, {"QTY not in list (1, -2,3E1)"}), (V{"(", "((QTY NOT IN (1,-2,3E1)))", ")"}));
  EXPECT_NE(WhereError(b, {"QTY in list (1,2);DROP"}).find("list of values"), std::string::npos);
  EXPECT_NE(WhereError(b, {"NAME in list ('a',b)"}).find("list of values"), std::string::npos);
  EXPECT_NE(WhereError(b, {"QTY in list (1,x)"}).find("\"x\" is not a number"), std::string::npos);
  EXPECT_NE(WhereError(b, {"QTY in list ()"}).find("list of values"), std::string::npos);
}

TEST(QueryBuilderWhere, FieldsAndRawValues) {
  TQueryBuilder b;
  Fill(b);
  b.SetListBox(TStringList());
  b.Conditions().Add("NAME");
  ASSERT_TRUE(b.AddOperator(0, boNotEqual));
  EXPECT_FALSE(b.SetFieldValue(0, "QTY"));  // kinds differ
  ASSERT_TRUE(b.SetFieldValue(0, "CITY"));
  EXPECT_FALSE(b.SetFieldValue(0, "CITY"));  // has a value already
  EXPECT_EQ(b.GetEdit(0), "CITY");
  // An "@" value is written raw without the "@", and shown with it, not stripped.
  b.Conditions().Add("NAME");
  ASSERT_TRUE(b.AddOperator(1, boEqual));
  b.SetEdit(1, "@upper('x')");
  EXPECT_EQ(b.Conditions().Strings(1), "NAME = @upper('x')");
  EXPECT_EQ(b.GetEdit(1), "@upper('x')");
  b.Conditions().Add("DT");
  ASSERT_TRUE(b.AddOperator(2, boGreater));
  b.SetEdit(2, "@CURRENT_DATE");
  EXPECT_EQ(b.GetEdit(2), "@CURRENT_DATE");
  TStringList w;
  b.SetWhereList(w);
  EXPECT_EQ(Lines(w), (V{"(", "((NAME <> CITY) AND", "(NAME = upper('x')) AND", "(DT > CURRENT_DATE))", ")"}));
  // Raw SQL must still be closed so that the builder block stays removable.
  EXPECT_NE(WhereError(b, {"NAME = @'x"}).find("not closed SQL"), std::string::npos);
  EXPECT_NE(WhereError(b, {"QTY = @(1"}).find("open parenthesis"), std::string::npos);
  EXPECT_NE(WhereError(b, {"QTY = @1 /*End for SEARCHDBGRID_BUILDER*/"}).find("marker"), std::string::npos);
  EXPECT_NE(WhereError(b, {"QTY = @1 --"}).find("not closed SQL"), std::string::npos);
}

TEST(QueryBuilderWhere, RawModeTakesTheLinesAsTheyStand) {
  TQueryBuilder b;
  Fill(b);
  EXPECT_EQ(Where(b, {"#QTY > 1 AND", "NAME LIKE 'a%'"}), (V{"QTY > 1 AND", "NAME LIKE 'a%'"}));
  EXPECT_TRUE(b.RawMode());
  EXPECT_EQ(b.AddCondition("QTY"), -1);
  EXPECT_FALSE(b.AddOr());
  EXPECT_FALSE(b.ValueEditable(0));
  EXPECT_NE(WhereError(b, {"#QTY > 1 /* open"}).find("not closed SQL"), std::string::npos);
  EXPECT_NE(WhereError(b, {"#/*RW*/ QTY > 1"}).find("marker"), std::string::npos);
  EXPECT_NE(WhereError(b, {"#QTY > 1 AND [x"}).find("quoted name"), std::string::npos);
  EXPECT_EQ(Where(b, {"#[QTY] > 1"}), (V{"[QTY] > 1"}));
}

TEST(QueryBuilderCompose, OperatorsValuesAndTheValueBox) {
  TQueryBuilder b;
  Fill(b);
  EXPECT_EQ(b.AddCondition("BLOB"), -1);
  EXPECT_EQ(b.AddCondition("nope"), -1);
  ASSERT_EQ(b.AddCondition("NAME"), 0);
  EXPECT_TRUE(b.AddOr());
  EXPECT_FALSE(b.AddOr());  // the list already ends with a separator
  ASSERT_EQ(b.AddCondition("QTY"), 2);
  EXPECT_FALSE(b.AddOperator(1, boEqual));         // a separator
  EXPECT_FALSE(b.AddOperator(0, boGreater));       // range operators refused for strings
  EXPECT_TRUE(b.AddOperator(0, boLike));
  EXPECT_FALSE(b.AddOperator(0, boEqual));         // has an operator already
  EXPECT_TRUE(b.AddOperator(2, boGreaterEqual));
  b.SetEdit(0, "abc");
  EXPECT_EQ(b.Conditions().Strings(0), "NAME like to 'abc'");
  EXPECT_EQ(b.GetEdit(0), "abc");
  b.SetEdit(0, "");
  EXPECT_EQ(b.Conditions().Strings(0), "NAME like to ");
  b.SetEdit(2, "1,234.5x");
  EXPECT_EQ(b.Conditions().Strings(2), "QTY >= 1234.5");
  EXPECT_TRUE(b.ValueEditable(2));
  b.Conditions().Add("DT null ");
  EXPECT_FALSE(b.ValueEditable(3));
  b.DeleteCondition(1);
  EXPECT_EQ(Lines(b.Conditions()), (V{"NAME like to ", "QTY >= 1234.5", "DT null "}));
}

TEST(QueryBuilderOrder, OrderBoxAndOrderText) {
  TQueryBuilder b;
  Fill(b);
  // A line end between a name and DESC is a blank: the words are not glued together.
  b.SetOrderBox("SELECT * FROM T ORDER BY name,\r\nT.QTY\r\nDESC, GONE, \"DT\" asc");
  EXPECT_EQ(Lines(b.OrderLines()), (V{"NAME, on increase", "QTY, on decrease", "DT, on increase"}));
  EXPECT_EQ(b.SetOrderText(), "NAME, QTY DESC, DT");
  b.SetOrderDirection(0, true);
  EXPECT_EQ(b.OrderLines().Strings(0), "NAME,on decrease");
  EXPECT_EQ(b.SetOrderText(), "NAME DESC, QTY DESC, DT");
  EXPECT_EQ(b.AddOrder("BLOB"), -1);
  EXPECT_EQ(b.AddOrder("Unit_price"), 3);
  EXPECT_EQ(b.SetOrderText(), "NAME DESC, QTY DESC, DT, PRICE");
  // An ordering with a parenthesis is not listed; words in literals never count.
  b.SetOrderBox("SELECT * FROM T ORDER BY coalesce(NAME, CITY)");
  EXPECT_EQ(b.OrderLines().Count(), 0);
  b.SetOrderBox("SELECT 'ORDER BY QTY' FROM T");
  EXPECT_EQ(b.OrderLines().Count(), 0);
}

TEST(QueryBuilderOrder, SavedOrderingIsKeptApartFromEmpty) {
  const std::string base = "SELECT * FROM T WHERE QTY > 0";
  TBuilderOrderState st;
  std::string t = ApplyBuilderOrder(base, "NAME", st);
  EXPECT_EQ(t, base + "\r\nORDER BY NAME");
  EXPECT_TRUE(st.OrderSet);
  t = ApplyBuilderOrder(t, "QTY DESC", st);
  EXPECT_EQ(t, base + "\r\nORDER BY QTY DESC");
  // Clearing brings back the query's own (absent) ordering, not the first builder ordering.
  t = ApplyBuilderOrder(t, "", st);
  EXPECT_EQ(t, base);
  EXPECT_FALSE(st.OrderSet);
  EXPECT_FALSE(st.Saved);

  // A query with its own ordering gets it back upper-cased (quoted names kept).
  const std::string own = "select * from t order by name, \"Mixed\" desc limit 10";
  TBuilderOrderState st2;
  t = ApplyBuilderOrder(own, "QTY", st2);
  EXPECT_EQ(t, "select * from t order by QTY limit 10");
  t = ApplyBuilderOrder(t, "DT", st2);
  t = ApplyBuilderOrder(t, "", st2);
  EXPECT_EQ(t, "select * from t ORDER BY NAME, \"Mixed\" DESC limit 10");
  // Without the flag an empty order changes nothing.
  EXPECT_EQ(ApplyBuilderOrder(own, "", st2), own);
}

TEST(QueryBuilderOrder, StoredOrderingMustNameFields) {
  TQueryBuilder b;
  Fill(b);
  EXPECT_EQ(CheckBuilderOrder(b, "NAME DESC,\r\nqty ASC"), "NAME DESC, QTY");
  EXPECT_EQ(CheckBuilderOrder(b, "  "), "");
  for (const char* bad : {"NAME; DROP TABLE T", "NAME DESC, 1/0", "(SELECT 1)", "BLOB"}) {
    EXPECT_THROW(CheckBuilderOrder(b, bad), EBuilderError) << bad;
  }
}

TEST(QueryBuilderApply, BlockAndOrderingGoIntoTheQueryTextAndComeOutAgain) {
  TQueryBuilder b;
  Fill(b);
  TStringList lines;
  lines.Add("QTY > 5");
  b.SetListBox(lines);
  const std::string base = "SELECT * FROM T\r\nWHERE CITY = 'X'\r\nORDER BY ID";
  TBuilderOrderState st;
  const std::string t = BuilderQueryText(b, base, "NAME DESC", st);
  EXPECT_EQ(t, "SELECT * FROM T\r\nWHERE\r\n/*Begin for SEARCHDBGRID_BUILDER*/\r\n(\r\n((QTY > 5))\r\n)"
               "\r\n/*End for SEARCHDBGRID_BUILDER*/\r\nAND  CITY = 'X'\r\nORDER BY NAME DESC");
  b.SetListBox(TStringList());
  EXPECT_EQ(BuilderQueryText(b, t, "", st), base);
}

}  // namespace
}  // namespace bexlo
