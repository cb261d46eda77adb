// The small interface between the data-access layer and a database engine. A connection prepares
// statements, runs plain statements, keeps transactions and savepoints, and describes tables and
// stored procedures from its catalogue; a statement binds positional parameters, runs, describes
// its result columns and reads rows one at a time. Everything above (buffering, bookmarks,
// states, editing, cached updates, events, links) is written once, over this interface.
//
// Every engine failure raises EDBEngineError with the engine's message and the statement. A
// connection that the server dropped fails the statement that found out, and is re-established
// for the next one (statements prepared before are prepared again as they are used).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/field_types.h"
#include "util/variant.h"

namespace bexlo {

class TDialect;
class EDBEngineError;

// What a statement stores in a row slot for a column: Natural keeps the engine's own kind
// (integer, float, text, bytes); the others convert what the engine gives when it is of another
// kind (ISO text to a date, 0/1 or "t"/"f" to a boolean, bytes to text). A value that cannot be
// converted is stored as the engine gave it, for the field to report.
enum class TValueKind : std::uint8_t { Natural, String, Boolean, Date, Time, DateTime };

struct TColumnInfo {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;       // characters of a string column, bytes of a fixed binary one
  int Precision = 0;  // digits of a numeric column
  int Scale = 0;      // digits after the point
  // SQLite expression columns have no declared type: the first row's values decide it.
  bool TypedFromValue = false;
  // Where the column comes from; empty for expressions.
  std::string Schema;
  std::string Table;
  std::string Origin;
};

// A column of a table as the catalogue describes it.
struct TTableColumn {
  std::string Name;
  bool NotNull = false;
  bool HasDefault = false;
  bool AutoIncrement = false;
  int KeyIndex = 0;  // 1-based position in the primary key, 0 when not part of it
};

// A stored procedure or function as the catalogue describes it.
struct TProcParamInfo {
  std::string Name;
  TParamType Kind = ptInput;
  TFieldType DataType = ftUnknown;
  std::string TypeName;  // the engine's type, used to cast arguments
};
struct TProcInfo {
  std::string Schema;
  std::string Name;
  bool IsProcedure = false;  // called with CALL rather than SELECT
  bool ReturnsSet = false;
  std::vector<TProcParamInfo> Params;  // result parameter (if any) first
};

class TDriverStatement {
 public:
  virtual ~TDriverStatement() = default;

  virtual const std::string& Sql() const noexcept = 0;
  virtual int ParamCount() const = 0;
  // Binds parameter `index` (0-based). The value is already converted for `type`; Null binds
  // NULL. Bindings stay until changed.
  virtual void Bind(int index, const Variant& value, TFieldType type) = 0;
  // Runs the statement. A statement with rows then stands before its first row.
  virtual void Execute() = 0;
  // Makes the result columns known without running the statement; with origins, also the table
  // and column each comes from. Call it before Execute (PostgreSQL asks the server).
  virtual void Describe(bool origins) = 0;
  // The result columns; known after Describe or Execute.
  virtual int ColumnCount() = 0;
  virtual const TColumnInfo& Column(int index) = 0;
  // What Fetch stores per column (Natural for columns not listed).
  virtual void SetTargets(std::vector<TValueKind> targets) = 0;
  // Reads the next row into `row` (resized to ColumnCount); false after the last row.
  virtual bool Fetch(std::vector<Variant>& row) = 0;
  // Rows changed by the last Execute of an INSERT, UPDATE or DELETE.
  virtual std::int64_t RowsAffected() = 0;
  // Ends the current execution; the statement stays prepared for another Execute.
  virtual void Reset() = 0;
};

class TDriverConnection {
 public:
  virtual ~TDriverConnection() = default;

  virtual std::string_view DriverName() const noexcept = 0;
  virtual const TDialect& Dialect() const noexcept = 0;

  virtual std::unique_ptr<TDriverStatement> Prepare(std::string_view sql) = 0;
  // Runs statements without parameters, discarding any rows.
  virtual void ExecuteDirect(std::string_view sql) = 0;

  // Transaction state as the engine sees it (a BEGIN sent as text counts too).
  virtual bool InTransaction() = 0;
  // PostgreSQL: a statement of the open transaction failed, so COMMIT can only roll back.
  virtual bool TransactionFailed() { return false; }
  // SQLite: results still being read keep the connection on an old snapshot of the database,
  // which another connection may have changed since (a write then fails as stale), and they
  // would see this connection's own writes. This reads them to the end into memory; the driver
  // does it before every write and transaction. False when there was nothing to release.
  virtual bool ReleaseReadSnapshots() { return false; }
  virtual bool IsStaleSnapshot(const EDBEngineError&) const { return false; }
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;

  // The table's columns with key and NOT NULL information; empty when the table is unknown.
  virtual std::vector<TTableColumn> TableColumns(std::string_view schema,
                                                 std::string_view table) = 0;
  // Finds a stored procedure (overload: 0 the first, n the n-th); false when there is none.
  // Engines without stored procedures raise "Stored procedures are not supported by ...".
  virtual bool FindProc(std::string_view name, int overload, TProcInfo& info) = 0;
};

// How an SQLite file is opened: an existing file only (a missing one raises "database file not
// found: PATH"), or created when missing (the library's own databases, such as local tables).
enum class TSqliteOpen { OpenExisting, Create };
// Opens an SQLite database file as it is: its journal mode is left as the file has it, and a
// file that cannot be written is opened read-only. ":memory:" is a private database; a "file:"
// URI follows its own parameters. A database created here uses write-ahead logging.
std::unique_ptr<TDriverConnection> OpenSqliteConnection(const std::string& path,
                                                        TSqliteOpen mode = TSqliteOpen::OpenExisting);
// Creates an empty SQLite database file on purpose (nothing happens when the file exists).
void CreateSqliteDatabase(const std::string& path);
// Opens a PostgreSQL connection from a URI or a key=value connection string.
std::unique_ptr<TDriverConnection> OpenPostgresConnection(const std::string& conninfo);

// Type names of engine declarations to field types (SQLite declared types, "VARCHAR(20)" ...).
TColumnInfo ColumnFromDeclaredType(std::string_view declaredType);

}  // namespace bexlo
