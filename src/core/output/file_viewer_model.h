// TFileViewerModel: everything of the report file viewer but the window. It maps an output file
// and never holds its text in memory: lines and pages are indexed with printer metrics in one
// pass over a view of the file that keeps only a few megabytes resident (TLineScanView), and a
// line's text is taken from the map only while it is drawn. (A file that is not UTF-8 was written
// in the legacy code page: it is decoded once, util/legacy_text.h, and shown from that copy.) It
// keeps the scroll position, zoom and current page, and lays lines out as text fragments on a
// TCanvas: the screen (Paint), the printer (Print) or a test's recording canvas. The viewer widget owns one, forwards its keys, scroll commands and paint
// requests to it and paints what it is told.
//
// Positions: LeftPos in printer pixels, TopLine a line index. Scale divides printer pixels into
// screen pixels; Zoom(P) makes it (PrinterDPI / 300) x (100 / P); FitToPage fits a whole page
// into a client area. All measuring uses the printer model's font (Printer() unless another
// printer is set).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output/canvas.h"
#include "output/page_model.h"
#include "output/printer_model.h"
#include "output/viewer_navigation.h"
#include "util/object.h"

namespace bexlo {

class TFileMapper;

// Where the viewer's export writes: the word-processor link implements it.
class TExportTarget {
 public:
  virtual ~TExportTarget() = default;
  virtual void SetPrinterOrientation(TPrinterOrientation orientation) = 0;
  virtual void SetFont(int fontCode, int fontSize) = 0;
  virtual void InsertLine(std::string_view text, int fontCode, int fontSize) = 0;
  virtual void NewPage() = 0;
};

// The client area FitToPage chose: size and offset of the control within the available area.
struct TFitResult {
  bool Done = false;
  int Left = 0;
  int Top = 0;
  int ClientWidth = 0;
  int ClientHeight = 0;
};

enum class TScrollBarKind { sbHorizontal, sbVertical };

class TFileViewerModel : public TComponent {
 public:
  explicit TFileViewerModel(TComponent* owner = nullptr);
  ~TFileViewerModel() override;

  std::string_view ClassName() const noexcept override { return "TFileViewerModel"; }

  // ---- file ------------------------------------------------------------------------------
  // FileName reads as GetFileName: the stored name with the application's directory in front
  // when it has no directory part.
  std::string FileName() const { return GetFileName(); }
  void SetFileName(const std::string& name) { file_name_ = name; }
  std::string GetFileName() const;
  TPrinterOrientation Orientation() const noexcept { return orientation_; }
  void SetOrientation(TPrinterOrientation value) noexcept { orientation_ = value; }

  // (Re)reads the file: resets the zoom to 30 %, indexes lines and pages, keeps the position
  // where the new file allows it and calls ChangePage. Raises "There is no information for
  // viewing" for a missing file and the file mapper's errors (an empty file cannot be mapped);
  // after a failure the viewer is empty.
  void LoadFile();
  // Unmaps the file and drops lines, pages and fragments.
  void Clear() noexcept;
  bool IsLoaded() const noexcept { return loaded_; }

  // Renames the file on disk (replacing a file of the new name; across file systems it is
  // copied) and reloads it; on failure the old file is reloaded. True when it was renamed.
  bool Rename(const std::string& newName);
  // Lets the user edit the file through the Report_EditFile hook, then reloads it.
  void Edit();
  // nullptr: empty viewer without a file name or OnChangePage. A TFileViewerModel: a copy of
  // its index, position and settings over a new mapping of the same file. Others: inherited.
  void Assign(const TPersistent* source) override;

  // ---- index -----------------------------------------------------------------------------
  std::int64_t LineCount() const noexcept { return static_cast<std::int64_t>(lines_.size()); }
  // Raise EListError for an index out of range.
  const TLine& Lines(std::int64_t index) const;
  // The line's display text: its first Length bytes, a leading "^" dropped.
  std::string_view LineText(std::int64_t index) const;
  int GetPageCount() const noexcept { return static_cast<int>(pages_.size()); }
  const TPage& Pages(int index) const;
  // The first page whose range holds the line, -1 when none does.
  int GetPageNum(std::int64_t line) const noexcept;
  const std::vector<TFragment>& Fragments() const noexcept { return fragments_; }

  // ---- position, pages and zoom ----------------------------------------------------------
  int LeftPos() const noexcept { return left_pos_; }
  std::int64_t TopLine() const noexcept { return top_line_; }
  int HorzStep() const noexcept { return horz_step_; }
  std::int64_t VisibleLines() const noexcept { return visible_lines_; }
  int CurrentPage() const noexcept { return current_page_; }
  double Scale() const noexcept { return scale_; }
  bool FitMode() const noexcept { return fit_mode_; }
  // Whether the control fills its parent (Zoom) rather than a fitted page (FitToPage).
  bool Aligned() const noexcept { return aligned_; }
  // The resolution of the screen canvas's fonts: printer fonts shown at Scale.
  int ScreenPixelsPerInch() const noexcept { return screen_ppi_; }
  int ClientWidth() const noexcept { return client_width_; }
  int ClientHeight() const noexcept { return client_height_; }
  void SetClientSize(int width, int height) noexcept;

  // Goes to page n (clamped to the pages there are): left edge, the page's first line; then
  // ChangePage. Nothing without pages.
  void SetPage(int n);
  // Calls OnChangePage.
  virtual void ChangePage();

  struct TMax {
    std::int64_t X = 0;    // page width - Trunc(client width x Scale)
    std::int64_t Top = 0;  // line count - 2; 0 without lines
  };
  TMax GetMax() const noexcept;
  // Moves to (x, top) clamped to [0, GetMax]; when that changes the position: repaint, and
  // ChangePage when TopLine lies on another page.
  void SetCurrent(std::int64_t x, std::int64_t top);
  void KeyDown(TViewerKey key, bool ctrl);
  void Scroll(TScrollBarKind bar, TScrollCode code, std::int64_t thumbPos);

  // Percent of the printed size (percent below 1 counts as 1).
  void Zoom(int percent);
  // Fits a whole page into an area of width x height; only after Zoom (does nothing when the
  // control is already fitted or the area is empty).
  TFitResult FitToPage(int width, int height);

  // ---- drawing ---------------------------------------------------------------------------
  // Paints the lines from TopLine down to the canvas's clip bottom, red rules at the current
  // page's boundaries; sets VisibleLines.
  void Paint(TCanvas& canvas);
  // Lays out one line: draws its \L and \R sequences at once and adds its text fragments.
  // lineHeight is scaled; xOrigin, topY are device pixels; leftPos is in printer pixels.
  void DrawLine(TCanvas& canvas, int xOrigin, const TLine& line, std::int64_t lineIndex,
                int lineHeight, int leftPos, std::string_view text, int topY);
  // Draws the fragment list sorted by font, switching fonts as rarely as possible.
  void DrawFragments(TCanvas& canvas);
  // Prints pages fromPage..toPage (clamped) at printer resolution, one document, a new page
  // between pages.
  void Print(TPrintCanvas& printer, int fromPage, int toPage);
  // Writes every line, page by page, with its font, to an export target.
  void Export(TExportTarget& target) const;

  TPrinterModel& Printer() const noexcept { return *printer_; }
  void SetPrinter(TPrinterModel* printer) noexcept;

  // Background colour of the control.
  TColor Color = clWhite;
  TNotifyEvent OnChangePage;
  // The view needs repainting; scroll ranges and positions may have changed.
  TNotifyEvent OnInvalidate;

 private:
  void Index(const std::string& name, std::string_view mapped);
  void Invalidate();
  // The printer font becomes the font of (code, size) computed from the default font; the
  // canvas, when given, takes it too.
  void SelectLineFont(int code, int size, TCanvas* canvas);
  void AddFragment(TFragment fragment, TCanvas& canvas, int topY, int lineHeight);

  std::string file_name_;
  TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
  TPrinterModel* printer_;
  std::unique_ptr<TFileMapper> mapper_;
  // The file decoded to UTF-8 when it is in the legacy code page (lines index this instead of
  // the map); shared with copies made by Assign.
  std::shared_ptr<const std::string> decoded_;

  bool loaded_ = false;
  TLineList lines_;
  std::vector<TPage> pages_;
  std::vector<TFragment> fragments_;

  int left_pos_ = 0;
  std::int64_t top_line_ = 0;
  int horz_step_ = 10;
  std::int64_t visible_lines_ = 60;
  int current_page_ = 0;
  double scale_ = 1.0;
  bool fit_mode_ = false;
  bool aligned_ = true;
  int screen_ppi_ = 300;
  int client_width_ = 0;
  int client_height_ = 0;
};

}  // namespace bexlo
