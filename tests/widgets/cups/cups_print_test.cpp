// Printing a report through a real CUPS queue. main() starts a private scheduler with the queue
// "bexlo-test" (scripts/cups-test-daemon) and points libcups at it before Qt asks for printers;
// each test prints through QPrinter and reads back the job file the queue's backend wrote.
// Where cupsd cannot run, every test reports itself skipped with the reason.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrinter>
#include <QProcess>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "output/file_viewer_model.h"
#include "output/report_thread.h"
#include "output/output_widget_test_support.h"
#include "util/settings.h"
#include "widgets/output/printing.h"
#include "widgets/platform/init_widgets.h"

namespace {

namespace fs = std::filesystem;

std::string g_dir;       // the scheduler's directory
std::string g_queue;     // the queue's name, empty when the scheduler did not start
std::string g_failure;   // why it did not

std::string Daemon(const std::string& command) {
  return std::string(BEXLO_SCRIPTS_DIR) + "/cups-test-daemon " + command + " '" + g_dir + "'";
}

void StartScheduler() {
  g_dir = (fs::temp_directory_path() / ("bexlo-cups." + std::to_string(::getpid()))).string();
  const std::string command = Daemon("start") + " 2>&1";
  std::FILE* out = ::popen(command.c_str(), "r");
  std::string text;
  char buffer[512];
  while (out != nullptr && std::fgets(buffer, sizeof buffer, out) != nullptr) text += buffer;
  const int status = out != nullptr ? ::pclose(out) : -1;
  if (status != 0) {
    g_failure = "cupsd could not be started: " + text;
    return;
  }
  const std::size_t newline = text.find('\n');
  const std::string socket = text.substr(0, newline);
  g_queue = text.substr(newline + 1);
  while (!g_queue.empty() && (g_queue.back() == '\n' || g_queue.back() == '\r')) g_queue.pop_back();
  ::setenv("CUPS_SERVER", socket.c_str(), 1);
}

void StopScheduler() {
  if (!g_dir.empty() && fs::exists(g_dir)) std::system(Daemon("stop").c_str());
}

class CupsPrintTest : public bexlo::test::OutputWidgetTest {
 protected:
  void SetUp() override {
    OutputWidgetTest::SetUp();
    if (g_queue.empty()) GTEST_SKIP() << g_failure;
    std::string text;
    for (int p = 1; p <= 3; ++p) {
      text += (p > 1 ? "^" : "") + std::string("\\F0:14Printed page ") + std::to_string(p) + "\r\n";
      text += "\\F16:10through the bexlo test queue\r\n";
    }
    viewer.SetFileName(WriteFile("cups.prn", text + "end\r\n"));
    viewer.LoadFile();
  }

  // Waits for the queue to be empty and returns the newest job file.
  std::string LastJob() {
    EXPECT_EQ(std::system(Daemon("wait").c_str()), 0);
    std::string newest;
    int best = 0;
    for (const auto& entry : fs::directory_iterator(g_dir + "/out")) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("job-", 0) != 0 || name.find(".part") != std::string::npos) continue;
      const int id = std::stoi(name.substr(4));
      if (id > best) {
        best = id;
        newest = entry.path().string();
      }
    }
    return newest;
  }

  bexlo::TFileViewerModel viewer;
};

TEST_F(CupsPrintTest, AReportPrintedThroughTheQueueArrivesWhole) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPrinterName(QString::fromStdString(g_queue));
  ASSERT_TRUE(printer.isValid()) << "Qt does not see the queue " << g_queue;
  ASSERT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
  printer.setDocName("bexlo cups test");
  bexlo::PrintPages(printer, viewer, 0, 2, true, 1);
  const std::string job = LastJob();
  ASSERT_FALSE(job.empty()) << "CUPS wrote no job file";
  EXPECT_EQ(bexlo::test::PdfPageCount(job), 3);
  const std::vector<std::string> pages = bexlo::test::PdfPageTexts(job);
  ASSERT_EQ(pages.size(), 3u);
  for (int p = 0; p < 3; ++p) {
    EXPECT_NE(pages[static_cast<std::size_t>(p)].find("Printed page " + std::to_string(p + 1)), std::string::npos);
    EXPECT_NE(pages[static_cast<std::size_t>(p)].find("through the bexlo test queue"), std::string::npos);
  }
}

TEST_F(CupsPrintTest, BackgroundPrintOfCollatedCopiesIsOneJob) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPrinterName(QString::fromStdString(g_queue));
  bexlo::ShadowPrint = true;
  bexlo::PrintPages(printer, viewer, 1, 2, true, 2);
  bexlo::WaitForReportThreads();
  const std::string job = LastJob();
  ASSERT_FALSE(job.empty()) << "CUPS wrote no job file";
  const std::vector<std::string> pages = bexlo::test::PdfPageTexts(job);
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_NE(pages[0].find("Printed page 2"), std::string::npos);
  EXPECT_NE(pages[1].find("Printed page 3"), std::string::npos);
  EXPECT_NE(pages[2].find("Printed page 2"), std::string::npos);
  EXPECT_NE(pages[3].find("Printed page 3"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Listing the tests starts no scheduler.
  const bool listing = ::testing::GTEST_FLAG(list_tests);
  if (!listing) StartScheduler();
  int result = 0;
  {
    QApplication app(argc, argv);
    bexlo::InitWidgets();
    result = RUN_ALL_TESTS();
    bexlo::WaitForReportThreads();
  }
  if (!listing) StopScheduler();
  return result;
}
