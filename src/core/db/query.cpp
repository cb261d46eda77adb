#include "db/query.h"

#include "db/data_source.h"
#include "db/database.h"
#include "db/db_error.h"
#include "db/sql_params.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

// Follows the master data set: every change of its current record reopens the query.
class TQuery::MasterLink final : public TDataLink {
 public:
  explicit MasterLink(TQuery* query) : query_(query) {}

 protected:
  void ActiveChanged() override {
    if (Active()) query_->MasterChanged();
  }
  void RecordChanged(TField* field) override {
    if (field == nullptr) query_->MasterChanged();
  }

 private:
  TQuery* query_;
};

TQuery::TQuery(TComponent* owner)
    : TDBDataSet(owner), sql_(std::make_unique<TStringList>()),
      master_link_(std::make_unique<MasterLink>(this)) {
  sql_->OnChange = [this](TObject*) { QueryChanged(); };
}

TQuery::~TQuery() {
  Destroying();
  Close();
  master_link_->SetDataSource(nullptr);
  statement_.reset();
  sql_->OnChange = nullptr;
}

TStrings& TQuery::SQL() noexcept { return *sql_; }
const TStrings& TQuery::SQL() const noexcept { return *sql_; }

std::string TQuery::SQLText() const { return sql_->Text(); }

void TQuery::SetSQLText(std::string_view text) { sql_->SetText(text); }

void TQuery::QueryChanged() {
  Close();
  UnPrepare();
  if (param_check_) params_.ParseSQL(SQLText());
}

void TQuery::SetParamCheck(bool value) {
  if (param_check_ == value) return;
  param_check_ = value;
  QueryChanged();
}

void TQuery::SetRequestLive(bool value) {
  if (request_live_ == value) return;
  CheckInactive();
  UnPrepare();
  request_live_ = value;
}

void TQuery::SetUniDirectional(bool value) {
  if (unidirectional_ == value) return;
  CheckInactive();
  unidirectional_ = value;
}

void TQuery::ParseText(std::string& text, std::vector<std::string>& names) const {
  const std::string sql = SQLText();
  if (!param_check_) {
    text = sql;
    names.clear();
    return;
  }
  const bool sqlite = Database() != nullptr && Database()->DriverName() == "SQLITE";
  TParsedSql parsed =
      ParseSqlParams(sql, sqlite ? TParamMarker::QuestionNumber : TParamMarker::DollarNumber);
  text = std::move(parsed.text);
  names = std::move(parsed.names);
}

void TQuery::Prepare() {
  EnsurePrepared();
  explicit_prepare_ = true;
}

void TQuery::DropImplicitStatement() {
  if (explicit_prepare_ || Active()) return;
  statement_.reset();
  statement_params_.clear();
  ReleaseDatabase();
}

void TQuery::EnsurePrepared() {
  if (statement_) return;
  if (TrimView(SQLText()).empty()) throw EDatabaseError(msg::SNoSQLStatement);
  OpenDatabase();
  try {
    std::string text;
    ParseText(text, statement_params_);
    statement_hidden_rowid_ = false;
    if (request_live_ && UniqueField().empty()) {
      statement_ = PrepareWithRowid(text);
      statement_hidden_rowid_ = statement_ != nullptr;
    }
    if (!statement_) statement_ = PrepareStatement(text);
  } catch (EDBEngineError& e) {
    statement_.reset();
    PointIntoSQL(e);
    if (!Active() && !explicit_prepare_) ReleaseDatabase();
    throw;
  } catch (...) {
    statement_.reset();
    if (!Active() && !explicit_prepare_) ReleaseDatabase();
    throw;
  }
}

void TQuery::PointIntoSQL(EDBEngineError& error) const {
  if (error.Offset() < 0) return;
  const std::string sql = SQLText();
  std::string text;
  std::vector<std::string> names;
  ParseText(text, names);
  if (error.Statement() != text) return;  // another statement (the ROWID probe, a savepoint)
  std::size_t offset = static_cast<std::size_t>(error.Offset());
  if (param_check_) {
    const bool sqlite = Database() != nullptr && Database()->DriverName() == "SQLITE";
    offset = ParseSqlParams(sql, sqlite ? TParamMarker::QuestionNumber : TParamMarker::DollarNumber)
                 .SourceOffset(offset);
  }
  error.SetStatement(sql, static_cast<int>(std::min(offset, sql.size())));
}

void TQuery::UnPrepare() {
  if (Active()) Close();
  explicit_prepare_ = false;
  statement_.reset();
  statement_params_.clear();
  ReleaseDatabase();
}

void TQuery::DatabaseClosing() {
  Close();  // the cursor is the prepared statement: close before letting it go
  explicit_prepare_ = false;
  statement_.reset();
  statement_params_.clear();
  TDBDataSet::DatabaseClosing();
}

void TQuery::SetParamsFromMaster() {
  if (data_source_ == nullptr) return;
  TDataSet* master = data_source_->DataSet();
  if (master == this) throw EDatabaseError(msg::SCircularDataLink);
  if (master == nullptr || !master->Active()) return;
  for (int i = 0; i < params_.Count(); ++i) {
    TParam* p = params_[i];
    if (p->Bound()) continue;
    if (TField* f = master->FindField(p->Name())) {
      p->AssignField(f);
      p->SetBound(false);  // the next master record fills it again
    }
  }
}

void TQuery::MasterChanged() {
  if (!Active() || data_source_ == nullptr || data_source_->DataSet() == nullptr ||
      data_source_->DataSet()->State() == dsSetKey) {
    return;
  }
  DisableControls();
  try {
    Close();
    Open();
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TQuery::BindAndExecute() {
  EnsurePrepared();
  SetParamsFromMaster();
  BindParams(*statement_, params_, statement_params_);
}

void TQuery::InternalOpen() {
  BindAndExecute();
  try {
    StartCursor(*statement_, statement_hidden_rowid_ ? 0 : -1);
  } catch (EDBEngineError& e) {
    PointIntoSQL(e);
    throw;
  }
}

void TQuery::InternalClose() {
  TDBDataSet::InternalClose();
  if (!explicit_prepare_) {
    statement_.reset();
    statement_params_.clear();
    ReleaseDatabase();
  }
}

void TQuery::InternalInitFieldDefs() {
  EnsurePrepared();
  try {
    DescribeStatement(*statement_, statement_hidden_rowid_ ? 0 : -1);
  } catch (...) {
    DropImplicitStatement();
    throw;
  }
  DropImplicitStatement();
}

void TQuery::ExecSQL() {
  CheckInactive();
  if (TrimView(SQLText()).empty()) throw EDatabaseError(msg::SNoSQLStatement);
  rows_affected_ = 0;
  try {
    if (OpenDatabase().ExecuteTransactionControl(SQLText())) {
      DropImplicitStatement();
      return;
    }
    BindAndExecute();
    statement_->Execute();
    std::vector<Variant> row;
    while (statement_->Fetch(row)) {
    }
    rows_affected_ = statement_->RowsAffected();
  } catch (EDBEngineError& e) {
    PointIntoSQL(e);
    if (statement_) statement_->Reset();
    DropImplicitStatement();
    throw;
  } catch (...) {
    if (statement_) statement_->Reset();
    DropImplicitStatement();
    throw;
  }
  statement_->Reset();
  DropImplicitStatement();
}

bool TQuery::ReadsOneTable() const { return IsSingleTableSelect(SQLText()); }

void TQuery::SetDataSource(TDataSource* source) {
  if (source == data_source_) return;
  if (source != nullptr && source->DataSet() == this) throw EDatabaseError(msg::SCircularDataLink);
  if (data_source_ != nullptr) RemoveFreeNotification(data_source_);
  data_source_ = source;
  if (data_source_ != nullptr) FreeNotification(data_source_);
  master_link_->SetDataSource(source);
}

void TQuery::Notification(TComponent* component, TOperation operation) {
  TDBDataSet::Notification(component, operation);
  if (operation == TOperation::opRemove && component == data_source_) {
    data_source_ = nullptr;
    master_link_->SetDataSource(nullptr);
  }
}

}  // namespace bexlo
