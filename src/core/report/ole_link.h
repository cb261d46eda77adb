// TOLELink: drives a spreadsheet ("EXCEL", the automation server "Excel.Application") or a word
// processor ("WORD", "Word.Application") through late-bound automation calls to build a
// document: a table whose header row holds variable captions and whose rows hold report values
// (the script functions OpenOLE, AddVarsOLE, AddRecordOLE, CloseOLE), or a formatted text
// document made of the lines of a report output file (the viewer's export, report/
// office_export.h). The link makes exactly the member calls the office applications expect, in
// order; the built-in servers of automation/office_servers.h answer them and write .xlsx and
// .docx files, and a host may register its own servers under the same program ids.
//
// The application reference of each kind is cached for the process and shared by all links, so
// that two links in a row talk to the same running application.
//
// Errors: an unknown kind raises "Incorrect type of OLE application". Any error inside the
// connection and the document calls clears the cached application of the link's kind (the next
// link reconnects), shows "Error in OLE application: " and the error's message in an error box
// with an OK button (user-interaction services), and then ends the caller's action with the
// silent EAbort.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "automation/ole_variant.h"
#include "output/file_viewer_model.h"
#include "output/font.h"
#include "util/object.h"

namespace bexlo {

class TParamList;
class TReportVar;

class TOLELink : public TObject, public TExportTarget {
 public:
  enum TKind { okExcel = 0, okWord = 1 };

  // owner: the report that opened the link (its output name becomes the document's default
  // name), or null. kind: "EXCEL" or "WORD" (upper case). Connects to the application.
  TOLELink(TObject* owner, std::string_view kind);
  ~TOLELink() override;
  TOLELink(const TOLELink&) = delete;
  TOLELink& operator=(const TOLELink&) = delete;
  std::string_view ClassName() const noexcept override { return "TOLELink"; }

  // Adds a workbook / a document (and, for the word processor, takes the insertion range).
  void AddDoc();
  // Word processor: the insertion range becomes the document's last character.
  void NewRange();
  // Starts the table: vars[0] is the link itself, vars[1..n] the variables of a row; the header
  // row takes their hints (or names).
  void AddVars(TParamList& vars);
  // Writes one cell of the current row (index 0-based).
  void Columns(int index, const OleVariant& value);
  // Writes the current values of the column variables as the next row.
  void AddRecord();
  // Finishes the document and makes the application visible (which saves it).
  void Close();
  // The end of an export: Close.
  void Finish() override { Close(); }

  // The export target: the pending font, page breaks and lines of an output file.
  void SetFont(int fontCode, int fontSize) override;
  void NewPage() override;
  void InsertText(std::string_view text);
  void NewParagraph();
  void InsertLine(std::string_view text, int fontCode, int fontSize) override;
  // 1 landscape, anything else portrait; margins in points follow the orientation.
  void SetPrinterOrientation(int orientation);
  void SetPrinterOrientation(TPrinterOrientation orientation) override {
    SetPrinterOrientation(orientation == TPrinterOrientation::poLandscape ? 1 : 0);
  }

  TKind Kind() const noexcept { return kind_; }
  int Row() const noexcept { return row_; }
  TObject* Owner() const noexcept { return owner_; }
  const std::vector<TReportVar*>& ColumnVars() const noexcept { return columns_; }
  // The output file the document is made from; the saved document takes its name (with the
  // document's extension) unless the host set OfficeFileName. Defaults to the owner report's
  // output name.
  std::string SourceName;

  // The cached application references (for tests: what a new link would reuse).
  static DispatchPtr CachedApplication(TKind kind);
  // Drops both cached references (as when the library unloads).
  static void ReleaseApplications() noexcept;

 private:
  template <class F>
  void Guarded(F&& action);
  void ApplyPendingFont();

  TObject* owner_;
  TKind kind_;
  int row_ = 1;
  std::vector<TReportVar*> columns_;  // not owned
  std::unique_ptr<TFont> font_;       // created when first needed
  int pending_code_ = 0;
  int pending_size_ = 0;

  DispatchPtr application_;
  DispatchPtr document_;
  DispatchPtr sheet_;  // the sheet (spreadsheet) or the table (word processor)
  DispatchPtr range_;
  DispatchPtr range_font_;
};

}  // namespace bexlo
