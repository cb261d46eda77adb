// The SQLite engine through libsqlite3. Declared column types map to field types (sizes from
// VARCHAR(n)); expression columns take the type of their first value; dates are kept as ISO text,
// booleans as 0/1.
#include <sqlite3.h>
#include <unistd.h>

#include <cstring>
#include <deque>

#include "db/db_error.h"
#include "db/dialect.h"
#include "db/driver.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

class SqliteConnection;

[[noreturn]] void RaiseSqlite(sqlite3* db, std::string_view sql) {
  std::string message = db ? sqlite3_errmsg(db) : "out of memory";
  EDBEngineError error(std::move(message), std::string(sql));
  // Where in the statement the error lies (a syntax error, an unknown column), when known.
  if (db) error.SetOffset(sqlite3_error_offset(db));
  throw error;
}

// Whether the rest of a statement text holds anything but blanks, ";" and comments.
bool HasMoreSql(const char* tail) {
  const char* p = tail;
  while (*p) {
    if (*p == ';' || static_cast<unsigned char>(*p) <= ' ') {
      ++p;
    } else if (p[0] == '-' && p[1] == '-') {
      while (*p && *p != '\n') ++p;
    } else if (p[0] == '/' && p[1] == '*') {
      const char* end = std::strstr(p + 2, "*/");
      if (!end) return false;
      p = end + 2;
    } else {
      return true;
    }
  }
  return false;
}

// The SQLSTATE-like code of an SQLite failure: "sqlite:" and the extended result code.
std::string SqliteState(sqlite3* db) {
  return "sqlite:" + std::to_string(sqlite3_extended_errcode(db));
}

constexpr const char* kStaleSnapshot = "sqlite:517";  // SQLITE_BUSY_SNAPSHOT

class SqliteStatement final : public TDriverStatement {
 public:
  SqliteStatement(SqliteConnection& conn, sqlite3* db, sqlite3_stmt* stmt, std::string sql)
      : conn_(conn), db_(db), stmt_(stmt), sql_(std::move(sql)) {}
  ~SqliteStatement() override;

  const std::string& Sql() const noexcept override { return sql_; }
  int ParamCount() const override { return sqlite3_bind_parameter_count(stmt_); }

  void Bind(int index, const Variant& value, TFieldType type) override {
    const int i = index + 1;
    int rc = SQLITE_OK;
    switch (value.Type()) {
      case TVariantType::varNull:
        rc = sqlite3_bind_null(stmt_, i);
        break;
      case TVariantType::varBoolean:
        rc = sqlite3_bind_int(stmt_, i, value.Boolean() ? 1 : 0);
        break;
      case TVariantType::varInteger:
        rc = sqlite3_bind_int64(stmt_, i, value.Integer());
        break;
      case TVariantType::varFloat:
        rc = sqlite3_bind_double(stmt_, i, value.Float());
        break;
      case TVariantType::varString:
        rc = sqlite3_bind_text64(stmt_, i, value.String().data(), value.String().size(),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      case TVariantType::varDate: {
        const std::string text = EngineDateText(value.Date(), type);
        rc = sqlite3_bind_text64(stmt_, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      }
      case TVariantType::varBytes:
        rc = sqlite3_bind_blob64(stmt_, i, value.Bytes().data(), value.Bytes().size(),
                                 SQLITE_TRANSIENT);
        break;
    }
    if (rc != SQLITE_OK) RaiseSqlite(db_, sql_);
  }

  void Execute() override {
    Reset();
    done_ = false;
    changes_ = 0;
    if (sqlite3_column_count(stmt_) == 0) {
      // No rows: run it to the end now.
      const int rc = Step();
      done_ = true;
      if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail();
      changes_ = sqlite3_stmt_readonly(stmt_) ? 0 : sqlite3_changes64(db_);
      sqlite3_reset(stmt_);
    }
  }

  void Describe(bool) override {}
  int ColumnCount() override { return sqlite3_column_count(stmt_); }

  const TColumnInfo& Column(int index) override {
    if (columns_.empty()) Describe();
    return columns_.at(static_cast<std::size_t>(index));
  }

  void SetTargets(std::vector<TValueKind> targets) override { targets_ = std::move(targets); }

  bool Fetch(std::vector<Variant>& row) override {
    if (!buffered_.empty()) {
      row.swap(buffered_.front());
      buffered_.pop_front();
      ApplyTargets(row);
      return true;
    }
    if (done_) return false;
    const int rc = Step();
    if (rc == SQLITE_DONE) {
      done_ = true;
      changes_ = sqlite3_stmt_readonly(stmt_) ? 0 : sqlite3_changes64(db_);
      Finished();
      return false;
    }
    if (rc != SQLITE_ROW) Fail();
    ReadRow(row, true);
    return true;
  }

  std::int64_t RowsAffected() override { return changes_; }

  void Reset() override {
    sqlite3_reset(stmt_);
    buffered_.clear();
    done_ = true;
    Finished();
  }

  // Reads the rest of the rows into memory and ends the engine's read of them, so that the
  // connection's read snapshot is released.
  void Detach() {
    while (!done_) {
      const int rc = sqlite3_step(stmt_);
      if (rc != SQLITE_ROW) {
        done_ = true;
        break;
      }
      buffered_.emplace_back();
      ReadRow(buffered_.back(), false);
    }
    sqlite3_reset(stmt_);
    Finished();
  }

 private:
  // One step; a write that finds this connection's read snapshot stale (another connection
  // wrote meanwhile) gets the pending reads of the connection finished and tries again.
  int Step();
  void Finished();

  void ApplyTargets(std::vector<Variant>& row) const {
    const std::size_t n = std::min(row.size(), targets_.size());
    for (std::size_t i = 0; i < n; ++i) {
      if (targets_[i] != TValueKind::Natural) ConvertEngineValue(row[i], targets_[i]);
    }
  }

  // Reads the current row. With targets, values are converted on the way: a date column's ISO
  // text becomes a date without being stored as text first.
  void ReadRow(std::vector<Variant>& row, bool convert) {
    const int n = sqlite3_column_count(stmt_);
    if (static_cast<int>(row.size()) != n) row.resize(static_cast<std::size_t>(n));
    const int targeted = convert ? static_cast<int>(targets_.size()) : 0;
    for (int i = 0; i < n; ++i) {
      Variant& v = row[static_cast<std::size_t>(i)];
      const TValueKind kind = i < targeted ? targets_[static_cast<std::size_t>(i)] : TValueKind::Natural;
      // One value handle per column: the connection is used by one thread only.
      sqlite3_value* value = sqlite3_column_value(stmt_, i);
      switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
          v.SetInteger(sqlite3_value_int64(value));
          if (kind == TValueKind::Boolean || kind >= TValueKind::Date) ConvertEngineValue(v, kind);
          break;
        case SQLITE_FLOAT:
          v.SetFloat(sqlite3_value_double(value));
          if (kind == TValueKind::Boolean || kind >= TValueKind::Date) ConvertEngineValue(v, kind);
          break;
        case SQLITE_TEXT: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
          const std::string_view view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
          double date = 0;
          if ((kind == TValueKind::Date || kind == TValueKind::Time ||
               kind == TValueKind::DateTime) &&
              ParseEngineDateTime(view, date)) {
            v.SetDate(date);
            break;
          }
          v.SetString(view);
          if (kind == TValueKind::Boolean) ConvertEngineValue(v, kind);
          break;
        }
        case SQLITE_BLOB: {
          const void* data = sqlite3_value_blob(value);
          const auto size = static_cast<std::size_t>(sqlite3_value_bytes(value));
          if (kind == TValueKind::String) {
            v.SetString(std::string_view(static_cast<const char*>(data), size));
          } else {
            v.SetBytes(data, size);
          }
          break;
        }
        default:
          v.SetNull();
          break;
      }
    }
  }


  [[noreturn]] void Fail() {
    std::string message = sqlite3_errmsg(db_);
    std::string state = SqliteState(db_);
    sqlite3_reset(stmt_);
    done_ = true;
    Finished();
    throw EDBEngineError(std::move(message), sql_, std::move(state));
  }

  void Describe() {
    const int n = sqlite3_column_count(stmt_);
    columns_.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      const char* decl = sqlite3_column_decltype(stmt_, i);
      TColumnInfo info = ColumnFromDeclaredType(decl ? decl : "");
      const char* name = sqlite3_column_name(stmt_, i);
      info.Name = name ? name : "";
      if (const char* table = sqlite3_column_table_name(stmt_, i)) info.Table = table;
      if (const char* origin = sqlite3_column_origin_name(stmt_, i)) info.Origin = origin;
      if (const char* schema = sqlite3_column_database_name(stmt_, i)) info.Schema = schema;
      columns_.push_back(std::move(info));
    }
  }

  SqliteConnection& conn_;
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::string sql_;
  std::vector<TColumnInfo> columns_;
  std::vector<TValueKind> targets_;
  std::deque<std::vector<Variant>> buffered_;
  bool done_ = true;
  bool reading_ = false;  // registered with the connection as a pending read
  std::int64_t changes_ = 0;
};

class SqliteConnection final : public TDriverConnection {
 public:
  SqliteConnection(const std::string& path, TSqliteOpen mode) {
    // A user's file is opened as it is: never created, never switched to another journal mode,
    // and read-only when it cannot be written (a copy on read-only media).
    const bool special = path == ":memory:" || path.starts_with("file:");
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    bool created = false;
    if (special) {
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    } else if (::access(path.c_str(), F_OK) != 0) {
      if (mode != TSqliteOpen::Create) throw EDatabaseError(Format(msg::SDatabaseFileNotFound, path));
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      created = true;
    } else {
      flags |= ::access(path.c_str(), W_OK) == 0 ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    }
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
      std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      db_ = nullptr;
      throw EDBEngineError(message + ": " + path, {});
    }
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_extended_result_codes(db_, 1);
    ExecuteDirect("PRAGMA foreign_keys = ON");
    // A database the library creates itself uses write-ahead logging: a reader does not block
    // writers of other connections (an open grid would otherwise stop every other user from
    // saving).
    if (created) sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
  }
  ~SqliteConnection() override { sqlite3_close_v2(db_); }

  std::string_view DriverName() const noexcept override { return "SQLITE"; }
  const TDialect& Dialect() const noexcept override { return SqliteDialect(); }

  std::unique_ptr<TDriverStatement> Prepare(std::string_view sql) override {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) RaiseSqlite(db_, sql);
    if (stmt == nullptr) throw EDBEngineError(msg::SNoSQLStatement, std::string(sql));
    const std::string rest = tail ? std::string(tail, sql.data() + sql.size() - tail) : "";
    if (HasMoreSql(rest.c_str())) {
      sqlite3_finalize(stmt);
      throw EDBEngineError("Only one statement can run at a time; unexpected text: " + Trim(rest),
                           std::string(sql));
    }
    return std::make_unique<SqliteStatement>(*this, db_, stmt, std::string(sql));
  }

  void ExecuteDirect(std::string_view sql) override {
    const std::string text(sql);
    for (int attempt = 0;; ++attempt) {
      char* error = nullptr;
      if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return;
      std::string message = error ? error : sqlite3_errmsg(db_);
      sqlite3_free(error);
      std::string state = SqliteState(db_);
      if (attempt == 0 && state == kStaleSnapshot && ReleaseReadSnapshots()) continue;
      throw EDBEngineError(std::move(message), text, std::move(state));
    }
  }

  bool ReleaseReadSnapshots() override {
    if (readers_.empty()) return false;
    const std::vector<SqliteStatement*> readers = readers_;
    for (SqliteStatement* s : readers) s->Detach();
    readers_.clear();
    return true;
  }
  bool IsStaleSnapshot(const EDBEngineError& e) const override {
    return e.SqlState() == kStaleSnapshot;
  }
  void AddReader(SqliteStatement* s) { readers_.push_back(s); }
  void RemoveReader(SqliteStatement* s) { std::erase(readers_, s); }

  bool InTransaction() override { return sqlite3_get_autocommit(db_) == 0; }
  void Begin() override {
    // A transaction starts from the database as it is now, not from the snapshot of a result
    // still being read.
    ReleaseReadSnapshots();
    ExecuteDirect("BEGIN");
  }
  void Commit() override {
    try {
      ExecuteDirect("COMMIT");
    } catch (...) {
      if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }
  void Rollback() override { ExecuteDirect("ROLLBACK"); }

  std::vector<TTableColumn> TableColumns(std::string_view schema, std::string_view table) override {
    std::vector<TTableColumn> columns;
    const std::string schemaName = schema.empty() ? "main" : std::string(schema);
    const std::string sql = "PRAGMA " + Dialect().QuoteIdentifier(schemaName) + ".table_info(" +
                            Dialect().QuoteString(table) + ")";
    auto stmt = Prepare(sql);
    stmt->Execute();
    std::vector<Variant> row;
    int keyCount = 0;
    std::string keyType;
    while (stmt->Fetch(row)) {
      TTableColumn c;
      c.Name = row[1].IsNull() ? "" : VariantToText(row[1]);
      c.NotNull = VariantToInteger(row[3]) != 0;
      c.HasDefault = !row[4].IsNull();
      c.KeyIndex = static_cast<int>(VariantToInteger(row[5]));
      if (c.KeyIndex > 0) {
        ++keyCount;
        keyType = AsciiUpperCase(VariantToText(row[2]));
      }
      int autoinc = 0;
      sqlite3_table_column_metadata(db_, schemaName.c_str(), std::string(table).c_str(),
                                    c.Name.c_str(), nullptr, nullptr, nullptr, nullptr, &autoinc);
      c.AutoIncrement = autoinc != 0;
      columns.push_back(std::move(c));
    }
    // A single INTEGER PRIMARY KEY is the ROWID: the engine assigns it when none is given.
    if (keyCount == 1 && keyType == "INTEGER") {
      for (TTableColumn& c : columns) {
        if (c.KeyIndex > 0) c.HasDefault = true;
      }
    }
    return columns;
  }

  bool FindProc(std::string_view, int, TProcInfo&) override {
    throw EDatabaseError(Format(msg::SStoredProcNotSupported, "SQLite"));
  }

 private:
  sqlite3* db_ = nullptr;
  std::vector<SqliteStatement*> readers_;  // statements with rows still to read
};

SqliteStatement::~SqliteStatement() {
  Finished();
  sqlite3_finalize(stmt_);
}

int SqliteStatement::Step() {
  // A statement that writes: results of this connection still being read would see its changes
  // (a row written ahead of a cursor turns up again), so they are read to the end first.
  if (!reading_ && !sqlite3_stmt_readonly(stmt_) && sqlite3_stmt_busy(stmt_) == 0) {
    conn_.ReleaseReadSnapshots();
  }
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW && !reading_) {
    reading_ = true;
    conn_.AddReader(this);
  }
  // Inside an explicit transaction the snapshot belongs to the transaction: TDatabase::Atomic
  // rolls back, releases and retries there.
  if (rc != SQLITE_ROW && rc != SQLITE_DONE && sqlite3_get_autocommit(db_) &&
      sqlite3_extended_errcode(db_) == SQLITE_BUSY_SNAPSHOT && !sqlite3_stmt_readonly(stmt_)) {
    sqlite3_reset(stmt_);
    if (conn_.ReleaseReadSnapshots()) rc = sqlite3_step(stmt_);
  }
  return rc;
}

void SqliteStatement::Finished() {
  if (reading_) {
    reading_ = false;
    conn_.RemoveReader(this);
  }
}

}  // namespace

std::unique_ptr<TDriverConnection> OpenSqliteConnection(const std::string& path, TSqliteOpen mode) {
  return std::make_unique<SqliteConnection>(path, mode);
}

void CreateSqliteDatabase(const std::string& path) {
  if (::access(path.c_str(), F_OK) == 0) return;
  SqliteConnection connection(path, TSqliteOpen::Create);
  // An empty database is a file of no bytes until something is written: write its header.
  connection.ExecuteDirect("PRAGMA user_version = 0; BEGIN IMMEDIATE; COMMIT");
}

TColumnInfo ColumnFromDeclaredType(std::string_view declaredType) {
  TColumnInfo info;
  const std::string decl = AsciiUpperCase(Trim(declaredType));
  if (decl.empty()) {
    info.TypedFromValue = true;
    return info;
  }
  // Size parameters: "(n)" or "(p,s)".
  int first = 0, second = 0;
  bool hasFirst = false;
  std::string base = decl;
  if (const std::size_t open = decl.find('('); open != std::string::npos) {
    base = Trim(decl.substr(0, open));
    const std::size_t close = decl.find(')', open);
    const std::string args = decl.substr(open + 1, close == std::string::npos ? std::string::npos
                                                                              : close - open - 1);
    const std::size_t comma = args.find(',');
    try {
      first = std::stoi(args.substr(0, comma));
      hasFirst = true;
      if (comma != std::string::npos) second = std::stoi(args.substr(comma + 1));
    } catch (const std::exception&) {
      hasFirst = false;
    }
  }
  auto has = [&](const char* word) { return base.find(word) != std::string::npos; };
  if (has("BOOL") || base == "BIT") {
    info.DataType = ftBoolean;
  } else if (has("SMALLINT") || has("INT2") || has("TINYINT")) {
    info.DataType = ftSmallint;
  } else if (base == "WORD") {
    info.DataType = ftWord;
  } else if (has("INT")) {
    info.DataType = ftInteger;
  } else if (has("TIMESTAMP") || has("DATETIME")) {
    info.DataType = ftDateTime;
  } else if (has("DATE")) {
    info.DataType = ftDate;
  } else if (has("TIME")) {
    info.DataType = ftTime;
  } else if (has("MONEY") || has("CURRENCY")) {
    info.DataType = ftCurrency;
  } else if (has("NUMERIC") || has("DECIMAL") || has("NUMBER")) {
    info.DataType = ftFloat;
    if (hasFirst) {
      info.Precision = first;
      info.Scale = second;
    }
  } else if (has("CLOB") || has("MEMO") || has("LONG")) {
    info.DataType = ftMemo;
  } else if (has("VARBINARY")) {
    info.DataType = ftVarBytes;
    info.Size = hasFirst ? first : 0;
  } else if (has("BINARY")) {
    info.DataType = ftBytes;
    info.Size = hasFirst ? first : 0;
  } else if (has("BLOB") || has("BYTEA") || has("IMAGE")) {
    info.DataType = ftBlob;
  } else if (has("REAL") || has("FLOA") || has("DOUB")) {
    info.DataType = ftFloat;
  } else {
    // CHAR, VARCHAR, TEXT and anything unknown: a string (sized when declared so).
    info.DataType = ftString;
    info.Size = hasFirst && first > 0 ? first : 255;
  }
  if ((info.DataType == ftBytes || info.DataType == ftVarBytes) && info.Size <= 0) {
    info.DataType = ftBlob;
  }
  return info;
}

}  // namespace bexlo
