#include "db_test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "db/driver.h"

namespace bexlo::testing {

namespace fs = std::filesystem;

std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
  return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

void DbTest::SetUp() {
  static int counter = 0;
  const std::string unique = std::to_string(getpid()) + "_" + std::to_string(++counter);
  if (Pg()) {
    admin_ = PgConnInfo();
    ASSERT_FALSE(admin_.empty())
        << "the PostgreSQL test cluster is not running: run the pg tests through ctest (the "
           "fixture starts it) or set BEXLO_PG_STATE / BEXLO_PG_CONNINFO";
    schema_ = "t_" + unique;
    Session().AddAlias("pgadmin", admin_);
    Session().OpenDatabase("pgadmin")->Execute("CREATE SCHEMA " + schema_);
    target_ = admin_ + " options='-c search_path=" + schema_ + "'";
  } else {
    dir_ = (fs::temp_directory_path() / ("bexlo-db-" + unique)).string();
    fs::create_directories(dir_);
    CreateSqliteDatabase(dir_ + "/test.sqlite");
    target_ = "sqlite:" + dir_ + "/test.sqlite";
  }
  Session().AddAlias(kDb, target_);
}

void DbTest::TearDown() {
  Session().DropConnections();
  Session().DeleteAlias(kDb);
  if (Pg() && !schema_.empty()) {
    Session().OpenDatabase("pgadmin")->Execute("DROP SCHEMA " + schema_ + " CASCADE");
  }
  Session().DropConnections();
  if (!dir_.empty()) {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
}

std::unique_ptr<TQuery> DbTest::Query(const std::string& sql) {
  auto q = std::make_unique<TQuery>();
  q->SetDatabaseName(kDb);
  q->SetSQLText(sql);
  return q;
}

std::unique_ptr<TDatabase> DbTest::OtherConnection() {
  static int counter = 0;
  auto db = std::make_unique<TDatabase>();
  db->SetDatabaseName("other" + std::to_string(++counter));
  db->SetAliasName(target_);
  db->Open();
  return db;
}

std::string DbTest::Scalar(const std::string& sql) {
  auto q = Query(sql);
  q->Open();
  return q->Fields(0)->AsString();
}

}  // namespace bexlo::testing
