// TTable: all rows of one table, editable unless ReadOnly.
//
// TableName is written as a user writes it (see TDialect::QuoteName: "TABLE1.DBF" is one table in
// SQLite). IndexFieldNames orders the rows and names the key that SetKey/GotoKey/FindKey search;
// without it the key is the table's primary key. CreateTable makes the table from FieldDefs,
// DeleteTable drops it and EmptyTable deletes all its rows (an open table is read again).
#pragma once

#include <string>
#include <vector>

#include "db/db_dataset.h"

namespace bexlo {

class TTable : public TDBDataSet {
 public:
  explicit TTable(TComponent* owner = nullptr);
  ~TTable() override;

  std::string_view ClassName() const noexcept override { return "TTable"; }

  const std::string& TableName() const noexcept { return table_name_; }
  void SetTableName(std::string name);
  // ";"-separated fields that order the rows and form the search key.
  const std::string& IndexFieldNames() const noexcept { return index_field_names_; }
  void SetIndexFieldNames(std::string names);
  bool ReadOnly() const noexcept { return read_only_; }
  void SetReadOnly(bool value);

  bool Exists();
  void CreateTable();
  void DeleteTable();
  void EmptyTable();

  // Key search: SetKey enters the set-key state in which the key fields take the values sought;
  // GotoKey moves to the first record with those values (false and no move when none).
  void SetKey();
  bool GotoKey();
  bool FindKey(const std::vector<Variant>& values);
  void CancelKey();

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool WantsUpdates() const override { return !read_only_; }
  void InternalInitFieldDefs() override;

 private:
  std::string SelectText() const;
  std::vector<std::string> KeyFieldNames();

  std::string table_name_;
  std::string index_field_names_;
  bool read_only_ = false;
};

}  // namespace bexlo
