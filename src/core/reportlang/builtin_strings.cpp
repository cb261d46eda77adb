// Built-in functions on text. Lengths, positions and counts are in characters (code points of
// the UTF-8 text), 1-based, with the classic clamping rules of Copy, Delete and Insert.
#include <algorithm>
#include <deque>
#include <vector>

#include "reportlang/builtin_handlers.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/usr_str.h"

namespace bexlo::builtin {

void FnLength(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(static_cast<double>(Utf8Length(Arg(params, 0).GetString())));
}

// Pos(sub, s): the substring comes first.
void FnPos(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(static_cast<double>(Utf8Pos(Arg(params, 0).GetString(), Arg(params, 1).GetString())));
}

void FnLowCase(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(LowerCase(Arg(params, 0).GetString()));
}

void FnUpCase(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(UpperCase(Arg(params, 0).GetString()));
}

void FnCopy(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(Utf8Copy(Arg(params, 0).GetString(), TruncToInt64(Arg(params, 1).GetNumber()),
                            TruncToInt64(Arg(params, 2).GetNumber())));
}

void FnTrim(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(TrimView(Arg(params, 0).GetString()));
}

// Delete(s, start, count): the string with the part removed (the argument is not changed). As
// for Copy, a start below 1 counts as 1.
void FnDelete(TCustomReport&, TParamList& params, TReportVar& result) {
  std::string s = Arg(params, 0).GetString();
  const std::int64_t start = std::max<std::int64_t>(1, TruncToInt64(Arg(params, 1).GetNumber()));
  Utf8Delete(s, start, TruncToInt64(Arg(params, 2).GetNumber()));
  result.SetString(s);
}

// Insert(sub, s, index): s with sub inserted before index.
void FnInsert(TCustomReport&, TParamList& params, TReportVar& result) {
  std::string s = Arg(params, 1).GetString();
  Utf8Insert(Arg(params, 0).GetString(), s, TruncToInt64(Arg(params, 2).GetNumber()));
  result.SetString(s);
}

namespace {

// The widest text LPad and RPad make: a script asking for more has made a mistake, and the
// allocation would fail or exhaust memory instead of giving a clear error.
constexpr int kMaxPadWidth = 16 * 1024 * 1024;

int PadWidth(const char* function, TParamList& params) {
  const int width = TruncToInt(Arg(params, 1).GetNumber());
  if (width > kMaxPadWidth) throw Exception(Format(msg::SQoPadTooWide, function, width, kMaxPadWidth));
  return width;
}

// The fill of LPad/RPad: the first character of argument 2 when given and not empty, else a blank.
std::string_view PadFill(TParamList& params) {
  if (HasArg(params, 2) && !Arg(params, 2).GetString().empty()) return Arg(params, 2).GetString();
  return " ";
}

}  // namespace

void FnLPad(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(LeftPadCh(Arg(params, 0).GetString(), PadFill(params), PadWidth("LPad", params)));
}

void FnRPad(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(PadCh(Arg(params, 0).GetString(), PadFill(params), PadWidth("RPad", params)));
}

void FnDeleteSpace(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(DeleteSpace(Arg(params, 0).GetString(), false));
}

namespace {

// The value of the line "name=value" in src: a STRING (or UNDEFINED) argument is split into
// lines, a MEMO is used as its list, any other type has no lines.
std::string ValueOfName(TParamList& params) {
  TReportVar& src = Arg(params, 0);
  const std::string& name = Arg(params, 1).GetString();
  switch (src.VarType()) {
    case vtUnDefined:
    case vtString: {
      TStringList lines;
      lines.SetText(src.GetString());
      return lines.Values(name);
    }
    case vtMemo: return src.GetList()->Values(name);
    default: return {};
  }
}

}  // namespace

void FnGetValueStr(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetString(ValueOfName(params));
}

void FnGetValueExt(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string value = ValueOfName(params);
  result.SetNumber(value.empty() ? 0 : StrToFloat(value));
}

void FnGetValueDate(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string value = ValueOfName(params);
  result.SetDate(value.empty() ? 0 : StrToDate(value));
}

// Format(fmt, args...): NUMBER arguments are floats, STRING arguments text, DATE arguments their
// short-date text; arguments of other types are left out (later ones move forward). Without any
// argument left the result stays UNDEFINED.
void FnFormat(TCustomReport&, TParamList& params, TReportVar& result) {
  std::vector<TVarRec> args;
  std::deque<std::string> dateTexts;  // stable addresses for the views in args
  for (int i = 1; i < params.Count(); ++i) {
    const TReportVar& arg = Arg(params, i);
    switch (arg.VarType()) {
      case vtFloat: args.emplace_back(arg.GetNumber()); break;
      case vtString: args.emplace_back(std::string_view(arg.GetString())); break;
      case vtDate: args.emplace_back(std::string_view(dateTexts.emplace_back(DateToStr(arg.GetDate())))); break;
      default: break;
    }
  }
  if (args.empty()) return;
  result.SetString(Format(Arg(params, 0).GetString(), args));
}

}  // namespace bexlo::builtin
