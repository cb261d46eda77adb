// Report functions on variables: previous values, membership, splitting a text into variables,
// running group totals, and run control (Abort, IsEndReport).
#include <memory>
#include <string>

#include "report/object_functions_handlers.h"
#include "reportlang/builtin_handlers.h"
#include "reportlang/group_var.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/text.h"

namespace bexlo::report_functions {

using builtin::Arg;
using builtin::HasArg;

// ---- previous values ------------------------------------------------------------------------------
// While the report ends (its last footers print), the current value; otherwise the value the
// variable held before its last change, without a type check.

void FnOldStr(TCustomReport& report, TParamList& params, TReportVar& result) {
  TReportVar& v = Arg(params, 0);
  result.SetString(ReportIsEnding(report) ? v.GetString() : v.OldText());
}

void FnOldDate(TCustomReport& report, TParamList& params, TReportVar& result) {
  TReportVar& v = Arg(params, 0);
  result.SetDate(ReportIsEnding(report) ? v.GetDate() : v.GetOldDate());
}

void FnOldExt(TCustomReport& report, TParamList& params, TReportVar& result) {
  TReportVar& v = Arg(params, 0);
  result.SetNumber(ReportIsEnding(report) ? v.GetNumber() : v.OldNumber());
}

// ---- In, Str2Params ---------------------------------------------------------------------------------

// In(x, a1, a2, ...): true at the first argument equal to x; UNDEFINED when none is.
void FnIn(TCustomReport&, TParamList& params, TReportVar& result) {
  const TReportVar& x = Arg(params, 0);
  for (int i = 1; i < params.Count(); ++i) {
    if (x.Compare(Arg(params, i), coEqual)) {
      result.SetBoolean(true);
      return;
    }
  }
}

namespace {

// The next word of text: the text from pos is trimmed, the word runs to the first space.
std::string NextWord(std::string& rest) {
  rest = Trim(rest);
  const std::size_t space = rest.find(' ');
  std::string word = rest.substr(0, space);
  rest.erase(0, space == std::string::npos ? rest.size() : space);
  return word;
}

}  // namespace

// Str2Params(text, x, y, ...): word i of text into variable i+1 by the variable's type; a
// variable without a word gets its type's zero value; other types are left alone.
void FnStr2Params(TCustomReport&, TParamList& params, TReportVar&) {
  std::string rest = Arg(params, 0).GetString();
  for (int i = 1; i < params.Count(); ++i) {
    TReportVar& cell = Arg(params, i);
    const std::string word = NextWord(rest);
    switch (cell.VarType()) {
      case vtFloat: cell.SetNumber(word.empty() ? 0.0 : StrToFloat(word)); break;
      case vtString: cell.SetString(word); break;
      case vtDate: cell.SetDate(word.empty() ? 0.0 : StrToDate(word)); break;
      default: break;
    }
  }
}

// ---- run control ------------------------------------------------------------------------------------

// Abort([message]): ends the run with the report error carrying message, or silently.
void FnAbort(TCustomReport&, TParamList& params, TReportVar&) {
  if (HasArg(params, 0)) throw ECustomReportError(Arg(params, 0).GetString());
  throw EAbort();
}

void FnIsEndReport(TCustomReport& report, TParamList&, TReportVar& result) {
  result.SetBoolean(ReportIsEnding(report));
}

// ---- groups -----------------------------------------------------------------------------------------

namespace {

TGroupList* GroupListOf(TReportVar& cell) {
  if (cell.VarType() != vtObject) return nullptr;
  return dynamic_cast<TGroupList*>(cell.GetObject());
}

TGroupVar* GroupVarOf(TReportVar& cell) {
  if (cell.VarType() != vtObject) return nullptr;
  return dynamic_cast<TGroupVar*>(cell.GetObject());
}

}  // namespace

// GetGroup(G, direction, key, x, ...): a group table keyed by `key` that totals x, ...; G refers
// to it and G_X (for each tracked variable X, the key included) to X's entry.
void FnGetGroup(TCustomReport& report, TParamList& params, TReportVar&) {
  const double sign = Arg(params, 1).GetNumber();
  auto groups = std::make_unique<TGroupList>(sign > 0 ? 1 : sign < 0 ? -1 : 0);
  for (int i = 2; i < params.Count(); ++i) new TGroupVar(params.Get(i), groups.get());
  if (groups->Count() == 0) {
    Arg(params, 0).SetObject(nullptr);
    return;
  }
  // The report owns the list before any variable refers to it, so that a failing assignment
  // below leaves no reference to a freed entry.
  TGroupList* list = groups.get();
  report.Objects().Add(groups.release());
  const std::string& groupName = Arg(params, 0).Name();
  for (int i = 0; i < list->Count(); ++i) {
    TGroupVar* entry = list->GetGroupVar(i);
    report.AddVar(Format("%s_%s", groupName, entry->Cell()->Name()))->SetObject(entry);
  }
  Arg(params, 0).SetObject(list);
}

// CalcGroup(G): adds the current values to the row of the key's current value (a new row when
// there is none).
void FnCalcGroup(TCustomReport&, TParamList& params, TReportVar&) {
  TGroupList* groups = GroupListOf(Arg(params, 0));
  if (!groups || groups->Count() == 0) return;
  groups->CheckUnAssigned();
  const int row = groups->GetGroupVar(0)->GetRowNum();
  if (row < 0)
    groups->AddValues();
  else
    groups->CalcValues(row);
}

// GetGroupVar(GV, key): a copy of GV's value in the first row whose key equals `key`;
// UNDEFINED when there is no such row.
void FnGetGroupVar(TCustomReport&, TParamList& params, TReportVar& result) {
  TGroupVar* entry = GroupVarOf(Arg(params, 0));
  if (!entry) return;
  TGroupVar* key = entry->GroupList()->GetGroupVar(0);
  const TReportVar& wanted = Arg(params, 1);
  for (int row = 0; row < key->GetValueCount(); ++row) {
    const TReportVar* stored = key->GetValue(row);
    if (stored && wanted.Compare(*stored, coEqual)) {
      if (const TReportVar* value = entry->GetValue(row)) result.Assign(*value);
      return;
    }
  }
}

}  // namespace bexlo::report_functions
