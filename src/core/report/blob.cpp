#include "report/blob.h"

#include "report/output_stream.h"
#include "report/qo_report.h"


namespace bexlo {

TBlob::TBlob(std::unique_ptr<TQoReport> report) : report_(std::move(report)) {}

TBlob::~TBlob() = default;

int TBlob::Run() {
  lines_.Clear();
  if (!report_) return 0;
  report_->Prepare();
  if (!report_->GetDataSet()) report_->SetOneRecord(true);
  report_->Execute();
  LoadOutputLines(ExpandOutputPath(report_->PrintName), lines_);
  return lines_.Count();
}

}  // namespace bexlo
