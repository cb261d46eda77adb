// The search grid's logic over real queries, on SQLite and on PostgreSQL: field kinds, search
// conditions that find what the user typed, parameter mode, the choice filter, ReloadQuery and
// the record count.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/db/db_test_support.h"
#include "db/db.h"
#include "grid/choice_list.h"
#include "grid/record_count.h"
#include "grid/search_sql.h"
#include "util/format_settings.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/ui_services.h"

namespace bexlo {
namespace {

using testing::DbTest;

class GridSearchTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec(std::string("CREATE TABLE PEOPLE (id INTEGER PRIMARY KEY, name ") + Text() +
         ", amount NUMERIC(10,2), born DATE)");
    Exec("INSERT INTO PEOPLE VALUES (1, 'Smith', 10.5, '1990-12-08')");
    Exec("INSERT INTO PEOPLE VALUES (2, 'Smirnov', 20, '1985-01-31')");
    Exec("INSERT INTO PEOPLE VALUES (3, 'O''Brien', 30, '1990-12-08')");
    Exec("INSERT INTO PEOPLE VALUES (12, 'Jones', -4.25, NULL)");
  }

  std::unique_ptr<TQuery> People(const std::string& tail = "order by id") {
    auto q = Query("select id, name, amount, born from PEOPLE " + tail);
    q->Open();
    return q;
  }

  // The IDs the query reads, in order: "1,2".
  static std::string Ids(TQuery& q) {
    std::string ids;
    for (q.First(); !q.Eof(); q.Next()) {
      if (!ids.empty()) ids += ",";
      ids += q.FieldByName(q.Fields(0)->FieldName())->AsString();
    }
    return ids;
  }

  // Applies search lines and reopens; returns the IDs found.
  std::string Search(TQuery& q, std::initializer_list<const char*> lines) {
    TStringList search;
    for (const char* line : lines) search.Add(line);
    ApplySearch(q, search, false, true);
    return Ids(q);
  }
};

TEST_P(GridSearchTest, FieldKinds) {
  auto q = People();
  EXPECT_EQ(GetFieldType(q.get(), "name"), 'S');
  EXPECT_EQ(GetFieldType(q.get(), "id"), 'N');
  EXPECT_EQ(GetFieldType(q.get(), "amount"), 'N');
  EXPECT_EQ(GetFieldType(q.get(), "born"), 'D');
  EXPECT_EQ(GetFieldType(q.get(), "P.name"), 'S');  // a table prefix is ignored
  EXPECT_EQ(GetFieldType(q.get(), "NAME"), 'U');    // names match exactly
  EXPECT_EQ(GetFieldType(q.get(), "MISSING"), 'U');
  EXPECT_EQ(GetFieldType(nullptr, "name"), 'U');
}

TEST_P(GridSearchTest, TypedValuesFindTheirRecords) {
  auto q = People();
  EXPECT_EQ(Search(*q, {"name=Smi"}), "1,2");
  EXPECT_EQ(Search(*q, {"name=O'Brien"}), "3");  // the quote is kept, not doubled into '"'
  EXPECT_EQ(Search(*q, {"name=^", "id=12"}), "12");
  EXPECT_EQ(Search(*q, {"id=^", "amount=-4.25"}), "12");
  EXPECT_EQ(Search(*q, {"amount=^", "born=08/12/1990"}), "1,3");
  EXPECT_NE(q->SQLText().find("born = '1990-12-08'"), std::string::npos);
  // Clearing every value gives the query its own text back.
  Search(*q, {"born=^"});
  EXPECT_EQ(q->SQLText(), "select id, name, amount, born from PEOPLE order by id\r\n");
  EXPECT_EQ(Ids(*q), "1,2,3,12");
}

TEST_P(GridSearchTest, NumbersThatAreNotNumbersAreComparedAsText) {
  auto q = People();
  TStringList search;
  search.Add("id=1%");
  EXPECT_NE(GetSearchSQL(*q, q->SQLText(), search, nullptr, false)
                .find("cast(id as varchar(64)) like '1%'"),
            std::string::npos);
  search.Clear();
  search.Add("id=1--2");
  const std::string sql = GetSearchSQL(*q, q->SQLText(), search, nullptr, false);
  EXPECT_NE(sql.find("cast(id as varchar(64)) like '1--2'"), std::string::npos) << sql;
  EXPECT_EQ(Search(*q, {"id=1%"}), "1,12");
  EXPECT_EQ(Search(*q, {"id=1--2"}), "");
  // A date cell holds text in the user's format (dd/mm/yyyy here), not the engine's ISO text.
  EXPECT_EQ(Search(*q, {"id=^", "born=%/1990"}), "1,3");
  EXPECT_EQ(Search(*q, {"born=1990%"}), "");
  Search(*q, {"born=^"});
  // The locale's decimal comma becomes the SQL point.
  TFormatSettings comma = DefaultFormatSettings();
  comma.DecimalSeparator = ",";
  comma.ThousandSeparator = ".";
  ScopedFormatSettings scoped(comma);
  EXPECT_EQ(Search(*q, {"id=^", "amount=10,5"}), "1");
}

TEST_P(GridSearchTest, ParameterModeBindsTheValues) {
  auto q = People();
  TParams params;
  params.Assign(&q->Params());
  TStringList search;
  search.Add("name=Smi");
  search.Add("amount=20");
  search.Add("born=31/01/1985");
  const std::string sql = GetSearchSQL(*q, q->SQLText(), search, &params, true);
  EXPECT_NE(sql.find("name like :_name"), std::string::npos);
  EXPECT_NE(sql.find("amount = :_amount"), std::string::npos);
  EXPECT_EQ(sql.find("Smi"), std::string::npos);
  ASSERT_NE(params.FindParam("_name"), nullptr);
  EXPECT_EQ(params.FindParam("_name")->AsString(), "Smi%");
  EXPECT_EQ(params.FindParam("_amount")->DataType(), ftFloat);
  EXPECT_EQ(params.FindParam("_born")->DataType(), ftDateTime);
  ReloadQuery(*q, sql, false, true, &params);
  EXPECT_EQ(Ids(*q), "2");

  search.Clear();
  search.Add("name=^");
  const std::string cleared = GetSearchSQL(*q, q->SQLText(), search, &params, true);
  EXPECT_EQ(cleared.find(":_name"), std::string::npos);
  EXPECT_TRUE(params.FindParam("_name")->IsNull());
}

TEST_P(GridSearchTest, ChoiceFilterLines) {
  auto q = People();
  TStringList choice, lines;
  choice.Add("id=1");
  choice.Add("id=2");
  SetChoiceWhereList(choice, q.get(), false, lines);
  EXPECT_EQ(lines.Text(), "(id = 1 OR\r\nid = 2)\r\n");
  SetChoiceWhereList(choice, q.get(), true, lines);
  EXPECT_EQ(lines.Text(), "NOT (id = 1 OR\r\nid = 2)\r\n");

  // Keys that are not numbers are skipped (the last one too), text is quoted, dates checked.
  choice.Clear();
  choice.Add("name=O'Brien");
  choice.Add("id=--1");
  choice.Add("amount=1,234.50");
  choice.Add("born=08/12/1990");
  choice.Add("born=1990");
  choice.Add("MISSING=1");
  choice.Add("id=");
  SetChoiceWhereList(choice, q.get(), false, lines);
  EXPECT_EQ(lines.Text(), "(name = 'O''Brien' OR\r\namount = 1234.50 OR\r\nborn = '1990-12-08')\r\n");
  choice.Clear();
  choice.Add("id=x");
  SetChoiceWhereList(choice, q.get(), false, lines);
  EXPECT_EQ(lines.Count(), 0);
}

TEST_P(GridSearchTest, BuildChoiceTogglesTheFilter) {
  auto q = People();
  const std::string original = q->SQLText();
  TStringList choice, filter;
  EXPECT_FALSE(BuildChoice(*q, choice, false, filter));  // nothing chosen
  choice.Add("name=O'Brien");
  choice.Add("id=12");
  ASSERT_TRUE(BuildChoice(*q, choice, false, filter));
  EXPECT_EQ(filter.Count(), 2);
  EXPECT_EQ(Ids(*q), "3,12");
  ASSERT_TRUE(BuildChoice(*q, choice, false, filter));
  EXPECT_EQ(filter.Count(), 0);
  EXPECT_EQ(q->SQLText(), original);
  EXPECT_EQ(Ids(*q), "1,2,3,12");
  ASSERT_TRUE(BuildChoice(*q, choice, true, filter));
  EXPECT_EQ(Ids(*q), "1,2");
}

TEST_P(GridSearchTest, BuildChoiceThatFailsRestoresTheQuery) {
  // id names a column of both tables: the filter's condition is ambiguous and cannot run.
  auto q = Query("select P.id, Q.name from PEOPLE P, PEOPLE Q where P.id = Q.id order by 1");
  q->Open();
  const std::string original = q->SQLText();
  TStringList choice, filter;
  choice.Add("id=1");
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  EXPECT_THROW(BuildChoice(*q, choice, false, filter), EDatabaseError);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Mistake of performance of query.");
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(q->SQLText(), original);
  EXPECT_TRUE(q->Active());
  EXPECT_EQ(filter.Count(), 0);  // the filter is not taken for applied
}

TEST_P(GridSearchTest, ReloadQueryKeepsParameterValues) {
  auto q = Query("select id from PEOPLE where id > :LOW order by id");
  q->ParamByName("LOW")->SetAsInteger(2);
  q->Open();
  // The same text without force changes nothing.
  ReloadQuery(*q, q->SQLText(), false, false, nullptr);
  EXPECT_TRUE(q->Active());
  // Closed and only-if-open: nothing.
  q->Close();
  ReloadQuery(*q, "select 1", true, true, nullptr);
  EXPECT_NE(q->SQLText().find(":LOW"), std::string::npos);
  // A new text without force leaves the query closed, with its parameter value.
  ReloadQuery(*q, "select id from PEOPLE where id >= :LOW order by id", false, false, nullptr);
  EXPECT_FALSE(q->Active());
  EXPECT_EQ(q->ParamByName("LOW")->AsInteger(), 2);
  ReloadQuery(*q, q->SQLText(), false, true, nullptr);
  EXPECT_EQ(Ids(*q), "2,3,12");
  // Empty text: nothing.
  ReloadQuery(*q, "", false, true, nullptr);
  EXPECT_TRUE(q->Active());
}

TEST_P(GridSearchTest, RecordCountOnTheServerAndByWalking) {
  auto q = People();
  q->MoveBy(2);
  const int recNo = q->RecNo();
  TRecordCount c = CountRecords(*q, q->FieldByName("amount"));
  EXPECT_TRUE(c.OnServer);
  EXPECT_EQ(c.Count, 4);
  EXPECT_TRUE(c.HasSum);
  EXPECT_DOUBLE_EQ(c.Sum, 56.25);
  EXPECT_EQ(q->RecNo(), recNo);
  EXPECT_EQ(RecordCountMessage(c), "Sum on current field: $56.25\r\nLines count: 4");

  c = CountRecords(*q, q->FieldByName("name"));  // a string column: no sum
  EXPECT_FALSE(c.HasSum);
  EXPECT_EQ(RecordCountMessage(c), "Lines count: 4");

  // With a search applied, the server counts the searched query, parameters included.
  auto p = Query("select id, amount from PEOPLE where id < :TOP order by id;");
  p->ParamByName("TOP")->SetAsInteger(3);
  p->Open();
  c = CountRecords(*p, p->FieldByName("amount"));
  EXPECT_TRUE(c.OnServer);
  EXPECT_EQ(c.Count, 2);
  EXPECT_DOUBLE_EQ(c.Sum, 30.5);
}

TEST_P(GridSearchTest, RecordCountWalksWhileAChangeIsNotPosted) {
  auto q = Query("select id, amount from PEOPLE order by id");
  q->SetRequestLive(true);
  q->Open();
  q->Edit();
  q->FieldByName("amount")->SetAsFloat(100);
  const TRecordCount c = CountRecords(*q, q->FieldByName("amount"));
  EXPECT_FALSE(c.OnServer);
  EXPECT_EQ(c.Count, 4);
  EXPECT_DOUBLE_EQ(c.Sum, 100 + 20 + 30 - 4.25);
}

TEST_P(GridSearchTest, RecordCountOfAnEmptySet) {
  auto q = People("where id < 0");
  const TRecordCount c = CountRecords(*q, q->FieldByName("amount"));
  EXPECT_EQ(c.Count, 0);
  EXPECT_EQ(RecordCountMessage(c), "Sum on current field: $0.00\r\nLines count: 0");
  EXPECT_EQ(WalkRecordCount(*q, q->FieldByName("amount")).Count, 0);
}

TEST_P(GridSearchTest, ChoiceMatchingByDisplayText) {
  auto q = People();
  TStringList choice;
  EXPECT_TRUE(ToggleChoice(choice, q.get(), "name"));  // Smith
  EXPECT_EQ(choice.Text(), "name=Smith\r\n");
  EXPECT_TRUE(IsRecordChosen(choice, q.get(), false));
  EXPECT_FALSE(IsRecordChosen(choice, q.get(), true));
  q->Next();
  EXPECT_FALSE(IsRecordChosen(choice, q.get(), false));
  q->Prior();
  EXPECT_TRUE(ToggleChoice(choice, q.get(), "name"));  // the second toggle removes the line
  EXPECT_EQ(choice.Count(), 0);
  EXPECT_FALSE(IsRecordChosen(choice, q.get(), false));
  EXPECT_TRUE(IsRecordChosen(choice, q.get(), true));  // inverted and empty: every record
  // A field the data set does not have, or an empty display text: nothing.
  EXPECT_FALSE(ToggleChoice(choice, q.get(), "MISSING"));
  q->Last();
  EXPECT_FALSE(ToggleChoice(choice, q.get(), "born"));
  choice.Add("MISSING=12");
  EXPECT_FALSE(IsRecordChosen(choice, q.get(), false));
}

TEST_P(GridSearchTest, PartialDatesInTheUsersFormatFindStoredDates) {
  auto q = People();
  // A partial date is the start of the date as the grid shows it.
  EXPECT_EQ(Search(*q, {"born=08/12"}), "1,3");
  EXPECT_EQ(Search(*q, {"born=3"}), "2");
  EXPECT_EQ(Search(*q, {"born=0"}), "1,3");
  EXPECT_EQ(Search(*q, {"born=31/01/"}), "2");
  EXPECT_EQ(Search(*q, {"born=_1/%"}), "2");
  EXPECT_EQ(Search(*q, {"born=09/12"}), "");
  // A live query compares a complete date as a date, not through its text.
  auto live = Query("select id, name, born from PEOPLE order by id");
  live->SetRequestLive(true);
  live->Open();
  EXPECT_EQ(Search(*live, {"born=31/01/1985"}), "2");
  EXPECT_NE(live->SQLText().find("born = '1985-01-31'"), std::string::npos) << live->SQLText();
  EXPECT_EQ(Search(*live, {"born=08/12/"}), "1,3");
  EXPECT_TRUE(live->CanModify());

  // Other short date formats: year first with "-", day and month without leading zeros with ".".
  TFormatSettings iso = DefaultFormatSettings();
  iso.ShortDateFormat = "yyyy/mm/dd";
  iso.DateSeparator = "-";
  {
    ScopedFormatSettings scoped(iso);
    EXPECT_EQ(Search(*q, {"born=1990-12"}), "1,3");
    EXPECT_EQ(Search(*q, {"born=1985-01-31"}), "2");
  }
  TFormatSettings german = DefaultFormatSettings();
  german.ShortDateFormat = "d/m/yy";
  german.DateSeparator = ".";
  {
    ScopedFormatSettings scoped(german);
    EXPECT_EQ(Search(*q, {"born=8.12."}), "1,3");
    EXPECT_EQ(Search(*q, {"born=%.1.85"}), "2");
    EXPECT_EQ(Search(*q, {"born=31.1.85"}), "2");
  }
  // Parameter mode binds the typed text; the rendered date is compared with it.
  TParams params;
  params.Assign(&q->Params());
  TStringList search;
  search.Add("born=08/12");
  const std::string sql = GetSearchSQL(*q, q->SQLText(), search, &params, true);
  EXPECT_EQ(sql.find("08/12"), std::string::npos) << sql;
  ASSERT_NE(params.FindParam("_born"), nullptr);
  EXPECT_EQ(params.FindParam("_born")->AsString(), "08/12%");
  ReloadQuery(*q, sql, false, true, &params);
  EXPECT_EQ(Ids(*q), "1,3");

  // A time of day has no date to render: it is compared as the engine's text.
  Exec("CREATE TABLE SHIFTS (id INTEGER PRIMARY KEY, starts TIME)");
  Exec("INSERT INTO SHIFTS VALUES (1, '10:30:00')");
  Exec("INSERT INTO SHIFTS VALUES (2, '22:00:00')");
  auto shifts = Query("select id, starts from SHIFTS order by id");
  shifts->Open();
  ASSERT_EQ(GetFieldType(shifts.get(), "starts"), 'D');
  EXPECT_EQ(Search(*shifts, {"starts=10%"}), "1");
}

TEST_P(GridSearchTest, MixedCaseColumnNamesAreWrittenAsTheEngineReadsThem) {
  Exec("CREATE TABLE ORDERS (\"OrderId\" INTEGER PRIMARY KEY, \"OrderDate\" DATE, \"Note\" " +
       std::string(Text()) + ", lower_name " + Text() + ")");
  Exec("INSERT INTO ORDERS VALUES (1, '2024-03-12', 'first', 'a')");
  Exec("INSERT INTO ORDERS VALUES (2, '2024-04-01', 'second', 'b')");
  // An upper-case alias of a lower-case column is written unquoted (the engine folds it back).
  auto aliased = Query("select \"OrderId\", lower_name as \"LOWER_NAME\" from ORDERS order by 1");
  aliased->Open();
  EXPECT_EQ(Search(*aliased, {"LOWER_NAME=a"}), "1");
  auto q = Query("select * from ORDERS order by 1");
  q->Open();
  ASSERT_NE(q->FindField("OrderDate"), nullptr);
  EXPECT_EQ(Search(*q, {"OrderDate=12/03/2024"}), "1");
  EXPECT_EQ(Search(*q, {"OrderDate=01/04"}), "2");
  EXPECT_EQ(Search(*q, {"OrderDate=^", "Note=sec"}), "2");
  EXPECT_EQ(Search(*q, {"Note=^", "OrderId=1"}), "1");
  EXPECT_EQ(Search(*q, {"OrderId=^", "lower_name=b"}), "2");
  if (Pg()) {
    EXPECT_NE(q->SQLText().find("lower_name like"), std::string::npos) << q->SQLText();
    Search(*q, {"lower_name=^", "Note=fir"});
    EXPECT_NE(q->SQLText().find("\"Note\" like 'fir%'"), std::string::npos) << q->SQLText();
  }
  EXPECT_EQ(Search(*q, {"Note=^", "lower_name=^"}), "1,2");
  // The choice filter writes the names the same way.
  TStringList choice, filter;
  choice.Add("OrderId=2");
  choice.Add("OrderDate=12/03/2024");
  ASSERT_TRUE(BuildChoice(*q, choice, false, filter));
  EXPECT_EQ(Ids(*q), "1,2") << q->SQLText();
  ASSERT_TRUE(BuildChoice(*q, choice, true, filter));  // off again
  choice.Clear();
  choice.Add("OrderId=2");
  ASSERT_TRUE(BuildChoice(*q, choice, false, filter));
  EXPECT_EQ(Ids(*q), "2");
}

BEXLO_DB_SUITE(GridSearchTest);

}  // namespace
}  // namespace bexlo
