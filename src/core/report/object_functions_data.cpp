// Report functions on the database: one-value queries, SQL commands, stored procedures and the
// local tables of the program's directory.
#include <memory>

#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "db/stored_proc.h"
#include "db/table.h"
#include "report/object_functions_handlers.h"
#include "report/qo_report.h"
#include "reportlang/builtin_handlers.h"
#include "util/exceptions.h"
#include "util/settings.h"
#include "util/strings.h"

namespace bexlo::report_functions {

using builtin::Arg;
using builtin::HasArg;

namespace {

enum class TQueryKind { String, Number, Date, Local, Command };

// Runs argument 0 as SQL by kind; any failure becomes the result as its message.
void RunQuery(TCustomReport& report, TParamList& params, TReportVar& result, TQueryKind kind) {
  try {
    TQuery query;
    query.SetDatabaseName(kind == TQueryKind::Local ? ApplicationDir : report.DataBaseName);
    query.SetSQLText(Arg(params, 0).GetString());
    query.Prepare();
    if (query.ParamCount() > 0)
      if (TQoReport* qo = AsQoReport(report)) qo->SetSQLParams(query);
    switch (kind) {
      case TQueryKind::String:
        query.Open();
        result.SetString(query.Fields(0)->AsString());
        break;
      case TQueryKind::Number:
        query.Open();
        result.SetNumber(query.Fields(0)->AsFloat());
        break;
      case TQueryKind::Date:
        query.Open();
        result.SetDate(query.Fields(0)->AsDateTime());
        break;
      case TQueryKind::Local:
        query.ExecSQL();
        break;
      case TQueryKind::Command:
        query.ExecSQL();
        if (!HasArg(params, 1) || Arg(params, 1).GetBoolean()) {
          query.SetSQLText("COMMIT");
          query.ExecSQL();
        }
        break;
    }
  } catch (const Exception& error) {
    result.Clear();
    result.SetString(error.Message());
  }
}

// Copies the value of a stored procedure's output parameter into the report variable of the
// same name, by the parameter's data type; other data types are skipped.
void CopyOutputParam(TCustomReport& report, const TParam& param) {
  const TFieldType type = param.DataType();
  if (IsStringType(type)) {
    report.AddVar(param.Name())->SetString(param.AsString());
  } else if (IsNumericType(type) && type != ftAutoInc) {
    report.AddVar(param.Name())->SetNumber(param.IsNull() ? 0.0 : param.AsFloat());
  } else if (IsDateTimeType(type)) {
    report.AddVar(param.Name())->SetDate(param.IsNull() ? 0.0 : param.AsDateTime());
  }
}

// The table an OBJECT variable refers to, or null for anything else.
TTable* TableOf(TReportVar& cell) {
  if (cell.VarType() != vtObject) return nullptr;
  return dynamic_cast<TTable*>(cell.GetObject());
}

// Stores a report variable into a field by the variable's type; other types leave it empty.
void StoreIntoField(TReportVar& cell, TField& field) {
  switch (cell.VarType()) {
    case vtFloat: field.SetAsFloat(cell.GetNumber()); break;
    case vtString: field.SetAsString(cell.GetString()); break;
    case vtDate: field.SetAsDateTime(cell.GetDate()); break;
    case vtBoolean: field.SetAsBoolean(cell.GetBoolean()); break;
    case vtMemo: field.SetAsString(cell.GetList()->Text()); break;
    default: break;
  }
}

}  // namespace

void FnGetQuery(TCustomReport& report, TParamList& params, TReportVar& result) {
  RunQuery(report, params, result, TQueryKind::String);
}

void FnGetQueryExt(TCustomReport& report, TParamList& params, TReportVar& result) {
  RunQuery(report, params, result, TQueryKind::Number);
}

void FnGetQueryDate(TCustomReport& report, TParamList& params, TReportVar& result) {
  RunQuery(report, params, result, TQueryKind::Date);
}

void FnExecLocal(TCustomReport& report, TParamList& params, TReportVar& result) {
  RunQuery(report, params, result, TQueryKind::Local);
}

// ExecSQL(sql [, commit]): runs the statement, then "COMMIT" unless commit is false.
void FnExecSQL(TCustomReport& report, TParamList& params, TReportVar& result) {
  RunQuery(report, params, result, TQueryKind::Command);
}

// ExecProc(name): calls the stored procedure with parameters from the report's variables, then
// copies its output, input-output and result parameters into variables of the same names.
void FnExecProc(TCustomReport& report, TParamList& params, TReportVar& result) {
  try {
    TStoredProc proc;
    proc.SetDatabaseName(report.DataBaseName);
    proc.SetStoredProcName(Arg(params, 0).GetString());
    proc.Prepare();
    if (proc.ParamCount() > 0)
      if (TQoReport* qo = AsQoReport(report)) qo->SetProcParams(proc);
    proc.ExecProc();
    for (int i = 0; i < proc.ParamCount(); ++i) {
      const TParam& param = *proc.Params()[i];
      const TParamType kind = param.ParamType();
      if (kind == ptOutput || kind == ptInputOutput || kind == ptResult) CopyOutputParam(report, param);
    }
  } catch (const Exception& error) {
    result.Clear();
    result.SetString(error.Message());
  }
}

// OpenTable(name): the local table, open, owned by the report.
void FnOpenTable(TCustomReport& report, TParamList& params, TReportVar& result) {
  auto table = std::make_unique<TTable>();
  table->SetDatabaseName(ApplicationDir);
  table->SetTableName(Arg(params, 0).GetString());
  table->Open();
  TTable* opened = table.get();
  report.Objects().Add(table.release());
  result.SetObject(opened);
}

void FnCloseTable(TCustomReport&, TParamList& params, TReportVar&) {
  if (TTable* table = TableOf(Arg(params, 0))) table->Close();
}

void FnEmptyTable(TCustomReport&, TParamList& params, TReportVar&) {
  if (TTable* table = TableOf(Arg(params, 0))) {
    table->Close();
    table->EmptyTable();
  }
}

// AddRecord(t): a new record of the open table t from the report variables named like its
// fields. A record that cannot be posted is dropped before the error ends the run.
void FnAddRecord(TCustomReport& report, TParamList& params, TReportVar&) {
  TTable* table = TableOf(Arg(params, 0));
  if (!table || !table->Active()) return;
  table->Insert();
  try {
    for (TField* field : table->Fields())
      if (TReportVar* cell = report.GetVarByName(field->FieldName())) StoreIntoField(*cell, *field);
    table->Post();
  } catch (...) {
    table->Cancel();
    throw;
  }
}

}  // namespace bexlo::report_functions
