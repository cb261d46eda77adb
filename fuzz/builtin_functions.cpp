// Calls the generic built-in functions with arbitrary arguments of every type: only the library's
// exceptions may come out, and a function given well-formed UTF-8 text never returns text with a
// split character. Functions that touch files or automation servers are left out; prompts run
// against the non-interactive services (cancelled).
//
// Input: byte 0 picks the function; then up to six arguments, each a type byte followed by its
// payload (number: 8 bytes of a double; text and memo: a length byte and that many bytes; date:
// 2 bytes of a day count; boolean: 1 byte).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_reader.h"
#include "reportlang/builtin_functions.h"
#include "reportlang/custom_report.h"
#include "util/exceptions.h"
#include "util/num_letter.h"
#include "util/strings.h"
#include "util/text.h"

namespace {

using namespace bexlo;

constexpr const char* kFunctions[] = {
    "Length", "Pos", "Val", "Trunc", "Round", "Rd2", "GetFloat", "GetDate", "GetString",
    "StrToDate", "DateToStr", "FloatToDate", "DateToFloat", "Ext2Money", "Message", "LowCase",
    "UpCase", "Copy", "Trim", "Delete", "Insert", "Ext2Str", "GetValueStr", "GetValueExt",
    "GetValueDate", "Format", "DeleteSpace", "Exchange", "LPad", "RPad", "String", "Date",
    "Number", "Boolean"};

// Fills cell from the input; false when it holds text that is not well-formed UTF-8.
bool ReadArgument(FuzzReader& in, TReportVar& cell, const std::string& function) {
  switch (in.Byte() % 6) {
    case 0: return true;  // UNDEFINED
    case 1: {
      double x = in.Double();
      // A padding width is a length to allocate: keep it to what a test machine holds.
      if ((function == "LPad" || function == "RPad") && !(x > -1e6 && x < 1e6)) x = 1e6;
      cell.SetNumber(x);
      return true;
    }
    case 2: {
      const std::string text = in.Text();
      cell.SetString(text);
      return IsValidUtf8(text);
    }
    case 3: cell.SetDate(static_cast<std::int16_t>(in.Byte() | in.Byte() << 8)); return true;
    case 4: cell.SetBoolean(in.Byte() & 1); return true;
    default: {
      const std::string text = in.Text();
      TStringList lines;
      lines.SetText(text);
      cell.SetList(lines);
      return IsValidUtf8(text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TCustomReport* report = [] {
    auto* r = new TCustomReport();
    RegisterBuiltinFunctions(*r);
    return r;
  }();
  FuzzReader in(data, size);
  const std::string function = kFunctions[in.Byte() % std::size(kFunctions)];
  TFunc* func = report->GetFuncByName(function);
  if (!func) std::abort();

  TParamList& params = report->ParamList();
  params.Clear();
  bool validText = true;
  for (int i = 0; i < 6 && !in.AtEnd(); ++i) {
    TReportVar cell("ARG", nullptr);
    validText = ReadArgument(in, cell, function) && validText;
    params.AddTemporaryCopy(cell);
  }
  TReportVar result("@A", nullptr);
  try {
    func->Handler()(*report, params, result);
    if (validText && result.VarType() == vtString && !IsValidUtf8(result.GetString())) std::abort();
  } catch (const Exception&) {
  }
  for (int i = 0; i < params.Count(); ++i) {
    if (params.Get(i)->VarType() != vtFloat) continue;
    double value = params.Get(i)->GetNumber();
    std::string words;
    DoubleToWords(value, words, i & 1, i & 2, i & 4);
  }
  params.Clear();
  return 0;
}
