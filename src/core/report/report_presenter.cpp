#include "report/report_presenter.h"

namespace bexlo {

namespace {
TReportPresenter* g_presenter = nullptr;
}

TReportPresenter* ReportPresenter() noexcept { return g_presenter; }

TReportPresenter* SetReportPresenter(TReportPresenter* presenter) noexcept {
  TReportPresenter* previous = g_presenter;
  g_presenter = presenter;
  return previous;
}

}  // namespace bexlo
