// TFileViewer: the report output viewer widget. A scroll area over a TFileViewerModel: the model
// maps the file (the text is never held in memory), indexes lines and pages with printer
// metrics and lays lines out; the widget paints what the model lays out through a TQtCanvas,
// turns keys, scroll bars and resizes into model calls, and prints through QPrinter.
//
// The screen is a preview of the printed page: positions are printer pixels divided by Scale().
// Zoom(30/50/75/100) shows the page at that share of its printed size; FitToPage shrinks the
// control to a whole page centred in the area given. Red rules mark the current page's top and
// bottom.
//
// Page changes are reported to OnChangePage (std::function, as a component's event) and to the
// Qt signal pageChanged(int). Every failure (a missing, empty or unreadable file; a printer
// error) is raised as a bexlo::Exception with the library's message; the viewer stays usable
// and empty after a failed load.
#pragma once

#include <QAbstractScrollArea>

#include <cstdint>
#include <memory>
#include <string>

#include "output/file_viewer_model.h"
#include "util/object.h"

class QPrinter;

namespace bexlo {

class TPrintCanvas;

class TFileViewer : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TFileViewer(QWidget* parent = nullptr);
  ~TFileViewer() override;

  // The page model under the widget (lines, pages, fragments, position, zoom).
  TFileViewerModel& Model() noexcept;
  const TFileViewerModel& Model() const noexcept;

  // ---- file --------------------------------------------------------------------------------
  // FileName reads as GetFileName: with the application's directory in front of a bare name.
  std::string FileName() const;
  void SetFileName(const std::string& name);
  std::string GetFileName() const;
  TPrinterOrientation Orientation() const noexcept;
  void SetOrientation(TPrinterOrientation orientation) noexcept;

  // (Re)reads FileName: zoom 30 %, lines and pages indexed, scroll bars updated, ChangePage.
  // Raises "There is no information for viewing" for a missing file, the file mapper's error
  // for an empty or unreadable one; the viewer is empty afterwards.
  void LoadFile();
  // Unmaps the file and forgets lines and pages.
  void Clear() noexcept;
  bool IsLoaded() const noexcept;

  // Moves the file to newName (replacing a file of that name) and reloads it; when the move
  // fails the old file is reloaded and false returned.
  bool Rename(const std::string& newName);
  // Unmaps the file, lets the user edit it through the Report_EditFile hook, reloads it.
  void Edit();
  // source null: empty, no file name, page 0, no OnChangePage. Otherwise a copy of the
  // source's index, position, zoom, orientation and OnChangePage over a new mapping of the same
  // file.
  void Assign(const TFileViewer* source);

  // ---- pages and position ------------------------------------------------------------------
  int GetPageCount() const noexcept;
  // The first page whose range holds the line, -1 when none does.
  int GetPageNum(std::int64_t line) const noexcept;
  int CurrentPage() const noexcept;
  // Goes to page n, clamped to the pages there are; nothing when nothing is loaded.
  void SetPage(int n);
  // Called when the current page changes: calls OnChangePage and emits pageChanged.
  virtual void ChangePage();

  int LeftPos() const noexcept;
  std::int64_t TopLine() const noexcept;
  int HorzStep() const noexcept;
  std::int64_t VisibleLines() const noexcept;
  // Moves to (x printer pixels, top line), clamped to what the file and the window allow.
  void SetCurrent(std::int64_t x, std::int64_t top);

  // ---- zoom --------------------------------------------------------------------------------
  double Scale() const noexcept;
  bool FitMode() const noexcept;
  // Percent of the printed size; the widget fills its parent's area again.
  void Zoom(int percent);
  // Fits a whole page into an area of width x height (the parent's client area, usually the
  // size the widget had while zoomed): the widget takes the page's shape, centred in the area.
  // Only after Zoom: a second FitToPage does nothing.
  void FitToPage(int width, int height);

  // ---- output ------------------------------------------------------------------------------
  // Prints pages fromPage..toPage (0-based, clamped) on the library's printer (ReportPrinter(),
  // printing.h): one document, a new page between pages.
  void Print(int fromPage, int toPage);
  // The same on a given printer or print canvas.
  void Print(QPrinter& printer, int fromPage, int toPage);
  void Print(TPrintCanvas& canvas, int fromPage, int toPage);
  // Hands the file to the word processor through the office link (export_link.h); raises a
  // clear error when no office link is installed. Nothing when nothing is loaded.
  void Export();

  // Events, as on the other components: tested before each call. The sender is the model.
  TNotifyEvent OnChangePage;

 signals:
  void pageChanged(int page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool viewportEvent(QEvent* event) override;

 private:
  class Private;
  std::unique_ptr<Private> d;
};

}  // namespace bexlo
