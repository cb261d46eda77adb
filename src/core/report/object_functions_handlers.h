// The handlers behind ReportObjectFunctions(), one family per source file. Each follows the
// command machine's contract: arguments by position, result cell cleared on entry, failure by
// exception (except where a family says otherwise).
#pragma once

#include "reportlang/custom_report.h"
#include "reportlang/report_var.h"
#include "reportlang/var_list.h"

namespace bexlo::report_functions {

// ---- database (object_functions_data.cpp) -------------------------------------------------------
// One-value queries and SQL commands; failures become the result as the error message.
void FnGetQuery(TCustomReport&, TParamList&, TReportVar&);
void FnGetQueryExt(TCustomReport&, TParamList&, TReportVar&);
void FnGetQueryDate(TCustomReport&, TParamList&, TReportVar&);
void FnExecSQL(TCustomReport&, TParamList&, TReportVar&);
void FnExecLocal(TCustomReport&, TParamList&, TReportVar&);
void FnExecProc(TCustomReport&, TParamList&, TReportVar&);
// Local tables in the local-tables database of the program's directory.
void FnOpenTable(TCustomReport&, TParamList&, TReportVar&);
void FnCloseTable(TCustomReport&, TParamList&, TReportVar&);
void FnEmptyTable(TCustomReport&, TParamList&, TReportVar&);
void FnAddRecord(TCustomReport&, TParamList&, TReportVar&);

// ---- variables, groups and run control (object_functions_vars.cpp) ------------------------------
void FnOldStr(TCustomReport&, TParamList&, TReportVar&);
void FnOldDate(TCustomReport&, TParamList&, TReportVar&);
void FnOldExt(TCustomReport&, TParamList&, TReportVar&);
void FnIn(TCustomReport&, TParamList&, TReportVar&);
void FnStr2Params(TCustomReport&, TParamList&, TReportVar&);
void FnAbort(TCustomReport&, TParamList&, TReportVar&);
void FnIsEndReport(TCustomReport&, TParamList&, TReportVar&);
void FnGetGroup(TCustomReport&, TParamList&, TReportVar&);
void FnCalcGroup(TCustomReport&, TParamList&, TReportVar&);
void FnGetGroupVar(TCustomReport&, TParamList&, TReportVar&);

// ---- included reports and output (object_functions_output.cpp) ----------------------------------
void FnInclude(TCustomReport&, TParamList&, TReportVar&);
void FnExecuteInclude(TCustomReport&, TParamList&, TReportVar&);
void FnPutLine(TCustomReport&, TParamList&, TReportVar&);
void FnAddOutputAlias(TCustomReport&, TParamList&, TReportVar&);

// ---- office documents (object_functions_office.cpp) ---------------------------------------------
void FnOpenOLE(TCustomReport&, TParamList&, TReportVar&);
void FnAddVarsOLE(TCustomReport&, TParamList&, TReportVar&);
void FnAddRecordOLE(TCustomReport&, TParamList&, TReportVar&);
void FnCloseOLE(TCustomReport&, TParamList&, TReportVar&);

// Whether the running report is ending (printing its last footers); false for a report that is
// not a template report.
bool ReportIsEnding(TCustomReport& report);

}  // namespace bexlo::report_functions
