// TQoReport: the component side (settings, assignment, parameters, presenter, registry check)
// and Prepare's set-up. The template reader is in template_reader.cpp, the run in report_run.cpp,
// the line writer in report_writer.cpp.
#include "report/qo_report.h"

#include <algorithm>

#include "db/data_source.h"
#include "db/dataset.h"
#include "db/params.h"
#include "db/query.h"
#include "db/stored_proc.h"
#include "output/output_format.h"
#include "report/object_functions.h"
#include "report/output_stream.h"
#include "report/report_line.h"
#include "report/report_params.h"
#include "report/report_presenter.h"
#include "report/reports_list.h"
#include "reportlang/builtin_functions.h"
#include "reportlang/commands.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/text.h"

namespace bexlo {

std::string ExpandOutputPath(std::string_view name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) return std::string(name);
  return ApplicationDir + std::string(name);
}

TQoReport::TQoReport(TComponent* owner) : TCustomReport(owner), printer_(&Printer()) {}

TQoReport::~TQoReport() {
  // Lines and commands refer to variables and the parameter list of the base class: they go
  // first.
  output_.reset();
  ResetRunState();
}

// ---- settings -------------------------------------------------------------------------------------

void TQoReport::SetDataSet(TDataSet* dataSet) {
  if (data_set_ == dataSet) return;
  if (data_set_) data_set_->RemoveFreeNotification(this);
  data_set_ = dataSet;
  if (data_set_) data_set_->FreeNotification(this);
}

TDataSet* TQoReport::GetDataSet() {
  if (template_query_) return template_query_.get();
  return data_set_;
}

void TQoReport::SetFormatSource(const TStrings& lines) {
  if (&lines == &format_source_) return;
  format_source_.Assign(&lines);
}

void TQoReport::SetDataSource(TDataSource* source) {
  if (data_source_ == source) return;
  if (data_source_) data_source_->RemoveFreeNotification(this);
  data_source_ = source;
  if (data_source_) data_source_->FreeNotification(this);
}

void TQoReport::Notification(TComponent* component, TOperation operation) {
  TCustomReport::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == data_source_) data_source_ = nullptr;
  if (component == data_set_) data_set_ = nullptr;
}

void TQoReport::SetOrientation(TPrinterOrientation orientation) {
  orientation_ = orientation;
  printer_->SetOrientation(orientation);
  ReadPageSize();
}

void TQoReport::ReadPageSize() {
  page_width_ = printer_->PageWidth();
  page_height_ = printer_->PageHeight();
}

void TQoReport::SetPrinterModel(TPrinterModel* printer) {
  printer_ = printer ? printer : &Printer();
  ReadPageSize();
}

void TQoReport::SetModeParam(std::uint32_t mask, bool value) noexcept {
  if (value)
    ModeFlags |= mask;
  else
    ModeFlags &= ~mask;
}

void TQoReport::Assign(const TPersistent* source) {
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
    SetOrientation(printer_->Orientation());
    copies_ = 1;
    SetCopyMode(false);
    return;
  }
  if (const auto* report = dynamic_cast<const TQoReport*>(source)) {
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
  TCustomReport::Assign(source);
}

// ---- parameters -----------------------------------------------------------------------------------

void TQoReport::SetSQLParams(TQuery& query) {
  if (OnSetSQLParams) OnSetSQLParams(this, &query);
  if (!query.DataSource()) query.SetDataSource(data_source_);
  TParams& params = query.Params();
  for (int i = 0; i < params.Count(); ++i) SetParam(*params.Items(i));
}

void TQoReport::SetProcParams(TStoredProc& proc) {
  if (OnSetSQLParams) OnSetSQLParams(this, nullptr);
  TParams& params = proc.Params();
  for (int i = 0; i < params.Count(); ++i) SetParam(*params.Items(i));
}

void TQoReport::SetParam(TParam& param) {
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

// ---- presenting -----------------------------------------------------------------------------------

namespace {

TReportPresentation PresentationOf(const TQoReport& report) {
  TReportPresentation p;
  p.FileName = ExpandOutputPath(report.PrintName);
  p.Orientation = report.Orientation();
  p.CopyMode = report.CopyMode();
  p.Copies = report.Copies();
  return p;
}

}  // namespace

void TQoReport::Print() {
  TReportPresenter* presenter = ReportPresenter();
  if (!presenter) throw Exception(Format(msg::SQoNoReportPresenter, "Print"));
  presenter->Print(PresentationOf(*this));
}

void TQoReport::PreView() {
  TReportPresenter* presenter = ReportPresenter();
  if (!presenter) throw Exception(Format(msg::SQoNoReportPresenter, "PreView"));
  presenter->PreView(PresentationOf(*this));
}

void TQoReport::RepObjects(TRepObjectsTable& table) {
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

bool TQoReport::CheckFormatSource(const TStrings& lines) {
  static constexpr std::string_view kSections[] = {".REPORTHEADER", ".PAGEHEADER", ".RECORDHEADER",
                                                   ".PAGEFOOTER",   ".DETAIL",     ".REPORTFOOTER"};
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string_view trimmed = TrimView(lines.Get(i));
    if (trimmed.empty() || trimmed[0] != '.' || trimmed.size() > 13) continue;
    const std::string upper = UpperCase(trimmed);
    if (std::find(std::begin(kSections), std::end(kSections), upper) != std::end(kSections)) return true;
  }
  const auto& list = ReportsList();
  return list.size() == 1 && list.front().CheckFormatSource == &TQoReport::CheckFormatSource;
}

// ---- Prepare ----------------------------------------------------------------------------------------

void TQoReport::ResetRunState() {
  for (auto& s : sections_) s.reset();
  for (auto& f : footers_) f.reset();
  for (auto& h : headers_) h.reset();
  for (auto& c : footer_scripts_) c.reset();
  vars_script_.reset();
  header_script_.reset();
  post_record_script_.reset();
  record_script_.reset();
  template_query_.reset();
  filtr_ = page_num_ = rec_num_ = line_num_ = invalid_ = nullptr;
  ResetOutputState();
}

void TQoReport::ResetOutputState() {
  position_ = 0;
  state_ = rsPageTop;
  para_left_ = para_right_ = para_left_mm_ = para_right_mm_ = 0;
  para_carry_.clear();
  font_code_ = kDefaultFontCode;
  font_size_ = kDefaultFontSize;
  font_style_ = -1;  // the printer font is set from the font state before the first line
  at_line_start_ = true;
}

namespace {

// A variable typed as a field of `type` reads: string, number, boolean, date or memo.
void TypeAsField(TReportVar& var, TFieldType type) {
  if (var.VarType() != vtUnDefined) return;
  if (type == ftString) {
    var.SetString("");
  } else if (IsNumericType(type)) {
    var.SetNumber(0);
  } else if (type == ftBoolean) {
    var.SetBoolean(false);
  } else if (IsDateTimeType(type)) {
    var.SetDate(0);
  } else if (type == ftMemo) {
    TStringList empty;
    var.SetList(empty);
  }
}

}  // namespace

void TQoReport::CreateFieldVars() {
  TDataSet* dataSet = GetDataSet();
  if (!dataSet) return;
  for (int i = 0; i < dataSet->FieldCount(); ++i) {
    TField* field = dataSet->Fields(i);
    if (!field || field->FieldName().empty()) continue;
    if (TReportVar* var = AddVarEx(field->FieldName(), field->DisplayLabel())) TypeAsField(*var, field->DataType());
  }
}

void TQoReport::CreatePredefinedVars() {
  AddVarEx("FileName", msg::SQoHintFileName)->SetString("");
  page_num_ = AddVarEx("PageNum", msg::SQoHintPageNum);
  page_num_->SetNumber(1);
  rec_num_ = AddVarEx("RecNum", msg::SQoHintRecNum);
  rec_num_->SetNumber(0);
  line_num_ = AddVarEx("LineNum", msg::SQoHintLineNum);
  line_num_->SetNumber(0);
  invalid_ = AddVar("Invalid");
  AddVar("FormFeed");
  AddVar("OneRecord")->SetBoolean(OneRecord());
  AddVar("OEMConvert")->SetBoolean(OEMConvert());
  AddVar("Orientation")->SetString(orientation_ == TPrinterOrientation::poLandscape ? "L" : "P");
  AddVarEx("CurTime", msg::SQoHintCurTime)->SetDate(Time());
  AddVarEx("CurDate", msg::SQoHintCurDate)->SetDate(Date());
  AddVar("Null");
  CreateFieldVars();
}

void TQoReport::Prepare() {
  if (running_) throw Exception(Format(msg::SQoReportRunning, "Prepare"));
  ErrorPos = -1;
  output_.reset();
  ResetRunState();
  SetOrientation(orientation_);
  CreateSymbolTables();
  output_aliases_.Clear();
  CreatePredefinedVars();
  if (OnSetNames) OnSetNames(this);
  RegisterBuiltinFunctions(*this, ReportObjectFunctions());
  if (OnSetFuncs) OnSetFuncs(this);
  // The host may have replaced cells through the lists: look the run's variables up again.
  page_num_ = GetVarByName("PageNum");
  rec_num_ = GetVarByName("RecNum");
  line_num_ = GetVarByName("LineNum");
  invalid_ = GetVarByName("Invalid");
  GetVarByName("FileName")->SetString(ExpandOutputPath(PrintName));
  ReadTemplate();
  filtr_ = GetVarByName("Filtr");
}

void TQoReport::AddOutputAlias(std::string_view from, std::string_view to) {
  std::string entry(from);
  entry.push_back('\x01');
  entry.append(to);
  output_aliases_.Add(std::move(entry));
}

}  // namespace bexlo
