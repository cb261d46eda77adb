#include "db/table.h"

#include <algorithm>

#include "db/database.h"
#include "db/db_error.h"
#include "db/dialect.h"
#include "db/field.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

TTable::TTable(TComponent* owner) : TDBDataSet(owner) {}

TTable::~TTable() {
  Destroying();
  Close();
}

void TTable::SetTableName(std::string name) {
  CheckInactive();
  table_name_ = std::move(name);
}

void TTable::SetIndexFieldNames(std::string names) {
  index_field_names_ = std::move(names);
  if (Active()) Refresh();
}

void TTable::SetReadOnly(bool value) {
  CheckInactive();
  read_only_ = value;
}

std::string TTable::SelectText() const {
  const TDialect& dialect = Database()->Dialect();
  std::string sql = "SELECT * FROM " + dialect.QuoteName(table_name_);
  const std::vector<std::string> order = SplitFieldNames(index_field_names_);
  for (std::size_t i = 0; i < order.size(); ++i) {
    sql += (i == 0 ? " ORDER BY " : ", ") + dialect.QuoteName(order[i]);
  }
  return sql;
}

void TTable::InternalOpen() {
  if (Trim(table_name_).empty()) throw EDatabaseError(msg::SNoTableName);
  OpenDatabase();
  const std::string sql = SelectText();
  std::unique_ptr<TDriverStatement> statement;
  if (!read_only_) statement = PrepareWithRowid(sql);
  const int hidden = statement ? 0 : -1;
  if (!statement) statement = PrepareStatement(sql);
  StartCursor(std::move(statement), hidden);
}

void TTable::InternalInitFieldDefs() {
  if (Trim(table_name_).empty()) throw EDatabaseError(msg::SNoTableName);
  OpenDatabase();
  try {
    auto statement = PrepareStatement(SelectText());
    DescribeStatement(*statement, -1);
  } catch (...) {
    ReleaseDatabase();
    throw;
  }
  ReleaseDatabase();
}

void TTable::InternalClose() {
  TDBDataSet::InternalClose();
  ReleaseDatabase();
}

bool TTable::Exists() {
  if (Trim(table_name_).empty()) throw EDatabaseError(msg::SNoTableName);
  std::string schema, table;
  TDatabase& db = OpenDatabase();
  SplitTableName(table_name_, schema, table);
  const bool found = !db.Connection().TableColumns(schema, table).empty();
  if (!Active()) ReleaseDatabase();
  return found;
}

void TTable::CreateTable() {
  CheckInactive();
  if (Trim(table_name_).empty()) throw EDatabaseError(msg::SNoTableName);
  TDatabase& db = OpenDatabase();
  const TDialect& dialect = db.Dialect();
  std::string columns;
  for (const TFieldDef& def : FieldDefs()) {
    if (!columns.empty()) columns += ", ";
    columns += dialect.QuoteName(def.Name) + " " + dialect.ColumnType(def);
    if (def.Required && def.DataType != ftAutoInc) columns += " NOT NULL";
  }
  if (columns.empty()) {
    ReleaseDatabase();
    throw EDatabaseError(msg::SFieldNameMissing);
  }
  try {
    db.Execute("CREATE TABLE " + dialect.QuoteName(table_name_) + " (" + columns + ")");
  } catch (...) {
    ReleaseDatabase();
    throw;
  }
  ReleaseDatabase();
}

void TTable::DeleteTable() {
  CheckInactive();
  if (Trim(table_name_).empty()) throw EDatabaseError(msg::SNoTableName);
  TDatabase& db = OpenDatabase();
  try {
    db.Execute("DROP TABLE " + db.Dialect().QuoteName(table_name_));
  } catch (...) {
    ReleaseDatabase();
    throw;
  }
  ReleaseDatabase();
}

void TTable::EmptyTable() {
  if (Trim(table_name_).empty()) throw EDatabaseError(msg::SNoTableName);
  if (Active()) CheckBrowseMode();
  TDatabase& db = OpenDatabase();
  try {
    db.Execute("DELETE FROM " + db.Dialect().QuoteName(table_name_));
  } catch (...) {
    if (!Active()) ReleaseDatabase();
    throw;
  }
  if (Active()) {
    Refresh();
  } else {
    ReleaseDatabase();
  }
}

std::vector<std::string> TTable::KeyFieldNames() {
  std::vector<std::string> names = SplitFieldNames(index_field_names_);
  if (!names.empty()) return names;
  std::string schema, table;
  SplitTableName(table_name_, schema, table);
  std::vector<TTableColumn> columns = OpenDatabase().Connection().TableColumns(schema, table);
  std::sort(columns.begin(), columns.end(),
            [](const TTableColumn& a, const TTableColumn& b) { return a.KeyIndex < b.KeyIndex; });
  for (const TTableColumn& c : columns) {
    if (c.KeyIndex <= 0) continue;
    if (TField* f = FindField(c.Name)) names.push_back(f->FieldName());
  }
  return names;
}

void TTable::SetKey() { EnterSetKey(); }

bool TTable::GotoKey() {
  CheckActive();
  if (State() != dsSetKey) return false;
  const std::vector<std::string> names = KeyFieldNames();
  std::vector<Variant> values;
  std::string fields;
  for (const std::string& name : names) {
    values.push_back(KeyBufferValue(*FieldByName(name)));
    fields += (fields.empty() ? "" : ";") + name;
  }
  Cancel();  // back to browsing
  if (names.empty()) return false;
  // Only the leading key fields that were given take part in the search.
  while (!values.empty() && values.back().IsNull()) {
    values.pop_back();
    const std::size_t semi = fields.rfind(';');
    fields = semi == std::string::npos ? std::string() : fields.substr(0, semi);
  }
  if (values.empty()) return false;
  return Locate(fields, values);
}

bool TTable::FindKey(const std::vector<Variant>& values) {
  SetKey();
  const std::vector<std::string> names = KeyFieldNames();
  try {
    for (std::size_t i = 0; i < values.size() && i < names.size(); ++i) {
      FieldByName(names[i])->SetValue(values[i]);
    }
  } catch (...) {
    Cancel();
    throw;
  }
  return GotoKey();
}

void TTable::CancelKey() {
  if (State() == dsSetKey) Cancel();
}

}  // namespace bexlo
