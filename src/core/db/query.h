// TQuery: a data set over an SQL statement.
//
// SQL holds the statement as lines; ":name" references become Params (one per name; values of
// parameters that keep their name survive an edit of the text). With ParamCheck off the text is
// sent as it stands and no parameters are made (stored-program bodies that contain ":").
// Prepare/UnPrepare keep the statement compiled across executions. Open reads rows, ExecSQL runs
// a statement that returns none and sets RowsAffected.
//
// DataSource names a master: whenever the master's record changes, the query takes the values of
// the master fields named like its parameters (those the application has not bound) and reopens.
// RequestLive makes the result editable when it reads one table (see TDBDataSet for the key).
// UniDirectional streams the rows: only the current record is kept in memory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/db_dataset.h"
#include "db/params.h"

namespace bexlo {

class EDBEngineError;

class TDataSource;
class TDataLink;
class TStringList;
class TStrings;

class TQuery : public TDBDataSet {
 public:
  explicit TQuery(TComponent* owner = nullptr);
  ~TQuery() override;

  std::string_view ClassName() const noexcept override { return "TQuery"; }

  // The statement text. Changing it closes the query and unprepares it.
  TStrings& SQL() noexcept;
  const TStrings& SQL() const noexcept;
  // The text of SQL as one string (lines joined with line breaks).
  std::string SQLText() const;
  void SetSQLText(std::string_view text);

  TParams& Params() noexcept { return params_; }
  const TParams& Params() const noexcept { return params_; }
  int ParamCount() const noexcept { return params_.Count(); }
  TParam* ParamByName(std::string_view name) const { return params_.ParamByName(name); }
  bool ParamCheck() const noexcept { return param_check_; }
  void SetParamCheck(bool value);

  // Keeps the statement compiled until UnPrepare or a change of the text. Without Prepare, each
  // Open and ExecSQL compiles it and lets it go (with the database) afterwards.
  void Prepare();
  void UnPrepare();
  bool Prepared() const noexcept { return statement_ != nullptr && explicit_prepare_; }
  void SetPrepared(bool value) { value ? Prepare() : UnPrepare(); }

  // Runs a statement that returns no rows (rows it returns are ignored).
  void ExecSQL();
  std::int64_t RowsAffected() const noexcept { return rows_affected_; }

  TDataSource* DataSource() const noexcept { return data_source_; }
  void SetDataSource(TDataSource* source);

  bool RequestLive() const noexcept { return request_live_; }
  void SetRequestLive(bool value);
  bool UniDirectional() const noexcept { return unidirectional_; }
  void SetUniDirectional(bool value);
  // Whether the open result can be edited (RequestLive granted).
  bool CanModifyResult() const { return CanModify(); }

  void DatabaseClosing() override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool InternalIsUniDirectional() const override { return unidirectional_; }
  bool WantsUpdates() const override { return request_live_ && !unidirectional_; }
  bool ReadsOneTable() const override;
  void InternalInitFieldDefs() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  class MasterLink;
  friend class MasterLink;

  void EnsurePrepared();
  void DropImplicitStatement();
  void QueryChanged();
  void SetParamsFromMaster();
  void MasterChanged();
  void BindAndExecute();
  // The text sent to the engine and the parameter names its markers stand for.
  void ParseText(std::string& text, std::vector<std::string>& names) const;
  // An engine error in this query's statement names the SQL text as written (parameters by
  // name) and the error's offset in it.
  void PointIntoSQL(EDBEngineError& error) const;

  std::unique_ptr<TStringList> sql_;
  TParams params_;
  bool param_check_ = true;
  bool request_live_ = false;
  bool unidirectional_ = false;
  std::int64_t rows_affected_ = 0;
  std::unique_ptr<TDriverStatement> statement_;
  bool explicit_prepare_ = false;
  std::vector<std::string> statement_params_;
  bool statement_hidden_rowid_ = false;
  TDataSource* data_source_ = nullptr;
  std::unique_ptr<MasterLink> master_link_;
};

}  // namespace bexlo
