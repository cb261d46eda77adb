// The two built-in office servers: "Excel.Application" (a spreadsheet that is written as an .xlsx
// file through libxlsxwriter) and "Word.Application" (a word-processor document written as an
// OOXML .docx file). Both build their document in memory from the automation calls they receive
// and write the real file when the application is made visible (`Visible := true`), which is the
// last call the office link makes; `SaveAs(name)` on a workbook or document writes at once.
//
// The object models, as far as the office link and report scripts use them:
//   Excel.Application: Application, Workbooks (Add, Count, Item), ActiveWorkbook, ActiveSheet,
//     Visible, ScreenUpdating, DisplayAlerts, Quit. Workbook: Sheets / Worksheets (Add, Count,
//     Item, or called with an index), ActiveSheet, SaveAs, Close, FullName. Worksheet: Cells(row,
//     col), Name, Columns.AutoFit. Cell: Value, NumberFormat (a string stored into a cell of
//     format "@" stays text; into any other cell a string that reads as a plain number becomes
//     that number, as the spreadsheet application does), Font.Bold.
//   Word.Application: Application, Documents (Add, Count, Item), ActiveDocument, Options
//     (Pagination), Visible, ScreenUpdating, ScreenRefresh, Quit. Document: Content, Range(start,
//     end), Tables (Add(range, rows, cols), Count, Item), PageSetup (Orientation, LeftMargin,
//     RightMargin, TopMargin, BottomMargin in points), ActiveWindow.WindowState, UndoClear,
//     SaveAs, Close, Paragraphs.Count, FullName. Range: Start, End, Text, Font (Name, Size, Bold,
//     Italic, Underline, StrikeThrough), InsertAfter, InsertBefore, InsertParagraphAfter,
//     InsertBreak, Collapse, MoveEnd. Table: Cell(row, col).Range, Rows.Add, Rows.Count,
//     Columns.AutoFit, Columns.Count.
// A member an object does not have raises EOleError naming the server, the object and the member.
// A saved document that no object refers to any more is dropped from its application's
// collection (the servers have no window in which it could stay open for the user).
//
// Where documents go: OfficeFileName when the host sets it, else OfficeSourceName (the report
// output the document is made from, which the office link sets), in both cases with the
// document's extension (".xlsx", ".docx") in place of theirs; with neither, "document" in the
// program's directory. A file is written beside its target and renamed into place, so a failure
// never leaves a partial file under the final name and keeps an earlier file of that name. After
// a document was saved, the Office_ShowDocument hook is called with its path (the widget library
// opens it with the desktop's application; the default does nothing).
//
// A host may put its own server under any program id, replacing a built-in one or adding a new
// one: RegisterOleServer("Excel.Application", classId, [] { return MakeDispatch<MyExcel>(); })
// from ole_registry.h; MyExcel derives from IDispatch (or TAutoObject, which answers calls from
// a table of named members). A server that should be found as the running instance calls
// RegisterActiveObject(classId, itself) when it starts and RevokeActiveObject when it quits.
// Program ids that nobody registered raise "Invalid class string".
#pragma once

#include <string>
#include <string_view>

#include "automation/ole_registry.h"

namespace bexlo {

inline constexpr const char kExcelProgId[] = "Excel.Application";
inline constexpr const char kWordProgId[] = "Word.Application";
TGUID ExcelClassId();
TGUID WordClassId();

// New instances of the servers (each announces itself as the running instance of its class).
DispatchPtr CreateExcelApplication();
DispatchPtr CreateWordApplication();

// Registers both servers (done once, automatically, before the registry answers its first
// question; call it again to put them back after a host replaced or unregistered them).
void RegisterOfficeServers();

// The file a document made visible is saved to (see above); set by the host application.
inline std::string OfficeFileName;
// The report output the current document comes from; set by the office link.
inline std::string OfficeSourceName;
// The path a document with `extension` (".xlsx") is saved under now.
std::string OfficeDocumentPath(std::string_view extension);

// Called with the path of every document saved on `Visible := true`.
using TOfficeShowDocumentProc = void (*)(const std::string& path);
namespace hook_defaults {
void Office_ShowDocument(const std::string& path);
}
inline TOfficeShowDocumentProc Office_ShowDocument = hook_defaults::Office_ShowDocument;

}  // namespace bexlo
