#include "db/dialect.h"

#include "db/field_defs.h"

namespace bexlo {

namespace {

bool IsPlainIdentifier(std::string_view name) noexcept {
  if (name.empty()) return false;
  const char first = name[0];
  if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_')) {
    return false;
  }
  for (char c : name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
          c == '_' || c == '$')) {
      return false;
    }
  }
  return true;
}

bool IsQuoted(std::string_view name) noexcept {
  return name.size() >= 2 && name.front() == '"' && name.back() == '"';
}

std::string Sized(const char* type, int size) {
  return std::string(type) + "(" + std::to_string(size) + ")";
}

std::string Numeric(const TFieldDef& def, int defaultPrecision) {
  const int precision = def.Precision > 0 ? def.Precision : defaultPrecision;
  const int scale = def.DataType == ftBCD ? def.Size : def.Scale;
  return "NUMERIC(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
}

}  // namespace

std::string TDialect::QuoteIdentifier(std::string_view name) const {
  std::string out;
  out.reserve(name.size() + 2);
  out += '"';
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string TDialect::QuoteName(std::string_view name) const {
  if (IsQuoted(name)) return std::string(name);
  // schema.table: each part on its own.
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = name.find('.', start);
    const std::string_view part = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
    out += IsPlainIdentifier(part) ? std::string(part) : QuoteIdentifier(part);
    if (dot == std::string_view::npos) break;
    out += '.';
    start = dot + 1;
  }
  return out;
}

std::string TDialect::QuoteString(std::string_view text) const {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string TDialect::ExpertColumnType(TFieldType type) const {
  switch (type) {
    case ftString:
      return "Char";
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return "Numeric";
    case ftBoolean:
      return "Boolean";
    case ftDate:
      return "Date";
    // A date-time column keeps its time of day: "Date" holds only the date on these engines.
    case ftDateTime:
      return "Timestamp";
    case ftTime:
      return "Time";
    case ftMemo:
      return "Blob";
    default:
      return {};
  }
}

std::string TDialect::InvalidObjectsStatement() const {
  return "SELECT CAST('' AS VARCHAR(13)) AS \"OBJECT_TYPE\", CAST('' AS VARCHAR(128)) AS "
         "\"OBJECT_NAME\" WHERE 1 = 0";
}

std::string TDialect::ObjectErrorsStatement() const {
  return "SELECT CAST(0 AS INTEGER) AS \"SEQUENCE\", CAST(0 AS INTEGER) AS \"LINE\", "
         "CAST(0 AS INTEGER) AS \"POSITION\", CAST('' AS VARCHAR(4000)) AS \"TEXT\" "
         "WHERE 1 = 0 AND CAST(:OBJ_TYPE AS VARCHAR(30)) = CAST(:OBJ_NAME AS VARCHAR(128))";
}

// ---- SQLite ------------------------------------------------------------------------------------

std::string TSqliteDialect::QuoteName(std::string_view name) const {
  if (IsQuoted(name) || IsPlainIdentifier(name)) return std::string(name);
  return QuoteIdentifier(name);
}

// Runs of zero-padded parts and text go into one strftime pattern; a part without its leading
// zero, or a two-digit year, is cut out of strftime's padded text.
std::string TSqliteDialect::DateText(std::string_view expression, const std::vector<TDatePart>& parts) const {
  const std::string expr(expression);
  std::string out, pattern;
  const auto append = [&out](const std::string& piece) {
    if (!out.empty()) out += " || ";
    out += piece;
  };
  const auto flush = [&]() {
    if (!pattern.empty()) append("strftime(" + QuoteString(pattern) + ", " + expr + ")");
    pattern.clear();
  };
  for (const TDatePart& p : parts) {
    switch (p.kind) {
      case TDatePart::dpDay2: pattern += "%d"; break;
      case TDatePart::dpMonth2: pattern += "%m"; break;
      case TDatePart::dpYear4: pattern += "%Y"; break;
      case TDatePart::dpText:
        for (char c : p.text) {
          pattern += c;
          if (c == '%') pattern += '%';
        }
        break;
      case TDatePart::dpDay:
      case TDatePart::dpMonth:
        flush();
        append("ltrim(strftime(" + QuoteString(p.kind == TDatePart::dpDay ? "%d" : "%m") + ", " + expr + "), '0')");
        break;
      case TDatePart::dpYear2:
        flush();
        append("substr(strftime('%Y', " + expr + "), 3, 2)");
        break;
    }
  }
  flush();
  return out.empty() ? QuoteString("") : out;
}

std::string TSqliteDialect::ColumnType(const TFieldDef& def) const {
  switch (def.DataType) {
    case ftString:
      return def.Size > 0 ? Sized("VARCHAR", def.Size) : "TEXT";
    case ftSmallint:
      return "SMALLINT";
    case ftInteger:
      return "INTEGER";
    case ftWord:
      return "WORD";
    case ftBoolean:
      return "BOOLEAN";
    case ftFloat:
      return def.Scale > 0 ? Numeric(def, 18) : "DOUBLE PRECISION";
    case ftCurrency:
      return "CURRENCY";
    case ftBCD:
      return Numeric(def, 18);
    case ftDate:
      return "DATE";
    case ftTime:
      return "TIME";
    case ftDateTime:
      return "TIMESTAMP";
    case ftBytes:
      return Sized("BINARY", def.Size);
    case ftVarBytes:
      return Sized("VARBINARY", def.Size);
    case ftAutoInc:
      return "INTEGER PRIMARY KEY AUTOINCREMENT";
    case ftBlob:
      return "BLOB";
    case ftMemo:
      return "CLOB";  // text affinity: numbers-looking text stays text
    case ftUnknown:
      break;
  }
  return "TEXT";
}

std::string TSqliteDialect::PlanStatement(std::string_view sql) const {
  return "EXPLAIN QUERY PLAN " + std::string(sql);
}

std::string TSqliteDialect::TablesStatement() const {
  return "SELECT name AS \"TABLE_NAME\" FROM sqlite_master WHERE type IN ('table', 'view') "
         "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name";
}

std::string TSqliteDialect::ColumnsStatement() const {
  return "SELECT name AS \"COLUMN_NAME\", type AS \"DATA_TYPE\" FROM pragma_table_info(:TABLE_NAME) "
         "ORDER BY cid";
}

// ---- PostgreSQL --------------------------------------------------------------------------------

std::string TPostgresDialect::ColumnType(const TFieldDef& def) const {
  switch (def.DataType) {
    case ftString:
      return def.Size > 0 ? Sized("varchar", def.Size) : "text";
    case ftSmallint:
      return "smallint";
    case ftInteger:
      return "bigint";
    case ftWord:
      return "integer";
    case ftBoolean:
      return "boolean";
    case ftFloat:
      return def.Scale > 0 ? Numeric(def, 18) : "double precision";
    case ftCurrency:
      return "numeric(19,4)";
    case ftBCD:
      return Numeric(def, 18);
    case ftDate:
      return "date";
    case ftTime:
      return "time";
    case ftDateTime:
      return "timestamp";
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
      return "bytea";
    case ftAutoInc:
      return "integer generated by default as identity primary key";
    case ftMemo:
      return "text";
    case ftUnknown:
      break;
  }
  return "text";
}

std::string TPostgresDialect::ExpertColumnType(TFieldType type) const {
  switch (type) {
    case ftString:
      return "Varchar";  // char(n) would pad every value with blanks
    case ftMemo:
      return "Text";
    default:
      return TDialect::ExpertColumnType(type);
  }
}

// One to_char pattern; text stands in double quotes (a quote or backslash in it escaped), FM
// drops the leading zero of the part after it.
std::string TPostgresDialect::DateText(std::string_view expression, const std::vector<TDatePart>& parts) const {
  std::string pattern;
  for (const TDatePart& p : parts) {
    switch (p.kind) {
      case TDatePart::dpDay: pattern += "FMDD"; break;
      case TDatePart::dpDay2: pattern += "DD"; break;
      case TDatePart::dpMonth: pattern += "FMMM"; break;
      case TDatePart::dpMonth2: pattern += "MM"; break;
      case TDatePart::dpYear2: pattern += "YY"; break;
      case TDatePart::dpYear4: pattern += "YYYY"; break;
      case TDatePart::dpText:
        if (p.text.empty()) break;
        pattern += '"';
        for (char c : p.text) {
          if (c == '"' || c == '\\') pattern += '\\';
          pattern += c;
        }
        pattern += '"';
        break;
    }
  }
  return "to_char(" + std::string(expression) + ", " + QuoteString(pattern) + ")";
}

std::string TPostgresDialect::PlanStatement(std::string_view sql) const {
  return "EXPLAIN " + std::string(sql);
}

std::string TPostgresDialect::TablesStatement() const {
  return "SELECT table_name AS \"TABLE_NAME\" FROM information_schema.tables "
         "WHERE table_schema = ANY (current_schemas(false)) ORDER BY table_name";
}

std::string TPostgresDialect::ColumnsStatement() const {
  return "SELECT column_name AS \"COLUMN_NAME\", data_type AS \"DATA_TYPE\" "
         "FROM information_schema.columns WHERE table_schema = ANY (current_schemas(false)) "
         "AND table_name = :TABLE_NAME ORDER BY ordinal_position";
}

const TDialect& SqliteDialect() {
  static const TSqliteDialect dialect;
  return dialect;
}

const TDialect& PostgresDialect() {
  static const TPostgresDialect dialect;
  return dialect;
}

}  // namespace bexlo
