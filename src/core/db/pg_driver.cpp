// The PostgreSQL engine through libpq. Column types come from the type OIDs; parameters are sent
// as text of unknown type, so the server reads them as it would read a quoted literal in their
// place. Results stream in single-row mode: a statement reads rows as the data set asks for them.
// One connection runs one statement at a time: when another statement needs the connection while
// a result is still streaming, the rest of that result is read into memory first.
#include <libpq-fe.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>

#include "db/db_error.h"
#include "db/dialect.h"
#include "db/driver.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

// Type OIDs of the built-in types.
enum : Oid {
  kBool = 16, kBytea = 17, kChar = 18, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23,
  kText = 25, kOid = 26, kFloat4 = 700, kFloat8 = 701, kMoney = 790, kBpchar = 1042,
  kVarchar = 1043, kDate = 1082, kTime = 1083, kTimestamp = 1114, kTimestampTz = 1184,
  kTimeTz = 1266, kNumeric = 1700, kVoid = 2278,
};

// How a column's text is read.
enum class Reader : std::uint8_t { Text, Bool, Integer, Float, Numeric, Money, Bytea };

TColumnInfo ColumnOfType(Oid type, int typmod) {
  TColumnInfo c;
  switch (type) {
    case kBool: c.DataType = ftBoolean; break;
    case kInt2: c.DataType = ftSmallint; break;
    case kInt4: case kInt8: case kOid: c.DataType = ftInteger; break;
    case kFloat4: case kFloat8: c.DataType = ftFloat; break;
    case kMoney: c.DataType = ftCurrency; break;
    case kNumeric:
      c.DataType = ftFloat;
      if (typmod >= 4) {
        c.Precision = ((typmod - 4) >> 16) & 0xFFFF;
        c.Scale = (typmod - 4) & 0xFFFF;
      }
      break;
    case kDate: c.DataType = ftDate; break;
    case kTime: case kTimeTz: c.DataType = ftTime; break;
    case kTimestamp: case kTimestampTz: c.DataType = ftDateTime; break;
    case kBytea: c.DataType = ftBlob; break;
    case kChar: c.DataType = ftString; c.Size = 1; break;
    case kName: c.DataType = ftString; c.Size = 63; break;
    case kBpchar: case kVarchar:
      c.DataType = ftString;
      c.Size = typmod > 4 ? typmod - 4 : 255;
      break;
    default:
      // text, json, uuid, intervals, arrays, enums ...: their text form.
      c.DataType = ftString;
      c.Size = 255;
      break;
  }
  return c;
}

Reader ReaderOfType(Oid type) {
  switch (type) {
    case kBool: return Reader::Bool;
    case kInt2: case kInt4: case kInt8: case kOid: return Reader::Integer;
    case kFloat4: case kFloat8: return Reader::Float;
    case kNumeric: return Reader::Numeric;
    case kMoney: return Reader::Money;
    case kBytea: return Reader::Bytea;
    default: return Reader::Text;
  }
}

TFieldType FieldTypeOfOid(Oid type) { return ColumnOfType(type, -1).DataType; }

bool ParseFloat(const char* p, std::size_t n, double& value) {
  const auto r = std::from_chars(p, p + n, value);
  if (r.ec == std::errc() && r.ptr == p + n) return true;
  std::string_view s(p, n);
  if (s == "NaN") { value = std::nan(""); return true; }
  if (s == "Infinity") { value = HUGE_VAL; return true; }
  if (s == "-Infinity") { value = -HUGE_VAL; return true; }
  return false;
}

void ReadValue(Variant& v, Reader reader, const char* p, std::size_t n) {
  switch (reader) {
    case Reader::Text:
      v.SetString(std::string_view(p, n));
      return;
    case Reader::Bool:
      v.SetBoolean(n > 0 && p[0] == 't');
      return;
    case Reader::Integer: {
      std::int64_t i = 0;
      const auto r = std::from_chars(p, p + n, i);
      if (r.ec == std::errc() && r.ptr == p + n) {
        v.SetInteger(i);
      } else {
        v.SetString(std::string_view(p, n));
      }
      return;
    }
    case Reader::Numeric: {
      // Whole numbers stay exact when they fit 64 bits.
      std::int64_t i = 0;
      const auto r = std::from_chars(p, p + n, i);
      if (r.ec == std::errc() && r.ptr == p + n) {
        v.SetInteger(i);
        return;
      }
      [[fallthrough]];
    }
    case Reader::Float: {
      double d = 0;
      if (ParseFloat(p, n, d)) {
        v.SetFloat(d);
      } else {
        v.SetString(std::string_view(p, n));
      }
      return;
    }
    case Reader::Money: {
      std::string digits;
      for (std::size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') digits += c;
        if (c == '(') digits.insert(digits.begin(), '-');
      }
      double d = 0;
      if (ParseFloat(digits.data(), digits.size(), d)) {
        v.SetFloat(d);
      } else {
        v.SetString(std::string_view(p, n));
      }
      return;
    }
    case Reader::Bytea: {
      std::size_t len = 0;
      unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(p), &len);
      if (bytes == nullptr) throw EDatabaseError("Out of memory reading a bytea value");
      v.SetBytes(bytes, len);
      PQfreemem(bytes);
      return;
    }
  }
}

std::string FloatText(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, r.ptr);
}

std::string ResultMessage(const PGresult* res, PGconn* conn) {
  if (res != nullptr) {
    const char* primary = PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY);
    if (primary != nullptr) {
      std::string message = primary;
      if (const char* detail = PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL)) {
        message += "\n";
        message += detail;
      }
      return message;
    }
    const char* text = PQresultErrorMessage(res);
    if (text != nullptr && *text) return Trim(text);
  }
  return Trim(PQerrorMessage(conn));
}

// The byte offset in sql of the error position the server reports (a 1-based character
// position); -1 when it reports none.
int ResultOffset(const PGresult* res, std::string_view sql) {
  const char* position = res ? PQresultErrorField(res, PG_DIAG_STATEMENT_POSITION) : nullptr;
  if (position == nullptr) return -1;
  const long characters = std::strtol(position, nullptr, 10);
  if (characters < 1) return -1;
  return static_cast<int>(Utf8Offset(sql, static_cast<std::size_t>(characters - 1)));
}

std::string ResultState(const PGresult* res) {
  const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  return state ? state : "";
}

struct ResultHolder {
  PGresult* res;
  explicit ResultHolder(PGresult* r) : res(r) {}
  ~ResultHolder() { PQclear(res); }
  ResultHolder(const ResultHolder&) = delete;
  ResultHolder& operator=(const ResultHolder&) = delete;
};

class PgStatement;

class PgConnection final : public TDriverConnection {
 public:
  explicit PgConnection(const std::string& conninfo) {
    const char* keys[] = {"dbname", "client_encoding", "fallback_application_name", nullptr};
    const char* values[] = {conninfo.c_str(), "UTF8", "bexlo", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (conn_ == nullptr) throw EDBEngineError("Out of memory connecting to PostgreSQL", {});
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string message = Trim(PQerrorMessage(conn_));
      PQfinish(conn_);
      conn_ = nullptr;
      throw EDBEngineError(std::move(message), {});
    }
    Setup();
  }
  ~PgConnection() override { PQfinish(conn_); }

  std::string_view DriverName() const noexcept override { return "POSTGRESQL"; }
  const TDialect& Dialect() const noexcept override { return PostgresDialect(); }

  std::unique_ptr<TDriverStatement> Prepare(std::string_view sql) override;

  void ExecuteDirect(std::string_view sql) override {
    Ready(nullptr);
    const std::string text(sql);
    ResultHolder r(PQexec(conn_, text.c_str()));
    Check(r.res, text);
  }

  bool InTransaction() override {
    switch (PQtransactionStatus(conn_)) {
      case PQTRANS_INTRANS:
      case PQTRANS_INERROR:
        return true;
      case PQTRANS_ACTIVE:
        return block_at_send_;
      default:
        return false;
    }
  }
  bool TransactionFailed() override { return PQtransactionStatus(conn_) == PQTRANS_INERROR; }

  void Begin() override { ExecuteDirect("BEGIN"); }
  void Commit() override {
    Ready(nullptr);
    if (PQtransactionStatus(conn_) == PQTRANS_INERROR) {
      ResultHolder r(PQexec(conn_, "ROLLBACK"));
      throw EDBEngineError(msg::STransactionAborted, "COMMIT");
    }
    ResultHolder r(PQexec(conn_, "COMMIT"));
    Check(r.res, "COMMIT");
    // A transaction that failed meanwhile ends with ROLLBACK even when COMMIT was asked for.
    if (std::strcmp(PQcmdStatus(r.res), "ROLLBACK") == 0) {
      throw EDBEngineError(msg::STransactionAborted, "COMMIT");
    }
  }
  void Rollback() override { ExecuteDirect("ROLLBACK"); }

  std::vector<TTableColumn> TableColumns(std::string_view schema, std::string_view table) override;
  bool FindProc(std::string_view name, int overload, TProcInfo& info) override;

  // ---- for statements ----------------------------------------------------------------------------
  PGconn* Handle() const noexcept { return conn_; }
  std::uint64_t Epoch() const noexcept { return epoch_; }
  std::string NewStatementName() { return "bexlo_" + std::to_string(++statement_counter_); }
  // Makes the connection free for `requester`: a result still streaming for another statement is
  // read into that statement's memory; a dropped connection is re-established.
  void Ready(PgStatement* requester);
  void StreamStarted(PgStatement* statement) {
    streaming_ = statement;
  }
  void StreamEnded(PgStatement* statement) {
    if (streaming_ == statement) streaming_ = nullptr;
  }
  void RememberBlock() {
    const auto status = PQtransactionStatus(conn_);
    block_at_send_ = status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
  }
  bool BlockAtSend() const noexcept { return block_at_send_; }
  void Deallocate(std::string name, std::uint64_t epoch) {
    if (epoch == epoch_) stale_statements_.push_back(std::move(name));
  }
  [[noreturn]] void Raise(const PGresult* res, const std::string& sql) {
    EDBEngineError error(ResultMessage(res, conn_), sql, ResultState(res));
    error.SetOffset(ResultOffset(res, sql));
    throw error;
  }
  void Check(const PGresult* res, const std::string& sql) {
    const auto status = PQresultStatus(res);
    if (res == nullptr || status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE ||
        status == PGRES_NONFATAL_ERROR) {
      Raise(res, sql);
    }
  }
  // Schema, table and column names of a table OID (cached).
  struct TableNames {
    std::string schema;
    std::string table;
    std::map<int, std::string> columns;
  };
  const TableNames* FindTable(Oid oid);

 private:
  void Setup() {
    ResultHolder r(PQexec(conn_,
                          "SET DateStyle = 'ISO, YMD'; SET IntervalStyle = 'postgres'; "
                          "SET extra_float_digits = 3; SET lc_monetary = 'C'"));
    Check(r.res, "SET");
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  }
  void DropStale() {
    if (stale_statements_.size() < 16) return;
    std::string sql;
    for (const std::string& name : stale_statements_) sql += "DEALLOCATE " + name + ";";
    stale_statements_.clear();
    ResultHolder r(PQexec(conn_, sql.c_str()));
  }

  PGconn* conn_ = nullptr;
  std::uint64_t epoch_ = 1;
  std::uint64_t statement_counter_ = 0;
  PgStatement* streaming_ = nullptr;
  bool block_at_send_ = false;
  std::vector<std::string> stale_statements_;
  std::map<Oid, TableNames> tables_;
};

class PgStatement final : public TDriverStatement {
 public:
  PgStatement(PgConnection& conn, std::string sql) : conn_(conn), sql_(std::move(sql)) {}
  ~PgStatement() override {
    Abandon();
    if (!name_.empty()) conn_.Deallocate(std::move(name_), epoch_);
  }

  const std::string& Sql() const noexcept override { return sql_; }

  int ParamCount() const override {
    auto* self = const_cast<PgStatement*>(this);
    self->conn_.Ready(self);
    self->PrepareIfNeeded();
    ResultHolder r(PQdescribePrepared(conn_.Handle(), name_.c_str()));
    self->conn_.Check(r.res, sql_);
    return PQnparams(r.res);
  }

  void Bind(int index, const Variant& value, TFieldType type) override {
    const auto i = static_cast<std::size_t>(index);
    if (values_.size() <= i) {
      values_.resize(i + 1);
      nulls_.resize(i + 1, true);
      types_.resize(i + 1, 0);
      formats_.resize(i + 1, 0);
    }
    Oid oid = 0;
    int format = 0;
    nulls_[i] = false;
    switch (value.Type()) {
      case TVariantType::varNull:
        nulls_[i] = true;
        values_[i].clear();
        break;
      case TVariantType::varBoolean:
        values_[i] = value.Boolean() ? "true" : "false";
        break;
      case TVariantType::varInteger:
        values_[i] = std::to_string(value.Integer());
        break;
      case TVariantType::varFloat:
        values_[i] = FloatText(value.Float());
        break;
      case TVariantType::varString:
        if (value.String().find('\0') != std::string::npos) {
          throw EDBEngineError("A text value cannot contain the character NUL", sql_);
        }
        values_[i] = value.String();
        break;
      case TVariantType::varDate:
        values_[i] = EngineDateText(value.Date(), type);
        break;
      case TVariantType::varBytes:
        values_[i].assign(value.Bytes().begin(), value.Bytes().end());
        oid = kBytea;
        format = 1;
        break;
    }
    if (types_[i] != oid) {
      types_[i] = oid;
      types_changed_ = true;
    }
    formats_[i] = format;
  }

  void Describe(bool origins) override {
    conn_.Ready(this);
    PrepareIfNeeded();
    if (described_epoch_ != epoch_) {
      ResultHolder r(PQdescribePrepared(conn_.Handle(), name_.c_str()));
      conn_.Check(r.res, sql_);
      ReadColumns(r.res);
      described_epoch_ = epoch_;
      origins_known_ = false;
    }
    if (origins && !origins_known_) {
      ResolveOrigins();
      origins_known_ = true;
    }
  }

  void Execute() override {
    Abandon();
    conn_.Ready(this);
    PrepareIfNeeded();
    std::vector<const char*> values(values_.size());
    std::vector<int> lengths(values_.size());
    for (std::size_t i = 0; i < values_.size(); ++i) {
      values[i] = nulls_[i] ? nullptr : values_[i].c_str();
      lengths[i] = static_cast<int>(values_[i].size());
    }
    conn_.RememberBlock();
    if (!PQsendQueryPrepared(conn_.Handle(), name_.c_str(), static_cast<int>(values.size()),
                             values.data(), lengths.data(), formats_.data(), 0)) {
      conn_.Raise(nullptr, sql_);
    }
    PQsetSingleRowMode(conn_.Handle());
    streaming_ = true;
    conn_.StreamStarted(this);
    affected_ = 0;
    // The first result carries the columns (and the first row, when there is one).
    PGresult* first = NextResult();
    if (first != nullptr) TakeResult(first);
  }

  int ColumnCount() override { return static_cast<int>(columns_.size()); }
  const TColumnInfo& Column(int index) override {
    return columns_.at(static_cast<std::size_t>(index));
  }
  void SetTargets(std::vector<TValueKind> targets) override { targets_ = std::move(targets); }

  bool Fetch(std::vector<Variant>& row) override {
    while (true) {
      if (row_result_ != nullptr) {
        ConvertRow(row_result_, row);
        PQclear(row_result_);
        row_result_ = nullptr;
        return true;
      }
      PGresult* next = NextResult();
      if (next == nullptr) return false;
      TakeResult(next);
    }
  }

  std::int64_t RowsAffected() override { return affected_; }
  void Reset() override { Abandon(); }

  // Reads the rest of a streaming result into memory (the connection is needed elsewhere).
  void Detach() {
    while (streaming_) {
      PGresult* res = PQgetResult(conn_.Handle());
      if (res == nullptr) {
        EndStream();
        break;
      }
      buffered_.push_back(res);
    }
  }

 private:
  void PrepareIfNeeded() {
    if (epoch_ == conn_.Epoch() && !name_.empty() && !types_changed_) return;
    if (!name_.empty()) conn_.Deallocate(std::move(name_), epoch_);
    name_ = conn_.NewStatementName();
    ResultHolder r(PQprepare(conn_.Handle(), name_.c_str(), sql_.c_str(),
                             static_cast<int>(types_.size()), types_.data()));
    if (PQresultStatus(r.res) != PGRES_COMMAND_OK) {
      name_.clear();
      conn_.Raise(r.res, sql_);
    }
    epoch_ = conn_.Epoch();
    types_changed_ = false;
    described_epoch_ = 0;
  }

  void ReadColumns(const PGresult* res) {
    const int n = PQnfields(res);
    std::vector<TColumnInfo> columns;
    columns.reserve(static_cast<std::size_t>(n));
    readers_.assign(static_cast<std::size_t>(n), Reader::Text);
    table_oids_.assign(static_cast<std::size_t>(n), 0);
    table_cols_.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
      TColumnInfo c = ColumnOfType(PQftype(res, i), PQfmod(res, i));
      c.Name = PQfname(res, i);
      readers_[static_cast<std::size_t>(i)] = ReaderOfType(PQftype(res, i));
      table_oids_[static_cast<std::size_t>(i)] = PQftable(res, i);
      table_cols_[static_cast<std::size_t>(i)] = PQftablecol(res, i);
      columns.push_back(std::move(c));
    }
    columns_ = std::move(columns);
  }

  void ResolveOrigins() {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (table_oids_[i] == InvalidOid || table_cols_[i] <= 0) continue;
      const PgConnection::TableNames* names = conn_.FindTable(table_oids_[i]);
      if (names == nullptr) continue;
      const auto col = names->columns.find(table_cols_[i]);
      if (col == names->columns.end()) continue;
      columns_[i].Schema = names->schema;
      columns_[i].Table = names->table;
      columns_[i].Origin = col->second;
    }
  }

  PGresult* NextResult() {
    if (!buffered_.empty()) {
      PGresult* res = buffered_.front();
      buffered_.pop_front();
      return res;
    }
    if (!streaming_) return nullptr;
    PGresult* res = PQgetResult(conn_.Handle());
    if (res == nullptr) EndStream();
    return res;
  }

  void TakeResult(PGresult* res) {
    switch (PQresultStatus(res)) {
      case PGRES_SINGLE_TUPLE:
        if (columns_.empty() || described_epoch_ != epoch_) {
          ReadColumns(res);
          described_epoch_ = epoch_;
        }
        row_result_ = res;
        return;
      case PGRES_TUPLES_OK: {
        if (columns_.empty() || described_epoch_ != epoch_) {
          ReadColumns(res);
          described_epoch_ = epoch_;
        }
        const char* tuples = PQcmdTuples(res);
        affected_ = tuples && *tuples ? std::atoll(tuples) : 0;
        PQclear(res);
        return;
      }
      case PGRES_COMMAND_OK: {
        const char* tuples = PQcmdTuples(res);
        affected_ = tuples && *tuples ? std::atoll(tuples) : 0;
        PQclear(res);
        return;
      }
      default: {
        EDBEngineError error(ResultMessage(res, conn_.Handle()), sql_, ResultState(res));
        error.SetOffset(ResultOffset(res, sql_));
        PQclear(res);
        Abandon();
        throw error;
      }
    }
  }

  void ConvertRow(const PGresult* res, std::vector<Variant>& row) {
    const int n = PQnfields(res);
    if (static_cast<int>(row.size()) != n) row.resize(static_cast<std::size_t>(n));
    const std::size_t targeted = targets_.size();
    for (int i = 0; i < n; ++i) {
      const auto k = static_cast<std::size_t>(i);
      Variant& v = row[k];
      if (PQgetisnull(res, 0, i)) {
        v.SetNull();
        continue;
      }
      const char* text = PQgetvalue(res, 0, i);
      const auto length = static_cast<std::size_t>(PQgetlength(res, 0, i));
      const TValueKind target = k < targeted ? targets_[k] : TValueKind::Natural;
      // A date read for a date field goes straight from the engine's text to the date, as
      // ConvertEngineValue would take it from a string value.
      if (readers_[k] == Reader::Text && IsDateKind(target)) {
        double date = 0;
        if (ParseEngineDateTime(std::string_view(text, length), date)) {
          v.SetDate(date);
          continue;
        }
      }
      ReadValue(v, readers_[k], text, length);
      if (target != TValueKind::Natural) ConvertEngineValue(v, target);
    }
  }

  static bool IsDateKind(TValueKind kind) noexcept {
    return kind == TValueKind::Date || kind == TValueKind::Time || kind == TValueKind::DateTime;
  }

  void EndStream() {
    streaming_ = false;
    conn_.StreamEnded(this);
  }

  // Ends the current execution: the rest of a streaming result is cancelled (outside a
  // transaction) or read and dropped (inside one, where a cancel would abort the transaction).
  void Abandon() {
    PQclear(row_result_);
    row_result_ = nullptr;
    for (PGresult* res : buffered_) PQclear(res);
    buffered_.clear();
    if (!streaming_) return;
    PGconn* conn = conn_.Handle();
    if (!conn_.BlockAtSend() && PQisBusy(conn)) {
      if (PGcancel* cancel = PQgetCancel(conn)) {
        char error[256];
        PQcancel(cancel, error, sizeof error);
        PQfreeCancel(cancel);
      }
    }
    while (PGresult* res = PQgetResult(conn)) PQclear(res);
    EndStream();
  }

  PgConnection& conn_;
  std::string sql_;
  std::string name_;
  std::uint64_t epoch_ = 0;
  std::uint64_t described_epoch_ = 0;
  bool origins_known_ = false;
  std::vector<std::string> values_;
  std::vector<bool> nulls_;
  std::vector<Oid> types_;
  std::vector<int> formats_;
  bool types_changed_ = false;
  std::vector<TColumnInfo> columns_;
  std::vector<Reader> readers_;
  std::vector<Oid> table_oids_;
  std::vector<int> table_cols_;
  std::vector<TValueKind> targets_;
  bool streaming_ = false;
  PGresult* row_result_ = nullptr;
  std::deque<PGresult*> buffered_;
  std::int64_t affected_ = 0;
};

std::unique_ptr<TDriverStatement> PgConnection::Prepare(std::string_view sql) {
  if (TrimView(sql).empty()) throw EDBEngineError(msg::SNoSQLStatement, std::string(sql));
  return std::make_unique<PgStatement>(*this, std::string(sql));
}

void PgConnection::Ready(PgStatement* requester) {
  if (streaming_ != nullptr && streaming_ != requester) streaming_->Detach();
  if (PQstatus(conn_) == CONNECTION_BAD) {
    // The server dropped the connection; the failed statement has reported it. Try again once.
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) throw EDBEngineError(Trim(PQerrorMessage(conn_)), {});
    ++epoch_;
    stale_statements_.clear();
    tables_.clear();
    Setup();
  }
  if (streaming_ == nullptr) DropStale();
}

const PgConnection::TableNames* PgConnection::FindTable(Oid oid) {
  if (const auto it = tables_.find(oid); it != tables_.end()) return &it->second;
  Ready(nullptr);
  const std::string sql =
      "SELECT n.nspname, c.relname, a.attnum, a.attname FROM pg_class c "
      "JOIN pg_namespace n ON n.oid = c.relnamespace "
      "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
      "WHERE c.oid = " + std::to_string(oid);
  ResultHolder r(PQexec(conn_, sql.c_str()));
  Check(r.res, sql);
  if (PQntuples(r.res) == 0) return nullptr;
  TableNames names;
  names.schema = PQgetvalue(r.res, 0, 0);
  names.table = PQgetvalue(r.res, 0, 1);
  for (int i = 0; i < PQntuples(r.res); ++i) {
    names.columns[std::atoi(PQgetvalue(r.res, i, 2))] = PQgetvalue(r.res, i, 3);
  }
  return &tables_.emplace(oid, std::move(names)).first->second;
}

std::vector<TTableColumn> PgConnection::TableColumns(std::string_view schema,
                                                     std::string_view table) {
  Ready(nullptr);
  const std::string sql =
      "SELECT a.attname, a.attnotnull, "
      "a.atthasdef OR a.attidentity <> '' OR a.attgenerated <> '', "
      "COALESCE(array_position(i.indkey::int2[], a.attnum) - array_lower(i.indkey::int2[], 1) + 1,"
      " 0), "
      "a.attidentity <> '' OR COALESCE(pg_get_expr(d.adbin, d.adrelid) LIKE 'nextval(%', false) "
      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
      "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
      "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
      "LEFT JOIN pg_attrdef d ON d.adrelid = c.oid AND d.adnum = a.attnum "
      "WHERE c.relname = $1 AND (n.nspname = $2 OR ($2 = '' AND pg_table_is_visible(c.oid))) "
      "ORDER BY a.attnum";
  const std::string tableName(table), schemaName(schema);
  const char* params[] = {tableName.c_str(), schemaName.c_str()};
  ResultHolder r(PQexecParams(conn_, sql.c_str(), 2, nullptr, params, nullptr, nullptr, 0));
  Check(r.res, sql);
  std::vector<TTableColumn> columns;
  for (int i = 0; i < PQntuples(r.res); ++i) {
    TTableColumn c;
    c.Name = PQgetvalue(r.res, i, 0);
    c.NotNull = PQgetvalue(r.res, i, 1)[0] == 't';
    c.HasDefault = PQgetvalue(r.res, i, 2)[0] == 't';
    c.KeyIndex = std::atoi(PQgetvalue(r.res, i, 3));
    c.AutoIncrement = PQgetvalue(r.res, i, 4)[0] == 't';
    columns.push_back(std::move(c));
  }
  return columns;
}

bool PgConnection::FindProc(std::string_view name, int overload, TProcInfo& info) {
  Ready(nullptr);
  std::string schema, proc(name);
  if (const std::size_t dot = proc.find('.'); dot != std::string::npos) {
    schema = proc.substr(0, dot);
    proc = proc.substr(dot + 1);
  }
  auto unquote = [](std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
      s = s.substr(1, s.size() - 2);
      return true;
    }
    return false;
  };
  const bool exactSchema = unquote(schema);
  const bool exactName = unquote(proc);
  if (!exactSchema) schema = AsciiLowerCase(schema);
  if (!exactName) proc = AsciiLowerCase(proc);
  const std::string sql =
      "WITH p AS (SELECT p.oid, n.nspname, p.proname, p.prokind, p.proretset, p.prorettype, "
      "COALESCE(p.proallargtypes, p.proargtypes::oid[]) AS types, p.proargmodes, p.proargnames "
      "FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
      "WHERE p.proname = $1 AND (n.nspname = $2 OR ($2 = '' AND pg_function_is_visible(p.oid))) "
      "ORDER BY p.oid OFFSET $3 LIMIT 1) "
      "SELECT p.nspname, p.proname, p.prokind, p.proretset, p.prorettype, "
      "format_type(p.prorettype, NULL), u.ord, u.t, format_type(u.t, NULL), "
      "COALESCE(p.proargmodes[u.ord], 'i'), COALESCE(p.proargnames[u.ord], '') "
      "FROM p LEFT JOIN LATERAL unnest(p.types) WITH ORDINALITY AS u(t, ord) ON true "
      "ORDER BY u.ord";
  const std::string offset = std::to_string(overload);
  const char* params[] = {proc.c_str(), schema.c_str(), offset.c_str()};
  ResultHolder r(PQexecParams(conn_, sql.c_str(), 3, nullptr, params, nullptr, nullptr, 0));
  Check(r.res, sql);
  if (PQntuples(r.res) == 0) return false;
  info = TProcInfo();
  info.Schema = PQgetvalue(r.res, 0, 0);
  info.Name = PQgetvalue(r.res, 0, 1);
  info.IsProcedure = PQgetvalue(r.res, 0, 2)[0] == 'p';
  info.ReturnsSet = PQgetvalue(r.res, 0, 3)[0] == 't';
  const Oid returnType = static_cast<Oid>(std::strtoul(PQgetvalue(r.res, 0, 4), nullptr, 10));
  bool hasOutput = false;
  std::vector<TProcParamInfo> args;
  for (int i = 0; i < PQntuples(r.res); ++i) {
    if (PQgetisnull(r.res, i, 6)) continue;  // no arguments at all
    TProcParamInfo p;
    const Oid type = static_cast<Oid>(std::strtoul(PQgetvalue(r.res, i, 7), nullptr, 10));
    p.DataType = FieldTypeOfOid(type);
    p.TypeName = PQgetvalue(r.res, i, 8);
    p.Name = PQgetvalue(r.res, i, 10);
    switch (PQgetvalue(r.res, i, 9)[0]) {
      case 'o': case 't': p.Kind = ptOutput; hasOutput = true; break;
      case 'b': p.Kind = ptInputOutput; hasOutput = true; break;
      default: p.Kind = ptInput; break;
    }
    if (p.Name.empty()) p.Name = "$" + std::to_string(i + 1);
    args.push_back(std::move(p));
  }
  if (!info.IsProcedure && !hasOutput && returnType != kVoid && !info.ReturnsSet) {
    TProcParamInfo result;
    result.Name = "Result";
    result.Kind = ptResult;
    result.DataType = FieldTypeOfOid(returnType);
    result.TypeName = PQgetvalue(r.res, 0, 5);
    info.Params.push_back(std::move(result));
  }
  for (auto& a : args) info.Params.push_back(std::move(a));
  return true;
}

}  // namespace

std::unique_ptr<TDriverConnection> OpenPostgresConnection(const std::string& conninfo) {
  return std::make_unique<PgConnection>(conninfo);
}

}  // namespace bexlo
