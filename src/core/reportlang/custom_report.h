// TCustomReport: the report component. It holds what a report run needs from the outside (the
// template, the data set, the database and output names, the orientation, copies, mode
// switches and the host's callbacks) and offers the calling sequence Prepare, Execute, then
// PreView or Print. The template language and the run belong to the template report (TQoReport,
// report/qo_report.h); this class also carries what the script language needs from a report:
// its symbol tables (variables, the parameter list, functions, the value stack, the list of
// objects its scripts create), the symbol interface through which the compiler and the built-in
// functions reach names, ErrorPos, and running a compiled command list.
//
// The report owns every list; CreateSymbolTables() frees and re-creates them (a report does so
// when it prepares a new run). Linked components (data set, data source) are not owned and are
// forgotten when they go away.
//
// TReportParams carries the outside settings between windows and report objects. Print and
// PreView go through the presenter service the widget library installs.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/printer_model.h"
#include "reportlang/func_list.h"
#include "reportlang/report_var.h"
#include "reportlang/var_list.h"
#include "reportlang/var_stack.h"
#include "util/list_pool.h"
#include "util/object.h"
#include "util/settings.h"
#include "util/strings.h"

namespace bexlo {

class TCommandList;
class TDataSet;
class TDataSource;
class TQuery;
class TStoredProc;
class TParam;

// Mode bits of ModeFlags.
inline constexpr std::uint32_t kModeOneRecord = 1;
inline constexpr std::uint32_t kModeOEMConvert = 2;
inline constexpr std::uint32_t kModeCopyMode = 4;

// The names a template may use, as RepObjects lists them: two columns ("Name" 300, "Hint" 500),
// one row per variable (name, hint) and per function (name "()", description).
struct TRepObjectsTable {
  std::vector<std::string> Titles;
  std::vector<int> ColWidths;
  std::vector<std::vector<std::string>> Rows;
};

// The outside settings of a report (data set, data source, callbacks, database, group and file
// names) carried between windows and report objects. It owns nothing.
class TReportParams : public TPersistent {
 public:
  std::string_view ClassName() const noexcept override { return "TReportParams"; }

  TDataSet* DataSet = nullptr;
  TDataSource* DataSource = nullptr;
  TNotifyEvent OnSetValues;
  TSetSQLParamsEvent OnSetSQLParams;
  TNotifyEvent OnSetNames;
  TNotifyEvent OnSetFuncs;
  TEndReportEvent OnEndReport;
  std::string DataBaseName;
  std::string GroupName;     // report group of the report list
  std::string LastRptName;   // the report the chooser ran last
  std::string RptName;       // the report the single-report dialog opens
  std::string PrintName;     // output file name

  // Another TReportParams: copies every setting. Anything else: the inherited assignment.
  void Assign(const TPersistent* source) override;
};

// What a report hands the presenter.
struct TReportPresentation {
  std::string FileName;  // the output file
  TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;
  bool CopyMode = true;  // copies by repeating the whole job (collated)
  int Copies = 1;
};

// The presenter service behind Print and PreView; the widget library installs one.
class TReportPresenter {
 public:
  virtual ~TReportPresenter() = default;
  // Prints `Copies` copies of the file without showing a window.
  virtual void Print(const TReportPresentation& presentation) = 0;
  // Shows the file modally; the user prints, saves or exports from there.
  virtual void PreView(const TReportPresentation& presentation) = 0;
};

// The installed presenter or null. SetReportPresenter does not take ownership; it returns the
// previous one.
TReportPresenter* ReportPresenter() noexcept;
TReportPresenter* SetReportPresenter(TReportPresenter* presenter) noexcept;

// Output path rule: a name without a directory part is taken in ApplicationDir; "" stays "".
std::string ExpandOutputPath(std::string_view name);

class TCustomReport : public TComponent {
 public:
  explicit TCustomReport(TComponent* owner = nullptr);
  ~TCustomReport() override;
  std::string_view ClassName() const noexcept override { return "TCustomReport"; }

  // Character offset in the template of the last compile error, or of the command that ran last
  // (every command sets it before it does its work, so after a run-time error it points at the
  // failing statement); -1 before anything was compiled or run.
  int ErrorPos = -1;

  // ---- outside settings ------------------------------------------------------------------------
  // Database (alias) name for the queries a template creates; empty by default.
  std::string DataBaseName;
  // Path of the output file; empty by default.
  std::string PrintName;
  // The records the run iterates (not owned).
  TDataSet* DataSet() const noexcept { return data_set_; }
  void SetDataSet(TDataSet* dataSet);
  // The data set the run uses; the base gives DataSet, a descendant may substitute its own.
  virtual TDataSet* GetDataSet();
  // The template, one line per list line. SetFormatSource copies the lines (SetFmtSrc).
  TStringList& FormatSource() noexcept { return format_source_; }
  const TStringList& FormatSource() const noexcept { return format_source_; }
  void SetFormatSource(const TStrings& lines);
  // Master data source for template queries (not owned).
  TDataSource* DataSource() const noexcept { return data_source_; }
  void SetDataSource(TDataSource* source);
  // Called before each record is printed and before the VARS script runs.
  TNotifyEvent OnSetValues;
  // Called before the parameters of a template query or stored procedure are filled.
  TSetSQLParamsEvent OnSetSQLParams;
  // Called after the predefined variables are created.
  TNotifyEvent OnSetNames;
  // Record source without a data set: with OnSetValues, records are processed until it is true.
  TEndReportEvent OnEndReport;
  // Lets the host register its own script functions.
  TNotifyEvent OnSetFuncs;
  TPrinterOrientation Orientation() const noexcept { return orientation_; }
  // The report's and the printer's orientation.
  virtual void SetOrientation(TPrinterOrientation orientation);
  // The printer the report measures and orients with: the process-wide Printer() here.
  virtual TPrinterModel& ReportPrinter();
  int Copies() const noexcept { return copies_; }
  void SetCopies(int copies) noexcept { copies_ = copies; }
  std::uint32_t ModeFlags = kModeCopyMode;
  bool GetModeParam(std::uint32_t mask) const noexcept { return (ModeFlags & mask) != 0; }
  void SetModeParam(std::uint32_t mask, bool value) noexcept;
  bool OneRecord() const noexcept { return GetModeParam(kModeOneRecord); }
  void SetOneRecord(bool value) noexcept { SetModeParam(kModeOneRecord, value); }
  bool OEMConvert() const noexcept { return GetModeParam(kModeOEMConvert); }
  void SetOEMConvert(bool value) noexcept { SetModeParam(kModeOEMConvert, value); }
  bool CopyMode() const noexcept { return GetModeParam(kModeCopyMode); }
  void SetCopyMode(bool value) noexcept { SetModeParam(kModeCopyMode, value); }

  // null: resets the settings (orientation from the printer, Copies 1, CopyMode off); a report:
  // copies everything but the data set; a TReportParams: copies data set, data source,
  // callbacks, database and output names; anything else: the inherited assignment error.
  void Assign(const TPersistent* source) override;

  // Fill the parameters of a query or stored procedure: OnSetSQLParams first (with the query,
  // or with null for a procedure), a query without a data source gets the report's DataSource,
  // then every parameter from the report variable of its name (SetParam).
  void SetSQLParams(TQuery& query);
  void SetProcParams(TStoredProc& proc);
  // NUMBER -> float, STRING -> string, DATE -> date-time, MEMO -> its first line as a string;
  // other types and names that are not variables leave the parameter alone.
  void SetParam(TParam& param);

  // ---- the calling sequence --------------------------------------------------------------------
  // Base: ErrorPos := -1. The template report reads and compiles the template.
  virtual void Prepare();
  // The run. The base has no template to run: it raises.
  virtual void Execute();
  // Through the installed presenter; an error naming what is missing when there is none.
  virtual void Print();
  virtual void PreView();
  // Lists the variables and functions a template may use.
  virtual void RepObjects(TRepObjectsTable& table);

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
  // ErrorPos at the failing command (-1 after a list that ran to its end). A null list does
  // nothing.
  void RunCommands(const TCommandList* commands);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet* data_set_ = nullptr;
  TDataSource* data_source_ = nullptr;
  TStringList format_source_;
  TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
  int copies_ = 1;

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
