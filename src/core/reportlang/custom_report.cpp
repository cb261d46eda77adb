#include "reportlang/custom_report.h"

#include "db/data_source.h"
#include "db/dataset.h"
#include "db/params.h"
#include "db/query.h"
#include "db/stored_proc.h"
#include "reportlang/commands.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"

namespace bexlo {

TCustomReport::TCustomReport(TComponent* owner) : TComponent(owner) { CreateSymbolTables(); }

TCustomReport::~TCustomReport() {
  // Objects first: they may refer to variables; then the lists that refer to cells of the
  // variable list, then the variable list itself.
  objects_.reset();
  var_stack_.reset();
  param_list_.reset();
  func_list_.reset();
  var_list_.reset();
}

void TCustomReport::CreateSymbolTables() {
  objects_.reset();
  var_stack_.reset();
  param_list_.reset();
  func_list_.reset();
  var_list_.reset();
  var_list_ = std::make_unique<TVarList>(true);
  param_list_ = std::make_unique<TParamList>();
  func_list_ = std::make_unique<TFuncList>();
  var_stack_ = std::make_unique<TVarStack>();
  objects_ = std::make_unique<TListPool>();
}

TReportVar* TCustomReport::GetVarByName(std::string_view name) {
  return var_list_->FindVarByName(name);
}

TFunc* TCustomReport::GetFuncByName(std::string_view name) { return func_list_->FindByName(name); }

TReportVar* TCustomReport::AddVar(std::string_view name) {
  if (TReportVar* cell = GetVarByName(name)) return cell;
  return var_list_->AddVar(name);
}

TFunc* TCustomReport::AddFunc(std::unique_ptr<TFunc> func) {
  return func_list_->AddFunc(std::move(func));
}

TReportVar* TCustomReport::AddVarEx(std::string_view name, std::optional<std::string_view> hint) {
  TReportVar* cell = AddVar(name);
  if (cell && hint) cell->SetHint(std::string(*hint));
  return cell;
}

void TCustomReport::RunCommands(const TCommandList* commands) {
  if (!commands) return;
  TVarStack& stack = *var_stack_;
  stack.Clear();
  const int count = commands->Count();
  TObject* const* list = commands->List();
  int pc = 0;
  // One unsigned comparison covers both ends: a negative pc wraps to a large value.
  while (static_cast<unsigned>(pc) < static_cast<unsigned>(count)) {
    if (TObject* command = list[pc]) {
      static_cast<TCommand*>(command)->Run(pc, *this, stack);
    } else {
      ++pc;  // an emptied slot of the owning list
    }
  }
  // The script ended well: a later error (a lost connection, a full disk) has no place in it.
  ErrorPos = -1;
}

// ---- TReportParams ----------------------------------------------------------------------------

void TReportParams::Assign(const TPersistent* source) {
  const auto* params = dynamic_cast<const TReportParams*>(source);
  if (!params) return TPersistent::Assign(source);
  if (params == this) return;
  DataSet = params->DataSet;
  DataSource = params->DataSource;
  OnSetValues = params->OnSetValues;
  OnSetSQLParams = params->OnSetSQLParams;
  OnSetNames = params->OnSetNames;
  OnSetFuncs = params->OnSetFuncs;
  OnEndReport = params->OnEndReport;
  DataBaseName = params->DataBaseName;
  GroupName = params->GroupName;
  LastRptName = params->LastRptName;
  RptName = params->RptName;
  PrintName = params->PrintName;
}

// ---- presenter --------------------------------------------------------------------------------

namespace {
TReportPresenter* g_presenter = nullptr;
}

TReportPresenter* ReportPresenter() noexcept { return g_presenter; }

TReportPresenter* SetReportPresenter(TReportPresenter* presenter) noexcept {
  TReportPresenter* previous = g_presenter;
  g_presenter = presenter;
  return previous;
}

std::string ExpandOutputPath(std::string_view name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) return std::string(name);
  return ApplicationDir + std::string(name);
}

// ---- component ---------------------------------------------------------------------------------

void TCustomReport::SetDataSet(TDataSet* dataSet) {
  if (data_set_ == dataSet) return;
  if (data_set_) data_set_->RemoveFreeNotification(this);
  data_set_ = dataSet;
  if (data_set_) data_set_->FreeNotification(this);
}

TDataSet* TCustomReport::GetDataSet() { return data_set_; }

void TCustomReport::SetFormatSource(const TStrings& lines) {
  if (&lines == &format_source_) return;
  format_source_.Assign(&lines);
}

void TCustomReport::SetDataSource(TDataSource* source) {
  if (data_source_ == source) return;
  if (data_source_) data_source_->RemoveFreeNotification(this);
  data_source_ = source;
  if (data_source_) data_source_->FreeNotification(this);
}

void TCustomReport::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == data_source_) data_source_ = nullptr;
  if (component == data_set_) data_set_ = nullptr;
}

void TCustomReport::SetModeParam(std::uint32_t mask, bool value) noexcept {
  if (value)
    ModeFlags |= mask;
  else
    ModeFlags &= ~mask;
}

void TCustomReport::Assign(const TPersistent* source) {
  if (!source) {
    SetDataSource(nullptr);
    DataBaseName.clear();
    PrintName.clear();
    OnSetValues = nullptr;
    OnSetSQLParams = nullptr;
    OnSetNames = nullptr;
    OnEndReport = nullptr;
    OnSetFuncs = nullptr;
    format_source_.Clear();
    SetOneRecord(false);
    SetOEMConvert(false);
    SetOrientation(ReportPrinter().Orientation());
    copies_ = 1;
    SetCopyMode(false);
    return;
  }
  if (const auto* report = dynamic_cast<const TCustomReport*>(source)) {
    if (report == this) return;
    SetDataSource(report->data_source_);
    DataBaseName = report->DataBaseName;
    PrintName = report->PrintName;
    OnSetValues = report->OnSetValues;
    OnSetSQLParams = report->OnSetSQLParams;
    OnSetNames = report->OnSetNames;
    OnEndReport = report->OnEndReport;
    OnSetFuncs = report->OnSetFuncs;
    format_source_.Assign(&report->format_source_);
    SetOneRecord(report->OneRecord());
    SetOEMConvert(report->OEMConvert());
    SetOrientation(report->orientation_);
    copies_ = report->copies_;
    SetCopyMode(report->CopyMode());
    return;
  }
  if (const auto* params = dynamic_cast<const TReportParams*>(source)) {
    SetDataSet(params->DataSet);
    SetDataSource(params->DataSource);
    OnSetValues = params->OnSetValues;
    OnSetSQLParams = params->OnSetSQLParams;
    OnSetNames = params->OnSetNames;
    OnEndReport = params->OnEndReport;
    OnSetFuncs = params->OnSetFuncs;
    DataBaseName = params->DataBaseName;
    PrintName = params->PrintName;
    return;
  }
  TComponent::Assign(source);
}

void TCustomReport::SetSQLParams(TQuery& query) {
  if (OnSetSQLParams) OnSetSQLParams(this, &query);
  if (!query.DataSource()) query.SetDataSource(data_source_);
  TParams& params = query.Params();
  for (int i = 0; i < params.Count(); ++i) SetParam(*params.Items(i));
}

void TCustomReport::SetProcParams(TStoredProc& proc) {
  if (OnSetSQLParams) OnSetSQLParams(this, nullptr);
  TParams& params = proc.Params();
  for (int i = 0; i < params.Count(); ++i) SetParam(*params.Items(i));
}

void TCustomReport::SetParam(TParam& param) {
  TReportVar* var = GetVarByName(param.Name());
  if (!var) return;
  switch (var->VarType()) {
    case vtFloat: param.SetAsFloat(var->GetNumber()); break;
    case vtString: param.SetAsString(var->GetString()); break;
    case vtDate: param.SetAsDateTime(var->GetDate()); break;
    case vtMemo: {
      param.SetDataType(ftString);
      TStringList* list = var->GetList();
      if (list->Count() > 0) param.SetAsString(list->Get(0));
      break;
    }
    default: break;
  }
}

namespace {

TReportPresentation PresentationOf(const TCustomReport& report) {
  TReportPresentation p;
  p.FileName = ExpandOutputPath(report.PrintName);
  p.Orientation = report.Orientation();
  p.CopyMode = report.CopyMode();
  p.Copies = report.Copies();
  return p;
}

}  // namespace

void TCustomReport::Print() {
  TReportPresenter* presenter = ReportPresenter();
  if (!presenter) throw Exception(Format(msg::SQoNoReportPresenter, "Print"));
  presenter->Print(PresentationOf(*this));
}

void TCustomReport::PreView() {
  TReportPresenter* presenter = ReportPresenter();
  if (!presenter) throw Exception(Format(msg::SQoNoReportPresenter, "PreView"));
  presenter->PreView(PresentationOf(*this));
}

void TCustomReport::RepObjects(TRepObjectsTable& table) {
  table.Titles = {msg::SQoObjectsName, msg::SQoObjectsHint};
  table.ColWidths = {300, 500};
  table.Rows.clear();
  TVarList& vars = VarList();
  for (int i = 0; i < vars.Count(); ++i) {
    if (const TReportVar* var = vars.Get(i)) table.Rows.push_back({var->Name(), var->Hint()});
  }
  TFuncList& funcs = FuncList();
  for (int i = 0; i < funcs.Count(); ++i) {
    if (const TFunc* func = funcs.Get(i)) table.Rows.push_back({func->Name() + "()", func->Hint()});
  }
}

void TCustomReport::SetOrientation(TPrinterOrientation orientation) {
  orientation_ = orientation;
  ReportPrinter().SetOrientation(orientation);
}

TPrinterModel& TCustomReport::ReportPrinter() { return Printer(); }

void TCustomReport::Prepare() { ErrorPos = -1; }

void TCustomReport::Execute() { throw Exception(Format(msg::SQoNoTemplateRun, ClassName())); }

void CustomReportAbort() { throw ECustomReportError(msg::SQoExecutionAborted); }

}  // namespace bexlo
