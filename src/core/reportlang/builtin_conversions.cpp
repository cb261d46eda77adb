// Built-in functions: explicit conversions between the value types, and dates to text.
#include <cmath>
#include <limits>

#include "reportlang/builtin_handlers.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/format_settings.h"
#include "util/text.h"

namespace bexlo::builtin {

std::int64_t TruncToInt64(double x) noexcept {
  if (std::isnan(x)) return 0;
  constexpr double kMax = 9.2e18;  // inside the int64 range, far beyond any length or count
  if (x >= kMax) return static_cast<std::int64_t>(kMax);
  if (x <= -kMax) return -static_cast<std::int64_t>(kMax);
  return static_cast<std::int64_t>(x);
}

int TruncToInt(double x) noexcept {
  const std::int64_t value = TruncToInt64(x);
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

// String(a): NUMBER as general text, DATE in the short date format, BOOLEAN "TRUE"/"FALSE";
// an UNDEFINED argument leaves the result UNDEFINED, MEMO/OBJECT/DISPATCH fail the type check.
void FnString(TCustomReport&, TParamList& params, TReportVar& result) {
  const TReportVar& a = Arg(params, 0);
  switch (a.VarType()) {
    case vtFloat: result.SetString(FloatToStr(a.GetNumber())); break;
    case vtString: result.SetString(a.GetString()); break;
    case vtDate: result.SetString(DateToStr(a.GetDate())); break;
    case vtBoolean: result.SetString(a.GetBoolean() ? "TRUE" : "FALSE"); break;
    default: a.CheckType(vtString); break;
  }
}

// Number(a): STRING read with the locale's decimal separator, DATE its day count, BOOLEAN 1/0.
void FnNumber(TCustomReport&, TParamList& params, TReportVar& result) {
  const TReportVar& a = Arg(params, 0);
  switch (a.VarType()) {
    case vtFloat: result.SetNumber(a.GetNumber()); break;
    case vtString: result.SetNumber(StrToFloat(a.GetString())); break;
    case vtDate: result.SetNumber(a.GetDate()); break;
    case vtBoolean: result.SetNumber(a.GetBoolean() ? 1 : 0); break;
    default: a.CheckType(vtFloat); break;
  }
}

// Date(a): a NUMBER read as a day count, a STRING in the short date format.
void FnDate(TCustomReport&, TParamList& params, TReportVar& result) {
  const TReportVar& a = Arg(params, 0);
  switch (a.VarType()) {
    case vtFloat: result.SetDate(a.GetNumber()); break;
    case vtString: result.SetDate(StrToDate(a.GetString())); break;
    case vtDate: result.SetDate(a.GetDate()); break;
    default: a.CheckType(vtDate); break;
  }
}

void FnBoolean(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetBoolean(UpperCase(Arg(params, 0).GetString()) == "TRUE");
}

void FnVal(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(StrToFloat(Arg(params, 0).GetString()));
}

void FnStrToDate(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetDate(StrToDate(Arg(params, 0).GetString()));
}

void FnFloatToDate(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetDate(Arg(params, 0).GetNumber());
}

void FnDateToFloat(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(Arg(params, 0).GetDate());
}

// DateToStr(d [, format]): "mmmmm" in the format stands for the full month name ("mmmm").
void FnDateToStr(TCustomReport&, TParamList& params, TReportVar& result) {
  std::string format = HasArg(params, 1) ? Arg(params, 1).GetString() : FormatSettings().ShortDateFormat;
  if (const auto at = format.find("mmmmm"); at != std::string::npos) format.erase(at, 1);
  result.SetString(FormatDateTime(format, Arg(params, 0).GetDate()));
}

}  // namespace bexlo::builtin
