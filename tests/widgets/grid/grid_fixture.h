// A search grid over a fresh table, shown offscreen, for the grid widget tests. Every test runs on
// SQLite (a temporary file) and on PostgreSQL (a schema of its own in the private test cluster
// that the pg fixture starts; a missing cluster fails the test).
//
// The table T has ID (integer key), NAME (text), AMOUNT (real) and DAY (date), with `rows`
// generated rows: ID i, NAME "customer i" (row 3 is "O'Brien"), AMOUNT i * 1.5, DAY 2024-01-dd.
// Queries name the columns in upper case on both engines (Select).
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <initializer_list>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/pg_conninfo.h"

#include "db/data_source.h"
#include "db/database.h"
#include "db/driver.h"
#include "db/field.h"
#include "db/query.h"
#include "util/ui_services.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/search_grid.h"

namespace bexlo::testing {

enum class GridEngine { SQLite, PostgreSQL };

class GridTest : public ::testing::TestWithParam<GridEngine> {
 protected:
  bool Pg() const { return GetParam() == GridEngine::PostgreSQL; }

  void SetUp() override {
    if (Pg()) {
      static int counter = 0;
      admin_ = PgConnInfo();
      ASSERT_FALSE(admin_.empty()) << "the PostgreSQL test cluster is not running: run the pg tests through ctest";
      schema_ = "grid_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
      Session().AddAlias("gridadmin", admin_);
      Session().OpenDatabase("gridadmin")->Execute("CREATE SCHEMA " + schema_);
      Session().AddAlias("gridtest", admin_ + " options='-c search_path=" + schema_ + "'");
      db_name_ = "gridtest";
    } else {
      ASSERT_TRUE(dir_.isValid());
      db_name_ = dir_.filePath(QStringLiteral("grid.db")).toStdString();
      CreateSqliteDatabase(db_name_);
    }
    Build(30);
  }
  void TearDown() override {
    Release();
    if (Pg() && !schema_.empty()) {
      Session().OpenDatabase("gridadmin")->Execute("DROP SCHEMA " + schema_ + " CASCADE");
      Session().DropConnections();
      Session().DeleteAlias("gridtest");
      schema_.clear();
    }
  }

  // Frees the grid and the query (the table stays).
  void Release() {
    if (grid) grid->SetDataSource(nullptr);
    grid.reset();
    if (query) query->Close();
    query.reset();
    source.reset();
    if (TDatabase* db = Session().FindDatabase(db_name_)) db->Close();
    Session().DropConnections();
  }

  // "SELECT cols rest" with each column named in upper case ("NULL AS X" stays an expression).
  std::string Select(std::initializer_list<const char*> cols, const std::string& rest) const {
    std::string sql = "SELECT ";
    bool first = true;
    for (const char* c : cols) {
      if (!first) sql += ", ";
      first = false;
      const std::string col = c;
      const std::size_t as = col.find(" AS ");
      if (as != std::string::npos) sql += col.substr(0, as) + " AS " + (Pg() ? "\"" + col.substr(as + 4) + "\"" : col.substr(as + 4));
      else sql += Pg() ? col + " AS \"" + col + "\"" : col;
    }
    return sql + " " + rest;
  }

  void Build(int rows, const std::string& where = "") {
    TDatabase* db = Session().OpenDatabase(db_name_);
    db->Execute("DROP TABLE IF EXISTS T");
    db->Execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), AMOUNT REAL, DAY DATE)");
    const std::string name = "CASE WHEN i = 3 THEN 'O''Brien' ELSE 'customer ' || i END";
    if (Pg()) {
      db->Execute("INSERT INTO T SELECT i, " + name + ", i * 1.5, DATE '2024-01-01' + (i % 28) FROM generate_series(1, " +
                  std::to_string(rows) + ") AS s(i)");
    } else {
      db->Execute("WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " + std::to_string(rows) +
                  ") INSERT INTO T SELECT i, " + name +
                  ", i * 1.5, date('2024-01-01', '+' || (i % 28) || ' days') FROM s");
    }
    query = std::make_unique<TQuery>();
    query->SetDatabaseName(db_name_);
    query->SetSQLText(Select({"ID", "NAME", "AMOUNT", "DAY"}, "FROM T" + where + "\nORDER BY ID"));
    source = std::make_unique<TDataSource>();
    source->SetDataSet(query.get());
    grid = std::make_unique<TSearchDBGrid>();
    grid->SetDataField("ID");
    grid->SetDataSource(source.get());
    grid->resize(640, 400);
    query->Open();
    grid->show();
    grid->setFocus();
    QApplication::processEvents();
  }

  int Row() const { return query->CurrentIndex(); }
  std::string Id() const { return query->FieldByName("ID")->AsString(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(grid.get(), key, mods); }
  void Type(const QString& text) { QTest::keyClicks(grid.get(), text); }
  // Selects the column of a field.
  void Column(const std::string& field) {
    for (int c = 0; c < grid->Columns().Count(); ++c) {
      if (grid->Columns().Items(c)->FieldName() == field) grid->SetSelectedIndex(c);
    }
  }

  QTemporaryDir dir_;
  std::string db_name_;
  std::string admin_, schema_;
  std::unique_ptr<TQuery> query;
  std::unique_ptr<TDataSource> source;
  std::unique_ptr<TSearchDBGrid> grid;
};

inline std::string GridEngineName(const ::testing::TestParamInfo<GridEngine>& info) {
  return info.param == GridEngine::SQLite ? "SQLite" : "PostgreSQL";
}

#define BEXLO_GRID_SUITE(Suite)                                                                   \
  INSTANTIATE_TEST_SUITE_P(Drivers, Suite,                                                        \
                           ::testing::Values(::bexlo::testing::GridEngine::SQLite,                \
                                             ::bexlo::testing::GridEngine::PostgreSQL),           \
                           ::bexlo::testing::GridEngineName)

}  // namespace bexlo::testing
