#include "util/hooks.h"

#include "util/strings.h"

namespace bexlo {

namespace hook_defaults {

// Distinct functions have distinct addresses, so each hook can be compared with its own default
// even where the bodies are alike.
void DBGrid_ShowMemo(TUCustomDBGrid*) {}
void DBGrid_ShowData(TUCustomDBGrid*) {}
void DBGrid_ShowRecordCount(TUCustomDBGrid*) {}
void DBGrid_LoadState(TUCustomDBGrid*) {}
void DBGrid_SaveState(TUCustomDBGrid*) {}
void DBGrid_ClearState(TUCustomDBGrid*, bool, bool) {}
void DBGrid_BuildWhere(TUCustomDBGrid*, bool, const std::string&, const std::string&) {}
void DBGrid_Report(TUCustomDBGrid*, bool) {}
TPopupMenu* DBGrid_PopupMenu() { return nullptr; }
std::unique_ptr<TStringList> Report_GetFmtData(const std::string&, const std::string&, const std::string&, bool&,
                                               bool&, std::string&) {
  return nullptr;
}
bool Report_EditFile(const std::string&) { return false; }
void Report_DicButton(const TDicChoiceParams&, Variant& result) { result = Variant::Null(); }

}  // namespace hook_defaults

namespace {

template <class F>
bool Differs(F hook, F defaultRoutine) {
  return hook != nullptr && hook != defaultRoutine;
}

}  // namespace

bool IsHookInstalled(THook hook) {
  namespace d = hook_defaults;
  switch (hook) {
    case THook::DBGrid_ShowMemo: return Differs(DBGrid_ShowMemo, &d::DBGrid_ShowMemo);
    case THook::DBGrid_ShowData: return Differs(DBGrid_ShowData, &d::DBGrid_ShowData);
    case THook::DBGrid_ShowRecordCount: return Differs(DBGrid_ShowRecordCount, &d::DBGrid_ShowRecordCount);
    case THook::DBGrid_LoadState: return Differs(DBGrid_LoadState, &d::DBGrid_LoadState);
    case THook::DBGrid_SaveState: return Differs(DBGrid_SaveState, &d::DBGrid_SaveState);
    case THook::DBGrid_ClearState: return Differs(DBGrid_ClearState, &d::DBGrid_ClearState);
    case THook::DBGrid_BuildWhere: return Differs(DBGrid_BuildWhere, &d::DBGrid_BuildWhere);
    case THook::DBGrid_ShowReportList: return Differs(DBGrid_ShowReportList, &d::DBGrid_Report);
    case THook::DBGrid_ReportExpert: return Differs(DBGrid_ReportExpert, &d::DBGrid_Report);
    case THook::DBGrid_PopupMenu: return Differs(DBGrid_PopupMenu, &d::DBGrid_PopupMenu);
    case THook::Report_GetFmtData: return Differs(Report_GetFmtData, &d::Report_GetFmtData);
    case THook::Report_EditFile: return Differs(Report_EditFile, &d::Report_EditFile);
    case THook::Report_DicButton: return Differs(Report_DicButton, &d::Report_DicButton);
  }
  return false;
}

void ResetHook(THook hook) {
  namespace d = hook_defaults;
  switch (hook) {
    case THook::DBGrid_ShowMemo: DBGrid_ShowMemo = &d::DBGrid_ShowMemo; break;
    case THook::DBGrid_ShowData: DBGrid_ShowData = &d::DBGrid_ShowData; break;
    case THook::DBGrid_ShowRecordCount: DBGrid_ShowRecordCount = &d::DBGrid_ShowRecordCount; break;
    case THook::DBGrid_LoadState: DBGrid_LoadState = &d::DBGrid_LoadState; break;
    case THook::DBGrid_SaveState: DBGrid_SaveState = &d::DBGrid_SaveState; break;
    case THook::DBGrid_ClearState: DBGrid_ClearState = &d::DBGrid_ClearState; break;
    case THook::DBGrid_BuildWhere: DBGrid_BuildWhere = &d::DBGrid_BuildWhere; break;
    case THook::DBGrid_ShowReportList: DBGrid_ShowReportList = &d::DBGrid_Report; break;
    case THook::DBGrid_ReportExpert: DBGrid_ReportExpert = &d::DBGrid_Report; break;
    case THook::DBGrid_PopupMenu: DBGrid_PopupMenu = &d::DBGrid_PopupMenu; break;
    case THook::Report_GetFmtData: Report_GetFmtData = &d::Report_GetFmtData; break;
    case THook::Report_EditFile: Report_EditFile = &d::Report_EditFile; break;
    case THook::Report_DicButton: Report_DicButton = &d::Report_DicButton; break;
  }
}

}  // namespace bexlo
