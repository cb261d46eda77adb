// Report functions on office documents: OpenOLE, AddVarsOLE, AddRecordOLE and CloseOLE over the
// office link (report/ole_link.h). The link belongs to the report's objects.
#include <memory>

#include "report/object_functions_handlers.h"
#include "report/ole_link.h"
#include "reportlang/builtin_handlers.h"
#include "util/text.h"

namespace bexlo::report_functions {

using builtin::Arg;

namespace {

// The link an OBJECT variable refers to, or null for anything else.
TOLELink* LinkOf(TReportVar& cell) {
  if (cell.VarType() != vtObject) return nullptr;
  return dynamic_cast<TOLELink*>(cell.GetObject());
}

}  // namespace

void FnOpenOLE(TCustomReport& report, TParamList& params, TReportVar& result) {
  auto link = std::make_unique<TOLELink>(&report, UpperCase(Arg(params, 0).GetString()));
  TOLELink* opened = link.get();
  report.Objects().Add(link.release());
  result.SetObject(opened);
}

void FnAddVarsOLE(TCustomReport&, TParamList& params, TReportVar&) {
  if (TOLELink* link = LinkOf(Arg(params, 0))) link->AddVars(params);
}

void FnAddRecordOLE(TCustomReport&, TParamList& params, TReportVar&) {
  if (TOLELink* link = LinkOf(Arg(params, 0))) link->AddRecord();
}

void FnCloseOLE(TCustomReport&, TParamList& params, TReportVar&) {
  if (TOLELink* link = LinkOf(Arg(params, 0))) link->Close();
}

}  // namespace bexlo::report_functions
