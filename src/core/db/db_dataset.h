// TDBDataSet: a data set whose records come from a database statement (the base of TQuery, TTable
// and TStoredProc). It opens the database named by DatabaseName through the session, runs the
// statement, turns the result columns into field definitions and reads rows as the data set asks.
//
// Editing (when the concrete class allows it) writes to the one table the rows come from, by key:
// the columns named in UniqueField; otherwise SQLite's ROWID (read along unseen) or the table's
// primary key. Without a key, new records can still be inserted but existing ones cannot be
// changed ("... cannot be updated: the data set has no key"). Inserts and updates read back what
// the database stored (defaults, generated keys) with RETURNING.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "db/dataset.h"
#include "db/driver.h"

namespace bexlo {

class TDatabase;
class TParams;

// Whether a SELECT statement reads one table plainly: no join, no second table in FROM, no
// UNION/INTERSECT/EXCEPT, GROUP BY, HAVING or DISTINCT outside parentheses.
bool IsSingleTableSelect(std::string_view sql);

class TDBDataSet : public TDataSet {
 public:
  explicit TDBDataSet(TComponent* owner = nullptr);
  ~TDBDataSet() override;

  std::string_view ClassName() const noexcept override { return "TDBDataSet"; }

  const std::string& DatabaseName() const noexcept { return database_name_; }
  // Changing the name of an open data set raises "Cannot perform this operation on an open dataset".
  void SetDatabaseName(std::string name);
  // The database while the data set uses it (open or prepared); null otherwise.
  TDatabase* Database() const noexcept { return database_; }
  // Opens (through the session) the database of DatabaseName and keeps it for this data set.
  TDatabase& OpenDatabase();

  // Comma- or ";"-separated key field names used to update and delete records and to find
  // bookmarks again after reopening; empty: ROWID (SQLite) or the table's primary key.
  const std::string& UniqueField() const noexcept { return unique_field_; }
  void SetUniqueField(std::string names) { unique_field_ = std::move(names); }

  // Called by the database when it closes: releases statements and closes the data set.
  virtual void DatabaseClosing();

 protected:
  // ---- for the concrete data sets ---------------------------------------------------------------
  // Prepares a statement on this data set's database.
  std::unique_ptr<TDriverStatement> PrepareStatement(const std::string& sql);
  // SQLite: the statement with the ROWID read along as its first column, so that edits can find
  // the record; null when that does not compile (joins, views, DISTINCT ...) or on other engines.
  std::unique_ptr<TDriverStatement> PrepareWithRowid(const std::string& sql);
  // Binds params to the statement's markers (names[i] is marker i+1); raises "No value for
  // parameter" for an unassigned one.
  static void BindParams(TDriverStatement& statement, const TParams& params,
                         const std::vector<std::string>& names);
  // Runs a bound statement as this data set's cursor: fills FieldDefs and ValueCount, learns the
  // table and key that edits write to. hiddenIndex: the ROWID column read along (-1: none).
  void StartCursor(TDriverStatement& statement, int hiddenIndex);
  void StartCursor(std::unique_ptr<TDriverStatement> statement, int hiddenIndex);
  // Fills FieldDefs from a prepared statement's columns without running it.
  void DescribeStatement(TDriverStatement& statement, int hiddenIndex);
  // Whether this data set may be edited at all (live query, table).
  virtual bool WantsUpdates() const { return false; }
  // Whether the statement reads one table plainly (no join, union, grouping or DISTINCT), so
  // that its rows are rows of that table.
  virtual bool ReadsOneTable() const { return true; }
  // Lets go of the database (not while prepared statements still need it).
  void ReleaseDatabase();
  // Splits a table name as the engine reads it: schema (may be empty) and table, unquoted; an
  // unquoted PostgreSQL name is folded to lower case.
  void SplitTableName(std::string_view name, std::string& schema, std::string& table);

  void InternalOpen() override = 0;
  bool InternalFetch(std::vector<Variant>& values) override;
  void InternalClose() override;
  void InternalFieldsBound() override;
  bool InternalCanModify() const override;
  void InternalApplyUpdate(TUpdateKind kind, const std::vector<Variant>& oldValues,
                           std::vector<Variant>& values, const std::vector<bool>& changed) override;
  void InternalAtomic(const std::function<void()>& body) override;
  bool InternalInTransaction() const override;
  std::vector<int> KeyValueIndices() const override { return key_indices_; }

 private:
  struct UpdateColumn {
    int value_index;
    std::string sql;     // quoted column name in the update table
    std::string origin;  // the same, unquoted
  };
  void ResolveUpdateTarget(TDriverStatement& statement);
  // Field definitions of the statement's columns; a column without a declared type takes its
  // type from the first non-NULL value of `rows` (the rows read ahead).
  void FillFieldDefs(TDriverStatement& statement, const std::deque<std::vector<Variant>>* rows);
  std::string KeyCondition(const std::vector<Variant>& oldValues, std::vector<Variant>& binds,
                           std::vector<TFieldType>& types) const;
  std::string Marker(int n) const;

  std::string database_name_;
  std::string unique_field_;
  TDatabase* database_ = nullptr;
  TDriverStatement* cursor_ = nullptr;
  std::unique_ptr<TDriverStatement> owned_cursor_;
  // How many rows a stream (unidirectional) reads ahead at most to type its columns.
  static constexpr std::size_t kStreamLookAhead = 1000;
  // Rows read ahead to type the columns without a declared type (Fetch hands them out first).
  std::deque<std::vector<Variant>> prefetched_;
  bool cursor_done_ = true;
  int hidden_index_ = -1;
  std::vector<TFieldType> value_types_;  // data type per value, for binding
  // Where edits go, learned at open.
  bool updatable_ = false;
  std::string table_name_;              // raw name, for messages
  std::string table_sql_;               // quoted (schema-qualified) name
  std::vector<UpdateColumn> columns_;   // result columns that belong to the table
  std::vector<TTableColumn> table_columns_;
  std::vector<int> key_indices_;        // value indices of the key
  std::vector<std::string> key_sql_;    // their column names (or rowid)
};

}  // namespace bexlo
