// TQoReport: the registry check, the printer and Prepare's set-up. The template reader is in
// template_reader.cpp, the run in report_run.cpp, the line writer in report_writer.cpp.
#include "report/qo_report.h"

#include <algorithm>

#include "db/dataset.h"
#include "db/query.h"
#include "output/output_format.h"
#include "report/object_functions.h"
#include "report/output_stream.h"
#include "report/report_line.h"
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

TQoReport::TQoReport(TComponent* owner) : TCustomReport(owner), printer_(&Printer()) {}

TQoReport::~TQoReport() {
  // Lines and commands refer to variables and the parameter list of the base class: they go
  // first.
  output_.reset();
  ResetRunState();
}

// ---- printer and orientation ---------------------------------------------------------------------

TDataSet* TQoReport::GetDataSet() {
  if (template_query_) return template_query_.get();
  return DataSet();
}

void TQoReport::SetOrientation(TPrinterOrientation orientation) {
  TCustomReport::SetOrientation(orientation);
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

// ---- the registry ------------------------------------------------------------------------------

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
  last_break_forced_ = false;
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
  AddVar("Orientation")->SetString(Orientation() == TPrinterOrientation::poLandscape ? "L" : "P");
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
  SetOrientation(Orientation());
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
