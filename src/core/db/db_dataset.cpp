#include "db/db_dataset.h"

#include <algorithm>
#include <cctype>

#include "db/database.h"
#include "db/db_error.h"
#include "db/dialect.h"
#include "db/params.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

// Where a hidden ROWID can go: right after the statement's leading SELECT (not SELECT DISTINCT
// or SELECT ALL). npos when the statement does not start with SELECT.
std::size_t RowidInsertPosition(std::string_view sql) {
  std::size_t i = 0;
  while (i < sql.size()) {
    if (static_cast<unsigned char>(sql[i]) <= ' ') {
      ++i;
    } else if (sql.substr(i, 2) == "--") {
      const std::size_t eol = sql.find('\n', i);
      i = eol == std::string_view::npos ? sql.size() : eol + 1;
    } else if (sql.substr(i, 2) == "/*") {
      const std::size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? sql.size() : end + 2;
    } else {
      break;
    }
  }
  if (i + 6 > sql.size() || !SameText(sql.substr(i, 6), "SELECT")) return std::string_view::npos;
  const std::size_t after = i + 6;
  if (after < sql.size() && static_cast<unsigned char>(sql[after]) > ' ' && sql[after] != '*') {
    return std::string_view::npos;
  }
  std::size_t j = after;
  while (j < sql.size() && static_cast<unsigned char>(sql[j]) <= ' ') ++j;
  for (std::string_view word : {"DISTINCT", "ALL"}) {
    if (j + word.size() <= sql.size() && SameText(sql.substr(j, word.size()), word) &&
        (j + word.size() == sql.size() ||
         static_cast<unsigned char>(sql[j + word.size()]) <= ' ')) {
      return std::string_view::npos;
    }
  }
  return after;
}

constexpr std::string_view kRowidAlias = "bexlo_rowid";

}  // namespace

bool IsSingleTableSelect(std::string_view sql) {
  // Words and commas outside literals, comments and parentheses.
  std::vector<std::string> tokens;
  int depth = 0;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const std::size_t end = sql.find(close, i + 1);
      i = end == std::string_view::npos ? sql.size() : end + 1;
      if (depth == 0) tokens.emplace_back("?");  // a literal or a quoted name
      continue;
    }
    if (sql.substr(i, 2) == "--") {
      const std::size_t eol = sql.find('\n', i);
      i = eol == std::string_view::npos ? sql.size() : eol + 1;
      continue;
    }
    if (sql.substr(i, 2) == "/*") {
      const std::size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? sql.size() : end + 2;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u) || c == '_') {
      std::size_t j = i;
      while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_')) ++j;
      if (depth == 0) tokens.push_back(AsciiUpperCase(sql.substr(i, j - i)));
      i = j;
      continue;
    }
    if (c == ',' && depth == 0) tokens.emplace_back(",");
    ++i;
  }
  bool inFrom = false;
  for (const std::string& t : tokens) {
    if (t == "JOIN" || t == "UNION" || t == "INTERSECT" || t == "EXCEPT" || t == "GROUP" ||
        t == "HAVING" || t == "DISTINCT" || t == "WINDOW") {
      return false;
    }
    if (t == "FROM") {
      inFrom = true;
    } else if (t == "WHERE" || t == "ORDER" || t == "LIMIT" || t == "OFFSET" || t == "FOR") {
      inFrom = false;
    } else if (t == "," && inFrom) {
      return false;  // FROM a, b
    }
  }
  return true;
}

TDBDataSet::TDBDataSet(TComponent* owner) : TDataSet(owner) {}

TDBDataSet::~TDBDataSet() {
  Destroying();
  Close();
  owned_cursor_.reset();
  ReleaseDatabase();
}

void TDBDataSet::SetDatabaseName(std::string name) {
  CheckInactive();
  if (database_ != nullptr) DatabaseClosing();
  database_name_ = std::move(name);
}

TDatabase& TDBDataSet::OpenDatabase() {
  if (database_ == nullptr) {
    TDatabase* db = Session().OpenDatabase(database_name_);
    db->RegisterDataSet(this);
    database_ = db;
  }
  return *database_;
}

void TDBDataSet::ReleaseDatabase() {
  if (database_ == nullptr) return;
  TDatabase* db = database_;
  database_ = nullptr;
  db->UnregisterDataSet(this);
  Session().CloseDatabase(db);
}

void TDBDataSet::DatabaseClosing() {
  Close();
  owned_cursor_.reset();
  cursor_ = nullptr;
  if (database_ != nullptr) {
    database_->UnregisterDataSet(this);
    database_ = nullptr;
  }
}

void TDBDataSet::SplitTableName(std::string_view name, std::string& schema, std::string& table) {
  const bool pg = OpenDatabase().DriverName() == "POSTGRESQL";
  auto clean = [pg](std::string part) {
    part = Trim(part);
    if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
      return part.substr(1, part.size() - 2);
    }
    return pg ? AsciiLowerCase(part) : part;
  };
  const std::string text = Trim(name);
  schema.clear();
  const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  const std::size_t dot = text.find('.');
  if (pg && !quoted && dot != std::string::npos) {
    schema = clean(text.substr(0, dot));
    table = clean(text.substr(dot + 1));
  } else {
    table = clean(text);
  }
}

std::unique_ptr<TDriverStatement> TDBDataSet::PrepareStatement(const std::string& sql) {
  return OpenDatabase().Connection().Prepare(sql);
}

std::unique_ptr<TDriverStatement> TDBDataSet::PrepareWithRowid(const std::string& sql) {
  TDatabase& db = OpenDatabase();
  if (db.DriverName() != "SQLITE") return nullptr;
  const std::size_t at = RowidInsertPosition(sql);
  if (at == std::string::npos) return nullptr;
  const std::string text =
      sql.substr(0, at) + " rowid AS \"" + std::string(kRowidAlias) + "\"," + sql.substr(at);
  try {
    auto statement = db.Connection().Prepare(text);
    // The ROWID must belong to the table the other columns come from.
    if (statement->ColumnCount() < 2 || statement->Column(0).Table.empty()) return nullptr;
    return statement;
  } catch (const EDatabaseError&) {
    return nullptr;
  }
}

void TDBDataSet::BindParams(TDriverStatement& statement, const TParams& params,
                            const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    const TParam* p = params.FindParam(names[i]);
    if (p == nullptr) throw EDatabaseError(Format(msg::SParameterNotFound, names[i]));
    if (!p->IsAssigned()) throw EDatabaseError(Format(msg::SNoParameterValue, p->Name()));
    statement.Bind(static_cast<int>(i), p->BindValue(), p->DataType());
  }
}

void TDBDataSet::StartCursor(std::unique_ptr<TDriverStatement> statement, int hiddenIndex) {
  owned_cursor_ = std::move(statement);
  StartCursor(*owned_cursor_, hiddenIndex);
}

void TDBDataSet::StartCursor(TDriverStatement& statement, int hiddenIndex) {
  cursor_ = &statement;
  hidden_index_ = hiddenIndex;
  prefetched_.clear();
  cursor_done_ = false;
  statement.SetTargets({});
  // The update target is learned before the rows stream (PostgreSQL asks its catalogue).
  if (WantsUpdates()) {
    statement.Describe(true);
    ResolveUpdateTarget(statement);
  } else {
    updatable_ = false;
    key_indices_.clear();
    key_sql_.clear();
    columns_.clear();
    table_columns_.clear();
  }
  statement.Execute();
  // Columns without a declared type (SQLite expressions, aggregates, LEFT JOIN sums) are typed by
  // their first non-NULL value: rows are read ahead until every such column has one, as far as
  // needed for a buffered query and at most kStreamLookAhead rows for a stream.
  std::vector<int> untyped;
  for (int i = 0; i < statement.ColumnCount(); ++i) {
    if (statement.Column(i).TypedFromValue) untyped.push_back(i);
  }
  const std::size_t limit = InternalIsUniDirectional() ? kStreamLookAhead : SIZE_MAX;
  while (!untyped.empty() && prefetched_.size() < limit) {
    std::vector<Variant> row;
    if (!statement.Fetch(row)) {
      cursor_done_ = true;
      break;
    }
    std::erase_if(untyped, [&](int i) {
      return static_cast<std::size_t>(i) < row.size() && !row[static_cast<std::size_t>(i)].IsNull();
    });
    prefetched_.push_back(std::move(row));
  }
  FillFieldDefs(statement, prefetched_.empty() ? nullptr : &prefetched_);
}

void TDBDataSet::DescribeStatement(TDriverStatement& statement, int hiddenIndex) {
  hidden_index_ = hiddenIndex;
  statement.Describe(false);
  FillFieldDefs(statement, nullptr);
}

void TDBDataSet::FillFieldDefs(TDriverStatement& statement, const std::deque<std::vector<Variant>>* rows) {
  TFieldDefs& defs = FieldDefs();
  defs.Clear();
  const int n = statement.ColumnCount();
  ValueCount = n;
  for (int i = 0; i < n; ++i) {
    if (i == hidden_index_) continue;
    const TColumnInfo& c = statement.Column(i);
    TFieldType type = c.DataType;
    int size = c.Size;
    if (c.TypedFromValue) {
      // The first non-NULL value decides; an integer column that holds a fraction further down
      // the rows read ahead is a float column.
      type = ftString;
      size = 255;
      bool found = false;
      if (rows != nullptr) {
        for (const std::vector<Variant>& row : *rows) {
          if (static_cast<std::size_t>(i) >= row.size()) continue;
          const Variant& v = row[static_cast<std::size_t>(i)];
          if (v.IsNull()) continue;
          if (!found) {
            found = true;
            switch (v.Type()) {
              case TVariantType::varInteger: type = ftInteger; size = 0; break;
              case TVariantType::varFloat: type = ftFloat; size = 0; break;
              case TVariantType::varBytes: type = ftBlob; size = 0; break;
              default: break;
            }
            if (type != ftInteger) break;
          } else if (v.Type() == TVariantType::varFloat) {
            type = ftFloat;
            break;
          }
        }
      }
    }
    // Names stay unique: a second ID becomes ID_1.
    std::string name = c.Name.empty() ? "COLUMN" + std::to_string(i + 1) : c.Name;
    for (int k = 1; defs.IndexOf(name) >= 0; ++k) name = c.Name + "_" + std::to_string(k);
    bool required = false;
    for (const UpdateColumn& uc : columns_) {
      if (uc.value_index != i) continue;
      for (const TTableColumn& tc : table_columns_) {
        if (tc.Name != c.Origin) continue;
        required = tc.NotNull && !tc.HasDefault && !tc.AutoIncrement;
        if (tc.AutoIncrement && type == ftInteger) type = ftAutoInc;
      }
    }
    TFieldDef& def = defs.Add(name, type, size, required);
    def.Precision = c.Precision;
    def.Scale = c.Scale;
    def.FieldNo = i + 1;
  }
}

void TDBDataSet::ResolveUpdateTarget(TDriverStatement& statement) {
  updatable_ = false;
  columns_.clear();
  table_columns_.clear();
  key_indices_.clear();
  key_sql_.clear();
  table_name_.clear();
  table_sql_.clear();
  if (!ReadsOneTable()) return;
  const int n = statement.ColumnCount();
  // The one table the columns come from.
  std::string schema, table;
  for (int i = 0; i < n; ++i) {
    if (i == hidden_index_) continue;
    const TColumnInfo& c = statement.Column(i);
    if (c.Table.empty()) continue;
    if (table.empty()) {
      schema = c.Schema;
      table = c.Table;
    } else if (c.Table != table || c.Schema != schema) {
      return;  // a join: not editable
    }
  }
  if (table.empty()) return;
  TDatabase& db = OpenDatabase();
  const TDialect& dialect = db.Dialect();
  const bool sqlite = db.DriverName() == "SQLITE";
  table_name_ = table;
  table_sql_ = (!schema.empty() && !(sqlite && schema == "main"))
                   ? dialect.QuoteIdentifier(schema) + "." + dialect.QuoteIdentifier(table)
                   : dialect.QuoteIdentifier(table);
  table_columns_ = db.Connection().TableColumns(schema, table);
  for (int i = 0; i < n; ++i) {
    if (i == hidden_index_) continue;
    const TColumnInfo& c = statement.Column(i);
    if (c.Table == table && c.Schema == schema && !c.Origin.empty()) {
      columns_.push_back({i, dialect.QuoteIdentifier(c.Origin), c.Origin});
    }
  }
  if (columns_.empty()) return;
  updatable_ = true;
  // The key: UniqueField, else the ROWID read along, else the primary key.
  if (!unique_field_.empty()) {
    for (const std::string& name : SplitFieldNames(unique_field_)) {
      int found = -1;
      for (int i = 0; i < n && found < 0; ++i) {
        if (i != hidden_index_ && SameText(statement.Column(i).Name, name)) found = i;
      }
      if (found < 0) {
        key_indices_.clear();
        key_sql_.clear();
        break;
      }
      key_indices_.push_back(found);
      const TColumnInfo& c = statement.Column(found);
      if (sqlite && SameText(name, "ROWID") && (c.Origin.empty() || c.Table == table)) {
        key_sql_.push_back("rowid");
      } else {
        key_sql_.push_back(dialect.QuoteIdentifier(c.Origin.empty() ? c.Name : c.Origin));
      }
    }
    return;
  }
  if (hidden_index_ >= 0) {
    key_indices_.push_back(hidden_index_);
    key_sql_.push_back("rowid");
    return;
  }
  std::vector<const TTableColumn*> key;
  for (const TTableColumn& tc : table_columns_) {
    if (tc.KeyIndex > 0) key.push_back(&tc);
  }
  std::sort(key.begin(), key.end(),
            [](const TTableColumn* a, const TTableColumn* b) { return a->KeyIndex < b->KeyIndex; });
  for (const TTableColumn* tc : key) {
    int found = -1;
    for (int i = 0; i < n && found < 0; ++i) {
      const TColumnInfo& c = statement.Column(i);
      if (i != hidden_index_ && c.Table == table && c.Schema == schema && c.Origin == tc->Name) {
        found = i;
      }
    }
    if (found < 0) {
      key_indices_.clear();
      key_sql_.clear();
      return;
    }
    key_indices_.push_back(found);
    key_sql_.push_back(dialect.QuoteIdentifier(tc->Name));
  }
}

void TDBDataSet::InternalFieldsBound() {
  value_types_.assign(static_cast<std::size_t>(ValueCount), ftUnknown);
  std::vector<TValueKind> targets(static_cast<std::size_t>(ValueCount), TValueKind::Natural);
  for (TField* f : Fields()) {
    if (f->FieldKind() != fkData) continue;
    const auto index = static_cast<std::size_t>(f->ValueIndex());
    if (index >= targets.size()) continue;
    value_types_[index] = f->DataType();
    targets[index] = ValueKindOf(f->DataType());
    f->Origin.clear();
    bool fromTable = false;
    for (const UpdateColumn& uc : columns_) {
      if (uc.value_index != f->ValueIndex()) continue;
      fromTable = true;
      f->Origin = table_name_ + "." + uc.origin;
    }
    // In an editable result, columns computed by the statement cannot be written.
    if (updatable_ && !fromTable && f->Owner() == this) f->ReadOnly = true;
  }
  if (hidden_index_ >= 0) value_types_[static_cast<std::size_t>(hidden_index_)] = ftInteger;
  // Bookmarks of a data set that cannot be edited still find records by UniqueField.
  if (key_indices_.empty() && !unique_field_.empty()) {
    for (const std::string& name : SplitFieldNames(unique_field_)) {
      TField* f = FindField(name);
      if (f == nullptr || f->FieldKind() != fkData) {
        key_indices_.clear();
        break;
      }
      key_indices_.push_back(f->ValueIndex());
    }
  }
  if (cursor_ != nullptr) cursor_->SetTargets(targets);
  for (std::vector<Variant>& row : prefetched_) {
    for (std::size_t i = 0; i < row.size() && i < targets.size(); ++i) ConvertEngineValue(row[i], targets[i]);
  }
}

bool TDBDataSet::InternalFetch(std::vector<Variant>& values) {
  if (!prefetched_.empty()) {
    values.swap(prefetched_.front());
    prefetched_.pop_front();
    return true;
  }
  if (cursor_done_ || cursor_ == nullptr) return false;
  if (!cursor_->Fetch(values)) {
    cursor_done_ = true;
    return false;
  }
  return true;
}

void TDBDataSet::InternalClose() {
  if (cursor_ != nullptr) cursor_->Reset();
  cursor_ = nullptr;
  owned_cursor_.reset();
  prefetched_.clear();
  cursor_done_ = true;
  updatable_ = false;
}

bool TDBDataSet::InternalCanModify() const {
  return updatable_ && WantsUpdates() && !InternalIsUniDirectional();
}

void TDBDataSet::InternalAtomic(const std::function<void()>& body) {
  OpenDatabase().Atomic(body);
}

bool TDBDataSet::InternalInTransaction() const { return database_ != nullptr && database_->InTransaction(); }

std::string TDBDataSet::Marker(int n) const {
  const bool sqlite = database_ != nullptr && database_->DriverName() == "SQLITE";
  std::string marker(1, sqlite ? '?' : '$');
  marker += std::to_string(n);
  return marker;
}

std::string TDBDataSet::KeyCondition(const std::vector<Variant>& oldValues,
                                     std::vector<Variant>& binds,
                                     std::vector<TFieldType>& types) const {
  std::string where;
  for (std::size_t k = 0; k < key_indices_.size(); ++k) {
    const auto index = static_cast<std::size_t>(key_indices_[k]);
    if (!where.empty()) where += " AND ";
    const Variant& value = index < oldValues.size() ? oldValues[index] : Variant();
    if (value.IsNull()) {
      where += key_sql_[k] + " IS NULL";
      continue;
    }
    binds.push_back(value);
    types.push_back(index < value_types_.size() ? value_types_[index] : ftUnknown);
    where += key_sql_[k] + " = " + Marker(static_cast<int>(binds.size()));
  }
  return where;
}

void TDBDataSet::InternalApplyUpdate(TUpdateKind kind, const std::vector<Variant>& oldValues,
                                     std::vector<Variant>& values,
                                     const std::vector<bool>& changed) {
  if (!updatable_) throw EDatabaseError(msg::SDataSetReadOnly);
  if (kind != ukInsert && key_indices_.empty()) {
    throw EDatabaseError(Format(msg::SNoUpdateKey, table_name_));
  }
  std::vector<Variant> binds;
  std::vector<TFieldType> types;
  auto isChanged = [&](int index) {
    return index < static_cast<int>(changed.size()) && changed[static_cast<std::size_t>(index)];
  };
  auto bindValue = [&](int index) {
    binds.push_back(values[static_cast<std::size_t>(index)]);
    types.push_back(value_types_[static_cast<std::size_t>(index)]);
    return Marker(static_cast<int>(binds.size()));
  };
  std::string sql;
  if (kind == ukInsert) {
    std::string names, markers;
    for (const UpdateColumn& uc : columns_) {
      if (!isChanged(uc.value_index)) continue;
      if (!names.empty()) {
        names += ", ";
        markers += ", ";
      }
      names += uc.sql;
      markers += bindValue(uc.value_index);
    }
    sql = "INSERT INTO " + table_sql_ +
          (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + markers + ")");
  } else if (kind == ukModify) {
    std::string sets;
    for (const UpdateColumn& uc : columns_) {
      if (!isChanged(uc.value_index)) continue;
      if (!sets.empty()) sets += ", ";
      sets += uc.sql + " = " + bindValue(uc.value_index);
    }
    if (sets.empty()) return;
    sql = "UPDATE " + table_sql_ + " SET " + sets + " WHERE " + KeyCondition(oldValues, binds, types);
  } else {
    sql = "DELETE FROM " + table_sql_ + " WHERE " + KeyCondition(oldValues, binds, types);
  }
  // Inserts and updates read back what the database stored: defaults, generated keys, triggers.
  std::vector<int> returned;
  if (kind != ukDelete) {
    std::string list;
    for (const UpdateColumn& uc : columns_) {
      list += (list.empty() ? "" : ", ") + uc.sql;
      returned.push_back(uc.value_index);
    }
    if (hidden_index_ >= 0) {
      list += ", rowid";
      returned.push_back(hidden_index_);
    }
    sql += " RETURNING " + list;
  }
  auto statement = OpenDatabase().Connection().Prepare(sql);
  for (std::size_t i = 0; i < binds.size(); ++i) {
    statement->Bind(static_cast<int>(i), ConvertVariant(binds[i], types[i]), types[i]);
  }
  statement->Execute();
  if (kind == ukDelete) {
    // A record someone else deleted already is gone either way; more than one is refused.
    const std::int64_t rows = statement->RowsAffected();
    if (rows > 1) throw EDatabaseError(Format(msg::SKeyNotUnique, table_name_, static_cast<int>(rows)));
    return;
  }
  std::vector<TValueKind> targets;
  for (int index : returned) {
    targets.push_back(ValueKindOf(value_types_[static_cast<std::size_t>(index)]));
  }
  statement->SetTargets(targets);
  std::vector<Variant> row;
  int rows = 0;
  std::vector<Variant> first;
  while (statement->Fetch(row)) {
    if (++rows == 1) first = row;
  }
  if (rows == 0) throw EDatabaseError(msg::SRecordChanged);
  if (rows > 1) throw EDatabaseError(Format(msg::SKeyNotUnique, table_name_, rows));
  for (std::size_t j = 0; j < returned.size() && j < first.size(); ++j) {
    values[static_cast<std::size_t>(returned[j])] = std::move(first[j]);
  }
}

}  // namespace bexlo
