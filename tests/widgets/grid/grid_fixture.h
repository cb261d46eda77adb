// A search grid over a fresh SQLite table, shown offscreen, for the grid widget tests.
//
// The table T has ID (integer key), NAME (text), AMOUNT (real) and DAY (date), with `rows`
// generated rows: ID i, NAME "customer i" (row 3 is "O'Brien"), AMOUNT i * 1.5, DAY 2024-01-dd.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "db/data_source.h"
#include "db/database.h"
#include "db/field.h"
#include "db/query.h"
#include "util/ui_services.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/search_grid.h"

namespace bexlo::testing {

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(30); }
  void TearDown() override {
    if (grid) grid->SetDataSource(nullptr);
    grid.reset();
    if (query) query->Close();
    query.reset();
    source.reset();
    if (TDatabase* db = Session().FindDatabase(db_name_)) db->Close();
    Session().DropConnections();
  }

  void Build(int rows, const std::string& where = "") {
    ASSERT_TRUE(dir_.isValid());
    db_name_ = dir_.filePath(QStringLiteral("grid.db")).toStdString();
    TDatabase* db = Session().OpenDatabase(db_name_);
    db->Execute("DROP TABLE IF EXISTS T");
    db->Execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), AMOUNT REAL, DAY DATE)");
    db->Execute(
        "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " + std::to_string(rows) +
        ") INSERT INTO T SELECT i, CASE WHEN i = 3 THEN 'O''Brien' ELSE 'customer ' || i END, i * 1.5, "
        "date('2024-01-01', '+' || (i % 28) || ' days') FROM s");
    query = std::make_unique<TQuery>();
    query->SetDatabaseName(db_name_);
    query->SetSQLText("SELECT ID, NAME, AMOUNT, DAY FROM T" + where + "\nORDER BY ID");
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
  std::unique_ptr<TQuery> query;
  std::unique_ptr<TDataSource> source;
  std::unique_ptr<TSearchDBGrid> grid;
};

}  // namespace bexlo::testing
