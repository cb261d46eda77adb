// The fixture of the shared data-access suite. Each test gets a fresh database named "test": a
// new SQLite file, or a new schema of the private PostgreSQL cluster (BEXLO_PG_STATE names the
// file scripts/pg-test-cluster wrote). A missing cluster fails the test; it never skips.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/pg_conninfo.h"
#include "db/db.h"

namespace bexlo::testing {

enum class Engine { SQLite, PostgreSQL };

class DbTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool Pg() const { return GetParam() == Engine::PostgreSQL; }
  // The database name the tests use.
  static constexpr const char* kDb = "test";
  TDatabase& Db() { return *Session().OpenDatabase(kDb); }
  void Exec(const std::string& sql) { Db().Execute(sql); }
  // A query on the test database (not opened).
  std::unique_ptr<TQuery> Query(const std::string& sql);
  // A second, independent connection to the same database ("another user").
  std::unique_ptr<TDatabase> OtherConnection();
  // The first column of the first row of sql, as text.
  std::string Scalar(const std::string& sql);
  // Engine-neutral column types.
  const char* Int() const { return "INTEGER"; }
  const char* Text() const { return Pg() ? "TEXT" : "VARCHAR(255)"; }

  std::string target_;
  std::string dir_;
  std::string schema_;
  std::string admin_;
};


std::string EngineName(const ::testing::TestParamInfo<Engine>& info);

#define BEXLO_DB_SUITE(Suite)                                                          \
  INSTANTIATE_TEST_SUITE_P(Drivers, Suite,                                             \
                           ::testing::Values(::bexlo::testing::Engine::SQLite,         \
                                             ::bexlo::testing::Engine::PostgreSQL),    \
                           ::bexlo::testing::EngineName)

// Suites about what only PostgreSQL has (stored procedures, a server that can go away).
#define BEXLO_PG_SUITE(Suite)                                                             \
  INSTANTIATE_TEST_SUITE_P(Drivers, Suite,                                                \
                           ::testing::Values(::bexlo::testing::Engine::PostgreSQL),       \
                           ::bexlo::testing::EngineName)

}  // namespace bexlo::testing
