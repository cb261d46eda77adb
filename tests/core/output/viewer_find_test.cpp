#include <gtest/gtest.h>

#include <string>

#include "output/file_viewer_model.h"
#include "output/recording_canvas.h"
#include "output/viewer_find.h"
#include "output_test_support.h"
#include "util/text.h"

namespace bexlo {
namespace {

class ViewerFindTest : public test::OutputTest {
 protected:
  void Load(std::string_view bytes) {
    viewer.SetFileName(WriteFile("out.prn", bytes));
    viewer.LoadFile();
  }
  TFileViewerModel viewer;
};

TEST(ShownLineText, DropsControlSequencesAndKeepsOtherBackslashes) {
  EXPECT_EQ(ShownLineText("Tot\\F16:12al"), U"Total");
  EXPECT_EQ(ShownLineText("\\PB10:5Para\\PE"), U"Para");
  EXPECT_EQ(ShownLineText("\\L1:2:3:4:1x\\R1:2:3:4:1"), U"x");
  EXPECT_EQ(ShownLineText("C:\\Temp \\Q"), U"C:\\Temp \\Q");
  EXPECT_EQ(ShownLineText("Итог"), U"Итог");
  EXPECT_EQ(ShownLineText(""), U"");
}

TEST_F(ViewerFindTest, FindsHitsPageByPageAndWrapsAround) {
  // Three pages; the second holds a word written across a font change.
  Load("First page\r\nnothing here\r\n^Second page\r\nGrand tot\\F16:12al 100\r\n^Third page\r\nTOTAL again, total\r\n");
  ASSERT_EQ(viewer.GetPageCount(), 3);

  auto hit = FindText(viewer, "total", {0, 0});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Line, 3);
  EXPECT_EQ(hit->Page, 1);
  EXPECT_EQ(hit->Start, 6);
  EXPECT_EQ(hit->Length, 5);
  EXPECT_FALSE(hit->Wrapped);

  hit = FindText(viewer, "total", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ((std::pair{hit->Line, hit->Start}), (std::pair{std::int64_t{5}, 0}));
  EXPECT_EQ(hit->Page, 2);

  hit = FindText(viewer, "total", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ((std::pair{hit->Line, hit->Start}), (std::pair{std::int64_t{5}, 13}));

  // Past the last hit the search goes on from the top.
  hit = FindText(viewer, "total", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ((std::pair{hit->Line, hit->Start}), (std::pair{std::int64_t{3}, 6}));
  EXPECT_TRUE(hit->Wrapped);
  EXPECT_TRUE(FindText(viewer, "total", {4, 0}, false, /*wrap=*/false).has_value());
  EXPECT_FALSE(FindText(viewer, "total", {5, 14}, false, /*wrap=*/false).has_value());

  // Letter case matters only when asked; no text, no hit.
  hit = FindText(viewer, "TOTAL", {0, 0}, /*matchCase=*/true);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Line, 5);
  EXPECT_FALSE(FindText(viewer, "Total", {0, 0}, true).has_value());
  EXPECT_FALSE(FindText(viewer, "", {0, 0}).has_value());
  EXPECT_FALSE(FindText(viewer, "missing", {2, 3}).has_value());
  // A position outside the file starts at the top.
  hit = FindText(viewer, "first", {99, 7});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Line, 0);
}

TEST_F(ViewerFindTest, OneHitIsFoundAgainAndOverlappingHitsAreAllFound) {
  Load("aaaa\r\nИтоговая СУММА\r\n");
  auto hit = FindText(viewer, "aa", {0, 0});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Start, 0);
  hit = FindText(viewer, "aa", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Start, 1);
  hit = FindText(viewer, "aa", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Start, 2);
  hit = FindText(viewer, "aa", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Start, 0);
  EXPECT_TRUE(hit->Wrapped);

  // Cyrillic letters fold like Latin ones; offsets count characters, not bytes.
  hit = FindText(viewer, "сумма", {0, 0});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Line, 1);
  EXPECT_EQ(hit->Start, 9);
  EXPECT_EQ(hit->Length, 5);
  hit = FindText(viewer, "сумма", NextFindPosition(*hit));
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->Start, 9);
  EXPECT_TRUE(hit->Wrapped);
}

TEST_F(ViewerFindTest, NothingIsFoundInAnEmptyViewer) {
  EXPECT_FALSE(FindText(viewer, "x", {0, 0}).has_value());
  EXPECT_TRUE(HitRects(viewer, TFindHit{0, 0, 0, 1}).empty());
}

TEST_F(ViewerFindTest, HitRectsCoverTheHitInEveryFragmentItTouches) {
  Load("Name: AB\\F16:12CD end\r\nsecond line\r\n");
  viewer.SetClientSize(2000, 2000);
  viewer.Zoom(100);
  TRecordingCanvas canvas;
  canvas.Clip = {0, 0, 2000, 2000};
  viewer.Paint(canvas);

  // "BC" spans the font change: one rectangle in each fragment.
  const TFindHit hit = *FindText(viewer, "bc", {0, 0});
  const std::vector<TRect> rects = HitRects(viewer, hit);
  ASSERT_EQ(rects.size(), 2u);
  const TFragment* second = nullptr;
  for (const TFragment& fragment : viewer.Fragments()) {
    if (fragment.LineIndex == 0 && fragment.Text.rfind("CD", 0) == 0) second = &fragment;
  }
  ASSERT_NE(second, nullptr);
  // The first rectangle is the B just left of where the second fragment starts; the second
  // is the C at the start of the second fragment.
  TFont courier;
  courier.SetPixelsPerInch(viewer.ScreenPixelsPerInch());
  EXPECT_EQ(rects[0].Right, second->X);
  EXPECT_EQ(rects[0].Right - rects[0].Left, courier.CharWidth(U'B'));
  EXPECT_EQ(rects[1].Left, second->X);
  EXPECT_GT(rects[1].Right, rects[1].Left);
  EXPECT_EQ(rects[1].Top, second->Y);
  EXPECT_GT(rects[1].Bottom, rects[1].Top);

  // A hit on a line the last paint did not reach has no rectangle.
  TRecordingCanvas small;
  small.Clip = {0, 0, 2000, 1};
  viewer.Paint(small);
  EXPECT_TRUE(HitRects(viewer, *FindText(viewer, "second", {0, 0})).empty());
}

}  // namespace
}  // namespace bexlo
