// Writing a report output file as PDF: every page laid out by the page model and drawn with the
// Liberation faces (embedded) at the model's glyph positions, through Qt's PDF engine at the
// printer resolution (PrinterDPI). The PDF is written beside its target and renamed into place,
// so a failure leaves any earlier file of that name as it was.
#pragma once

#include <string>

#include "output/printer_model.h"

namespace bexlo {

class TFileViewerModel;

// Writes pages fromPage..toPage (0-based, clamped; the defaults take every page) of a loaded
// viewer model to pdfName. Raises bexlo::Exception when the PDF cannot be written.
void WriteViewerPdf(TFileViewerModel& viewer, const std::string& pdfName, int fromPage = 0,
                    int toPage = 0x7FFFFFFF);

// Loads the output file outputName (as the viewer does) and writes all its pages to pdfName.
// Raises the viewer's errors for a missing, empty or unreadable output file.
void WriteOutputPdf(const std::string& outputName, const std::string& pdfName,
                    TPrinterOrientation orientation = TPrinterOrientation::poPortrait);

}  // namespace bexlo
