// A report with a few test functions, and helpers to compile and run script sections on it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "reportlang/commands.h"
#include "reportlang/custom_report.h"
#include "reportlang/parser.h"
#include "util/exceptions.h"
#include "util/text.h"

namespace bexlo::testing_support {

class ScriptTest : public ::testing::Test {
 protected:
  ScriptTest() {
    // COPY(s, start, count): substring.
    report.AddFunc(std::make_unique<TFunc>("Copy", 3, [](TCustomReport&, TParamList& p, TReportVar& r) {
      r.SetString(Utf8Copy(p.Get(0)->GetString(), static_cast<std::int64_t>(p.Get(1)->GetNumber()),
                           static_cast<std::int64_t>(p.Get(2)->GetNumber())));
    }));
    // CAT(...): concatenation of any number of strings.
    report.AddFunc(std::make_unique<TFunc>("Cat", -1, [](TCustomReport&, TParamList& p, TReportVar& r) {
      std::string s;
      for (int i = 0; i < p.Count(); ++i) s += p.Get(i)->GetString();
      r.SetString(s);
    }));
    // BUMP(x): counts its calls, returns x.
    report.AddFunc(std::make_unique<TFunc>("Bump", 1, [this](TCustomReport&, TParamList& p, TReportVar& r) {
      ++bumps;
      r.Assign(*p.Get(0));
    }));
    // EXCHANGE(&a, &b): swaps two numbers.
    report.AddFunc(std::make_unique<TFunc>(
        "Exchange", 2,
        [](TCustomReport&, TParamList& p, TReportVar&) {
          const double a = p.Get(0)->GetNumber();
          p.Get(0)->SetNumber(p.Get(1)->GetNumber());
          p.Get(1)->SetNumber(a);
        },
        MakeByteSet({0, 1})));
    // SETTO(&v, x): v := x.
    report.AddFunc(std::make_unique<TFunc>(
        "SetTo", 2, [](TCustomReport&, TParamList& p, TReportVar&) { p.Get(0)->Assign(*p.Get(1)); },
        MakeByteSet({0})));
    // NOW: a date.
    report.AddFunc(std::make_unique<TFunc>(
        "Now", 0, [](TCustomReport&, TParamList&, TReportVar& r) { r.SetDate(45000.5); }));
    // STOP([message]): ends the run.
    report.AddFunc(std::make_unique<TFunc>("Stop", 0, [](TCustomReport&, TParamList& p, TReportVar&) {
      if (p.Count() > 0) throw ECustomReportError(p.Get(0)->GetString());
      throw EAbort();
    }));
  }

  void Compile(std::string_view text, int start = 0) {
    TQoReportParser parser(text, start, &report.ParamList(), &commands, &report);
    parser.Compile();
  }
  void Run() { report.RunCommands(&commands); }
  void Exec(std::string_view text) {
    Compile(text);
    Run();
  }

  // The message of the error that compiling raises ("<no error>" when it compiles).
  std::string CompileError(std::string_view text) {
    try {
      Compile(text);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "<no error>";
  }
  std::string RunError() {
    try {
      Run();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "<no error>";
  }

  TReportVar& Var(std::string_view name) {
    TReportVar* cell = report.GetVarByName(name);
    if (!cell) throw std::runtime_error("no variable " + std::string(name));
    return *cell;
  }
  double Number(std::string_view name) { return Var(name).GetNumber(); }
  std::string String(std::string_view name) { return Var(name).GetString(); }
  bool Boolean(std::string_view name) { return Var(name).GetBoolean(); }

  TCustomReport report;
  TCommandList commands;
  int bumps = 0;
};

}  // namespace bexlo::testing_support
