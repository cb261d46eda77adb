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

#include <memory>
#include <string>
#include <vector>

#include "db/dataset.h"
#include "db/driver.h"

namespace bexlo {

class TDatabase;
class TParams;

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
  // Prepares the statement the data set reads (SQL text with positional markers).
  std::unique_ptr<TDriverStatement> PrepareStatement(const std::string& sql);
  // Binds params (by name list order) to a statement; raises "No value for parameter" for an
  // unassigned one.
  static void BindParams(TDriverStatement& statement, const TParams& params,
                         const std::vector<std::string>& names);
  // Runs `statement` (already bound) as the cursor of this data set; takes ownership when
  // `owned`. hiddenRowid: the last column is a ROWID read along for updates.
  void StartCursor(TDriverStatement* statement, bool hiddenRowid);
  // The table that edits write to; empty: the table the result columns come from.
  std::string update_table_;
  std::string update_schema_;
  // Whether this data set may be edited at all (live query, table).
  virtual bool WantsUpdates() const { return false; }
  void InternalOpen() override = 0;
  bool InternalFetch(std::vector<Variant>& values) override;
  void InternalClose() override;
  void InternalFieldsBound() override;
  bool InternalCanModify() const override;
  void InternalApplyUpdate(TUpdateKind kind, const std::vector<Variant>& oldValues,
                           std::vector<Variant>& values, const std::vector<bool>& changed) override;
  void InternalAtomic(const std::function<void()>& body) override;
  std::vector<int> KeyValueIndices() const override;
  // Fills FieldDefs from the cursor's columns.
  void DescribeColumns(TDriverStatement& statement, bool hiddenRowid);
  // Releases the database this data set holds.
  void ReleaseDatabase();

 private:
  struct UpdateColumn {
    int value_index;
    std::string name;  // column name in the update table
  };
  void ResolveUpdateTarget();
  std::string KeyCondition(const std::vector<Variant>& oldValues, std::vector<Variant>& binds,
                           int& marker) const;
  void ReadBack(TDriverStatement& statement, std::vector<Variant>& values);
  std::string Marker(int n) const;
  void CheckOneRow(std::int64_t rows) const;

  std::string database_name_;
  std::string unique_field_;
  TDatabase* database_ = nullptr;
  TDriverStatement* cursor_ = nullptr;
  std::unique_ptr<TDriverStatement> owned_cursor_;
  std::vector<Variant> prefetched_;
  bool has_prefetched_ = false;
  bool cursor_done_ = true;
  bool hidden_rowid_ = false;
  // Update target, resolved at open.
  bool updatable_ = false;
  std::string table_sql_;               // quoted table name
  std::vector<UpdateColumn> columns_;   // updatable columns of the result
  std::vector<int> key_indices_;        // value indices of the key
  std::vector<std::string> key_names_;  // their column names
  std::string key_error_;               // why there is no key (empty: there is one)
};

}  // namespace bexlo
