#include "widgets/platform/report_presenter.h"

#include "widgets/output/preview_form.h"
#include "widgets/platform/qt_user_interaction.h"

namespace bexlo {

void TQtReportPresenter::Print(const TReportPresentation& presentation) {
  TQoPreviewForm form;
  form.SetFormParams(presentation.FileName, presentation.Orientation, presentation.CopyMode, presentation.Copies);
  form.Print(presentation.Copies, presentation.CopyMode);
}

void TQtReportPresenter::PreView(const TReportPresentation& presentation) {
  TQoPreviewForm form(DialogParent());
  form.SetFormParams(presentation.FileName, presentation.Orientation, presentation.CopyMode, presentation.Copies);
  form.exec();
}

}  // namespace bexlo
