// Record states and positions: insert and append at their places, cancel, delete at the ends,
// validation, required fields with focus, transactions around unfinished reads, and writes that
// meet another connection's changes.
#include <vector>

#include "db_test_support.h"

namespace bexlo::testing {
namespace {

class FocusLink : public TDataLink {
 public:
  TField* focused = nullptr;

 protected:
  void FocusControl(TField* field) override { focused = field; }
};

class StatesTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE s (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL, qty INTEGER)");
    Db().StartTransaction();
    for (int i = 1; i <= 5; ++i) {
      Exec("INSERT INTO s VALUES (" + std::to_string(i) + ", 'r" + std::to_string(i) + "', " +
           std::to_string(i * 10) + ")");
    }
    Db().Commit();
  }

  std::unique_ptr<TQuery> Live() {
    auto q = Query("SELECT * FROM s ORDER BY id");
    q->SetRequestLive(true);
    return q;
  }

  std::vector<std::string> Names(TDataSet& ds) {
    std::vector<std::string> names;
    for (ds.First(); !ds.Eof(); ds.Next()) names.push_back(ds.FieldByName("name")->AsString());
    return names;
  }
};

TEST_P(StatesTest, InsertAppendAndCancelKeepPositions) {
  auto q = Live();
  q->Open();
  q->MoveBy(2);
  q->Insert();  // before the current record
  EXPECT_EQ(q->State(), dsInsert);
  EXPECT_EQ(q->RecNo(), 3);
  EXPECT_TRUE(q->FieldByName("name")->IsNull());
  q->Cancel();
  EXPECT_EQ(q->FieldByName("name")->AsString(), "r3");
  q->Insert();
  q->FieldByName("id")->SetAsInteger(25);
  q->FieldByName("name")->SetAsString("new");
  q->Post();
  EXPECT_EQ(q->RecNo(), 3);  // stays where it was inserted until the query is read again
  q->Append();  // reads the rest and goes to the end
  EXPECT_EQ(q->RecNo(), 7);
  q->FieldByName("id")->SetAsInteger(30);
  q->FieldByName("name")->SetAsString("last");
  q->Post();
  EXPECT_EQ(Names(*q), (std::vector<std::string>{"r1", "r2", "new", "r3", "r4", "r5", "last"}));
  q->Close();
  q->Open();
  EXPECT_EQ(Names(*q), (std::vector<std::string>{"r1", "r2", "r3", "r4", "r5", "new", "last"}));
  // Deleting the last record leaves the one before it current; deleting all leaves it empty.
  q->Last();
  q->Delete();
  EXPECT_EQ(q->FieldByName("name")->AsString(), "new");
  while (!q->IsEmpty()) q->Delete();
  EXPECT_TRUE(q->Eof());
  EXPECT_EQ(Scalar("SELECT count(*) FROM s"), "0");
  q->Edit();  // Edit of an empty data set inserts
  EXPECT_EQ(q->State(), dsInsert);
  q->Cancel();
}

TEST_P(StatesTest, ValidationAndRequiredFields) {
  auto q = Live();
  TDataSource source;
  source.SetDataSet(q.get());
  FocusLink link;
  link.SetDataSource(&source);
  q->Open();
  TField* qty = q->FieldByName("qty");
  qty->OnValidate = [](TField* f) {
    if (f->AsInteger() < 0) throw EDatabaseError("Quantity cannot be negative");
  };
  q->Edit();
  EXPECT_THROW(qty->SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(qty->AsInteger(), 10);  // the refused value is undone
  qty->SetAsInteger(11);
  q->FieldByName("name")->Clear();
  EXPECT_THROW(q->Post(), EDatabaseError);
  EXPECT_EQ(link.focused, q->FieldByName("name"));  // the control of the missing field
  q->FieldByName("name")->SetAsString("ok");
  q->Post();
  q->Edit();
  q->ClearFields();
  EXPECT_TRUE(q->FieldByName("qty")->IsNull());
  q->Cancel();
  EXPECT_EQ(qty->AsInteger(), 11);
  // Plain read-only flags and states.
  qty->ReadOnly = true;
  q->Edit();
  EXPECT_THROW(qty->SetAsInteger(1), EDatabaseError);
  q->Cancel();
  q->Close();
  EXPECT_THROW(q->Edit(), EDatabaseError);
}

TEST_P(StatesTest, EditsAfterAnotherConnectionWroteWhileReading) {
  auto q = Live();
  q->Open();  // reads the first row only: the rest is still being read
  auto other = OtherConnection();
  other->Execute("UPDATE s SET qty = 99 WHERE id = 5");
  q->Edit();
  q->FieldByName("qty")->SetAsInteger(1);
  q->Post();  // succeeds: the pending read is finished first where the engine needs it
  EXPECT_EQ(Scalar("SELECT qty FROM s WHERE id = 1"), "1");
  EXPECT_EQ(Scalar("SELECT qty FROM s WHERE id = 5"), "99");
  // The rows read afterwards are all there.
  EXPECT_EQ(q->RecordCount(), 5);
}

TEST_P(StatesTest, HalfReadResultInsideATransaction) {
  Db().StartTransaction();
  Exec("UPDATE s SET qty = 0 WHERE id = 1");
  {
    auto q = Query("SELECT * FROM s ORDER BY id");
    q->Open();
    q->Close();  // abandoned after one row
  }
  Exec("UPDATE s SET qty = 0 WHERE id = 2");
  EXPECT_TRUE(Db().InTransaction());
  Db().Commit();  // the transaction was not harmed by the abandoned read
  EXPECT_EQ(Scalar("SELECT sum(qty) FROM s"), "120");
}

TEST_P(StatesTest, DatabaseAppliesCachedUpdatesOfSeveralDataSets) {
  auto a = Live();
  auto b = Query("SELECT * FROM s WHERE id > 3 ORDER BY id");
  b->SetRequestLive(true);
  a->SetCachedUpdates(true);
  b->SetCachedUpdates(true);
  a->Open();
  b->Open();
  a->Edit();
  a->FieldByName("qty")->SetAsInteger(0);
  a->Post();
  b->Delete();
  Db().ApplyUpdates({a.get(), b.get()});
  EXPECT_FALSE(a->UpdatesPending());
  EXPECT_FALSE(b->UpdatesPending());
  EXPECT_EQ(Scalar("SELECT count(*) FROM s"), "4");
  EXPECT_EQ(Scalar("SELECT qty FROM s WHERE id = 1"), "0");
  EXPECT_THROW(Query("SELECT 1")->ApplyUpdates(), EDatabaseError);  // closed
}

TEST_P(StatesTest, EventsCopyAndAppendRecord) {
  auto list = Live();
  int posts = 0;
  list->AfterPost = [&](TDataSet*) { ++posts; };
  auto edit = Query("SELECT * FROM s WHERE id = :id");
  edit->SetRequestLive(true);
  edit->CopyEvents(*list);
  edit->ParamByName("id")->SetAsInteger(2);
  edit->Open();
  edit->Edit();
  edit->FieldByName("qty")->SetAsInteger(7);
  edit->Post();
  EXPECT_EQ(posts, 1);
  edit->AppendRecord({Variant(42), Variant("appended")});
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(Scalar("SELECT name FROM s WHERE id = 42"), "appended");
  // A value that does not fit cancels the whole record.
  EXPECT_THROW(edit->AppendRecord({Variant("x"), Variant("bad")}), EConvertError);
  EXPECT_EQ(edit->State(), dsBrowse);
  EXPECT_EQ(Scalar("SELECT count(*) FROM s"), "6");
}

BEXLO_DB_SUITE(StatesTest);

}  // namespace
}  // namespace bexlo::testing
