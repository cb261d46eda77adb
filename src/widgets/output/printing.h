// Printing through Qt: the library's printer, page-range printing with copies, collation and
// background printing, the print confirmation, plain list printing and printing a window's
// image.
//
// Output always goes through QPrinter: to a CUPS queue, or to a PDF file when the printer's
// output format is PDF. The printer's page layout is taken from the page model's printer
// (paper, orientation, margins) while printing, so that paper and layout agree, and its
// resolution is PrinterDPI, so that a device pixel is a printer pixel.
#pragma once

#include <QStringList>

#include <string>

class QFont;
class QPrinter;
class QWidget;

namespace bexlo {

class TFileViewer;
class TFileViewerModel;
class TPrinterModel;

// The process-wide printer (created on first use, on the main thread): the print dialog edits
// it, and every print of the library goes to it.
QPrinter& ReportPrinter();

// Sets the printer's paper, orientation and margins from the page model's printer and its
// resolution to PrinterDPI (the printer keeps its name, output file and copies).
void PreparePrinter(QPrinter& printer, const TPrinterModel& model);

// The printer's name, or its output file when it writes one, for messages.
std::string PrinterTitle(const QPrinter& printer);

// When ConfirmBeforePrint is on, asks "Are you sure, that want to print?" (Yes, No, Cancel) and
// returns true for Yes only; otherwise true without asking.
bool ConfirmPrint();

// Prints pages first..last (0-based) of the viewer `copies` times.
//  - ShadowPrint on: raises "Printer is busy. Repeat print later" while a background print
//    runs (ReportThreadCount > 0); otherwise starts a TReportThread on a copy of the viewer's
//    pages and returns at once.
//  - collate on (or the printer cannot make copies itself): the range is printed `copies`
//    times, each pass over all pages of the range, in one print job (copies below 1 print
//    nothing).
//  - collate off: the range is printed once with the printer's copy count set to `copies`.
void PrintPages(TFileViewer& viewer, int first, int last, bool collate, int copies);
void PrintPages(TFileViewerModel& viewer, int first, int last, bool collate, int copies);
// The same on a given printer; ShadowPrint copies this printer's settings to the thread.
void PrintPages(QPrinter& printer, TFileViewerModel& viewer, int first, int last, bool collate,
                int copies);

// Prints the strings one per line in `font` (after ConfirmPrint): portrait, one copy, lines
// from 10 pixels down, a new page before a line that would reach the bottom of the page.
void PrintList(const QFont& font, const QStringList& strings);
void PrintList(QPrinter& printer, const QFont& font, const QStringList& strings);

// Prints the image of a window scaled by multiplier / divisor; multiplier 0 fits it to the
// page. Nothing when multiplier > 0 and divisor is 0, or when ConfirmPrint says no. The window
// is rendered off-screen; it is neither moved nor shown.
void PrintForm(QWidget* form, int multiplier, int divisor);
void PrintForm(QPrinter& printer, QWidget* form, int multiplier, int divisor);

}  // namespace bexlo
