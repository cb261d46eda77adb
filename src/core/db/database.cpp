#include "db/database.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "db/db_dataset.h"
#include "db/db_error.h"
#include "db/dialect.h"
#include "db/driver.h"
#include "db/params.h"
#include "db/sql_params.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

namespace fs = std::filesystem;

namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// "host=... dbname=..." : a keyword, optional blanks, "=".
bool LooksLikeKeyValue(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && ((s[i] >= 'a' && s[i] <= 'z') || (s[i] >= 'A' && s[i] <= 'Z') || s[i] == '_')) {
    ++i;
  }
  if (i == 0) return false;
  while (i < s.size() && s[i] == ' ') ++i;
  return i < s.size() && s[i] == '=';
}

bool HasSqliteExtension(const fs::path& path) {
  std::string ext = AsciiLowerCase(path.extension().string());
  return ext == ".db" || ext == ".sqlite" || ext == ".sqlite3" || ext == ".db3";
}

TDatabaseTarget ResolveTarget(std::string_view original, std::string_view text) {
  const std::string name = Trim(text);
  TDatabaseTarget target;
  if (StartsWithNoCase(name, "sqlite:")) {
    target.connect = name.substr(7);
    if (target.connect.empty()) throw EDatabaseError(Format(msg::SUnknownDatabase, original));
    return target;
  }
  if (StartsWithNoCase(name, "postgresql://") || StartsWithNoCase(name, "postgres://") ||
      LooksLikeKeyValue(name)) {
    target.kind = TDatabaseTarget::Kind::PostgreSQL;
    target.connect = name;
    return target;
  }
  const fs::path path = name.empty() ? fs::path(ApplicationDir) : fs::path(name);
  std::error_code ec;
  if (!path.empty() && fs::is_directory(path, ec)) {
    target.connect = (path / std::string(kLocalTablesFileName)).string();
    target.create = true;
    return target;
  }
  if (fs::is_regular_file(path, ec) || HasSqliteExtension(path)) {
    target.connect = path.string();
    return target;
  }
  throw EDatabaseError(Format(msg::SUnknownDatabase, original));
}

enum class TransactionWord { None, Begin, Commit, Rollback };

// "COMMIT", "commit work;", "END", "ROLLBACK", "BEGIN", "START TRANSACTION" ... sent as SQL.
TransactionWord TransactionControl(std::string_view sql) {
  std::string words;
  for (char c : sql) {
    if (c == ';') continue;
    if (static_cast<unsigned char>(c) <= ' ') {
      if (!words.empty() && words.back() != ' ') words += ' ';
      continue;
    }
    words += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (words.size() > 24) return TransactionWord::None;
  }
  while (!words.empty() && words.back() == ' ') words.pop_back();
  static const std::map<std::string, TransactionWord, std::less<>> known = {
      {"COMMIT", TransactionWord::Commit},          {"COMMIT WORK", TransactionWord::Commit},
      {"COMMIT TRANSACTION", TransactionWord::Commit}, {"END", TransactionWord::Commit},
      {"END TRANSACTION", TransactionWord::Commit},  {"ROLLBACK", TransactionWord::Rollback},
      {"ROLLBACK WORK", TransactionWord::Rollback},  {"ROLLBACK TRANSACTION", TransactionWord::Rollback},
      {"ABORT", TransactionWord::Rollback},          {"BEGIN", TransactionWord::Begin},
      {"BEGIN WORK", TransactionWord::Begin},        {"BEGIN TRANSACTION", TransactionWord::Begin},
      {"START TRANSACTION", TransactionWord::Begin},
  };
  const auto it = known.find(words);
  return it == known.end() ? TransactionWord::None : it->second;
}

void RollbackQuietly(TDriverConnection& c) {
  if (!c.InTransaction()) return;
  try {
    c.Rollback();
  } catch (const EDatabaseError&) {
    // The error that made us roll back is the one to report.
  }
}

}  // namespace

std::string TDatabaseTarget::Key() const {
  if (kind == Kind::PostgreSQL) return "postgresql:" + connect;
  if (connect == ":memory:" || StartsWithNoCase(connect, "file:")) return "sqlite:" + connect;
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(fs::path(connect), ec), ec);
  return "sqlite:" + (ec ? connect : p.string());
}

TDatabaseTarget ResolveDatabaseName(std::string_view name) {
  const std::string alias = Session().AliasTarget(name);
  return ResolveTarget(name, alias.empty() ? name : std::string_view(alias));
}

// ---- TDatabase ---------------------------------------------------------------------------------

TDatabase::TDatabase(TComponent* owner) : TComponent(owner) { Session().AddDatabase(this); }

TDatabase::~TDatabase() {
  Destroying();
  SetConnected(false);
  Session().RemoveDatabase(this);
}

void TDatabase::SetDatabaseName(std::string name) {
  if (Connected()) throw EDatabaseError(msg::SDatabaseOpen);
  TDatabase* other = Session().FindDatabase(name);
  if (other != nullptr && other != this) {
    throw EDatabaseError(Format(msg::SDuplicateDatabaseName, name));
  }
  database_name_ = std::move(name);
}

void TDatabase::SetAliasName(std::string name) {
  if (Connected()) throw EDatabaseError(msg::SDatabaseOpen);
  alias_name_ = std::move(name);
}

void TDatabase::SetConnected(bool value) {
  if (value == Connected()) return;
  if (value) {
    const std::string& what = alias_name_.empty() ? database_name_ : alias_name_;
    const TDatabaseTarget target = ResolveDatabaseName(what);
    connection_ = target.kind == TDatabaseTarget::Kind::SQLite
                      ? OpenSqliteConnection(target.connect, target.create ? TSqliteOpen::Create
                                                                           : TSqliteOpen::OpenExisting)
                      : OpenPostgresConnection(target.connect);
    target_key_ = target.Key();
    return;
  }
  // Data sets let go of their statements before the connection goes.
  const std::vector<TDBDataSet*> users = datasets_;
  for (TDBDataSet* ds : users) ds->DatabaseClosing();
  datasets_.clear();
  connection_.reset();
  savepoint_depth_ = 0;
}

std::string TDatabase::DriverName() const {
  return connection_ ? std::string(connection_->DriverName()) : std::string();
}

const TDialect& TDatabase::Dialect() const {
  if (!connection_) throw EDatabaseError(msg::SDatabaseClosed);
  return connection_->Dialect();
}

TDriverConnection& TDatabase::Connection() {
  if (!connection_) Open();
  return *connection_;
}

void TDatabase::StartTransaction() {
  TDriverConnection& c = Connection();
  if (c.InTransaction()) throw EDatabaseError(msg::STransactionActive);
  c.Begin();
}

void TDatabase::Commit() {
  if (!InTransaction()) throw EDatabaseError(msg::SNoTransaction);
  connection_->Commit();
  TransactionEnded(true);
}

void TDatabase::Rollback() {
  if (!InTransaction()) throw EDatabaseError(msg::SNoTransaction);
  try {
    connection_->Rollback();
  } catch (...) {
    if (!InTransaction()) TransactionEnded(false);
    throw;
  }
  TransactionEnded(false);
}

void TDatabase::TransactionEnded(bool committed) noexcept {
  for (TDBDataSet* ds : datasets_) ds->TransactionEnded(committed);
}

bool TDatabase::InTransaction() const { return connection_ && connection_->InTransaction(); }

void TDatabase::Atomic(const std::function<void()>& body) {
  TDriverConnection& c = Connection();
  if (!c.InTransaction()) {
    for (int attempt = 0;; ++attempt) {
      c.Begin();
      try {
        body();
        c.Commit();
        TransactionEnded(true);
        return;
      } catch (const EDBEngineError& e) {
        RollbackQuietly(c);
        TransactionEnded(false);
        // A stale read snapshot (SQLite): release it and run the body once more.
        if (attempt == 0 && c.IsStaleSnapshot(e)) {
          c.ReleaseReadSnapshots();
          continue;
        }
        throw;
      } catch (...) {
        RollbackQuietly(c);
        TransactionEnded(false);
        throw;
      }
    }
  }
  const std::string name = "bexlo_sp" + std::to_string(++savepoint_depth_);
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{savepoint_depth_};
  c.ExecuteDirect("SAVEPOINT " + name);
  try {
    body();
  } catch (...) {
    try {
      c.ExecuteDirect("ROLLBACK TO SAVEPOINT " + name);
      c.ExecuteDirect("RELEASE SAVEPOINT " + name);
    } catch (const EDatabaseError&) {
      // The transaction is gone with the connection; the body's error is the one to report.
    }
    throw;
  }
  c.ExecuteDirect("RELEASE SAVEPOINT " + name);
}

bool TDatabase::ExecuteTransactionControl(std::string_view sql) {
  switch (TransactionControl(sql)) {
    case TransactionWord::None:
      return false;
    case TransactionWord::Begin:
      StartTransaction();
      return true;
    case TransactionWord::Commit:
      if (InTransaction()) Commit();
      return true;
    case TransactionWord::Rollback:
      if (InTransaction()) Rollback();
      return true;
  }
  return false;
}

std::int64_t TDatabase::Execute(std::string_view sql, const TParams* params) {
  if (ExecuteTransactionControl(sql)) return 0;
  TDriverConnection& c = Connection();
  const bool sqlite = c.DriverName() == "SQLITE";
  const TParsedSql parsed =
      ParseSqlParams(sql, sqlite ? TParamMarker::QuestionNumber : TParamMarker::DollarNumber);
  auto statement = c.Prepare(parsed.text);
  for (std::size_t i = 0; i < parsed.names.size(); ++i) {
    const TParam* p = params ? params->FindParam(parsed.names[i]) : nullptr;
    if (p == nullptr) throw EDatabaseError(Format(msg::SParameterNotFound, parsed.names[i]));
    if (!p->IsAssigned()) throw EDatabaseError(Format(msg::SNoParameterValue, p->Name()));
    statement->Bind(static_cast<int>(i), p->BindValue(), p->DataType());
  }
  statement->Execute();
  std::vector<Variant> row;
  while (statement->Fetch(row)) {
  }
  return statement->RowsAffected();
}

std::vector<std::string> TDatabase::ExplainPlan(std::string_view sql) {
  TDriverConnection& c = Connection();
  // Parameters have no values here: the plan is made for NULL in their place.
  std::string text;
  std::size_t copied = 0;
  for (const TSqlParamRef& ref : ScanSqlParams(sql)) {
    text.append(sql.substr(copied, ref.offset - copied));
    text += "NULL";
    copied = ref.offset + ref.length;
  }
  text.append(sql.substr(copied));
  auto statement = c.Prepare(c.Dialect().PlanStatement(text));
  statement->Execute();
  std::vector<std::string> lines;
  std::vector<Variant> row;
  std::map<std::int64_t, int> depth;  // SQLite: id -> nesting level
  while (statement->Fetch(row)) {
    if (row.empty()) continue;
    std::string line = VariantToText(row.back());
    if (row.size() == 4) {
      const std::int64_t id = VariantToInteger(row[0]);
      const std::int64_t parent = VariantToInteger(row[1]);
      const auto p = depth.find(parent);
      const int level = p == depth.end() ? 0 : p->second + 1;
      depth[id] = level;
      line = std::string(static_cast<std::size_t>(level) * 2, ' ') + line;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void TDatabase::GetTableNames(TStrings& list) {
  TDriverConnection& c = Connection();
  auto statement = c.Prepare(c.Dialect().TablesStatement());
  statement->Execute();
  list.BeginUpdate();
  list.Clear();
  std::vector<Variant> row;
  while (statement->Fetch(row)) list.Add(VariantToText(row[0]));
  list.EndUpdate();
}

void TDatabase::ApplyUpdates(const std::vector<TDataSet*>& dataSets) {
  std::size_t applied = 0;
  try {
    Atomic([&] {
      // A second attempt (Atomic retries once on a stale snapshot) writes everything again.
      for (std::size_t i = 0; i < applied; ++i) dataSets[i]->ForgetLastApply();
      for (applied = 0; applied < dataSets.size(); ++applied) dataSets[applied]->ApplyUpdates();
    });
  } catch (...) {
    // Every write of this call is undone, also inside a caller's transaction (to the savepoint):
    // the data sets written before the failing one hold their changes as pending again.
    for (std::size_t i = 0; i < applied; ++i) dataSets[i]->ForgetLastApply();
    throw;
  }
  for (TDataSet* ds : dataSets) ds->CommitUpdates();
}

void TDatabase::RegisterDataSet(TDBDataSet* dataSet) {
  if (std::find(datasets_.begin(), datasets_.end(), dataSet) == datasets_.end()) {
    datasets_.push_back(dataSet);
  }
}

void TDatabase::UnregisterDataSet(TDBDataSet* dataSet) { std::erase(datasets_, dataSet); }

// ---- TSession ----------------------------------------------------------------------------------

TSession::TSession() {
  // The connections a program leaves open are closed cleanly when it ends, so that an SQLite
  // file in write-ahead-log mode is checkpointed and loses its "-wal" and "-shm" companions.
  // Only the session's own databases that no data set still uses are closed: nothing of the
  // application's runs at that point.
  static const bool registered = std::atexit([] {
    try {
      Session().DropConnections();
    } catch (...) {
      // Nothing can be reported at exit.
    }
  }) == 0;
  (void)registered;
}

TSession::~TSession() {
  // The temporary databases are owned components and go with DestroyComponents; databases the
  // application owns only forget the session.
  databases_.clear();
}

void TSession::AddAlias(std::string_view name, std::string_view target) {
  for (Alias& a : aliases_) {
    if (SameText(a.name, name)) {
      a.target = std::string(target);
      return;
    }
  }
  aliases_.push_back({std::string(name), std::string(target)});
}

void TSession::DeleteAlias(std::string_view name) {
  std::erase_if(aliases_, [&](const Alias& a) { return SameText(a.name, name); });
}

bool TSession::IsAlias(std::string_view name) const {
  return std::any_of(aliases_.begin(), aliases_.end(),
                     [&](const Alias& a) { return SameText(a.name, name); });
}

std::string TSession::AliasTarget(std::string_view name) const {
  for (const Alias& a : aliases_) {
    if (SameText(a.name, name)) return a.target;
  }
  return {};
}

void TSession::GetAliasNames(TStrings& list) const {
  list.BeginUpdate();
  list.Clear();
  for (const Alias& a : aliases_) list.Add(a.name);
  list.EndUpdate();
}

TDatabase* TSession::FindDatabase(std::string_view name) const {
  for (TDatabase* db : databases_) {
    if (SameText(db->DatabaseName(), name)) return db;
  }
  return nullptr;
}

TDatabase* TSession::OpenDatabase(std::string_view name) {
  if (TDatabase* db = FindDatabase(name)) {
    db->Open();
    return db;
  }
  const std::string key = ResolveDatabaseName(name).Key();
  for (TDatabase* db : databases_) {
    if (db->Temporary() && db->target_key_ == key) {
      db->Open();
      return db;
    }
  }
  auto* db = new TDatabase(this);
  db->temporary_ = true;
  db->database_name_ = std::string(name);
  try {
    db->Open();
  } catch (...) {
    delete db;
    throw;
  }
  return db;
}

void TSession::CloseDatabase(TDatabase* database) {
  if (database == nullptr || !database->Temporary() || KeepConnections) return;
  if (database->DataSetCount() == 0) delete database;
}

void TSession::DropConnections() {
  const std::vector<TDatabase*> all = databases_;
  for (TDatabase* db : all) {
    if (db->Temporary() && db->DataSetCount() == 0) delete db;
  }
}

void TSession::GetDatabaseNames(TStrings& list) const {
  list.BeginUpdate();
  list.Clear();
  for (const Alias& a : aliases_) list.Add(a.name);
  for (TDatabase* db : databases_) {
    if (!db->Temporary() && !IsAlias(db->DatabaseName())) list.Add(db->DatabaseName());
  }
  list.EndUpdate();
}

void TSession::GetTableNames(std::string_view databaseName, TStrings& list) {
  OpenDatabase(databaseName)->GetTableNames(list);
}

void TSession::AddDatabase(TDatabase* database) { databases_.push_back(database); }

void TSession::RemoveDatabase(TDatabase* database) { std::erase(databases_, database); }

TSession& Session() {
  // Never destroyed: databases and data sets of static objects may outlive any order of exit.
  static TSession* session = new TSession();
  return *session;
}

}  // namespace bexlo
