// The background print thread: its own copy of the pages, copies and copy mode, the thread
// count, failures, and a viewer that goes on working (or goes away) while the thread prints.
// CI runs this program under ThreadSanitizer (make tsan).
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "output/file_viewer_model.h"
#include "output/recording_canvas.h"
#include "output/report_thread.h"
#include "util/exceptions.h"
#include "util/settings.h"

namespace bexlo::test {
namespace {

// A gate the test opens to let a blocked thread go on.
class TGate {
 public:
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }
  // Waits until the thread has arrived at the gate.
  void WaitArrived() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return arrived_; });
  }
  void Arrive() {
    std::lock_guard lock(mutex_);
    arrived_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  bool arrived_ = false;
};

// What the thread printed, read by the test after WaitForReportThreads.
struct TPrintLog {
  std::vector<TCanvasOp> Ops;
  std::vector<int> CopyCounts;  // the device's copy count at each BeginDoc
  int FinalCopies = 0;
  int Jobs = 0;
};

class TGatedCanvas : public TRecordingCanvas {
 public:
  TGatedCanvas(TGate* gate, bool fail, const int* copies, TPrintLog* log)
      : gate_(gate), fail_(fail), copies_(copies), log_(log) {}
  void BeginDoc() override {
    if (gate_ != nullptr) {
      gate_->Arrive();
      gate_->Wait();
      gate_ = nullptr;
    }
    if (fail_) throw EInOutError("the printer is out of paper");
    log_->CopyCounts.push_back(*copies_);
    TRecordingCanvas::BeginDoc();
  }

 private:
  TGate* gate_;
  bool fail_;
  const int* copies_;
  TPrintLog* log_;
};

class TTestPrinter : public TBackgroundPrinter {
 public:
  TTestPrinter(TPrintLog* log, TGate* gate = nullptr, bool fail = false, int copies = 1)
      : copies_(copies), log_(log), canvas_(gate, fail, &copies_, log) {}
  ~TTestPrinter() override {
    log_->Ops = canvas_.Ops;
    log_->FinalCopies = copies_;
  }
  TPrintCanvas& Canvas() override { return canvas_; }
  int Copies() const override { return copies_; }
  void SetCopies(int copies) override { copies_ = copies; }
  void BeginJob() override { ++log_->Jobs; }

 private:
  int copies_;
  TPrintLog* log_;
  TGatedCanvas canvas_;
};

class ReportThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PrinterDPI = 0;
    path_ = (std::filesystem::temp_directory_path() /
             ("bexlo_thread_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".prn"))
                .string();
    std::ofstream out(path_, std::ios::binary);
    // Fonts change on every page: laying a page out changes the measuring printer's font.
    for (int p = 1; p <= 4; ++p) out << (p > 1 ? "^" : "") << "\\F0:14Page " << p << "\r\n\\F33:9body\r\n";
    out << "end\r\n";
    out.close();
    viewer_.SetFileName(path_);
    viewer_.LoadFile();
    ASSERT_EQ(viewer_.GetPageCount(), 4);
  }
  void TearDown() override {
    WaitForReportThreads();
    std::filesystem::remove(path_);
  }
  static std::vector<std::string> Pages(const TPrintLog& log) {
    std::vector<std::string> pages;
    for (const TCanvasOp& op : log.Ops) {
      if (op.Kind == TCanvasOp::okText && op.Text.rfind("Page ", 0) == 0) pages.push_back(op.Text);
    }
    return pages;
  }

  std::string path_;
  TFileViewerModel viewer_;
};

TEST_F(ReportThreadTest, CopyModePrintsTheRangeOncePerCopy) {
  TPrintLog log;
  TReportThread::Start(viewer_, 1, 2, 3, true, std::make_unique<TTestPrinter>(&log, nullptr, false, 5));
  WaitForReportThreads();
  EXPECT_EQ(ReportThreadCount.load(), 0);
  EXPECT_EQ(Pages(log), (std::vector<std::string>{"Page 2", "Page 3", "Page 2", "Page 3", "Page 2", "Page 3"}));
  EXPECT_EQ(log.CopyCounts, (std::vector<int>{1, 1, 1}));  // the device makes no copies itself
  EXPECT_EQ(log.Jobs, 1);  // one job around the passes
}

TEST_F(ReportThreadTest, WithoutCopyModeTheDeviceMakesTheCopies) {
  TPrintLog log;
  TReportThread::Start(viewer_, 0, 99, 3, false, std::make_unique<TTestPrinter>(&log, nullptr, false, 2));
  WaitForReportThreads();
  EXPECT_EQ(Pages(log), (std::vector<std::string>{"Page 1", "Page 2", "Page 3", "Page 4"}));
  EXPECT_EQ(log.CopyCounts, (std::vector<int>{3}));
  EXPECT_EQ(log.FinalCopies, 2);  // put back
}

TEST_F(ReportThreadTest, TheViewerGoesOnWhileTheThreadPrintsItsOwnCopy) {
  TGate gate;
  TPrintLog log;
  TReportThread::Start(viewer_, 0, 3, 1, true, std::make_unique<TTestPrinter>(&log, &gate));
  gate.WaitArrived();
  EXPECT_EQ(ReportThreadCount.load(), 1);  // busy while it prints
  gate.Open();

  // While the thread lays out and prints its pages, the viewer scrolls, paints, prints in the
  // foreground, zooms, reloads and unloads. Nothing orders these steps against the thread's,
  // so ThreadSanitizer reports any state the two share (the printer model, fonts, the index).
  viewer_.SetPage(3);
  TRecordingCanvas screen;
  screen.Clip = {0, 0, 800, 600};
  viewer_.Paint(screen);
  TRecordingCanvas foreground;
  viewer_.Print(foreground, 0, 3);
  viewer_.Zoom(75);
  viewer_.LoadFile();
  viewer_.Paint(screen);
  viewer_.Clear();

  WaitForReportThreads();
  EXPECT_EQ(ReportThreadCount.load(), 0);
  EXPECT_EQ(Pages(log), (std::vector<std::string>{"Page 1", "Page 2", "Page 3", "Page 4"}));
}

TEST_F(ReportThreadTest, FailuresReachTheErrorEventAndTheCountDrops) {
  std::mutex mutex;
  std::string error;
  TPrintLog log;
  TReportThread::Start(viewer_, 0, 3, 2, true, std::make_unique<TTestPrinter>(&log, nullptr, true),
                       [&](const std::string& message) {
                         std::lock_guard lock(mutex);
                         error = message;
                       });
  WaitForReportThreads();
  std::lock_guard lock(mutex);
  EXPECT_EQ(error, "the printer is out of paper");
  EXPECT_EQ(ReportThreadCount.load(), 0);
  EXPECT_TRUE(Pages(log).empty());
}

TEST_F(ReportThreadTest, AViewerWhoseFileIsGoneStartsNoThread) {
  TFileViewerModel empty;
  TPrintLog log;
  // Nothing loaded: the thread prints nothing and ends.
  TReportThread::Start(empty, 0, 3, 1, true, std::make_unique<TTestPrinter>(&log));
  WaitForReportThreads();
  EXPECT_TRUE(log.Ops.empty());
  EXPECT_EQ(ReportThreadCount.load(), 0);
}

}  // namespace
}  // namespace bexlo::test
