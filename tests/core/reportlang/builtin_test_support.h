// A report to run script text against, with the function table registered: compile "{text}"
// with the real compiler, run it on the command machine, then read the variables.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "reportlang/builtin_functions.h"
#include "reportlang/commands.h"
#include "reportlang/custom_report.h"
#include "reportlang/parser.h"
#include "util/exceptions.h"

namespace bexlo::testing {

class ScriptReport {
 public:
  explicit ScriptReport(const TReportObjectFunctions& reportFunctions = {}) {
    RegisterBuiltinFunctions(report, reportFunctions);
  }

  void Run(std::string_view script) {
    TCommandList commands;
    TQoReportParser parser("{" + std::string(script) + "}", 0, &report.ParamList(), &commands, &report);
    parser.Compile();
    report.RunCommands(&commands);
  }

  TReportVar& Var(std::string_view name) {
    TReportVar* cell = report.GetVarByName(name);
    if (!cell) throw std::runtime_error("no variable " + std::string(name));
    return *cell;
  }
  std::string Str(std::string_view name) { return Var(name).GetString(); }
  double Num(std::string_view name) { return Var(name).GetNumber(); }
  TVarType Type(std::string_view name) { return Var(name).VarType(); }

  // The message of the exception the script raises (of class E), or "<no error>".
  template <class E = Exception>
  std::string Error(std::string_view script) {
    try {
      Run(script);
    } catch (const E& e) {
      return e.what();
    }
    return "<no error>";
  }

  TCustomReport report;
};

}  // namespace bexlo::testing
