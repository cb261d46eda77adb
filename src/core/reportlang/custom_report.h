// TCustomReport: the abstract report component, here with what the script language needs from a
// report: its symbol tables (variables, the parameter list, functions, the value stack, the list
// of objects its scripts create), the symbol interface through which the compiler and the
// built-in functions reach names, ErrorPos, and running a compiled command list.
//
// The report owns every list; CreateSymbolTables() frees and re-creates them (a report does so
// when it prepares a new run). The rest of the component (data set, template, output, callbacks,
// Prepare/Execute/Print/PreView) belongs to the report engine, which derives from this class and
// may override the symbol interface.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "reportlang/func_list.h"
#include "reportlang/report_var.h"
#include "reportlang/var_list.h"
#include "reportlang/var_stack.h"
#include "util/list_pool.h"
#include "util/object.h"

namespace bexlo {

class TCommandList;

class TCustomReport : public TComponent {
 public:
  explicit TCustomReport(TComponent* owner = nullptr);
  ~TCustomReport() override;
  std::string_view ClassName() const noexcept override { return "TCustomReport"; }

  // Character offset in the template of the last compile error, or of the command that ran last
  // (every command sets it before it does its work, so after a run-time error it points at the
  // failing statement); -1 before anything was compiled or run.
  int ErrorPos = -1;

  // Database (alias) name for the queries a template creates; empty by default.
  std::string DataBaseName;

  // ---- symbol tables ---------------------------------------------------------------------------
  TVarList& VarList() noexcept { return *var_list_; }
  TParamList& ParamList() noexcept { return *param_list_; }
  TFuncList& FuncList() noexcept { return *func_list_; }
  TVarStack& VarStack() noexcept { return *var_stack_; }
  // Objects that script functions create for the report (tables, included reports, office
  // links, group lists); owned and freed with the report or the next CreateSymbolTables.
  TListPool& Objects() noexcept { return *objects_; }
  // Frees the variable, parameter and function lists, the value stack and the object list and
  // creates them empty. Cells, functions and objects from before are gone afterwards.
  void CreateSymbolTables();

  // ---- symbol interface ------------------------------------------------------------------------
  // The variable called `name` (any case), or null.
  virtual TReportVar* GetVarByName(std::string_view name);
  // The first function registered as `name` (any case), or null.
  virtual TFunc* GetFuncByName(std::string_view name);
  // The variable called `name`, created UNDEFINED when absent.
  virtual TReportVar* AddVar(std::string_view name);
  // Appends the function (no duplicate check: lookup finds the first registration); the function
  // list owns it.
  virtual TFunc* AddFunc(std::unique_ptr<TFunc> func);
  // AddVar, then stores hint as the variable's hint when one is given.
  TReportVar* AddVarEx(std::string_view name, std::optional<std::string_view> hint = std::nullopt);

  // ---- running ---------------------------------------------------------------------------------
  // Runs a compiled command list: empties the value stack, then executes commands from index 0
  // while the program counter stays inside the list. An error ends the run and propagates with
  // ErrorPos at the failing command. A null list does nothing.
  void RunCommands(const TCommandList* commands);

 private:
  std::unique_ptr<TVarList> var_list_;
  std::unique_ptr<TParamList> param_list_;
  std::unique_ptr<TFuncList> func_list_;
  std::unique_ptr<TVarStack> var_stack_;
  std::unique_ptr<TListPool> objects_;
};

// Raises ECustomReportError "Execution is aborted": ends a report run on the user's request (a
// cancelled prompt or dictionary choice).
[[noreturn]] void CustomReportAbort();

}  // namespace bexlo
