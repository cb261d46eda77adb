// TQoReport: the template report. Prepare reads the template (FormatSource): sections, printed
// lines with "@" field references, statement blocks compiled into command lists, group
// definitions, the SQL section (the report's own forward-only query) and the record filter; it
// creates the predefined variables (FileName, PageNum, RecNum, LineNum, ...) and registers the
// script functions. Execute walks the records (of the data set, the template query, or the host's
// OnEndReport/OnSetValues callbacks), runs the scripts, prints group footers and headers, page
// headers and footers, record headers and details, and writes the paged output file; then it
// applies the FileName rename, the page-pairing or column post-pass and the copy settings.
//
// The output is written through one buffered stream into a new file beside the output, which
// takes the output's name only when the run succeeds: a failed run (an error, an abort, a full
// disk) removes what it wrote and keeps the earlier output; a run that prints nothing leaves no
// output. Post-passes write a complete work file and
// flush it before the old output becomes ".bak" and the work file takes the output's name; a
// failure at any step leaves the original output in place. An output that cannot be written
// ends the run with an error after the clean-up.
//
// Measuring (page heights, paragraph wrapping) uses the report's printer model: the process-wide
// Printer() unless SetPrinterModel gave another.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output/printer_model.h"
#include "reportlang/custom_report.h"
#include "util/strings.h"

namespace bexlo {

class TCommandList;
class TDataSet;
class TQuery;
class TReportLine;
class TReportVar;
class TOutputStream;

// The six standard sections, in their fixed order.
enum TReportType { rtReportHeader, rtPageHeader, rtRecordHeader, rtPageFooter, rtDetail, rtReportFooter };
inline constexpr int kReportTypeCount = 6;
// Group levels: footers 1..16 (1 = the whole report), headers and Group variables 2..16.
inline constexpr int kMaxGroupLevel = 16;

// Run state flags.
enum TReportState : std::uint16_t {
  rsPageTop = 1,            // a page has just begun: the next record prints no record header
  rsInParagraph = 2,        // a "\PB" paragraph is open
  rsInDetail = 4,           // a record's record header and detail are printing
  rsPageFooterPrinted = 8,  // PAGEFOOTER printed since the last page or report header
  rsDataStarted = 16,       // a record has been printed
  rsInFooter = 32,          // group footers or PAGEFOOTER are printing
  rsInHeader = 64,          // group headers are printing
  rsNoBreak = 128,          // RECORDHEADER is printing: a line that does not fit is dropped
  rsEnding = 256,           // the report end
  rsForcedBreak = 512,      // a FORMFEED field was printed: the next written line breaks the page
  rsHeaderScriptDone = 1024,
};

// Progress of a run: records processed so far and the current page.
using TReportProgressEvent = std::function<void(int records, int pages)>;

class TQoReport : public TCustomReport {
 public:
  explicit TQoReport(TComponent* owner = nullptr);
  ~TQoReport() override;
  std::string_view ClassName() const noexcept override { return "TQoReport"; }

  // The data set the run uses: the template query while one is open, else DataSet.
  TDataSet* GetDataSet() override;
  // Sets the report's and the printer's orientation and re-reads the page size.
  void SetOrientation(TPrinterOrientation orientation) override;
  TPrinterModel& ReportPrinter() override { return *printer_; }

  // ---- the calling sequence ----------------------------------------------------------------------
  // Reads and compiles the template. A compile error leaves as the compiler's exception with
  // ErrorPos at the template offset (code points, every line counting its length plus two).
  void Prepare() override;
  // The run; errors leave after the clean-up.
  void Execute() override;
  // Whether the template has one of the six standard section headers (or this is the only
  // registered report class).
  static bool CheckFormatSource(const TStrings& lines);

  // ---- what script functions use from the run ---------------------------------------------------
  // Prints a ready text as one output line, with paging and line counting as for template lines.
  // Raises when no output is open (outside Execute).
  void PutLine(std::string_view text);
  // Registers an output alias: lines read afterwards have every `from` replaced by `to`.
  void AddOutputAlias(std::string_view from, std::string_view to);
  // The aliases as stored: from, a byte 1, to.
  const TStringList& OutputAliases() const noexcept { return output_aliases_; }
  // The report end is printing (the last footers).
  bool IsEnding() const noexcept { return (state_ & rsEnding) != 0; }
  // Execute is under way (Prepare and Execute refuse to start again meanwhile).
  bool Running() const noexcept { return running_; }
  std::uint16_t State() const noexcept { return state_; }

  // ---- measuring and progress ----------------------------------------------------------------
  TPrinterModel& PrinterModel() noexcept { return *printer_; }
  // The printer used for orientation, page size and measuring; null means Printer().
  void SetPrinterModel(TPrinterModel* printer);
  // Page width and printable height (minus the PAGEFOOTER lines) of the run, printer pixels.
  int PageWidth() const noexcept { return page_width_; }
  int PageHeight() const noexcept { return page_height_; }
  // Called at every user-break check (every 1001 records) and once at the end of the walk.
  TReportProgressEvent OnProgress;

 private:
  struct TemplateReader;
  class Run;
  friend struct TemplateReader;
  friend class Run;

  void ResetRunState();
  // Page position, state flags, paragraph and font state as a run starts.
  void ResetOutputState();
  void CreatePredefinedVars();
  void CreateFieldVars();
  void ReadPageSize();
  // Reads FormatSource (template_reader.cpp).
  void ReadTemplate();

  // ---- printing (report_writer.cpp) ----
  void PrintSection(TReportType type);
  void PrintLines(const TListPool* lines);
  void PrintLine(TReportLine& line);
  // LineNum += 1 while the detail, a group header or a group footer prints.
  void CountLine();
  // Writes a printed line, taking an open paragraph's carried text first; false when the line
  // was dropped (it did not fit while the record header printed).
  bool WriteText(std::string_view text);
  // WriteText for a printed template line: a page break it causes outside the detail clears
  // page top.
  bool WriteKeepingPageTop(std::string_view text);
  bool WriteLine(std::string_view text);
  // Writes the finished line (OEM conversion, CR LF) or raw bytes that begin the next line.
  void PutOutputLine(std::string_view text);
  void WriteRaw(std::string_view bytes);
  void BreakPage(int lineHeight);
  // The text of an open paragraph that was never closed, written at the end of the run.
  void FlushParagraphCarry();
  bool Counting() const noexcept {
    return !in_page_footer_ && (state_ & (rsInDetail | rsInFooter | rsInHeader)) != 0;
  }
  bool HasLines(const TListPool* lines) const noexcept;
  // The printer's font is shared (a nested report measures with it too): before measuring, the
  // font this report left is put back when someone changed it; after measuring it is noted.
  void SyncPrinterFont();
  void NotePrinterFont();

  TPrinterModel* printer_;

  // ---- what Prepare builds ----
  std::array<std::unique_ptr<TListPool>, kReportTypeCount> sections_;
  std::array<std::unique_ptr<TListPool>, kMaxGroupLevel + 1> footers_;  // 1..16
  std::array<std::unique_ptr<TListPool>, kMaxGroupLevel + 1> headers_;  // 2..16
  std::array<std::unique_ptr<TCommandList>, kMaxGroupLevel + 1> footer_scripts_;  // 1..16
  std::unique_ptr<TCommandList> vars_script_;
  std::unique_ptr<TCommandList> header_script_;
  std::unique_ptr<TCommandList> post_record_script_;
  std::unique_ptr<TCommandList> record_script_;
  std::unique_ptr<TQuery> template_query_;
  TStringList output_aliases_;
  // Variables the run reads often, looked up once.
  TReportVar* filtr_ = nullptr;
  TReportVar* page_num_ = nullptr;
  TReportVar* rec_num_ = nullptr;
  TReportVar* line_num_ = nullptr;
  TReportVar* invalid_ = nullptr;

  // ---- run state ----
  std::unique_ptr<TOutputStream> output_;
  int page_width_ = 0;
  int page_height_ = 0;
  int position_ = 0;
  std::uint16_t state_ = rsPageTop;
  int para_left_ = 0;  // indents of the open paragraph, printer pixels
  int para_right_ = 0;
  int para_left_mm_ = 0;  // the same as written in its "\PB", millimetres
  int para_right_mm_ = 0;
  std::string para_carry_;
  int font_code_ = 255;
  int font_size_ = 10;
  std::string font_name_;  // the printer font as this report left it
  int font_points_ = 0;
  int font_style_ = -1;
  bool running_ = false;
  bool at_line_start_ = true;    // nothing written yet on the current output line
  bool in_page_break_ = false;   // the page footer and header of a break are printing
  bool in_page_footer_ = false;  // PAGEFOOTER lines print (they are not counted in LineNum)
  int print_depth_ = 0;          // nesting of PrintLine (a page break prints inside a line)
  std::uint64_t page_breaks_ = 0;   // page breaks of the run so far
  bool last_break_forced_ = false;  // the last page break was forced by a FORMFEED
  std::vector<std::string> line_buffers_;  // one reused buffer per nesting level
};

// The template report behind a TCustomReport reference, or null.
inline TQoReport* AsQoReport(TCustomReport& report) noexcept { return dynamic_cast<TQoReport*>(&report); }

}  // namespace bexlo
