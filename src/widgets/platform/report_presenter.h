// TQtReportPresenter: what TCustomReport::PreView and Print do in a Qt application. PreView
// shows the preview window (TQoPreviewForm) on the report's output modally; Print lays the
// output out in a preview window that is never shown and prints all its pages with the report's
// copies and copy mode. Failures (a missing output, a busy printer) are raised to the caller.
// InitWidgets installs one.
#pragma once

#include "reportlang/custom_report.h"

namespace bexlo {

class TQtReportPresenter : public TReportPresenter {
 public:
  void Print(const TReportPresentation& presentation) override;
  void PreView(const TReportPresentation& presentation) override;
};

}  // namespace bexlo
