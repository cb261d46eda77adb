#include "db/stored_proc.h"

#include "db/database.h"
#include "db/db_error.h"
#include "db/dialect.h"
#include "db/driver.h"
#include "db/value_convert.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

struct TStoredProc::Info {
  TProcInfo proc;
};

TStoredProc::TStoredProc(TComponent* owner) : TDBDataSet(owner) {}

TStoredProc::~TStoredProc() {
  Destroying();
  Close();
  statement_.reset();
}

void TStoredProc::SetStoredProcName(std::string name) {
  CheckInactive();
  UnPrepare();
  proc_name_ = std::move(name);
}

void TStoredProc::SetOverload(int value) {
  CheckInactive();
  UnPrepare();
  overload_ = value;
}

void TStoredProc::Prepare() {
  if (prepared_) return;
  if (Trim(proc_name_).empty()) throw EDatabaseError(msg::SNoStoredProcName);
  TDatabase& db = OpenDatabase();
  try {
    auto info = std::make_unique<Info>();
    if (!db.Connection().FindProc(Trim(proc_name_), overload_, info->proc)) {
      throw EDatabaseError(Format(msg::SStoredProcNotFound, proc_name_));
    }
    // The catalogue decides the list; values the application set already survive by name.
    TParams previous;
    previous.Assign(&params_);
    params_.Clear();
    for (const TProcParamInfo& p : info->proc.Params) {
      TParam* param = params_.CreateParam(ftUnknown, p.Name, p.Kind);
      if (const TParam* old = previous.FindParam(p.Name); old != nullptr && old->IsAssigned()) {
        param->Assign(old);
        param->SetParamType(p.Kind);
      }
      param->SetDataType(p.DataType);
    }
    info_ = std::move(info);
    prepared_ = true;
  } catch (...) {
    if (!Active()) ReleaseDatabase();
    throw;
  }
}

void TStoredProc::UnPrepare() {
  if (Active()) Close();
  statement_.reset();
  info_.reset();
  prepared_ = false;
  ReleaseDatabase();
}

void TStoredProc::DatabaseClosing() {
  Close();
  statement_.reset();
  info_.reset();
  prepared_ = false;
  TDBDataSet::DatabaseClosing();
}

std::string TStoredProc::CallText(std::vector<std::string>& names) const {
  const TProcInfo& proc = info_->proc;
  const TDialect& dialect = Database()->Dialect();
  std::string args;
  names.clear();
  for (const TProcParamInfo& p : proc.Params) {
    if (p.Kind == ptResult) continue;
    const bool input = p.Kind == ptInput || p.Kind == ptInputOutput;
    if (!input && !proc.IsProcedure) continue;  // functions return their outputs as columns
    if (!args.empty()) args += ", ";
    if (input) {
      names.push_back(p.Name);
      args += '$';
      args += std::to_string(names.size());
      args += "::";
      args += p.TypeName;
    } else {
      args += "NULL::" + p.TypeName;
    }
  }
  const std::string name = dialect.QuoteIdentifier(proc.Schema) + "." + dialect.QuoteIdentifier(proc.Name);
  return proc.IsProcedure ? "CALL " + name + "(" + args + ")"
                          : "SELECT * FROM " + name + "(" + args + ")";
}

std::unique_ptr<TDriverStatement> TStoredProc::PrepareCall() {
  std::vector<std::string> names;
  auto statement = PrepareStatement(CallText(names));
  BindParams(*statement, params_, names);
  return statement;
}

void TStoredProc::ExecProc() {
  CheckInactive();
  Prepare();
  statement_ = PrepareCall();
  statement_->Execute();
  const int columns = statement_->ColumnCount();
  std::vector<Variant> row;
  const bool hasRow = statement_->Fetch(row);
  // Output, input-output and result parameters take the first row's values.
  for (int i = 0; i < params_.Count() && hasRow; ++i) {
    TParam* p = params_[i];
    if (p->ParamType() == ptInput || p->ParamType() == ptUnknown) continue;
    int column = -1;
    if (p->ParamType() == ptResult) {
      column = 0;
    } else {
      for (int c = 0; c < columns && column < 0; ++c) {
        if (SameText(statement_->Column(c).Name, p->Name())) column = c;
      }
    }
    if (column < 0 || column >= static_cast<int>(row.size())) continue;
    Variant v = row[static_cast<std::size_t>(column)];
    ConvertEngineValue(v, ValueKindOf(p->DataType()));
    try {
      v = ConvertVariant(v, p->DataType());
    } catch (const EConvertError&) {
      // Kept as the engine gave it.
    }
    const TFieldType type = p->DataType();
    p->SetValue(v);
    p->SetDataType(type);
  }
  while (statement_->Fetch(row)) {
  }
  statement_->Reset();
}

void TStoredProc::InternalOpen() {
  Prepare();
  statement_ = PrepareCall();
  StartCursor(*statement_, -1);
}

void TStoredProc::InternalClose() {
  TDBDataSet::InternalClose();
  if (!prepared_) ReleaseDatabase();
}

}  // namespace bexlo
