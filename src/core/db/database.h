// TDatabase: one connection to a database engine under a database name; TSession: the process-wide
// list of databases and aliases (Session()).
//
// Data sets name their database by DatabaseName. The session finds a TDatabase of that name, or
// creates a temporary one that resolves the name, in this order:
//   1. a session alias (AddAlias): its target is resolved by the rules below;
//   2. "sqlite:PATH", or the path of an existing file, or a path ending in .db, .sqlite, .sqlite3
//      or .db3: an SQLite database file, which must exist ("database file not found: PATH";
//      CreateSqliteDatabase in db/driver.h makes a new one) and is opened without any change;
//   3. "postgresql://..." / "postgres://..." or a libpq "key=value ..." string: PostgreSQL;
//   4. a directory (the empty name meaning ApplicationDir): the local-tables database, the SQLite
//      file "local_tables.sqlite" in that directory, created when missing.
// Temporary databases stay connected (KeepConnections) so that repeated queries reuse them.
//
// Transactions: StartTransaction, Commit, Rollback, InTransaction (the engine's own state, so a
// BEGIN or COMMIT sent as SQL text is seen too). A Commit that fails rolls back and raises; a
// Commit of a PostgreSQL transaction in which a statement failed raises instead of reporting the
// engine's silent rollback as success.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/object.h"

namespace bexlo {

class TDataSet;
class TDBDataSet;
class TDialect;
class TDriverConnection;
class TParams;
class TStrings;

// What a database name resolves to.
struct TDatabaseTarget {
  enum class Kind { SQLite, PostgreSQL } kind = Kind::SQLite;
  std::string connect;  // the SQLite file path or the libpq connection string
  bool create = false;  // the local-tables database: created when missing
  // Canonical form ("sqlite:/abs/path", "postgresql:conninfo") that tells databases apart.
  std::string Key() const;
};

// Resolves a name by the rules above, aliases included; raises EDatabaseError when nothing fits.
TDatabaseTarget ResolveDatabaseName(std::string_view name);

// The file name of the local-tables database inside its directory.
inline constexpr std::string_view kLocalTablesFileName = "local_tables.sqlite";

class TDatabase : public TComponent {
 public:
  explicit TDatabase(TComponent* owner = nullptr);
  ~TDatabase() override;

  std::string_view ClassName() const noexcept override { return "TDatabase"; }

  // The name data sets use. Unique in the session (ignoring case).
  const std::string& DatabaseName() const noexcept { return database_name_; }
  void SetDatabaseName(std::string name);
  // What to connect to (an alias, a file, a connection string, a directory); empty: the
  // DatabaseName itself.
  const std::string& AliasName() const noexcept { return alias_name_; }
  void SetAliasName(std::string name);

  bool Connected() const noexcept { return connection_ != nullptr; }
  void SetConnected(bool value);
  void Open() { SetConnected(true); }
  // Closes every data set using this database, then the connection.
  void Close() { SetConnected(false); }
  // Created by the session for a data set's DatabaseName.
  bool Temporary() const noexcept { return temporary_; }
  bool KeepConnection = true;

  // "SQLITE" or "POSTGRESQL" (empty while closed).
  std::string DriverName() const;
  // The engine's dialect; raises while closed.
  const TDialect& Dialect() const;

  // ---- transactions -----------------------------------------------------------------------------
  void StartTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const;
  // Runs body so that its writes are kept all or none: inside a new transaction (committed at
  // the end), or inside a savepoint of the transaction already open.
  void Atomic(const std::function<void()>& body);

  // ---- statements -------------------------------------------------------------------------------
  // Runs one statement with ":name" parameters taken from params (when given); returns the rows
  // it changed. "COMMIT", "ROLLBACK" and "BEGIN" sent this way act on the transaction state
  // (a COMMIT with no transaction open does nothing).
  std::int64_t Execute(std::string_view sql, const TParams* params = nullptr);
  // The execution plan of a statement as indented lines.
  std::vector<std::string> ExplainPlan(std::string_view sql);
  // Names of the tables and views.
  void GetTableNames(TStrings& list);
  // Writes pending cached updates of the data sets in one transaction, then commits them.
  void ApplyUpdates(const std::vector<TDataSet*>& dataSets);

  // ---- for data sets ----------------------------------------------------------------------------
  // Handles a statement that only begins, commits or rolls back; false for any other statement.
  bool ExecuteTransactionControl(std::string_view sql);
  TDriverConnection& Connection();
  int DataSetCount() const noexcept { return static_cast<int>(datasets_.size()); }
  TDBDataSet* DataSets(int index) const { return datasets_.at(static_cast<std::size_t>(index)); }
  void RegisterDataSet(TDBDataSet* dataSet);
  void UnregisterDataSet(TDBDataSet* dataSet);

 private:
  friend class TSession;

  std::string database_name_;
  std::string alias_name_;
  bool temporary_ = false;
  std::string target_key_;
  std::unique_ptr<TDriverConnection> connection_;
  // Tells the data sets that the transaction ended (their applied marks hold or are taken back).
  void TransactionEnded(bool committed) noexcept;

  std::vector<TDBDataSet*> datasets_;
  int savepoint_depth_ = 0;
};

class TSession : public TComponent {
 public:
  TSession();
  ~TSession() override;

  std::string_view ClassName() const noexcept override { return "TSession"; }

  // ---- aliases ----------------------------------------------------------------------------------
  // An alias names a target: an SQLite path or "sqlite:PATH", a PostgreSQL URI or key=value
  // string, or a directory.
  void AddAlias(std::string_view name, std::string_view target);
  void DeleteAlias(std::string_view name);
  bool IsAlias(std::string_view name) const;
  // The alias's target; empty when there is no such alias.
  std::string AliasTarget(std::string_view name) const;
  void GetAliasNames(TStrings& list) const;

  // ---- databases --------------------------------------------------------------------------------
  // The open database of that name: an existing TDatabase, else a temporary one (one per target).
  TDatabase* OpenDatabase(std::string_view name);
  TDatabase* FindDatabase(std::string_view name) const;
  // Releases a database a data set opened: a temporary one closes unless KeepConnections.
  void CloseDatabase(TDatabase* database);
  // Closes and frees the temporary databases that no data set uses.
  void DropConnections();
  bool KeepConnections = true;
  int DatabaseCount() const noexcept { return static_cast<int>(databases_.size()); }
  TDatabase* Databases(int index) const { return databases_.at(static_cast<std::size_t>(index)); }
  void GetDatabaseNames(TStrings& list) const;
  void GetTableNames(std::string_view databaseName, TStrings& list);

  // For TDatabase.
  void AddDatabase(TDatabase* database);
  void RemoveDatabase(TDatabase* database);

 private:
  struct Alias {
    std::string name;
    std::string target;
  };
  std::vector<Alias> aliases_;
  std::vector<TDatabase*> databases_;
};

// The process-wide session.
TSession& Session();

}  // namespace bexlo
