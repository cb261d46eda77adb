#include "sample_database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "db/database.h"
#include "db/dialect.h"
#include "db/driver.h"
#include "db/field.h"
#include "db/query.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo::demo {

namespace {

bool HasSampleTables(TDatabase& db) {
  TStringList tables;
  db.GetTableNames(tables);
  for (const std::string& t : tables) {
    if (SameText(t, "customers")) return true;
  }
  return false;
}

// The script's statements: comment lines dropped, split where a line ends with ";".
std::vector<std::string> ScriptStatements(const std::string& scriptPath) {
  QFile file(QString::fromStdString(scriptPath));
  if (!file.open(QIODevice::ReadOnly)) {
    throw EInOutError("Cannot open the sample script " + scriptPath + ": " + file.errorString().toStdString());
  }
  std::vector<std::string> statements;
  std::string current;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const std::string line = TrimRight(raw.toStdString());
    if (TrimLeft(line).rfind("--", 0) == 0 || Trim(line).empty()) continue;
    current += line;
    current += '\n';
    if (!line.empty() && line.back() == ';') {
      current.erase(current.find_last_of(';'));
      statements.push_back(current);
      current.clear();
    }
  }
  if (!Trim(current).empty()) statements.push_back(current);
  return statements;
}

void RunScript(TDatabase& db, const std::string& scriptPath) {
  for (const std::string& statement : ScriptStatements(scriptPath)) db.Execute(statement);
}

// PostgreSQL tables of the sample, with the columns of the script.
constexpr const char* kPostgresTables[] = {
    "CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, street VARCHAR(40) NOT NULL, "
    "city VARCHAR(20) NOT NULL, country VARCHAR(20) NOT NULL, phone VARCHAR(20) NOT NULL, since DATE NOT NULL, "
    "notes TEXT)",
    "CREATE TABLE products (id INTEGER PRIMARY KEY, code VARCHAR(8) NOT NULL, name VARCHAR(30) NOT NULL, "
    "category VARCHAR(16) NOT NULL, unit_price NUMERIC(10,2) NOT NULL, description TEXT NOT NULL)",
    "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id), "
    "order_date DATE NOT NULL, status VARCHAR(10) NOT NULL)",
    "CREATE TABLE order_lines (order_id INTEGER NOT NULL REFERENCES orders(id), line_no INTEGER NOT NULL, "
    "product_id INTEGER NOT NULL REFERENCES products(id), quantity INTEGER NOT NULL, "
    "unit_price NUMERIC(10,2) NOT NULL, discount NUMERIC(4,2) NOT NULL, PRIMARY KEY (order_id, line_no))",
    "CREATE INDEX order_lines_product ON order_lines(product_id)",
    "CREATE INDEX orders_customer ON orders(customer_id)",
    "CREATE INDEX orders_date ON orders(order_date)",
};

std::string SqlValue(const TField& f, const TDialect& dialect) {
  if (f.IsNull()) return "NULL";
  if (IsDateTimeType(f.DataType())) return dialect.QuoteString(FormatDateTime("yyyy-mm-dd", f.AsDateTime()));
  if (IsIntegerType(f.DataType())) return std::to_string(f.AsInteger());
  if (IsFloatType(f.DataType())) return dialect.QuoteString(f.AsString()) + "::numeric";
  return dialect.QuoteString(f.AsString());
}

void CopyTable(const std::string& from, TDatabase& to, const std::string& table) {
  TQuery q;
  q.SetDatabaseName(from);
  q.SetSQLText("select * from " + table);
  q.SetUniDirectional(true);
  q.Open();
  const TDialect& dialect = to.Dialect();
  std::string insert;
  int rows = 0;
  auto flush = [&] {
    if (rows == 0) return;
    to.Execute("insert into " + table + " values " + insert);
    insert.clear();
    rows = 0;
  };
  while (!q.Eof()) {
    insert += rows == 0 ? "(" : ", (";
    for (int i = 0; i < q.FieldCount(); ++i) {
      if (i > 0) insert += ", ";
      insert += SqlValue(*q.Fields(i), dialect);
    }
    insert += ")";
    if (++rows == 500) flush();
    q.Next();
  }
  flush();
  q.Close();
}

}  // namespace

void EnsureSampleDatabase(const std::string& databaseName, const std::string& scriptPath) {
  TDatabase* db = Session().OpenDatabase(databaseName);
  if (HasSampleTables(*db)) return;
  if (db->DriverName() == "SQLITE") {
    RunScript(*db, scriptPath);
    return;
  }
  QTemporaryDir dir;
  if (!dir.isValid()) throw EInOutError("Cannot create a temporary directory for the sample database");
  const std::string sqlite = QDir(dir.path()).filePath(QStringLiteral("sample.db")).toStdString();
  CreateSqliteDatabase(sqlite);
  TDatabase* source = Session().OpenDatabase(sqlite);
  RunScript(*source, scriptPath);
  db->Atomic([&] {
    for (const char* ddl : kPostgresTables) db->Execute(ddl);
    for (const char* table : {"customers", "products", "orders", "order_lines"}) CopyTable(sqlite, *db, table);
  });
  source->Close();
}

}  // namespace bexlo::demo
