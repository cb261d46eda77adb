// The presenter service behind TCustomReport::Print and PreView: the widget library installs one
// that opens the preview window on the output file or prints it. Core has none; without one
// installed, Print and PreView raise an error that names what is missing.
#pragma once

#include <string>

#include "output/printer_model.h"

namespace bexlo {

// What a report hands the presenter.
struct TReportPresentation {
  std::string FileName;  // the output file (PrintName)
  TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;
  bool CopyMode = true;  // copies by repeating the whole job (collated)
  int Copies = 1;
};

class TReportPresenter {
 public:
  virtual ~TReportPresenter() = default;
  // Prints `Copies` copies of the file without showing a window.
  virtual void Print(const TReportPresentation& presentation) = 0;
  // Shows the file modally; the user prints, saves or exports from there.
  virtual void PreView(const TReportPresentation& presentation) = 0;
};

// The installed presenter or null. SetReportPresenter does not take ownership; it returns the
// previous one.
TReportPresenter* ReportPresenter() noexcept;
TReportPresenter* SetReportPresenter(TReportPresenter* presenter) noexcept;

}  // namespace bexlo
