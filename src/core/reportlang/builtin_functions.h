// The function table every report offers to its scripts. RegisterBuiltinFunctions appends the
// whole table to a report's function list in its fixed order: the generic functions (conversions,
// strings, numbers, dates, prompts, files, Exchange, CreateOLEObject) have their handlers here;
// the functions that act on the report itself and its database (GetQuery, Include, OpenTable,
// GetGroup, PutLine, Abort, In, OpenOLE, ...) come from the report engine through
// TReportObjectFunctions, and an entry the engine supplies no handler for is not registered.
// GetFromDictionary is registered only while the Report_DicButton hook is installed.
//
// Handlers follow the command machine's contract: arguments by position, result cell cleared on
// entry, failure by exception. Prompts go through the user-interaction services; a cancelled
// prompt or dictionary choice ends the run with "Execution is aborted".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "reportlang/func_list.h"

namespace bexlo {

class TCustomReport;
class TDataSet;

// What the report engine adds to the table.
struct TReportObjectFunctions {
  // Handlers of the report's own functions by name (any case). A name that is not one of the
  // table's report functions is a programming error: RegisterBuiltinFunctions raises Exception.
  std::map<std::string, TFuncHandler> Handlers;
  // Fills the parameters of a query from the report (the report's SetSQLParams); handed to the
  // dictionary choice of GetFromDictionary. May be empty.
  std::function<void(TCustomReport& report, TDataSet* query)> SetSQLParams;
};

// Appends the table to report's function list (see above).
void RegisterBuiltinFunctions(TCustomReport& report, const TReportObjectFunctions& reportFunctions = {});

// One row of the table as registered: name as written, minimum argument count, by-reference
// positions, and whether the report engine supplies the handler.
struct TBuiltinFunctionInfo {
  const char* Name;
  int ParamCount;
  TByteSet VarParams;
  bool ReportFunction;
};
// The whole table in registration order.
const std::vector<TBuiltinFunctionInfo>& BuiltinFunctionTable();

}  // namespace bexlo
