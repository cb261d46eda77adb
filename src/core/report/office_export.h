// The export of a report output to the word processor: what the preview's "Export" button and
// `bexlo-report run ... --docx FILE` do. A document is made through the office link
// (TOLELink "WORD"): Create, AddDoc, SetPrinterOrientation, every line of every page with its
// font (the font selected before each page's first line, a page break between pages), SetFont(0,
// 0), Close, which makes the application visible and so saves the document.
//
// Errors go through the office link's guard: "Error in OLE application: ..." is shown through
// the user-interaction services and the export ends with the silent EAbort. Nothing is written
// under the document's name unless the whole document was written.
#pragma once

#include <string>

#include "output/file_viewer_model.h"

namespace bexlo {

// Exports what the viewer has loaded; nothing happens when it shows no lines. The document is
// saved where the built-in server saves it: OfficeFileName when the host set it, else the
// viewer's file with the extension ".docx".
void ExportToWordProcessor(const TFileViewerModel& viewer);

// Loads the output file (as the viewer does, with the given orientation) and exports it to
// docxFile. Raises the viewer's load errors ("There is no information for viewing", ...) as
// they are, and EAbort after the guard's message for failures of the document.
void ExportOutputToDocx(const std::string& outputFile, const std::string& docxFile,
                        TPrinterOrientation orientation = TPrinterOrientation::poPortrait);

}  // namespace bexlo
