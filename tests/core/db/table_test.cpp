// TTable: creating a table from field definitions, filling and emptying it, key searches, names
// as report scripts write them ("TABLE1.DBF" in the local-tables database).
#include "db_test_support.h"

namespace bexlo::testing {
namespace {

class TableTest : public DbTest {
 protected:
  std::unique_ptr<TTable> Table(const std::string& name) {
    auto t = std::make_unique<TTable>();
    t->SetDatabaseName(kDb);
    t->SetTableName(name);
    return t;
  }
};

TEST_P(TableTest, CreateFillEmptyAndDrop) {
  // SQLite (the local-tables database) reads "TABLE1.DBF" as one table, dot and all;
  // PostgreSQL would read a schema and a table.
  const std::string from = Pg() ? "table1" : "\"TABLE1.DBF\"";
  auto t = Table(Pg() ? "table1" : "TABLE1.DBF");
  EXPECT_FALSE(t->Exists());
  t->FieldDefs().Add("CODE", ftInteger, 0, true);
  t->FieldDefs().Add("NAME", ftString, 30);
  TFieldDef& price = t->FieldDefs().Add("PRICE", ftFloat);
  price.Precision = 12;
  price.Scale = 2;
  t->FieldDefs().Add("DAY", ftDate);
  t->FieldDefs().Add("NOTE", ftMemo);
  t->CreateTable();
  EXPECT_TRUE(t->Exists());
  EXPECT_THROW(t->CreateTable(), EDBEngineError);

  t->Open();
  ASSERT_TRUE(t->CanModify());
  EXPECT_TRUE(t->FieldByName("CODE")->Required);
  EXPECT_EQ(t->FieldDefs().Find("PRICE").Scale, 2);
  for (int i = 1; i <= 3; ++i) {
    t->Insert();
    t->FieldByName("CODE")->SetAsInteger(i);
    t->FieldByName("NAME")->SetAsString("n" + std::to_string(i));
    t->FieldByName("PRICE")->SetAsFloat(i * 1.25);
    t->Post();
  }
  t->Close();
  EXPECT_EQ(Scalar("SELECT count(*) FROM " + from), "3");
  // Emptying a closed table, then an open one (which reads itself again).
  t->EmptyTable();
  EXPECT_EQ(Scalar("SELECT count(*) FROM " + from), "0");
  t->Open();
  t->AppendRecord({Variant(9), Variant("nine")});
  t->EmptyTable();
  EXPECT_TRUE(t->IsEmpty());
  t->Close();
  t->DeleteTable();
  EXPECT_FALSE(t->Exists());
}

TEST_P(TableTest, KeySearchesAndOrdering) {
  Exec("CREATE TABLE cities (country VARCHAR(2), name VARCHAR(20), pop INTEGER, "
       "PRIMARY KEY (country, name))");
  Exec("INSERT INTO cities VALUES ('LV', 'Riga', 600), ('LV', 'Cesis', 15), ('EE', 'Tartu', 90)");
  auto t = Table("cities");
  t->SetIndexFieldNames("country;name");
  t->Open();
  EXPECT_EQ(t->FieldByName("name")->AsString(), "Tartu");
  EXPECT_TRUE(t->FindKey({Variant("LV"), Variant("Riga")}));
  EXPECT_EQ(t->FieldByName("pop")->AsInteger(), 600);
  EXPECT_FALSE(t->FindKey({Variant("LT"), Variant("Vilnius")}));
  EXPECT_EQ(t->FieldByName("name")->AsString(), "Riga");  // no move when not found
  t->SetKey();
  t->FieldByName("country")->SetAsString("LV");
  EXPECT_TRUE(t->GotoKey());  // a leading part of the key is enough
  EXPECT_EQ(t->FieldByName("name")->AsString(), "Cesis");
  // Without IndexFieldNames the key is the primary key; edits go by it.
  t->Close();
  t->SetIndexFieldNames("");
  t->Open();
  EXPECT_TRUE(t->FindKey({Variant("EE"), Variant("Tartu")}));
  t->Edit();
  t->FieldByName("pop")->SetAsInteger(91);
  t->Post();
  EXPECT_EQ(Scalar("SELECT pop FROM cities WHERE name = 'Tartu'"), "91");
}

TEST_P(TableTest, ReadOnlyAndMissingTables) {
  Exec("CREATE TABLE r (x INTEGER)");
  auto t = Table("r");
  t->SetReadOnly(true);
  t->Open();
  EXPECT_FALSE(t->CanModify());
  t->Close();
  auto missing = Table("nowhere");
  EXPECT_THROW(missing->Open(), EDBEngineError);
  EXPECT_FALSE(missing->Active());
  auto unnamed = Table("");
  EXPECT_THROW(unnamed->Open(), EDatabaseError);
}

TEST_P(TableTest, StoredProceduresNeedAnEngineThatHasThem) {
  TStoredProc proc;
  proc.SetDatabaseName(kDb);
  proc.SetStoredProcName("anything");
  if (Pg()) {
    EXPECT_THROW(proc.Prepare(), EDatabaseError);  // not found
  } else {
    try {
      proc.ExecProc();
      FAIL();
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Stored procedures are not supported by SQLite");
    }
  }
}

BEXLO_DB_SUITE(TableTest);

}  // namespace
}  // namespace bexlo::testing
