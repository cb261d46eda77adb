// Compiles arbitrary text as a report script section, as the report engine does ("{" text "}"),
// and also the raw text, then runs what compiled. Only the library's own exceptions may come out:
// anything else (a crash, a standard-library exception, a leak, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "reportlang/commands.h"
#include "reportlang/custom_report.h"
#include "reportlang/parser.h"
#include "util/exceptions.h"

namespace {

using namespace bexlo;

void AddFunctions(TCustomReport& report) {
  // Any number of arguments; returns the first one.
  report.AddFunc(std::make_unique<TFunc>("F", -1, [](TCustomReport&, TParamList& p, TReportVar& r) {
    if (p.Count() > 0) r.Assign(*p.Get(0));
  }));
  // Argument 0 by reference: stores argument 1 into it.
  report.AddFunc(std::make_unique<TFunc>(
      "R", 2, [](TCustomReport&, TParamList& p, TReportVar&) { p.Get(0)->Assign(*p.Get(1)); },
      MakeByteSet({0})));
  // Every argument except 1 by reference.
  report.AddFunc(std::make_unique<TFunc>(
      "G", 1, [](TCustomReport&, TParamList& p, TReportVar& r) { r.SetNumber(p.Count()); },
      MakeByteSet({1, 255})));
  report.AddVar("obj");
  report.AddVar("n")->SetNumber(1);
  report.AddVar("s")->SetString("s");
}

void CompileAndRun(const std::string& text) {
  TCustomReport report;
  AddFunctions(report);
  TCommandList commands;
  try {
    TQoReportParser parser(text, -1, &report.ParamList(), &commands, &report);
    parser.Compile();
  } catch (const Exception&) {
    return;
  }
  try {
    report.RunCommands(&commands);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CompileAndRun("{" + text + "}");
  CompileAndRun(text);
  return 0;
}
