#include "report/object_functions.h"

#include "db/query.h"
#include "report/object_functions_handlers.h"
#include "report/qo_report.h"

namespace bexlo {

const TReportObjectFunctions& ReportObjectFunctions() {
  using namespace report_functions;
  static const TReportObjectFunctions functions = [] {
    TReportObjectFunctions f;
    f.Handlers = {
        {"GetQuery", FnGetQuery},
        {"GetQueryExt", FnGetQueryExt},
        {"GetQueryDate", FnGetQueryDate},
        {"IsEndReport", FnIsEndReport},
        {"Include", FnInclude},
        {"OpenTable", FnOpenTable},
        {"ExecLocal", FnExecLocal},
        {"ExecSQL", FnExecSQL},
        {"ExecProc", FnExecProc},
        {"PutLine", FnPutLine},
        {"Abort", FnAbort},
        {"OldStr", FnOldStr},
        {"OldDate", FnOldDate},
        {"OldExt", FnOldExt},
        {"GetGroup", FnGetGroup},
        {"GetGroupVar", FnGetGroupVar},
        {"CalcGroup", FnCalcGroup},
        {"CloseTable", FnCloseTable},
        {"EmptyTable", FnEmptyTable},
        {"AddRecord", FnAddRecord},
        {"Str2Params", FnStr2Params},
        {"In", FnIn},
        {"ExecuteInclude", FnExecuteInclude},
        {"AddOutputAlias", FnAddOutputAlias},
        {"OpenOLE", FnOpenOLE},
        {"AddVarsOLE", FnAddVarsOLE},
        {"AddRecordOLE", FnAddRecordOLE},
        {"CloseOLE", FnCloseOLE},
    };
    // The dictionary choice fills its query's parameters as template queries are filled.
    f.SetSQLParams = [](TCustomReport& report, TDataSet* dataSet) {
      TQoReport* qo = AsQoReport(report);
      TQuery* query = dynamic_cast<TQuery*>(dataSet);
      if (qo && query) qo->SetSQLParams(*query);
    };
    return f;
  }();
  return functions;
}

}  // namespace bexlo
