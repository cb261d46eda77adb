#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "output/file_viewer_model.h"
#include "output/recording_canvas.h"
#include "output_test_support.h"
#include "util/exceptions.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/settings.h"

namespace bexlo {
namespace {

class FileViewerTest : public test::OutputTest {
 protected:
  // Loads `bytes` as the file "out.prn".
  void Load(std::string_view bytes) {
    viewer.SetFileName(WriteFile("out.prn", bytes));
    viewer.LoadFile();
  }

  // Paints on a recording canvas and returns the text calls.
  std::vector<TCanvasOp> PaintTexts(int clipRight = 100000, int clipBottom = 100000) {
    canvas = TRecordingCanvas();
    canvas.Clip = {0, 0, clipRight, clipBottom};
    viewer.Paint(canvas);
    return canvas.Texts();
  }

  std::string Repeat(char c, int n) { return std::string(static_cast<std::size_t>(n), c); }

  TFileViewerModel viewer;
  TRecordingCanvas canvas;
};

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

TEST_F(FileViewerTest, LoadFailuresLeaveTheViewerEmpty) {
  viewer.SetFileName((dir_ / "missing.prn").string());
  EXPECT_EQ(MessageOf([&] { viewer.LoadFile(); }), msg::SQoNoViewInfo);
  EXPECT_FALSE(viewer.IsLoaded());
  EXPECT_EQ(viewer.GetPageCount(), 0);

  Load("x\r\n");
  EXPECT_TRUE(viewer.IsLoaded());
  viewer.SetFileName(WriteFile("empty.prn", ""));
  EXPECT_EQ(MessageOf([&] { viewer.LoadFile(); }), msg::SFileMapMapError);
  EXPECT_FALSE(viewer.IsLoaded());
  EXPECT_EQ(viewer.LineCount(), 0);
  PaintTexts();  // painting an empty viewer only fills the background
  EXPECT_EQ(canvas.Ops.size(), 1u);
}

TEST_F(FileViewerTest, IndexesFontsFlagsIndentsAndSizes) {
  Load("Title\r\n"
       "\\F16:12\r\n"
       "^^next\r\n"
       "\\PB10:5one two three\r\n"
       "four five\r\n"
       "six\\PE\r\n"
       "after\r\n"
       "\\PE lone\r\n"
       "end");
  ASSERT_EQ(viewer.LineCount(), 9);
  struct Expected {
    std::int64_t start;
    int length, code, size, height, width, flags, left, right;
  };
  // Courier New 10 pt is 48 px high, 12 pt 57 px high and 30 px a character.
  const Expected expected[] = {
      {0, 5, 255, 0, 48, 0, 0, 0, 0},     {7, 7, 255, 0, 0, 0, 0, 0, 0},
      {16, 6, 16, 12, 57, 0, 1, 0, 0},    {24, 20, 16, 12, 57, 390, 2, 118, 59},
      {46, 9, 16, 12, 57, 270, 2, 118, 59}, {57, 6, 16, 12, 57, 90, 6, 118, 59},
      {65, 5, 16, 12, 57, 0, 0, 0, 0},      {72, 8, 16, 12, 57, 0, 4, 0, 0},
      {82, 3, 16, 12, 57, 0, 0, 0, 0},
  };
  for (int i = 0; i < 9; ++i) {
    const TLine& line = viewer.Lines(i);
    const Expected& e = expected[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(line.Start, e.start);
    EXPECT_EQ(line.Length, e.length);
    EXPECT_EQ(line.FontCode, e.code);
    EXPECT_EQ(line.FontSize, e.size);
    EXPECT_EQ(line.Height, e.height);
    EXPECT_EQ(line.Width, e.width);
    EXPECT_EQ(line.Flags, e.flags);
    EXPECT_EQ(line.LeftIndent, e.left);
    EXPECT_EQ(line.RightIndent, e.right);
  }
  EXPECT_EQ(viewer.LineText(2), "^next");  // one mark dropped, the second one is text
  EXPECT_EQ(viewer.LineText(8), "end");
  ASSERT_EQ(viewer.GetPageCount(), 2);  // the marked line opens the second page
  EXPECT_EQ(viewer.Pages(1), (TPage{2, 8}));
}

TEST_F(FileViewerTest, LongLinesAreCutForDisplayButMeasuredWhole) {
  std::string line = "a";
  for (int i = 0; i < 1500; ++i) line += "\xD0\x96";
  Load(line + "\\F1:20\r\nx\r\n");
  EXPECT_EQ(viewer.Lines(0).Length, 1999);
  EXPECT_EQ(viewer.Lines(1).FontSize, 20);  // the sequence past the cut still counts
}

TEST_F(FileViewerTest, PagesByHeightAndByMark) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += (i == 80 ? "^x\r\n" : "x\r\n");
  Load(text);
  // 70 lines of 48 px fill less than 3390 px, the 71st reaches it.
  ASSERT_EQ(viewer.GetPageCount(), 3);
  EXPECT_EQ(viewer.Pages(0), (TPage{0, 69}));
  EXPECT_EQ(viewer.Pages(1), (TPage{70, 79}));
  EXPECT_EQ(viewer.Pages(2), (TPage{80, 99}));
  EXPECT_EQ(viewer.GetPageNum(75), 1);
  EXPECT_EQ(viewer.GetPageNum(100), -1);
}

TEST_F(FileViewerTest, PageNavigationAndChangePage) {
  Load("p1\r\n^p2\r\n^p3\r\nend\r\n");
  int changes = 0;
  viewer.OnChangePage = [&](TObject* sender) {
    EXPECT_EQ(sender, &viewer);
    ++changes;
  };
  viewer.SetPage(7);
  EXPECT_EQ(viewer.CurrentPage(), 2);
  EXPECT_EQ(viewer.TopLine(), 2);
  EXPECT_EQ(changes, 1);
  viewer.SetPage(-3);
  EXPECT_EQ(viewer.CurrentPage(), 0);

  viewer.SetCurrent(0, 1);  // onto page 1
  EXPECT_EQ(viewer.CurrentPage(), 1);
  EXPECT_EQ(changes, 3);
  viewer.SetCurrent(0, 1);  // no move, no call
  EXPECT_EQ(changes, 3);
  viewer.SetCurrent(0, 99);  // the last top line is line count - 2
  EXPECT_EQ(viewer.TopLine(), 2);
  viewer.KeyDown(TViewerKey::vkPageUp, true);
  EXPECT_EQ(viewer.TopLine(), 0);
  viewer.Scroll(TScrollBarKind::sbVertical, TScrollCode::scLineDown, 0);
  EXPECT_EQ(viewer.TopLine(), 1);
  viewer.Scroll(TScrollBarKind::sbHorizontal, TScrollCode::scPageDown, 0);
  EXPECT_EQ(viewer.LeftPos(), 472);  // HorzStep: page width div 5
}

TEST_F(FileViewerTest, OneLineFileAndHorizontalLimits) {
  Load("only");
  EXPECT_EQ(viewer.GetMax().Top, -1);
  viewer.SetCurrent(5000, 10);
  EXPECT_EQ(viewer.TopLine(), 0);
  EXPECT_EQ(viewer.LeftPos(), 2362);  // no client area yet: the page width
  viewer.SetClientSize(800, 600);      // 800 px at 30 % cover 2666 printer pixels
  EXPECT_EQ(viewer.GetMax().X, 2362 - 2666);
  viewer.SetCurrent(5000, 0);
  EXPECT_EQ(viewer.LeftPos(), 0);
  EXPECT_EQ(viewer.GetPageCount(), 1);
}

TEST_F(FileViewerTest, ZoomAndFitToPage) {
  Load("x\r\n");
  EXPECT_DOUBLE_EQ(viewer.Scale(), 10.0 / 3.0);  // loading resets the zoom to 30 %
  EXPECT_EQ(viewer.ScreenPixelsPerInch(), 90);
  viewer.Zoom(100);
  EXPECT_DOUBLE_EQ(viewer.Scale(), 1.0);
  TFitResult fit = viewer.FitToPage(600, 800);
  ASSERT_TRUE(fit.Done);
  EXPECT_EQ(fit.ClientWidth, 557);  // 2362 / (3390 / 800)
  EXPECT_EQ(fit.ClientHeight, 800);
  EXPECT_EQ(fit.Left, 21);
  EXPECT_EQ(fit.Top, 0);
  EXPECT_TRUE(viewer.FitMode());
  EXPECT_DOUBLE_EQ(viewer.Scale(), 2362.0 / 557.0);
  EXPECT_EQ(viewer.ScreenPixelsPerInch(), 71);
  EXPECT_FALSE(viewer.FitToPage(600, 800).Done);  // until Zoom aligns the control again
  viewer.Zoom(50);
  EXPECT_FALSE(viewer.FitMode());
  fit = viewer.FitToPage(300, 1000);  // a narrow area: the width limits
  EXPECT_EQ(fit.ClientWidth, 300);
  EXPECT_EQ(fit.ClientHeight, 431);
  EXPECT_EQ(fit.Top, 284);
  viewer.LoadFile();
  EXPECT_FALSE(viewer.FitMode());
  EXPECT_DOUBLE_EQ(viewer.Scale(), 10.0 / 3.0);
}

TEST_F(FileViewerTest, PaintWalksLinesAndMarksThePage) {
  Load("AB\r\nCD\r\n");
  std::vector<TCanvasOp> texts = PaintTexts(500, 400);
  EXPECT_EQ(canvas.Ops.front().Kind, TCanvasOp::okFillRect);
  EXPECT_EQ(canvas.Ops.front().Color, clWhite);
  ASSERT_EQ(texts.size(), 2u);
  // 30 %: lines 14 px high (48 / 3.33), the screen font 15 px high at 90 px/in.
  EXPECT_EQ(texts[0].Text, "AB");
  EXPECT_EQ(texts[0].Points[0], (TPoint{0, 0}));
  EXPECT_EQ(texts[1].Text, "CD");
  EXPECT_EQ(texts[1].Points[0], (TPoint{0, 14}));
  EXPECT_EQ(texts[0].Font.PixelsPerInch(), 90);
  std::vector<int> rules;
  for (const TCanvasOp& op : canvas.Ops) {
    if (op.Kind == TCanvasOp::okLine && op.Color == clRed) {
      rules.push_back(op.Points[0].Y);
      EXPECT_EQ(op.Points[1].X, 500);
    }
  }
  EXPECT_EQ(rules, (std::vector<int>{0, 29}));  // the page's top and the end of the file
  EXPECT_EQ(viewer.VisibleLines(), 3);

  // A clip that ends before the second line stops the walk.
  texts = PaintTexts(500, 20);
  EXPECT_EQ(texts.size(), 1u);
  EXPECT_EQ(viewer.VisibleLines(), 1);
}

TEST_F(FileViewerTest, ParagraphLinesAreJustified) {
  Load("\\PB10:0aa bb cc dd\r\n\\PE\r\n");
  viewer.Zoom(100);
  std::vector<TCanvasOp> texts = PaintTexts();
  // 2362 - 275 (11 characters) - 118 (left indent) = 1969 px over 3 gaps: 656 each, the first
  // gap one more.
  ASSERT_EQ(texts.size(), 4u);
  const std::pair<const char*, int> expected[] = {{"aa ", 118}, {"bb ", 850}, {"cc ", 1581}, {"dd", 2312}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(texts[i].Text, expected[i].first);
    EXPECT_EQ(texts[i].Points[0], (TPoint{expected[i].second, 0}));
  }
}

TEST_F(FileViewerTest, LastParagraphLineAndShortLinesAreNotWidened) {
  Load("\\PB0:0aa bb\r\naa bb cc\\PE\r\n");
  viewer.Zoom(100);
  std::vector<TCanvasOp> texts = PaintTexts();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0].Points[0].X, 0);
  EXPECT_EQ(texts[1].Points[0].X, 75);  // one gap: not widened
  EXPECT_EQ(texts[2].Points[0].X, 0);
  EXPECT_EQ(texts[3].Points[0].X, 75);
  EXPECT_EQ(texts[4].Points[0].X, 150);
}

TEST_F(FileViewerTest, HorizontalScrollAndClipping) {
  Load(Repeat('x', 200) + "\r\nend\r\n");
  viewer.Zoom(100);
  viewer.SetCurrent(250, 0);
  std::vector<TCanvasOp> texts = PaintTexts();
  ASSERT_GE(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, Repeat('x', 190));  // the first 10 characters are left of the view
  EXPECT_EQ(texts[0].Points[0].X, 0);

  // Fitted to a page, characters are placed one by one and the walk stops past the clip.
  viewer.SetCurrent(0, 0);
  viewer.FitToPage(600, 800);
  texts = PaintTexts(100, 1000);
  EXPECT_EQ(texts[0].Text, Repeat('x', 18));
}

TEST_F(FileViewerTest, FragmentsAreDrawnSortedByFont) {
  Load("\\F16:12aa\\F0:14bb\r\n");
  viewer.Zoom(100);
  std::vector<TCanvasOp> texts = PaintTexts();
  ASSERT_EQ(viewer.Fragments().size(), 2u);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, "bb");  // code 0 before code 16
  EXPECT_EQ(texts[0].Points[0], (TPoint{60, 0}));
  EXPECT_EQ(texts[0].Font.Name(), "Arial");
  EXPECT_EQ(texts[0].Font.Size(), 14);
  EXPECT_EQ(texts[1].Text, "aa");
  EXPECT_EQ(texts[1].Points[0], (TPoint{0, 4}));  // centred in the 65 px line
  EXPECT_EQ(texts[1].Font.Name(), "Courier New");
  EXPECT_EQ(texts[1].Font.Size(), 12);
}

TEST_F(FileViewerTest, FirstFragmentAlwaysSelectsItsFont) {
  // Font (0, 0) is Arial in the default size; drawing must not reuse the Times New Roman 20 pt
  // the line walk ended with.
  Load("\\F0:hello\r\n\\F32:20x\r\n");
  std::vector<TCanvasOp> texts = PaintTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, "hello");
  EXPECT_EQ(texts[0].Font.Name(), "Arial");
  EXPECT_EQ(texts[0].Font.Size(), 10);
  EXPECT_EQ(texts[1].Font.Name(), "Times New Roman");
}

TEST_F(FileViewerTest, LinesAndFramesAreDrawnAtScale) {
  Load("\\L10:10:20:10:2text\r\n");
  PaintTexts();
  ASSERT_EQ(canvas.Count(TCanvasOp::okLine), 3);  // the frame line and two red rules
  const TCanvasOp& line = canvas.Ops[1];
  EXPECT_EQ(line.Color, clBlack);
  EXPECT_EQ(line.PenWidth, 2);
  EXPECT_EQ(line.Points, (std::vector<TPoint>{{35, 35}, {71, 35}}));  // 118 and 236 at 30 %
}

TEST_F(FileViewerTest, PrintsPageRangesAtPrinterResolution) {
  Load("p1\r\n^p2\r\n^p3\r\nend\r\n");
  viewer.Zoom(50);
  TRecordingCanvas printer;
  viewer.Print(printer, 1, 9);
  std::vector<TCanvasOp::TKind> kinds;
  for (const TCanvasOp& op : printer.Ops) kinds.push_back(op.Kind);
  using K = TCanvasOp;
  EXPECT_EQ(kinds, (std::vector<TCanvasOp::TKind>{K::okBeginDoc, K::okText, K::okNewPage,
                                                  K::okText, K::okText, K::okEndDoc}));
  std::vector<TCanvasOp> texts = printer.Texts();
  EXPECT_EQ(texts[1].Text, "p3");
  EXPECT_EQ(texts[2].Text, "end");
  EXPECT_EQ(texts[2].Points[0], (TPoint{0, 48}));
  EXPECT_EQ(texts[2].Font.PixelsPerInch(), 300);
  EXPECT_DOUBLE_EQ(viewer.Scale(), 2.0);  // the zoom is restored

  printer = TRecordingCanvas();
  viewer.Print(printer, -5, 0);
  EXPECT_EQ(printer.Count(TCanvasOp::okNewPage), 0);
  EXPECT_EQ(printer.Texts().size(), 1u);
}

TEST_F(FileViewerTest, ExportWalksPagesWithFonts) {
  struct Recorder : TExportTarget {
    std::vector<std::string> calls;
    void SetPrinterOrientation(TPrinterOrientation o) override {
      calls.push_back(o == TPrinterOrientation::poLandscape ? "landscape" : "portrait");
    }
    void SetFont(int code, int size) override {
      calls.push_back("font " + std::to_string(code) + ":" + std::to_string(size));
    }
    void InsertLine(std::string_view text, int code, int) override {
      calls.push_back(std::string(text) + "@" + std::to_string(code));
    }
    void NewPage() override { calls.push_back("page"); }
  } recorder;
  viewer.SetOrientation(TPrinterOrientation::poLandscape);
  Load("a\r\n\\F1:12b\r\n^c\r\nd");
  viewer.Export(recorder);
  EXPECT_EQ(recorder.calls,
            (std::vector<std::string>{"landscape", "font 255:0", "a@255", "\\F1:12b@255", "page",
                                      "font 1:12", "c@1", "d@1", "font 0:0"}));
}

TEST_F(FileViewerTest, FileNamesRenameAndEdit) {
  const std::string savedDir = ApplicationDir;
  ApplicationDir = dir_.string() + "/";
  WriteFile("report.prn", "one\r\n");
  viewer.SetFileName("report.prn");
  EXPECT_EQ(viewer.GetFileName(), dir_.string() + "/report.prn");
  EXPECT_EQ(viewer.FileName(), viewer.GetFileName());
  viewer.LoadFile();

  WriteFile("saved.prn", "old contents");  // replaced
  EXPECT_TRUE(viewer.Rename((dir_ / "saved.prn").string()));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "report.prn"));
  EXPECT_EQ(viewer.LineText(0), "one");
  EXPECT_FALSE(viewer.Rename((dir_ / "no such dir" / "x.prn").string()));
  EXPECT_EQ(viewer.GetFileName(), (dir_ / "saved.prn").string());
  EXPECT_TRUE(viewer.IsLoaded());

  static std::string edited;
  Report_EditFile = [](const std::string& name) {
    edited = name;
    std::ofstream(name, std::ios::app) << "two\r\n";
    return true;
  };
  viewer.Edit();
  ResetHook(THook::Report_EditFile);
  ApplicationDir = savedDir;
  EXPECT_EQ(edited, (dir_ / "saved.prn").string());
  EXPECT_EQ(viewer.LineCount(), 2);
}

TEST_F(FileViewerTest, ReloadingAShorterFileKeepsThePositionValid) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "line\r\n";
  Load(text);
  viewer.SetPage(3);
  ASSERT_GT(viewer.TopLine(), 200);
  WriteFile("out.prn", "a\r\nb\r\nc\r\n");
  viewer.LoadFile();
  EXPECT_EQ(viewer.TopLine(), 1);
  EXPECT_EQ(viewer.CurrentPage(), 0);
  EXPECT_EQ(PaintTexts().size(), 2u);
}

TEST_F(FileViewerTest, AssignCopiesTheIndexOverANewMapping) {
  Load("p1\r\n^p2\r\nend\r\n");
  viewer.SetPage(1);
  int calls = 0;
  viewer.OnChangePage = [&](TObject*) { ++calls; };

  TFileViewerModel copy;
  copy.Assign(&viewer);
  viewer.Assign(nullptr);
  EXPECT_FALSE(viewer.IsLoaded());
  EXPECT_EQ(viewer.GetFileName(), "");
  EXPECT_FALSE(static_cast<bool>(viewer.OnChangePage));

  ASSERT_TRUE(copy.IsLoaded());
  EXPECT_EQ(copy.CurrentPage(), 1);
  EXPECT_EQ(copy.TopLine(), 1);
  EXPECT_EQ(copy.LineText(1), "p2");
  copy.SetPage(0);
  EXPECT_EQ(calls, 1);
  TComponent other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

}  // namespace
}  // namespace bexlo
