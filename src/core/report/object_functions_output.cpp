// Report functions on included sub-reports and on the report's output: Include, ExecuteInclude,
// PutLine and AddOutputAlias.
#include <memory>
#include <string>

#include "report/blob.h"
#include "report/object_functions_handlers.h"
#include "report/qo_report.h"
#include "reportlang/builtin_handlers.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/strings.h"

namespace bexlo::report_functions {

using builtin::Arg;

bool ReportIsEnding(TCustomReport& report) {
  const TQoReport* qo = AsQoReport(report);
  return qo && qo->IsEnding();
}

namespace {

// Included reports nest at most this deep (a template that includes itself stops here).
constexpr int kMaxIncludeDepth = 32;

// The report Include creates: it knows how deep it is nested, and refuses to be prepared or run
// again while it is preparing or running (its own blob reached through handed-over variables),
// which would otherwise free the lists of a run in progress.
class TIncludedReport final : public TQoReport {
 public:
  explicit TIncludedReport(int depth) : depth_(depth) {}
  int Depth() const noexcept { return depth_; }

  void Prepare() override { Guarded([this] { TQoReport::Prepare(); }); }
  void Execute() override { Guarded([this] { TQoReport::Execute(); }); }

 private:
  template <typename F>
  void Guarded(F body) {
    if (busy_) throw ECustomReportError(msg::SQoIncludeRunning);
    busy_ = true;
    try {
      body();
    } catch (...) {
      busy_ = false;
      throw;
    }
    busy_ = false;
  }

  int depth_;
  bool busy_ = false;
};

int IncludeDepth(TCustomReport& report) {
  const auto* included = dynamic_cast<const TIncludedReport*>(&report);
  return included ? included->Depth() : 0;
}

// Creates every variable of `from` in `to` with its value, except the "@" registers and
// FileName; DISPATCH and UNDEFINED values are not handed over.
void HandOverVariables(TCustomReport& from, TQoReport& to) {
  TVarList& vars = from.VarList();
  for (int i = 0; i < vars.Count(); ++i) {
    TReportVar* v = vars.Get(i);
    if (!v || v->Name().starts_with('@') || v->Name() == "FILENAME") continue;
    const TVarType type = v->VarType();
    if (type == vtUnDefined || type == vtDispatch) continue;
    TReportVar* target = to.AddVarEx(v->Name(), v->Hint());
    switch (type) {
      case vtFloat: target->SetNumber(v->GetNumber()); break;
      case vtString: target->SetString(v->GetString()); break;
      case vtDate: target->SetDate(v->GetDate()); break;
      case vtBoolean: target->SetBoolean(v->GetBoolean()); break;
      case vtMemo: target->SetList(*v->GetList()); break;
      case vtObject: target->SetObject(v->GetObject()); break;
      default: break;
    }
  }
}

TBlob* BlobOf(TReportVar& cell) {
  if (cell.VarType() != vtObject) return nullptr;
  return dynamic_cast<TBlob*>(cell.GetObject());
}

}  // namespace

// Include(group, name): the stored template `name` of `group` (Report_GetFmtData) as a nested
// report that takes its settings and callbacks from this one and, when it asks for names, the
// values of this report's variables. UNDEFINED when there is no such template. Nesting is
// bounded (kMaxIncludeDepth), and a nested report never runs inside its own run.
void FnInclude(TCustomReport& report, TParamList& params, TReportVar& result) {
  bool oneRecord = false, landscape = false;
  std::string outputName;
  std::unique_ptr<TStringList> lines = Report_GetFmtData(
      Arg(params, 0).GetString(), Arg(params, 1).GetString(), report.DataBaseName, oneRecord, landscape,
      outputName);
  if (!lines) return;
  const int depth = IncludeDepth(report) + 1;
  if (depth > kMaxIncludeDepth) throw ECustomReportError(Format(msg::SQoIncludeTooDeep, kMaxIncludeDepth));

  auto nested = std::make_unique<TIncludedReport>(depth);
  nested->SetFormatSource(*lines);
  nested->PrintName = outputName;
  nested->SetOrientation(landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
  nested->SetOneRecord(oneRecord);
  nested->DataBaseName = report.DataBaseName;
  if (const TQoReport* including = AsQoReport(report)) {
    nested->OnSetValues = including->OnSetValues;
    nested->OnSetSQLParams = including->OnSetSQLParams;
    nested->OnSetFuncs = including->OnSetFuncs;
  }
  TQoReport* target = nested.get();
  nested->OnSetNames = [&report, target](TObject*) { HandOverVariables(report, *target); };

  auto blob = std::make_unique<TBlob>(std::move(nested));
  TBlob* owned = blob.get();
  report.Objects().Add(blob.release());
  result.SetObject(owned);
}

// ExecuteInclude(blob): runs the nested report; its output lines as a MEMO (empty when it wrote
// no file).
void FnExecuteInclude(TCustomReport&, TParamList& params, TReportVar& result) {
  TBlob* blob = BlobOf(Arg(params, 0));
  if (!blob || !blob->Report()) return;
  blob->Run();
  result.SetList(blob->Lines());
}

void FnPutLine(TCustomReport& report, TParamList& params, TReportVar&) {
  const std::string& text = Arg(params, 0).GetString();
  if (TQoReport* qo = AsQoReport(report)) qo->PutLine(text);
}

void FnAddOutputAlias(TCustomReport& report, TParamList& params, TReportVar&) {
  const std::string& from = Arg(params, 0).GetString();
  const std::string& to = Arg(params, 1).GetString();
  if (TQoReport* qo = AsQoReport(report)) qo->AddOutputAlias(from, to);
}

}  // namespace bexlo::report_functions
