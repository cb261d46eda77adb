// The viewer widget: keys, scroll bars, zoom and fit, page events, painting, file operations
// and failures, driven through Qt events on the offscreen platform.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/export_link.h"
#include "output_widget_test_support.h"
#include "util/exceptions.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "widgets/output/file_viewer.h"

namespace bexlo::test {
namespace {

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

// A report of `pages` pages of 60 lines each, every line naming its page and line.
std::string Report(int pages, const std::string& prefix = "Line") {
  std::string text;
  for (int p = 0; p < pages; ++p) {
    for (int l = 0; l < 60; ++l) {
      if (l == 0 && p > 0) text += '^';
      if (l == 0) text += "\\F0:14";
      if (l == 1) text += "\\F16:10";
      text += prefix + " " + std::to_string(p + 1) + "." + std::to_string(l + 1) + " of the report\r\n";
    }
  }
  return text;
}

class FileViewerWidgetTest : public OutputWidgetTest {
 protected:
  void SetUp() override {
    OutputWidgetTest::SetUp();
    viewer = std::make_unique<TFileViewer>();
    viewer->resize(640, 480);
  }
  void TearDown() override {
    viewer.reset();
    OutputWidgetTest::TearDown();
  }
  void Load(const std::string& text, const std::string& name = "report.prn") {
    viewer->SetFileName(WriteFile(name, text));
    viewer->LoadFile();
  }
  // Paints the viewer offscreen (what a show would do) and returns the picture.
  QImage Paint() { return viewer->viewport()->grab().toImage(); }

  std::unique_ptr<TFileViewer> viewer;
};

TEST_F(FileViewerWidgetTest, KeysMoveAsTheKeysTableSays) {
  Load(Report(5));
  viewer->Zoom(100);  // scale 1: the page is wider than the window, so x can move
  Paint();
  const std::int64_t visible = viewer->VisibleLines();
  ASSERT_GT(visible, 1);
  const auto max = viewer->Model().GetMax();
  ASSERT_GT(max.X, 0);
  const int step = viewer->HorzStep();
  ASSERT_EQ(step, Printer().PageWidth() / 5);

  struct Move {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::int64_t x, top;
  } moves[] = {
      {Qt::Key_Down, Qt::NoModifier, 0, 1},
      {Qt::Key_Down, Qt::ControlModifier, 0, 1},
      {Qt::Key_Up, Qt::NoModifier, 0, 0},
      {Qt::Key_Up, Qt::NoModifier, 0, 0},  // clamped at the top
      {Qt::Key_PageDown, Qt::NoModifier, 0, visible},
      {Qt::Key_PageUp, Qt::NoModifier, 0, 0},
      {Qt::Key_PageDown, Qt::ControlModifier, 0, max.Top},
      {Qt::Key_PageDown, Qt::NoModifier, 0, max.Top},
      {Qt::Key_PageUp, Qt::ControlModifier, 0, 0},
      {Qt::Key_Right, Qt::NoModifier, step / 10, 0},
      {Qt::Key_Right, Qt::ControlModifier, step / 10 + step, 0},
      {Qt::Key_Left, Qt::NoModifier, step, 0},
      {Qt::Key_Home, Qt::NoModifier, 0, 0},
      {Qt::Key_End, Qt::ControlModifier, max.X, 0},
      {Qt::Key_Right, Qt::NoModifier, max.X, 0},  // clamped at the right
      {Qt::Key_End, Qt::NoModifier, 0, 0},
      {Qt::Key_Left, Qt::ControlModifier, 0, 0},
  };
  for (const Move& move : moves) {
    QTest::keyClick(viewer.get(), move.key, move.modifiers);
    EXPECT_EQ(viewer->LeftPos(), move.x) << "key " << move.key << " modifiers " << move.modifiers;
    EXPECT_EQ(viewer->TopLine(), move.top) << "key " << move.key << " modifiers " << move.modifiers;
    // The scroll bars show the position.
    EXPECT_EQ(viewer->horizontalScrollBar()->value(), viewer->LeftPos());
    EXPECT_EQ(viewer->verticalScrollBar()->value(), viewer->TopLine());
  }
  // Other keys are not the viewer's.
  QTest::keyClick(viewer.get(), Qt::Key_A);
  EXPECT_EQ(viewer->TopLine(), 0);
}

TEST_F(FileViewerWidgetTest, ScrollBarsMoveTheModelAndFollowIt) {
  Load(Report(3));
  viewer->Zoom(100);
  Paint();
  QScrollBar* v = viewer->verticalScrollBar();
  QScrollBar* h = viewer->horizontalScrollBar();
  EXPECT_EQ(v->maximum(), viewer->Model().LineCount() - 2);
  EXPECT_EQ(h->maximum(), viewer->Model().GetMax().X);
  EXPECT_EQ(v->pageStep(), viewer->VisibleLines());

  v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(viewer->TopLine(), 1);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(viewer->TopLine(), 1 + viewer->VisibleLines());
  v->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(viewer->TopLine(), 0);
  v->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(viewer->TopLine(), viewer->Model().LineCount() - 2);
  h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(viewer->LeftPos(), viewer->HorzStep() / 10);
  h->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(viewer->LeftPos(), viewer->HorzStep() / 10 + viewer->HorzStep());
  // A bar moved from outside (a wheel, a drag) moves the model.
  v->setValue(70);
  EXPECT_EQ(viewer->TopLine(), 70);
  EXPECT_EQ(viewer->CurrentPage(), 1);
}

TEST_F(FileViewerWidgetTest, ZoomItemsAndFitToPageTwice) {
  Load(Report(2));
  EXPECT_DOUBLE_EQ(viewer->Scale(), 100.0 / 30);  // loading zooms to 30 %
  const QSize area = viewer->viewport()->size();
  for (int percent : {30, 50, 75, 100}) {
    viewer->Zoom(percent);
    EXPECT_DOUBLE_EQ(viewer->Scale(), 100.0 / percent);
    EXPECT_FALSE(viewer->FitMode());
    EXPECT_EQ(viewer->viewport()->size(), area);
  }
  const QPoint origin = viewer->viewport()->geometry().topLeft();
  viewer->FitToPage(area.width(), area.height());
  EXPECT_TRUE(viewer->FitMode());
  if (const char* png = std::getenv("BEXLO_VIEWER_FIT_PNG")) viewer->grab().save(QString::fromLocal8Bit(png));
  // A whole page, centred: the page is taller than wide, so the height fills the area.
  const QSize page = viewer->viewport()->size();
  EXPECT_EQ(page.height(), area.height());
  EXPECT_NEAR(static_cast<double>(page.width()) / page.height(),
              static_cast<double>(Printer().PageWidth()) / Printer().PageHeight(), 0.01);
  EXPECT_EQ(viewer->viewport()->geometry().left(), origin.x() + (area.width() - page.width()) / 2);
  const double fitted = viewer->Scale();
  EXPECT_NEAR(fitted, static_cast<double>(Printer().PageHeight()) / area.height(), 0.01);

  // Twice: nothing more happens.
  viewer->FitToPage(area.width() / 2, area.height() / 2);
  EXPECT_EQ(viewer->Scale(), fitted);
  EXPECT_EQ(viewer->viewport()->size(), page);
  // Zoom aligns the viewer again, and fitting works again.
  viewer->Zoom(50);
  EXPECT_EQ(viewer->viewport()->size(), area);
  EXPECT_EQ(viewer->viewport()->geometry().topLeft(), origin);
  viewer->FitToPage(area.width() / 2, area.height() / 2);
  EXPECT_TRUE(viewer->FitMode());
  EXPECT_LT(viewer->viewport()->height(), area.height());
  // Loading resets to 30 %.
  viewer->LoadFile();
  EXPECT_FALSE(viewer->FitMode());
  EXPECT_DOUBLE_EQ(viewer->Scale(), 100.0 / 30);
}

TEST_F(FileViewerWidgetTest, PageChangesReachTheEventAndTheSignal) {
  int events = 0;
  viewer->OnChangePage = [&](TObject*) { ++events; };
  QSignalSpy spy(viewer.get(), &TFileViewer::pageChanged);
  Load(Report(4));
  EXPECT_EQ(events, 1);  // loading reports the page
  viewer->SetPage(2);
  EXPECT_EQ(viewer->CurrentPage(), 2);
  EXPECT_EQ(viewer->TopLine(), 120);
  viewer->SetPage(99);  // clamped
  EXPECT_EQ(viewer->CurrentPage(), 3);
  viewer->SetPage(-1);
  EXPECT_EQ(viewer->CurrentPage(), 0);
  ASSERT_GE(spy.count(), 4);
  EXPECT_EQ(spy.last().at(0).toInt(), 0);
  // Scrolling onto another page reports it too.
  Paint();
  const int before = events;
  for (int i = 0; i < 60; ++i) QTest::keyClick(viewer.get(), Qt::Key_Down);
  EXPECT_EQ(viewer->CurrentPage(), 1);
  EXPECT_EQ(events, before + 1);
  EXPECT_EQ(spy.last().at(0).toInt(), 1);
}

TEST_F(FileViewerWidgetTest, PaintsTextAndRedPageRules) {
  Load(Report(2));
  viewer->Zoom(50);
  QImage image = Paint();
  if (const char* png = std::getenv("BEXLO_VIEWER_PNG")) image.save(QString::fromLocal8Bit(png));
  // The current page's first line has a red rule at its top, across the window.
  EXPECT_EQ(image.pixelColor(5, 0), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(image.width() - 5, 0), QColor(Qt::red));
  // Dark text in the first line, white past its end.
  int dark = 0;
  const int lineHeight = viewer->Model().Lines(0).Height / 2;
  for (int y = 1; y < lineHeight; ++y) {
    for (int x = 0; x < 200; ++x) dark += image.pixelColor(x, y).lightness() < 100;
  }
  EXPECT_GT(dark, 50);
  EXPECT_EQ(image.pixelColor(image.width() - 5, lineHeight / 2), QColor(Qt::white));
  // The next page's first line gets the rule when it is the current page.
  viewer->SetPage(1);
  image = Paint();
  EXPECT_EQ(image.pixelColor(5, 0), QColor(Qt::red));
}

TEST_F(FileViewerWidgetTest, MissingEmptyAndUnreadableFilesGiveTheirErrors) {
  viewer->SetFileName(Path("missing.prn"));
  EXPECT_EQ(MessageOf([&] { viewer->LoadFile(); }), msg::SQoNoViewInfo);
  EXPECT_FALSE(viewer->IsLoaded());
  Paint();  // an empty viewer paints its background

  viewer->SetFileName(WriteFile("empty.prn", ""));
  EXPECT_EQ(MessageOf([&] { viewer->LoadFile(); }), msg::SFileMapMapError);
  EXPECT_EQ(viewer->GetPageCount(), 0);

  viewer->SetFileName(dir_.string());  // a directory is no output file
  EXPECT_EQ(MessageOf([&] { viewer->LoadFile(); }), msg::SQoNoViewInfo);

  if (::geteuid() != 0) {  // root reads any file
    const std::string locked = WriteFile("locked.prn", "text\r\n");
    ::chmod(locked.c_str(), 0);
    viewer->SetFileName(locked);
    EXPECT_FALSE(MessageOf([&] { viewer->LoadFile(); }).empty());
    EXPECT_FALSE(viewer->IsLoaded());
  }
  // Keys and scroll bars on an empty viewer do nothing.
  QTest::keyClick(viewer.get(), Qt::Key_PageDown);
  viewer->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  viewer->SetPage(3);
  EXPECT_EQ(viewer->TopLine(), 0);
  Paint();
  // And a good file loads after all that.
  Load(Report(1));
  EXPECT_EQ(viewer->GetPageCount(), 1);
}

TEST_F(FileViewerWidgetTest, ReportRewrittenUnderAnOpenViewer) {
  Load(Report(3, "Old"));
  viewer->SetPage(2);
  Paint();
  // The report run writes its output beside the file and renames it into place: the viewer's
  // mapping keeps the old file, which it goes on painting until it reloads.
  const std::string name = viewer->GetFileName();
  {
    std::ofstream(name + ".new", std::ios::binary) << Report(1, "New");
  }
  std::filesystem::rename(name + ".new", name);
  QImage image = Paint();
  EXPECT_EQ(viewer->GetPageCount(), 3);
  EXPECT_EQ(viewer->Model().LineText(120), "\\F0:14Old 3.1 of the report");
  viewer->LoadFile();
  EXPECT_EQ(viewer->GetPageCount(), 1);
  EXPECT_EQ(viewer->Model().LineText(0), "\\F0:14New 1.1 of the report");
  EXPECT_EQ(viewer->CurrentPage(), 0);
  Paint();
}

TEST_F(FileViewerWidgetTest, RenameMovesTheFileAndReloads) {
  Load(Report(2));
  const std::string old = viewer->GetFileName();
  EXPECT_TRUE(viewer->Rename(Path("kept.prn")));
  EXPECT_EQ(viewer->GetFileName(), Path("kept.prn"));
  EXPECT_FALSE(std::filesystem::exists(old));
  EXPECT_TRUE(viewer->IsLoaded());
  EXPECT_EQ(viewer->GetPageCount(), 2);
  // Over an existing file: replaced.
  WriteFile("other.prn", "other\r\n");
  EXPECT_TRUE(viewer->Rename(Path("other.prn")));
  EXPECT_EQ(viewer->GetPageCount(), 2);
  // Into a directory that does not exist: the old file stays and is shown again.
  EXPECT_FALSE(viewer->Rename(Path("no/such/dir.prn")));
  EXPECT_EQ(viewer->GetFileName(), Path("other.prn"));
  EXPECT_TRUE(viewer->IsLoaded());
  EXPECT_EQ(viewer->GetPageCount(), 2);
  Paint();
}

bool AppendEdit(const std::string& fileName) {
  std::ofstream(fileName, std::ios::binary | std::ios::app) << "^edited page\r\nlast line\r\n";
  return true;
}

TEST_F(FileViewerWidgetTest, EditGoesThroughTheHookAndReloads) {
  Load(Report(1));
  Report_EditFile = AppendEdit;
  viewer->Edit();
  ResetHook(THook::Report_EditFile);
  EXPECT_EQ(viewer->GetPageCount(), 2);
  EXPECT_EQ(viewer->Model().LineText(60), "edited page");
}

struct TRecordedExport : TExportTarget {
  static inline std::vector<std::string>* lines = nullptr;
  void SetPrinterOrientation(TPrinterOrientation) override {}
  void SetFont(int, int) override {}
  void InsertLine(std::string_view text, int, int) override { lines->emplace_back(text); }
  void NewPage() override { lines->emplace_back("<page>"); }
};

TEST_F(FileViewerWidgetTest, ExportNeedsTheOfficeLink) {
  Load(Report(2));
  const TCreateWordExportFunc installed = CreateWordExport;
  CreateWordExport = nullptr;
  EXPECT_EQ(MessageOf([&] { viewer->Export(); }), msg::SQoNoOfficeLink);

  std::vector<std::string> lines;
  TRecordedExport::lines = &lines;
  CreateWordExport = [](const TFileViewerModel&) { return std::unique_ptr<TExportTarget>(new TRecordedExport); };
  viewer->Export();
  CreateWordExport = installed;
  ASSERT_EQ(lines.size(), 121u);
  EXPECT_EQ(lines[60], "<page>");
  EXPECT_EQ(lines[61], "\\F0:14Line 2.1 of the report");
}

TEST_F(FileViewerWidgetTest, AssignCopiesPagesPositionAndEvents) {
  Load(Report(3));
  int events = 0;
  viewer->OnChangePage = [&](TObject*) { ++events; };
  viewer->Zoom(75);
  viewer->SetPage(2);
  TFileViewer copy;
  copy.resize(640, 480);
  copy.Assign(viewer.get());
  EXPECT_EQ(copy.GetPageCount(), 3);
  EXPECT_EQ(copy.CurrentPage(), 2);
  EXPECT_EQ(copy.TopLine(), 120);
  EXPECT_DOUBLE_EQ(copy.Scale(), 100.0 / 75);
  const int before = events;
  copy.SetPage(0);
  EXPECT_EQ(events, before + 1);  // the copy's page events go to the same handler
  EXPECT_EQ(viewer->CurrentPage(), 2);
  copy.grab();
  copy.Assign(nullptr);
  EXPECT_FALSE(copy.IsLoaded());
  EXPECT_EQ(copy.FileName(), "");
}

}  // namespace
}  // namespace bexlo::test
