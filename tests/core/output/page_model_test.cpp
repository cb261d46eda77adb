#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "output/output_format.h"
#include "output/page_model.h"
#include "output/viewer_navigation.h"

namespace bexlo {
namespace {

// Lines of the given heights; a negative height marks a page break on that line.
TLineList MakeLines(std::initializer_list<int> heights) {
  TLineList lines;
  for (int h : heights) {
    TLine line(0, 0, 255, 0, 0, 0);
    line.Height = static_cast<std::uint16_t>(h < 0 ? -h : h);
    if (h < 0) line.Flags |= lfPageBreak;
    lines.push_back(line);
  }
  return lines;
}

using Pages = std::vector<TPage>;

TEST(BuildPagesTest, HeightsAndMarksDelimitPages) {
  EXPECT_EQ(BuildPages(MakeLines({}), 100), Pages{});
  EXPECT_EQ(BuildPages(MakeLines({40}), 100), (Pages{{0, 0}}));
  // The line at which the sum reaches the page height starts the next page.
  EXPECT_EQ(BuildPages(MakeLines({40, 40, 20, 40, 40, 10}), 100),
            (Pages{{0, 1}, {2, 3}, {4, 5}}));
  EXPECT_EQ(BuildPages(MakeLines({50, 50, 50}), 100), (Pages{{0, 0}, {1, 1}, {2, 2}}));
  // Marks break early; the new page's sum starts with the marked line.
  EXPECT_EQ(BuildPages(MakeLines({10, -10, 10, 80, 10}), 100), (Pages{{0, 0}, {1, 2}, {3, 4}}));
  // Zero-height lines never fill a page.
  EXPECT_EQ(BuildPages(MakeLines({0, 0, 0, 0}), 1), (Pages{{0, 3}}));
}

TEST(BuildPagesTest, FirstAndLastLinesStayOnTheirPages) {
  // A mark or an oversized height on line 0 does not make an empty first page holding line 0
  // twice: line 0 simply opens page 0.
  EXPECT_EQ(BuildPages(MakeLines({-10, 10, 10}), 100), (Pages{{0, 2}}));
  EXPECT_EQ(BuildPages(MakeLines({500, 10, 10}), 100), (Pages{{0, 0}, {1, 2}}));
  // The last line follows the rule like every other: marked or not fitting, it starts a page.
  EXPECT_EQ(BuildPages(MakeLines({10, 10, -10}), 100), (Pages{{0, 1}, {2, 2}}));
  EXPECT_EQ(BuildPages(MakeLines({10, 10, 500}), 100), (Pages{{0, 1}, {2, 2}}));
  EXPECT_EQ(BuildPages(MakeLines({10, 10, 10}), 100), (Pages{{0, 2}}));
}

TEST(PageModelTest, LineAndFragmentClamping) {
  TLine line(5'000'000'000, 70000, 17, 14, -20, 70000);
  EXPECT_EQ(line.Start, 5'000'000'000);  // beyond 4 GB
  EXPECT_EQ(line.Length, 65535);
  EXPECT_EQ(line.LeftIndent, 0);
  EXPECT_EQ(line.RightIndent, 70000u);  // pixel values are 32-bit: nothing saturates
  EXPECT_EQ(line.Flags, 0);
  TFragment fragment(3, 1, 12, -5, -7);
  EXPECT_EQ(fragment.X, 0);
  EXPECT_EQ(fragment.Y, 0);
}

TEST(ViewerNavigationTest, KeysMoveAsTheTableSays) {
  TViewSteps steps{.MaxX = 900, .MaxTop = 500, .HorzStep = 472, .VisibleLines = 40};
  const TViewPosition at{100, 200};
  auto key = [&](TViewerKey k, bool ctrl) { return ViewerKeyTarget(at, k, ctrl, steps); };
  EXPECT_EQ(key(TViewerKey::vkPageUp, false), (TViewPosition{100, 160}));
  EXPECT_EQ(key(TViewerKey::vkPageUp, true), (TViewPosition{100, 0}));
  EXPECT_EQ(key(TViewerKey::vkPageDown, false), (TViewPosition{100, 240}));
  EXPECT_EQ(key(TViewerKey::vkPageDown, true), (TViewPosition{100, 500}));
  EXPECT_EQ(key(TViewerKey::vkHome, true), (TViewPosition{0, 200}));
  EXPECT_EQ(key(TViewerKey::vkEnd, false), (TViewPosition{0, 200}));
  EXPECT_EQ(key(TViewerKey::vkEnd, true), (TViewPosition{900, 200}));
  EXPECT_EQ(key(TViewerKey::vkLeft, false), (TViewPosition{53, 200}));
  EXPECT_EQ(key(TViewerKey::vkRight, true), (TViewPosition{572, 200}));
  EXPECT_EQ(key(TViewerKey::vkUp, false), (TViewPosition{100, 199}));
  EXPECT_EQ(key(TViewerKey::vkDown, true), at);
}

TEST(ViewerNavigationTest, ScrollCommands) {
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scLineUp, 0, 7, 70, 900), 43);
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scPageDown, 0, 7, 70, 900), 120);
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scPageDown, 0, 7, 0, 900), 51);  // page at least 1
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scTrack, 333, 7, 70, 900), 333);
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scTop, 333, 7, 70, 900), 0);
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scBottom, 333, 7, 70, 900), 900);
  EXPECT_EQ(ScrollTarget(50, TScrollCode::scEndScroll, 333, 7, 70, 900), 50);
}

}  // namespace
}  // namespace bexlo
