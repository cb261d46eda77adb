// The report object functions: the script functions that act on the report running them and on
// the database behind it. One-value queries and SQL commands (GetQuery, GetQueryExt,
// GetQueryDate, ExecSQL, ExecLocal, ExecProc), local tables (OpenTable, CloseTable, EmptyTable,
// AddRecord), included sub-reports (Include, ExecuteInclude), extra output (PutLine,
// AddOutputAlias), office documents (OpenOLE, AddVarsOLE, AddRecordOLE, CloseOLE), running
// group totals (GetGroup, CalcGroup, GetGroupVar), previous values (OldStr, OldDate, OldExt), run control (Abort, IsEndReport) and the helpers In and Str2Params.
//
// A report registers them with RegisterBuiltinFunctions(report, ReportObjectFunctions()) in
// every Prepare. Query, SQL and stored-procedure functions never raise: a failure comes back as
// the error message (a STRING result). Table and include functions raise the data-access
// layer's errors, and office functions the office link's (its guard shows the message and ends
// the run silently), which end the run. Functions whose object argument holds the wrong kind of
// object (or nothing) do nothing. Objects they create (tables, included reports, office links,
// group lists) belong to the report's object list.
#pragma once

#include "reportlang/builtin_functions.h"

namespace bexlo {

// The handlers by name, and the parameter filler the dictionary choice uses.
const TReportObjectFunctions& ReportObjectFunctions();

}  // namespace bexlo
