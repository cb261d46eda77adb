// Databases and the session: name resolution, transactions, savepoints, lost connections,
// execution plans and the catalogue.
#include <unistd.h>

#include <filesystem>

#include "db_test_support.h"
#include "util/settings.h"
#include "util/strings.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

TEST(DatabaseNames, ResolveByAliasFileConnectionStringOrDirectory) {
  const fs::path dir = fs::temp_directory_path() / ("bexlo-names-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string saved = ApplicationDir;
  ApplicationDir = dir.string() + "/";

  EXPECT_EQ(ResolveDatabaseName("sqlite:/x/y.db").connect, "/x/y.db");
  EXPECT_EQ(ResolveDatabaseName("/some/where/file.sqlite").kind, TDatabaseTarget::Kind::SQLite);
  EXPECT_EQ(ResolveDatabaseName("postgresql://u@h/db").kind, TDatabaseTarget::Kind::PostgreSQL);
  EXPECT_EQ(ResolveDatabaseName("host=/tmp dbname=x").kind, TDatabaseTarget::Kind::PostgreSQL);
  // A directory, or the empty name for the program's directory: the local-tables database.
  EXPECT_EQ(ResolveDatabaseName(dir.string()).connect, (dir / "local_tables.sqlite").string());
  EXPECT_EQ(ResolveDatabaseName("").Key(), ResolveDatabaseName(dir.string()).Key());
  Session().AddAlias("Main", "sqlite:" + (dir / "main.db").string());
  EXPECT_TRUE(Session().IsAlias("MAIN"));
  EXPECT_EQ(ResolveDatabaseName("main").connect, (dir / "main.db").string());
  try {
    ResolveDatabaseName("no such thing");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("'no such thing'"), std::string::npos);
  }
  // The empty name and the directory share one connection.
  TQuery a, b;
  a.SetSQLText("CREATE TABLE local_t (x INTEGER)");
  a.ExecSQL();
  b.SetDatabaseName(dir.string());
  b.SetSQLText("SELECT count(*) FROM local_t");
  b.Open();
  EXPECT_EQ(b.Fields(0)->AsInteger(), 0);
  EXPECT_EQ(a.Database(), nullptr);  // a query that ran lets go of its database
  EXPECT_EQ(b.Database(), Session().OpenDatabase(""));
  b.Close();
  Session().DeleteAlias("Main");
  Session().DropConnections();
  ApplicationDir = saved;
  fs::remove_all(dir);
}

class DatabaseTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE acc (id INTEGER PRIMARY KEY, amount INTEGER NOT NULL)");
    Exec("INSERT INTO acc VALUES (1, 100), (2, 200)");
  }
};

TEST_P(DatabaseTest, TransactionsCommitAndRollBack) {
  TDatabase& db = Db();
  EXPECT_FALSE(db.InTransaction());
  EXPECT_THROW(db.Commit(), EDatabaseError);
  db.StartTransaction();
  EXPECT_THROW(db.StartTransaction(), EDatabaseError);
  Exec("UPDATE acc SET amount = 0");
  db.Rollback();
  EXPECT_EQ(Scalar("SELECT sum(amount) FROM acc"), "300");
  db.StartTransaction();
  Exec("UPDATE acc SET amount = amount + 1");
  db.Commit();
  EXPECT_EQ(Scalar("SELECT sum(amount) FROM acc"), "302");
  // BEGIN sent as text is seen too.
  Exec("BEGIN");
  EXPECT_TRUE(db.InTransaction());
  Exec("ROLLBACK");
  EXPECT_FALSE(db.InTransaction());
}

TEST_P(DatabaseTest, AtomicBlocksWriteAllOrNothing) {
  TDatabase& db = Db();
  auto failing = [&] {
    db.Execute("UPDATE acc SET amount = 1 WHERE id = 1");
    db.Execute("INSERT INTO acc VALUES (1, 5)");  // duplicate key
  };
  EXPECT_THROW(db.Atomic(failing), EDBEngineError);
  EXPECT_EQ(Scalar("SELECT amount FROM acc WHERE id = 1"), "100");
  EXPECT_FALSE(db.InTransaction());
  // Inside a transaction the block becomes a savepoint: the transaction survives the failure.
  db.StartTransaction();
  db.Execute("UPDATE acc SET amount = 7 WHERE id = 2");
  EXPECT_THROW(db.Atomic(failing), EDBEngineError);
  EXPECT_TRUE(db.InTransaction());
  db.Commit();
  EXPECT_EQ(Scalar("SELECT amount FROM acc WHERE id = 1"), "100");
  EXPECT_EQ(Scalar("SELECT amount FROM acc WHERE id = 2"), "7");
}

// Only PostgreSQL keeps a transaction open after a failed statement, and only a server can drop
// a connection.
class ServerTest : public DatabaseTest {};

TEST_P(ServerTest, CommitOfAFailedTransactionIsAnError) {
  TDatabase& db = Db();
  db.StartTransaction();
  db.Execute("UPDATE acc SET amount = 0 WHERE id = 1");
  EXPECT_THROW(db.Execute("INSERT INTO acc VALUES (1, 1)"), EDBEngineError);
  // The engine would answer COMMIT with a silent ROLLBACK; that is not a success.
  try {
    db.Commit();
    FAIL() << "a rolled-back transaction was reported as committed";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "The transaction was rolled back because a statement in it failed");
  }
  EXPECT_FALSE(db.InTransaction());
  EXPECT_EQ(Scalar("SELECT amount FROM acc WHERE id = 1"), "100");
}

TEST_P(ServerTest, LostConnectionFailsClearlyAndReconnects) {
  const std::string pid = Scalar("SELECT pg_backend_pid()");
  auto admin = OtherConnection();
  admin->Execute("SELECT pg_terminate_backend(" + pid + ")");
  EXPECT_THROW(Scalar("SELECT 1"), EDBEngineError);
  EXPECT_EQ(Scalar("SELECT count(*) FROM acc"), "2");  // the next statement reconnects
  EXPECT_NE(Scalar("SELECT pg_backend_pid()"), pid);
}

TEST_P(DatabaseTest, OpenCursorAndAnotherStatementShareTheConnection) {
  Exec("INSERT INTO acc SELECT id + 2, amount FROM acc");
  Exec("INSERT INTO acc SELECT id + 4, amount FROM acc");
  auto big = Query("SELECT id FROM acc ORDER BY id");
  big->Open();  // only the first row is read
  EXPECT_EQ(Scalar("SELECT count(*) FROM acc"), "8");
  std::int64_t sum = 0;
  for (; !big->Eof(); big->Next()) sum += big->Fields(0)->AsInteger();
  EXPECT_EQ(sum, 36);
  // Closing a half-read result leaves the connection usable.
  big->Open();
  big->Close();
  EXPECT_EQ(Scalar("SELECT max(id) FROM acc"), "8");
}

TEST_P(DatabaseTest, PlanAndCatalogue) {
  const std::vector<std::string> plan = Db().ExplainPlan("SELECT * FROM acc WHERE id = :id");
  ASSERT_FALSE(plan.empty());
  TStringList tables;
  Db().GetTableNames(tables);
  EXPECT_GE(tables.IndexOf("acc"), 0);
  const TDialect& d = Db().Dialect();
  EXPECT_EQ(d.QuoteName("plain_name"), "plain_name");
  EXPECT_EQ(d.QuoteIdentifier("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(d.QuoteString("it's"), "'it''s'");
  EXPECT_EQ(d.ExpertColumnType(ftCurrency), "Numeric");
  EXPECT_EQ(d.ExpertColumnType(ftBlob), "");
  auto invalid = Query(d.InvalidObjectsStatement());
  invalid->Open();
  EXPECT_TRUE(invalid->IsEmpty());
  EXPECT_NE(invalid->FindField("OBJECT_NAME"), nullptr);
  auto errors = Query(d.ObjectErrorsStatement());
  errors->ParamByName("OBJ_TYPE")->SetAsString("VIEW");
  errors->ParamByName("OBJ_NAME")->SetAsString("V");
  errors->Open();
  EXPECT_TRUE(errors->IsEmpty());
}

TEST_P(DatabaseTest, NamedDatabasesAndTheSession) {
  TDatabase main;
  main.SetDatabaseName("Accounts");
  main.SetAliasName(kDb);  // an alias as the target
  TDatabase twin;
  EXPECT_THROW(twin.SetDatabaseName("ACCOUNTS"), EDatabaseError);  // names are unique
  auto q = std::make_unique<TQuery>();
  q->SetDatabaseName("accounts");
  q->SetSQLText("SELECT count(*) FROM acc");
  q->Open();
  EXPECT_EQ(q->Database(), &main);
  EXPECT_TRUE(main.Connected());
  EXPECT_THROW(main.SetAliasName("other"), EDatabaseError);  // not while connected
  EXPECT_EQ(main.DataSetCount(), 1);
  main.Close();  // closes its data sets first
  EXPECT_FALSE(q->Active());
  EXPECT_EQ(q->Database(), nullptr);
  q->Open();  // and they can open again
  EXPECT_EQ(q->Fields(0)->AsInteger(), 2);
  TStringList names;
  Session().GetAliasNames(names);
  EXPECT_GE(names.IndexOf(kDb), 0);
  EXPECT_EQ(Db().DriverName(), Pg() ? "POSTGRESQL" : "SQLITE");
}

BEXLO_DB_SUITE(DatabaseTest);
BEXLO_PG_SUITE(ServerTest);

}  // namespace
}  // namespace bexlo::testing
