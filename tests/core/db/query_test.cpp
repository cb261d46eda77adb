// Reading through TQuery: navigation, lazy and streaming reads, parameters, master-detail,
// ExecSQL and the errors of bad statements and closed data sets.
#include "db_test_support.h"
#include "util/datetime.h"
#include "util/format_settings.h"

namespace bexlo::testing {
namespace {

class QueryTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec(std::string("CREATE TABLE items (id INTEGER PRIMARY KEY, name ") + Text() +
         ", price NUMERIC(10,2), born DATE)");
    for (int i = 1; i <= 25; ++i) {
      Exec("INSERT INTO items VALUES (" + std::to_string(i) + ", 'item " + std::to_string(i) +
           "', " + std::to_string(i) + ".5, '2024-01-" + (i < 10 ? "0" : "") + std::to_string(i) +
           "')");
    }
  }
};

TEST_P(QueryTest, NavigatesWithEofBofAndRecordNumbers) {
  auto q = Query("SELECT id, name FROM items ORDER BY id");
  q->Open();
  EXPECT_TRUE(q->Bof());
  EXPECT_FALSE(q->Eof());
  EXPECT_EQ(q->RecNo(), 1);
  int seen = 0;
  while (!q->Eof()) {
    ++seen;
    EXPECT_EQ(q->FieldByName("ID")->AsInteger(), seen);
    q->Next();
  }
  EXPECT_EQ(seen, 25);
  EXPECT_EQ(q->FieldByName("name")->AsString(), "item 25");  // stays on the last record
  q->Prior();
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 24);
  EXPECT_EQ(q->MoveBy(-100), -23);
  EXPECT_TRUE(q->Bof());
  q->Last();
  EXPECT_TRUE(q->Eof());
  EXPECT_EQ(q->RecNo(), 25);
  EXPECT_EQ(q->RecordCount(), 25);
  q->SetRecNo(7);
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 7);
}

TEST_P(QueryTest, ReadsLazilyAndStreamsUnidirectionally) {
  auto q = Query("SELECT id FROM items ORDER BY id");
  q->Open();
  EXPECT_EQ(q->EnsureRecords(0), 1);  // only the first row was read by Open
  q->MoveBy(4);
  EXPECT_EQ(q->EnsureRecords(0), 5);
  EXPECT_EQ(q->RecordCount(), 25);

  auto u = Query("SELECT id, name FROM items ORDER BY id");
  u->SetUniDirectional(true);
  u->Open();
  std::int64_t sum = 0;
  TField* id = u->FieldByName("id");
  for (; !u->Eof(); u->Next()) sum += id->AsInteger();
  EXPECT_EQ(sum, 25 * 26 / 2);
  EXPECT_EQ(u->RecordCount(), 25);
  EXPECT_THROW(u->Prior(), EDatabaseError);
  EXPECT_THROW(u->First(), EDatabaseError);
  EXPECT_FALSE(u->CanModify());
  // A bookmark of the current record is harmless: going back to it is a no-op.
  const TBookmark mark = u->GetBookmark();
  u->GotoBookmark(mark);
}

TEST_P(QueryTest, BindsParametersOfEveryKind) {
  auto q = Query(
      "SELECT count(*) FROM items WHERE id >= :low AND name <> :skip AND price > :price "
      "AND born >= :since /* :ignored */ AND name <> ':not_a_param' AND id <> :LOW");
  EXPECT_EQ(q->ParamCount(), 4);  // one parameter per name, case ignored
  q->ParamByName("low")->SetAsInteger(5);
  q->ParamByName("skip")->SetAsString("item 6");
  q->ParamByName("price")->SetAsFloat(6.0);
  q->ParamByName("since")->SetAsDate(EncodeDate(2024, 1, 8));
  q->Open();
  // ids 8..25 except 6 (excluded anyway) and 5 (:LOW) -> 18
  EXPECT_EQ(q->Fields(0)->AsInteger(), 18);
  q->Close();
  q->ParamByName("since")->Clear();  // typed NULL: the comparison is unknown, no row matches
  q->Open();
  EXPECT_EQ(q->Fields(0)->AsInteger(), 0);
}

TEST_P(QueryTest, UnassignedParameterIsAnError) {
  auto q = Query("SELECT * FROM items WHERE id = :id");
  try {
    q->Open();
    FAIL() << "opened without a value";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "No value for parameter 'id'");
  }
  EXPECT_FALSE(q->Active());
}

TEST_P(QueryTest, ParamCheckOffSendsTheTextUnchanged) {
  auto q = Query("SELECT ':x' AS t FROM items WHERE id = 1");
  q->SetParamCheck(false);
  q->SetSQLText("SELECT 'a:b' AS t FROM items WHERE id = 1");
  EXPECT_EQ(q->ParamCount(), 0);
  q->Open();
  EXPECT_EQ(q->FieldByName("t")->AsString(), "a:b");
}

TEST_P(QueryTest, ParameterValuesSurviveTextChanges) {
  auto q = Query("SELECT name FROM items WHERE id = :id");
  q->ParamByName("id")->SetAsInteger(3);
  q->SetSQLText("SELECT name FROM items WHERE id = :id OR id = :other");
  q->ParamByName("other")->SetAsInteger(-1);
  q->Open();
  EXPECT_EQ(q->Fields(0)->AsString(), "item 3");
}

TEST_P(QueryTest, MasterDataSourceFillsSameNamedParameters) {
  Exec(std::string("CREATE TABLE parts (item_id INTEGER, part ") + Text() + ")");
  Exec("INSERT INTO parts VALUES (1, 'a'), (1, 'b'), (2, 'c')");
  auto master = Query("SELECT id AS item_id FROM items WHERE id <= 3 ORDER BY id");
  TDataSource source;
  source.SetDataSet(master.get());
  auto detail = Query("SELECT part FROM parts WHERE item_id = :item_id ORDER BY part");
  detail->SetDataSource(&source);
  master->Open();
  detail->Open();
  EXPECT_EQ(detail->RecordCount(), 2);
  master->Next();
  EXPECT_EQ(detail->RecordCount(), 1);
  EXPECT_EQ(detail->Fields(0)->AsString(), "c");
  master->Next();
  EXPECT_TRUE(detail->IsEmpty());
  // A query cannot be its own master.
  TDataSource self;
  self.SetDataSet(detail.get());
  EXPECT_THROW(detail->SetDataSource(&self), EDatabaseError);
}

TEST_P(QueryTest, ExecSqlCountsRowsAndHandlesCommitText) {
  auto q = Query("UPDATE items SET price = price + 1 WHERE id <= :n");
  q->ParamByName("n")->SetAsInteger(4);
  q->ExecSQL();
  EXPECT_EQ(q->RowsAffected(), 4);
  // "COMMIT" as a statement with no transaction open does nothing and is no error.
  auto commit = Query("COMMIT");
  EXPECT_NO_THROW(commit->ExecSQL());
  Db().StartTransaction();
  Exec("DELETE FROM items WHERE id = 1");
  commit->ExecSQL();
  EXPECT_FALSE(Db().InTransaction());
  EXPECT_EQ(Scalar("SELECT count(*) FROM items"), "24");
}

TEST_P(QueryTest, EngineErrorsCarryMessageAndStatement) {
  auto q = Query("SELECT * FROM no_such_table");
  try {
    q->Open();
    FAIL();
  } catch (const EDBEngineError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
    EXPECT_NE(e.Statement().find("no_such_table"), std::string::npos);
  }
  EXPECT_FALSE(q->Active());
  // Two statements in one text are refused rather than half run.
  auto two = Query("DELETE FROM items WHERE id = 1; DELETE FROM items WHERE id = 2");
  EXPECT_THROW(two->ExecSQL(), EDatabaseError);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items"), "25");
}

TEST_P(QueryTest, ClosedDataSetsAndUnknownFieldsGiveClearErrors) {
  auto q = Query("SELECT id FROM items");
  EXPECT_THROW(q->Next(), EDatabaseError);
  q->Open();
  TField* id = q->FieldByName("id");
  EXPECT_EQ(q->FindField("nope"), nullptr);
  try {
    q->FieldByName("nope");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'nope' not found");
  }
  q->Close();
  EXPECT_EQ(q->FieldCount(), 0);  // default fields go with Close
  // A persistent field of a closed data set refuses to read.
  TIntegerField persistent;
  persistent.SetFieldName("id");
  persistent.SetDataSet(q.get());
  try {
    (void)persistent.AsInteger();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset");
  }
  q->Open();
  EXPECT_EQ(persistent.FieldNo(), 1);
  EXPECT_EQ(q->FieldCount(), 1);
  (void)id;
}

TEST_P(QueryTest, EmptyResultIsBothEofAndBof) {
  auto q = Query("SELECT id FROM items WHERE id < 0");
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
  EXPECT_TRUE(q->Eof());
  EXPECT_TRUE(q->Bof());
  EXPECT_TRUE(q->FieldByName("id")->IsNull());
  EXPECT_EQ(q->FieldByName("id")->AsString(), "");
  EXPECT_THROW(q->Delete(), EDatabaseError);
}

BEXLO_DB_SUITE(QueryTest);

}  // namespace
}  // namespace bexlo::testing
