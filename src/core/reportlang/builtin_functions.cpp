#include "reportlang/builtin_functions.h"

#include <set>

#include "reportlang/builtin_handlers.h"
#include "reportlang/custom_report.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

using namespace builtin;

using THandlerPtr = void (*)(TCustomReport&, TParamList&, TReportVar&);

// A row of the table: a generic function has its handler; a report function has none here (the
// report engine supplies it); GetFromDictionary is handled apart.
struct TEntry {
  const char* name;
  int paramCount;
  TByteSet varParams;
  THandlerPtr handler;
  bool reportFunction;
};

constexpr const char* kGetFromDictionary = "GetFromDictionary";

// The table in registration order. By-reference sets as stored: element 255 inverts the set.
const std::vector<TEntry>& Entries() {
  static const std::vector<TEntry> entries = {
      {"Length", 1, TByteSet(), FnLength, false},
      {"Pos", 2, TByteSet(), FnPos, false},
      {"Val", 1, TByteSet(), FnVal, false},
      {"Trunc", 1, TByteSet(), FnTrunc, false},
      {"Round", 1, TByteSet(), FnRound, false},
      {"Rd2", 1, TByteSet(), FnRd2, false},
      {"GetFloat", 1, TByteSet(), FnGetFloat, false},
      {"GetDate", 1, TByteSet(), FnGetDate, false},
      {"GetString", 1, TByteSet(), FnGetString, false},
      {"StrToDate", 1, TByteSet(), FnStrToDate, false},
      {"DateToStr", 1, TByteSet(), FnDateToStr, false},
      {"FloatToDate", 1, TByteSet(), FnFloatToDate, false},
      {"DateToFloat", 1, TByteSet(), FnDateToFloat, false},
      {"Ext2Money", 1, TByteSet(), FnExt2Money, false},
      {"Message", 1, TByteSet(), FnMessage, false},
      {"LowCase", 1, TByteSet(), FnLowCase, false},
      {"UpCase", 1, TByteSet(), FnUpCase, false},
      {"Copy", 3, TByteSet(), FnCopy, false},
      {"Trim", 1, TByteSet(), FnTrim, false},
      {"Delete", 3, TByteSet(), FnDelete, false},
      {"Insert", 3, TByteSet(), FnInsert, false},
      {"Ext2Str", 3, TByteSet(), FnExt2Str, false},
      {"GetQuery", 1, TByteSet(), nullptr, true},
      {"GetQueryExt", 1, TByteSet(), nullptr, true},
      {"GetQueryDate", 1, TByteSet(), nullptr, true},
      {"IsEndReport", 0, TByteSet(), nullptr, true},
      {"Include", 2, TByteSet(), nullptr, true},
      {"OpenTable", 1, TByteSet(), nullptr, true},
      {"ExecLocal", 1, TByteSet(), nullptr, true},
      {"ExecSQL", 1, TByteSet(), nullptr, true},
      {"ExecProc", 1, TByteSet(), nullptr, true},
      {"GetValueStr", 2, TByteSet(), FnGetValueStr, false},
      {"GetValueExt", 2, TByteSet(), FnGetValueExt, false},
      {"GetValueDate", 2, TByteSet(), FnGetValueDate, false},
      {"GetFileName", 1, TByteSet(), FnGetFileName, false},
      {"Format", 2, TByteSet(), FnFormat, false},
      {"DeleteSpace", 1, TByteSet(), FnDeleteSpace, false},
      {"PutLine", 1, TByteSet(), nullptr, true},
      {"Abort", 0, TByteSet(), nullptr, true},
      {"RenameFile", 2, TByteSet(), FnRenameFile, false},
      {"OldStr", 1, MakeByteSet({0}), nullptr, true},
      {"OldDate", 1, MakeByteSet({0}), nullptr, true},
      {"OldExt", 1, MakeByteSet({0}), nullptr, true},
      {"GetGroup", 3, MakeByteSet({1, 255}), nullptr, true},
      {"GetGroupVar", 2, MakeByteSet({0}), nullptr, true},
      {"CalcGroup", 1, MakeByteSet({0}), nullptr, true},
      {"CloseTable", 1, MakeByteSet({0}), nullptr, true},
      {"EmptyTable", 1, MakeByteSet({0}), nullptr, true},
      {"AddRecord", 1, MakeByteSet({0}), nullptr, true},
      {"Exchange", 2, MakeByteSet({0, 1}), FnExchange, false},
      {"Str2Params", 2, MakeByteSet({0, 255}), nullptr, true},
      {"FileExists", 1, TByteSet(), FnFileExists, false},
      {"In", 2, TByteSet(), nullptr, true},
      {"ExecuteInclude", 1, TByteSet(), nullptr, true},
      {"AddOutputAlias", 2, TByteSet(), nullptr, true},
      {"LPad", 2, TByteSet(), FnLPad, false},
      {"RPad", 2, TByteSet(), FnRPad, false},
      {"OpenOLE", 1, TByteSet(), nullptr, true},
      {"AddVarsOLE", 2, MakeByteSet({255}), nullptr, true},
      {"AddRecordOLE", 1, MakeByteSet({0}), nullptr, true},
      {"CloseOLE", 1, MakeByteSet({0}), nullptr, true},
      {kGetFromDictionary, 2, TByteSet(), nullptr, false},
      {"String", 1, TByteSet(), FnString, false},
      {"Date", 1, TByteSet(), FnDate, false},
      {"Number", 1, TByteSet(), FnNumber, false},
      {"Boolean", 1, TByteSet(), FnBoolean, false},
      {"CreateOLEObject", 1, TByteSet(), FnCreateOLEObject, false},
  };
  return entries;
}

// The engine's handlers by upper-cased name; a name that is not a report function of the table
// is refused.
std::map<std::string, TFuncHandler> ReportHandlersByUpperName(const TReportObjectFunctions& supply) {
  std::set<std::string> known;
  for (const TEntry& entry : Entries())
    if (entry.reportFunction) known.insert(UpperCase(entry.name));
  std::map<std::string, TFuncHandler> handlers;
  for (const auto& [name, handler] : supply.Handlers) {
    std::string upper = UpperCase(name);
    if (!known.contains(upper)) throw Exception(Format(msg::SQoNotReportFunction, name));
    handlers[upper] = handler;
  }
  return handlers;
}

}  // namespace

void RegisterBuiltinFunctions(TCustomReport& report, const TReportObjectFunctions& reportFunctions) {
  const auto reportHandlers = ReportHandlersByUpperName(reportFunctions);
  const bool dictionary = IsHookInstalled(THook::Report_DicButton);
  for (const TEntry& entry : Entries()) {
    TFuncHandler handler;
    if (entry.handler) {
      handler = entry.handler;
    } else if (entry.reportFunction) {
      const auto found = reportHandlers.find(UpperCase(entry.name));
      if (found == reportHandlers.end() || !found->second) continue;
      handler = found->second;
    } else {  // GetFromDictionary
      if (!dictionary) continue;
      handler = [setSQLParams = reportFunctions.SetSQLParams](TCustomReport& r, TParamList& p,
                                                              TReportVar& result) {
        FnGetFromDictionary(r, p, result, setSQLParams);
      };
    }
    report.AddFunc(std::make_unique<TFunc>(entry.name, entry.paramCount, std::move(handler),
                                           entry.varParams));
  }
}

const std::vector<TBuiltinFunctionInfo>& BuiltinFunctionTable() {
  static const std::vector<TBuiltinFunctionInfo> table = [] {
    std::vector<TBuiltinFunctionInfo> rows;
    for (const TEntry& entry : Entries())
      rows.push_back({entry.name, entry.paramCount, entry.varParams, entry.reportFunction});
    return rows;
  }();
  return table;
}

}  // namespace bexlo
