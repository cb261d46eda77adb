// TReportThread: prints pages of a laid-out output in the background, one thread at a time.
//
// Created on the main thread from a viewer: it takes its own copy of the viewer's lines and
// pages (over a new mapping of the same file) and its own copy of the printer model, so the
// thread shares nothing with the viewer, which the user may go on scrolling, zooming or
// closing. The printer it prints on (a TBackgroundPrinter) is made by the caller on the main
// thread and from then on used by the thread alone.
//
// ReportThreadCount counts the living threads: one more when a thread is created, one less when
// it has finished and is gone. The preview refuses to print while it is above 0 ("Printer is
// busy. Repeat print later"). The thread frees itself when it has printed; a failure is passed
// to OnError on the thread (the widget library shows it on the main thread).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "output/canvas.h"
#include "output/file_viewer_model.h"
#include "output/printer_model.h"

namespace bexlo {

// What a background print prints on: a print canvas whose device can make copies itself, and
// a print job that may hold several passes over the pages.
class TBackgroundPrinter {
 public:
  virtual ~TBackgroundPrinter() = default;
  virtual TPrintCanvas& Canvas() = 0;
  // The device's own copy count.
  virtual int Copies() const = 0;
  virtual void SetCopies(int copies) = 0;
  // A print job around several documents (each one after the first on a new page); by default
  // every document is its own job.
  virtual void BeginJob() {}
  virtual void EndJob() {}
};

class TReportThread {
 public:
  using TErrorEvent = std::function<void(const std::string& message)>;

  // Starts printing pages first..last of `viewer` on `printer`: with copyMode, the range
  // `copies` times with the device's copy count at 1; otherwise once with the device's copy
  // count set to `copies` (and put back afterwards). Returns at once; the thread owns itself.
  // Raises the failures of copying the viewer (its file gone) before any thread starts.
  static void Start(const TFileViewerModel& viewer, int first, int last, int copies, bool copyMode,
                    std::unique_ptr<TBackgroundPrinter> printer, TErrorEvent onError = {});

  TReportThread(const TReportThread&) = delete;
  TReportThread& operator=(const TReportThread&) = delete;

 private:
  TReportThread(const TFileViewerModel& viewer, int first, int last, int copies, bool copyMode,
                std::unique_ptr<TBackgroundPrinter> printer, TErrorEvent onError);
  ~TReportThread();
  void Execute();

  TPrinterModel printer_model_;
  TFileViewerModel viewer_;
  int first_;
  int last_;
  int copies_;
  bool copy_mode_;
  std::unique_ptr<TBackgroundPrinter> printer_;
  TErrorEvent on_error_;
};

// Waits until no background print thread is left (for a host that quits, and for tests).
void WaitForReportThreads();

}  // namespace bexlo
