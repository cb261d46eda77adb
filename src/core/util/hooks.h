// Hooks: replaceable routine variables through which the grid reaches features that live in
// other parts of the library (state storage, query builder, memo and excerpt views, report list,
// report expert, popup menu) and through which the report engine reaches the dictionary choice,
// the template editor and the report store, without depending on them.
//
// Each hook is a plain function pointer that starts as a default routine of its own (doing
// nothing or returning an empty result). The code that implements a feature assigns its routine
// once at load; a host may replace any hook at run time. A hook is installed when it no longer
// holds its own default: IsHookInstalled tells, and the grid's popup menu hides the commands of
// hooks that are not installed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "util/variant.h"

namespace bexlo {

class TUCustomDBGrid;
class TPopupMenu;
class TDataSet;
class TStringList;

// ---- routine types ----------------------------------------------------------------------------
using TDBGridProc = void (*)(TUCustomDBGrid* grid);
using TDBGridClearStateProc = void (*)(TUCustomDBGrid* grid, bool confirm, bool reopen);
using TDBGridBuildWhereProc = void (*)(TUCustomDBGrid* grid, bool showDialog,
                                       const std::string& orderText, const std::string& queryText);
// DBGrid_ShowReportList (flag: let the user choose) and DBGrid_ReportExpert (flag: open the
// expert rather than the default report).
using TDBGridReportProc = void (*)(TUCustomDBGrid* grid, bool flag);
using TDBGridPopupMenuFunc = TPopupMenu* (*)();

// The stored template of report `name` in `group`: a new list owned by the caller, with the
// one-record flag, the landscape flag and the output file name; null (results untouched) when
// there is no such report.
using TReportGetFmtDataFunc = std::unique_ptr<TStringList> (*)(
    const std::string& group, const std::string& name, const std::string& databaseName,
    bool& oneRecord, bool& landscape, std::string& outputName);
// Lets the user edit a file; the result is ignored by callers.
using TReportEditFileFunc = bool (*)(const std::string& fileName);

// What the dictionary choice needs. SetParams, when set, fills the parameters of the prepared
// choice query before it opens.
struct TDicChoiceParams {
  std::string DatabaseName;
  bool SearchInUse = true;
  std::function<void(TDataSet* query)> SetParams;
  std::string FieldMap;     // lines "NAME = title[, width]"
  std::string SQL;          // the choice query
  std::string ResultField;  // the field whose value is the result
  int TitleRows = 2;
};
// Shows the choice; result: the chosen row's ResultField value, or Null when nothing was chosen.
using TReportDicButtonProc = void (*)(const TDicChoiceParams& params, Variant& result);

// ---- the default routines -------------------------------------------------------------------
namespace hook_defaults {
void DBGrid_ShowMemo(TUCustomDBGrid* grid);
void DBGrid_ShowData(TUCustomDBGrid* grid);
void DBGrid_ShowRecordCount(TUCustomDBGrid* grid);
void DBGrid_LoadState(TUCustomDBGrid* grid);
void DBGrid_SaveState(TUCustomDBGrid* grid);
void DBGrid_ClearState(TUCustomDBGrid* grid, bool confirm, bool reopen);
void DBGrid_BuildWhere(TUCustomDBGrid* grid, bool showDialog, const std::string& orderText,
                       const std::string& queryText);
// Shared by DBGrid_ShowReportList and DBGrid_ReportExpert.
void DBGrid_Report(TUCustomDBGrid* grid, bool flag);
TPopupMenu* DBGrid_PopupMenu();
std::unique_ptr<TStringList> Report_GetFmtData(const std::string& group, const std::string& name,
                                               const std::string& databaseName, bool& oneRecord,
                                               bool& landscape, std::string& outputName);
bool Report_EditFile(const std::string& fileName);
void Report_DicButton(const TDicChoiceParams& params, Variant& result);
}  // namespace hook_defaults

// ---- the hooks --------------------------------------------------------------------------------
inline TDBGridProc DBGrid_ShowMemo = hook_defaults::DBGrid_ShowMemo;
inline TDBGridProc DBGrid_ShowData = hook_defaults::DBGrid_ShowData;
inline TDBGridProc DBGrid_ShowRecordCount = hook_defaults::DBGrid_ShowRecordCount;
inline TDBGridProc DBGrid_LoadState = hook_defaults::DBGrid_LoadState;
inline TDBGridProc DBGrid_SaveState = hook_defaults::DBGrid_SaveState;
inline TDBGridClearStateProc DBGrid_ClearState = hook_defaults::DBGrid_ClearState;
inline TDBGridBuildWhereProc DBGrid_BuildWhere = hook_defaults::DBGrid_BuildWhere;
inline TDBGridReportProc DBGrid_ShowReportList = hook_defaults::DBGrid_Report;
inline TDBGridReportProc DBGrid_ReportExpert = hook_defaults::DBGrid_Report;
inline TDBGridPopupMenuFunc DBGrid_PopupMenu = hook_defaults::DBGrid_PopupMenu;
inline TReportGetFmtDataFunc Report_GetFmtData = hook_defaults::Report_GetFmtData;
inline TReportEditFileFunc Report_EditFile = hook_defaults::Report_EditFile;
inline TReportDicButtonProc Report_DicButton = hook_defaults::Report_DicButton;

// ---- installed test ---------------------------------------------------------------------------
enum class THook {
  DBGrid_ShowMemo,
  DBGrid_ShowData,
  DBGrid_ShowRecordCount,
  DBGrid_LoadState,
  DBGrid_SaveState,
  DBGrid_ClearState,
  DBGrid_BuildWhere,
  DBGrid_ShowReportList,
  DBGrid_ReportExpert,
  DBGrid_PopupMenu,
  Report_GetFmtData,
  Report_EditFile,
  Report_DicButton,
};

// True when the hook holds something other than its default routine (a null hook counts as
// not installed).
bool IsHookInstalled(THook hook);
// Puts the default routine back (for tests, and for code that must disable a feature).
void ResetHook(THook hook);

}  // namespace bexlo
