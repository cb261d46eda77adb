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

#include <memory>
#include <string>

#include "output/file_viewer_model.h"

namespace bexlo {

// The word-processor document for the viewer's export (export_link.h): a TOLELink "WORD" with a
// new document for the viewer's file; its Finish closes the link, which saves the document
// where the built-in server saves it: OfficeFileName when the host set it, else the viewer's
// file with the extension ".docx".
std::unique_ptr<TExportTarget> CreateOfficeWordExport(const TFileViewerModel& viewer);
// Makes the viewer's export go through the office link (CreateWordExport := CreateOfficeWordExport).
void InstallOfficeLink();

// Loads the output file (as the viewer does, with the given orientation) and exports it to
// docxFile. Raises the viewer's load errors ("There is no information for viewing", ...) as
// they are, and EAbort after the guard's message for failures of the document.
void ExportOutputToDocx(const std::string& outputFile, const std::string& docxFile,
                        TPrinterOrientation orientation = TPrinterOrientation::poPortrait);

}  // namespace bexlo
