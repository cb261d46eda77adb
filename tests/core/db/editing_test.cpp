// Editing live queries: insert, edit, delete by key, values read back from the database, failed
// posts, records changed by another user, events, and cached updates.
#include <vector>

#include "db_test_support.h"

namespace bexlo::testing {
namespace {

class EditingTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    if (Pg()) {
      Exec("CREATE TABLE people (id SERIAL PRIMARY KEY, name TEXT NOT NULL, "
           "city TEXT DEFAULT 'Riga', age INTEGER UNIQUE)");
    } else {
      Exec("CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, "
           "city VARCHAR(40) DEFAULT 'Riga', age INTEGER UNIQUE)");
    }
    Exec("INSERT INTO people (name, age) VALUES ('Ann', 30), ('Bob', 40), ('Cid', 50)");
  }

  std::unique_ptr<TQuery> Live(const std::string& sql = "SELECT * FROM people ORDER BY id") {
    auto q = Query(sql);
    q->SetRequestLive(true);
    return q;
  }
};

TEST_P(EditingTest, InsertEditDeleteReachTheTable) {
  auto q = Live();
  q->Open();
  ASSERT_TRUE(q->CanModify());
  EXPECT_TRUE(q->FieldByName("name")->Required);  // NOT NULL without a default
  EXPECT_FALSE(q->FieldByName("city")->Required);
  EXPECT_FALSE(q->FieldByName("id")->Required);   // the engine assigns it

  q->Append();
  q->FieldByName("name")->SetAsString("Dan");
  q->Post();
  // The defaults and the generated key come back into the record.
  EXPECT_EQ(q->FieldByName("city")->AsString(), "Riga");
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 4);

  q->First();
  q->Edit();
  q->FieldByName("city")->SetAsString("Oslo");
  EXPECT_TRUE(q->Modified());
  q->Post();
  EXPECT_EQ(q->State(), dsBrowse);

  q->Next();
  q->Delete();
  EXPECT_EQ(q->FieldByName("name")->AsString(), "Cid");

  EXPECT_EQ(Scalar("SELECT city FROM people WHERE name = 'Ann'"), "Oslo");
  EXPECT_EQ(Scalar("SELECT count(*) FROM people"), "3");
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE name = 'Bob'"), "0");
}

TEST_P(EditingTest, FailedPostKeepsTheRecordInEditState) {
  auto q = Live();
  q->Open();
  q->Edit();
  q->FieldByName("age")->SetAsInteger(40);  // Bob has it: unique violation
  q->FieldByName("city")->SetAsString("Rome");
  EXPECT_THROW(q->Post(), EDBEngineError);
  EXPECT_EQ(q->State(), dsEdit);
  EXPECT_EQ(q->FieldByName("city")->AsString(), "Rome");
  // Fixing the input lets the same edit go through, also inside a transaction.
  Db().StartTransaction();
  q->FieldByName("age")->SetAsInteger(40);
  EXPECT_THROW(q->Post(), EDBEngineError);
  q->FieldByName("age")->SetAsInteger(31);
  q->Post();
  Db().Commit();
  EXPECT_EQ(Scalar("SELECT age FROM people WHERE city = 'Rome'"), "31");

  // A required field left empty is refused before anything is sent.
  q->Append();
  try {
    q->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'name' must have a value");
  }
  EXPECT_EQ(q->State(), dsInsert);
  q->Cancel();
  EXPECT_EQ(q->RecordCount(), 3);
}

TEST_P(EditingTest, ChangesOfAnotherUserAreNotOverwrittenSilently) {
  auto q = Live();
  q->Open();
  auto other = OtherConnection();
  other->Execute("DELETE FROM people WHERE name = 'Ann'");
  q->Edit();
  q->FieldByName("city")->SetAsString("Kyiv");
  try {
    q->Post();
    FAIL() << "an update that matched no record was reported as done";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Couldn't perform the edit because another user changed the record");
  }
  EXPECT_EQ(q->State(), dsEdit);
  q->Cancel();
  // Deleting a record that is already gone just removes it here.
  q->Delete();
  EXPECT_EQ(q->FieldByName("name")->AsString(), "Bob");
}

TEST_P(EditingTest, NonUniqueKeyChangesNothing) {
  Exec("UPDATE people SET city = 'Same'");
  auto q = Live("SELECT name, city FROM people ORDER BY name");
  q->SetUniqueField("city");
  q->Open();
  q->Edit();
  q->FieldByName("name")->SetAsString("Zed");
  EXPECT_THROW(q->Post(), EDatabaseError);
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE name = 'Zed'"), "0");
}

TEST_P(EditingTest, ReadOnlyResultsRefuseEdits) {
  auto plain = Query("SELECT * FROM people");
  plain->Open();
  EXPECT_FALSE(plain->CanModify());
  try {
    plain->Edit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot modify a read-only dataset");
  }
  EXPECT_THROW(plain->FieldByName("name")->SetAsString("x"), EDatabaseError);  // not editing
  auto joined = Live("SELECT p.name, q.age FROM people p JOIN people q ON q.id = p.id");
  joined->Open();
  EXPECT_FALSE(joined->CanModify());
  // Computed columns of a live query are read-only, the table's are not.
  auto computed = Live("SELECT id, name, age * 2 AS twice FROM people ORDER BY id");
  computed->Open();
  ASSERT_TRUE(computed->CanModify());
  computed->Edit();
  EXPECT_THROW(computed->FieldByName("twice")->SetAsInteger(1), EDatabaseError);
  computed->FieldByName("name")->SetAsString("Anne");
  computed->Post();
  EXPECT_EQ(Scalar("SELECT name FROM people WHERE id = 1"), "Anne");
}

TEST_P(EditingTest, EventsRunInOrderAndPostErrorsCanRetry) {
  auto q = Live();
  std::vector<std::string> log;
  q->BeforeEdit = [&](TDataSet*) { log.push_back("BeforeEdit"); };
  q->AfterEdit = [&](TDataSet*) { log.push_back("AfterEdit"); };
  q->BeforePost = [&](TDataSet*) { log.push_back("BeforePost"); };
  q->AfterPost = [&](TDataSet*) { log.push_back("AfterPost"); };
  q->BeforeScroll = [&](TDataSet*) { log.push_back("BeforeScroll"); };
  q->AfterScroll = [&](TDataSet*) { log.push_back("AfterScroll"); };
  q->OnNewRecord = [](TDataSet* ds) { ds->FieldByName("city")->SetAsString("Default"); };
  int attempts = 0;
  q->OnPostError = [&](TDataSet* ds, EDatabaseError&, TDataAction& action) {
    ++attempts;
    ds->FieldByName("age")->SetAsInteger(99);  // repair and try again
    action = daRetry;
  };
  q->Open();
  log.clear();
  q->Edit();
  q->FieldByName("age")->SetAsInteger(40);
  q->Next();  // leaving the record posts it
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost",
                                           "BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(Scalar("SELECT age FROM people WHERE name = 'Ann'"), "99");
  q->Insert();
  EXPECT_EQ(q->FieldByName("city")->AsString(), "Default");
  EXPECT_FALSE(q->Modified());  // values of OnNewRecord alone do not count as input
  q->Cancel();
}

TEST_P(EditingTest, CachedUpdatesApplyAllOrNothing) {
  auto q = Live();
  q->SetCachedUpdates(true);
  q->Open();
  q->Edit();
  q->FieldByName("city")->SetAsString("Paris");
  q->Post();
  q->Next();
  q->Delete();
  q->Append();
  q->FieldByName("name")->SetAsString("Eve");
  q->FieldByName("age")->SetAsInteger(50);  // clashes with Cid
  q->Post();
  EXPECT_TRUE(q->UpdatesPending());
  EXPECT_EQ(Scalar("SELECT count(*) FROM people"), "3");  // nothing written yet

  EXPECT_THROW(q->ApplyUpdates(), EDBEngineError);
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE city = 'Paris'"), "0");
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE name = 'Bob'"), "1");
  EXPECT_TRUE(q->UpdatesPending());

  q->Last();
  q->Edit();
  q->FieldByName("age")->SetAsInteger(60);
  q->Post();
  q->ApplyUpdates();
  q->CommitUpdates();
  EXPECT_FALSE(q->UpdatesPending());
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE city = 'Paris'"), "1");
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE name = 'Bob'"), "0");
  EXPECT_EQ(Scalar("SELECT age FROM people WHERE name = 'Eve'"), "60");
}

// Changes written inside a transaction that then rolls back are pending again: a second attempt
// writes them, whether the failure was another data set's (the database's ApplyUpdates) or the
// caller rolled back its own transaction.
TEST_P(EditingTest, CachedChangesRolledBackWithTheirTransactionAreWrittenByTheNextApply) {
  auto cities = Live();
  cities->SetCachedUpdates(true);
  cities->Open();
  cities->Edit();
  cities->FieldByName("city")->SetAsString("Paris");
  cities->Post();
  auto newcomers = Live();
  newcomers->SetCachedUpdates(true);
  newcomers->Open();
  newcomers->Append();
  newcomers->FieldByName("name")->SetAsString("Eve");
  newcomers->FieldByName("age")->SetAsInteger(50);  // clashes with Cid
  newcomers->Post();

  EXPECT_THROW(Db().ApplyUpdates({cities.get(), newcomers.get()}), EDBEngineError);
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE city = 'Paris'"), "0");
  newcomers->Edit();
  newcomers->FieldByName("age")->SetAsInteger(70);
  newcomers->Post();
  Db().ApplyUpdates({cities.get(), newcomers.get()});
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE city = 'Paris'"), "1");
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE name = 'Eve'"), "1");
  EXPECT_FALSE(cities->UpdatesPending());

  cities->First();
  cities->Edit();
  cities->FieldByName("city")->SetAsString("Oslo");
  cities->Post();
  Db().StartTransaction();
  cities->ApplyUpdates();
  Db().Rollback();
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE city = 'Oslo'"), "0");
  cities->ApplyUpdates();  // outside a transaction: written and kept
  cities->CommitUpdates();
  EXPECT_EQ(Scalar("SELECT count(*) FROM people WHERE city = 'Oslo'"), "1");
}

TEST_P(EditingTest, CancelUpdatesRestoresWhatWasRead) {
  auto q = Live();
  q->SetCachedUpdates(true);
  q->Open();
  q->Edit();
  q->FieldByName("name")->SetAsString("Changed");
  q->Post();
  q->Next();
  q->Delete();
  q->Append();
  q->FieldByName("name")->SetAsString("New");
  q->Post();
  EXPECT_EQ(q->RecordCount(), 3);
  q->CancelUpdates();
  EXPECT_FALSE(q->UpdatesPending());
  std::vector<std::string> names;
  for (q->First(); !q->Eof(); q->Next()) names.push_back(q->FieldByName("name")->AsString());
  EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Bob", "Cid"}));
}

BEXLO_DB_SUITE(EditingTest);

}  // namespace
}  // namespace bexlo::testing
