// The handlers of the generic built-in functions (registered by builtin_functions.cpp) and the
// small argument helpers they share. Each handler reads its arguments by position from params,
// stores its result into result (cleared on entry) and reports failure by raising an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "reportlang/custom_report.h"
#include "reportlang/report_var.h"
#include "reportlang/var_list.h"

namespace bexlo {
class TDataSet;
}

namespace bexlo::builtin {

// ---- argument helpers ----------------------------------------------------------------------------

inline TReportVar& Arg(TParamList& params, int index) { return *params.Get(index); }
inline bool HasArg(const TParamList& params, int index) { return params.Count() > index; }

// A number truncated toward zero to a count or position; NaN gives 0, values out of range the
// nearest bound (a script's 1e300 is a huge count, not undefined behaviour).
std::int64_t TruncToInt64(double x) noexcept;
int TruncToInt(double x) noexcept;

// ---- conversions (builtin_conversions.cpp) --------------------------------------------------------
void FnString(TCustomReport&, TParamList&, TReportVar&);
void FnNumber(TCustomReport&, TParamList&, TReportVar&);
void FnDate(TCustomReport&, TParamList&, TReportVar&);
void FnBoolean(TCustomReport&, TParamList&, TReportVar&);
void FnVal(TCustomReport&, TParamList&, TReportVar&);
void FnStrToDate(TCustomReport&, TParamList&, TReportVar&);
void FnFloatToDate(TCustomReport&, TParamList&, TReportVar&);
void FnDateToFloat(TCustomReport&, TParamList&, TReportVar&);
void FnDateToStr(TCustomReport&, TParamList&, TReportVar&);

// ---- strings (builtin_strings.cpp) ----------------------------------------------------------------
void FnLength(TCustomReport&, TParamList&, TReportVar&);
void FnPos(TCustomReport&, TParamList&, TReportVar&);
void FnLowCase(TCustomReport&, TParamList&, TReportVar&);
void FnUpCase(TCustomReport&, TParamList&, TReportVar&);
void FnCopy(TCustomReport&, TParamList&, TReportVar&);
void FnTrim(TCustomReport&, TParamList&, TReportVar&);
void FnDelete(TCustomReport&, TParamList&, TReportVar&);
void FnInsert(TCustomReport&, TParamList&, TReportVar&);
void FnLPad(TCustomReport&, TParamList&, TReportVar&);
void FnRPad(TCustomReport&, TParamList&, TReportVar&);
void FnDeleteSpace(TCustomReport&, TParamList&, TReportVar&);
void FnGetValueStr(TCustomReport&, TParamList&, TReportVar&);
void FnGetValueExt(TCustomReport&, TParamList&, TReportVar&);
void FnGetValueDate(TCustomReport&, TParamList&, TReportVar&);
void FnFormat(TCustomReport&, TParamList&, TReportVar&);

// ---- numbers (builtin_numbers.cpp) ----------------------------------------------------------------
void FnTrunc(TCustomReport&, TParamList&, TReportVar&);
void FnRound(TCustomReport&, TParamList&, TReportVar&);
void FnRd2(TCustomReport&, TParamList&, TReportVar&);
void FnExt2Str(TCustomReport&, TParamList&, TReportVar&);
void FnExt2Money(TCustomReport&, TParamList&, TReportVar&);

// ---- user interaction (builtin_prompts.cpp) -------------------------------------------------------
void FnGetString(TCustomReport&, TParamList&, TReportVar&);
void FnGetDate(TCustomReport&, TParamList&, TReportVar&);
void FnGetFloat(TCustomReport&, TParamList&, TReportVar&);
void FnMessage(TCustomReport&, TParamList&, TReportVar&);
void FnGetFileName(TCustomReport&, TParamList&, TReportVar&);
// GetFromDictionary; setSQLParams (may be empty) fills the choice query's parameters.
void FnGetFromDictionary(TCustomReport& report, TParamList& params, TReportVar& result,
                         const std::function<void(TCustomReport&, TDataSet*)>& setSQLParams);

// ---- files, variables, objects (builtin_misc.cpp) -------------------------------------------------
void FnFileExists(TCustomReport&, TParamList&, TReportVar&);
void FnRenameFile(TCustomReport&, TParamList&, TReportVar&);
void FnExchange(TCustomReport&, TParamList&, TReportVar&);
void FnCreateOLEObject(TCustomReport&, TParamList&, TReportVar&);

}  // namespace bexlo::builtin
