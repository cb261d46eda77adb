#include "output/report_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "util/exceptions.h"
#include "util/settings.h"

namespace bexlo {

namespace {

std::mutex& ThreadsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::condition_variable& ThreadsGone() {
  static std::condition_variable gone;
  return gone;
}

// Below normal priority: a background print must not slow the user's work down.
void LowerPriority() noexcept {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, tid);
  if (errno == 0) ::setpriority(PRIO_PROCESS, tid, std::min(nice + 5, 19));
}

}  // namespace

void TReportThread::Start(const TFileViewerModel& viewer, int first, int last, int copies,
                          bool copyMode, std::unique_ptr<TBackgroundPrinter> printer,
                          TErrorEvent onError) {
  auto* thread = new TReportThread(viewer, first, last, copies, copyMode, std::move(printer),
                                   std::move(onError));
  try {
    std::thread([thread] {
      LowerPriority();
      thread->Execute();
      delete thread;
    }).detach();
  } catch (...) {
    delete thread;
    throw;
  }
}

TReportThread::TReportThread(const TFileViewerModel& viewer, int first, int last, int copies,
                             bool copyMode, std::unique_ptr<TBackgroundPrinter> printer,
                             TErrorEvent onError)
    : printer_model_(viewer.Printer()),
      first_(first),
      last_(last),
      copies_(copies),
      copy_mode_(copyMode),
      printer_(std::move(printer)),
      on_error_(std::move(onError)) {
  // Measured with a printer model of its own: the thread never touches the shared one.
  viewer_.SetPrinter(&printer_model_);
  viewer_.Assign(&viewer);
  viewer_.OnChangePage = nullptr;
  viewer_.OnInvalidate = nullptr;
  std::lock_guard lock(ThreadsMutex());
  ++ReportThreadCount;
}

TReportThread::~TReportThread() {
  viewer_.Clear();
  printer_.reset();
  std::lock_guard lock(ThreadsMutex());
  --ReportThreadCount;
  ThreadsGone().notify_all();
}

void TReportThread::Execute() {
  try {
    if (copy_mode_) {
      printer_->SetCopies(1);
      printer_->BeginJob();
      try {
        for (int i = 0; i < copies_; ++i) viewer_.Print(printer_->Canvas(), first_, last_);
      } catch (...) {
        printer_->EndJob();
        throw;
      }
      printer_->EndJob();
    } else {
      const int saved = printer_->Copies();
      printer_->SetCopies(copies_);
      try {
        viewer_.Print(printer_->Canvas(), first_, last_);
      } catch (...) {
        printer_->SetCopies(saved);
        throw;
      }
      printer_->SetCopies(saved);
    }
  } catch (const std::exception& e) {
    if (on_error_) on_error_(e.what());
  } catch (...) {
    if (on_error_) on_error_("unknown error");
  }
}

void WaitForReportThreads() {
  std::unique_lock lock(ThreadsMutex());
  ThreadsGone().wait(lock, [] { return ReportThreadCount.load() == 0; });
}

}  // namespace bexlo
