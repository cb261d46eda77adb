// Calls the report object functions that work on values, groups and the run (In, Str2Params,
// Old*, IsEndReport, Abort, GetGroup, CalcGroup, GetGroupVar, AddOutputAlias, PutLine,
// ExecuteInclude and the table functions) with arbitrary arguments of every type, objects
// included: only the library's exceptions may come out. Functions that send SQL to a database
// or read templates are left out (arbitrary SQL could write files anywhere).
//
// Input: byte 0 picks the function; then up to six arguments, each a type byte followed by its
// payload (number: 8 bytes of a double; text and memo: a length byte and that many bytes; date:
// 2 bytes of a day count; boolean: 1 byte; object: 1 byte choosing the group list, one of its
// entries, or nothing).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_reader.h"
#include "report/qo_report.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace {

using namespace bexlo;

constexpr const char* kFunctions[] = {
    "In", "Str2Params", "OldStr", "OldDate", "OldExt", "IsEndReport", "Abort", "GetGroup",
    "CalcGroup", "GetGroupVar", "AddOutputAlias", "PutLine", "ExecuteInclude", "CloseTable",
    "EmptyTable", "AddRecord"};

// A report whose VARS script made a group table G over K and S with two rows.
constexpr const char* kTemplate =
    ".VARS\n"
    "K := 1\n"
    "S := 2\n"
    "GetGroup(G, 1, K, S)\n"
    "CalcGroup(G)\n"
    "K := 3\n"
    "CalcGroup(G)\n";

void ReadArgument(FuzzReader& in, TReportVar& cell, TQoReport& report) {
  switch (in.Byte() % 7) {
    case 0: return;  // UNDEFINED
    case 1: cell.SetNumber(in.Double()); return;
    case 2: cell.SetString(in.Text()); return;
    case 3: cell.SetDate(static_cast<std::int16_t>(in.Byte() | in.Byte() << 8)); return;
    case 4: cell.SetBoolean(in.Byte() & 1); return;
    case 5: {
      TStringList lines;
      lines.SetText(in.Text());
      cell.SetList(lines);
      return;
    }
    default: {
      const char* names[] = {"G", "G_K", "G_S", "NULL"};
      const TReportVar* source = report.GetVarByName(names[in.Byte() % 4]);
      cell.SetObject(source && source->VarType() == vtObject ? source->GetObject() : nullptr);
      return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TQoReport report;
  report.FormatSource().SetText(kTemplate);
  report.Prepare();

  FuzzReader in(data, size);
  const char* function = kFunctions[in.Byte() % std::size(kFunctions)];
  TFunc* func = report.GetFuncByName(function);
  if (!func) std::abort();

  TParamList& params = report.ParamList();
  params.Clear();
  // By-reference positions get report variables, as the compiler passes them; the others
  // temporary copies.
  for (int i = 0; i < 6 && !in.AtEnd(); ++i) {
    if (func->IsVarParam(i)) {
      TReportVar* cell = report.AddVar("V" + std::to_string(i));
      ReadArgument(in, *cell, report);
      params.AddReference(cell);
    } else {
      TReportVar cell("ARG", nullptr);
      ReadArgument(in, cell, report);
      params.AddTemporaryCopy(cell);
    }
  }
  TReportVar result("@A", nullptr);
  try {
    func->Handler()(report, params, result);
  } catch (const Exception&) {
  }
  params.Clear();
  return 0;
}
