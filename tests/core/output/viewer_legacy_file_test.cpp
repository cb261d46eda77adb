// An output file written by the earlier system (Windows-1251) is shown decoded, with the same
// lines, pages and measures as the same file in UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "output/file_viewer_model.h"
#include "output_test_support.h"

namespace bexlo {
namespace {

using ViewerLegacyFileTest = test::OutputTest;

TEST_F(ViewerLegacyFileTest, AWindows1251OutputIsShownDecoded) {
  // "Итого" / page mark, "Страница 2" / a paragraph with "\PB" and "\PE".
  const std::string legacy =
      "\xC8\xF2\xEE\xE3\xEE\r\n^\xD1\xF2\xF0\xE0\xED\xE8\xF6\xE0 2\r\n\\PB10:10\xF1\xEB\xEE\xE2\xEE \\PE\r\n";
  const std::string utf8 = "Итого\r\n^Страница 2\r\n\\PB10:10слово \\PE\r\n";
  TFileViewerModel fromLegacy, fromUtf8;
  fromLegacy.SetFileName(WriteFile("legacy.prn", legacy));
  fromUtf8.SetFileName(WriteFile("utf8.prn", utf8));
  fromLegacy.LoadFile();
  fromUtf8.LoadFile();
  ASSERT_EQ(fromLegacy.LineCount(), 3);
  EXPECT_EQ(fromLegacy.LineText(0), "Итого");
  EXPECT_EQ(fromLegacy.LineText(1), "Страница 2");
  EXPECT_EQ(fromLegacy.LineText(2), "\\PB10:10слово \\PE");
  EXPECT_EQ(fromLegacy.GetPageCount(), fromUtf8.GetPageCount());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fromLegacy.Lines(i).Height, fromUtf8.Lines(i).Height) << i;
    EXPECT_EQ(fromLegacy.Lines(i).Width, fromUtf8.Lines(i).Width) << i;
    EXPECT_EQ(fromLegacy.Lines(i).Flags, fromUtf8.Lines(i).Flags) << i;
  }
  // A copy shows the same decoded text.
  TFileViewerModel copy;
  copy.Assign(&fromLegacy);
  EXPECT_EQ(copy.LineText(1), "Страница 2");
  fromLegacy.Clear();
  EXPECT_EQ(copy.LineText(0), "Итого");
}

// A legacy file whose first lines are plain ASCII is found at its first other line, inside an
// open paragraph and after a font change: it is indexed once more from the start, from its
// decoded copy, with nothing of the first attempt left behind.
TEST_F(ViewerLegacyFileTest, ALegacyLineAfterAsciiLinesIndexesTheFileAgainFromTheStart) {
  const std::string head = "\\F17:12head\r\n\\PB10:10first words\r\nmore words\r\n";
  TFileViewerModel fromLegacy, fromUtf8;
  fromLegacy.SetFileName(WriteFile("late.prn", head + "\xF1\xEB\xEE\xE2\xEE \\PE\r\n^next\r\n"));
  fromUtf8.SetFileName(WriteFile("late-utf8.prn", head + "слово \\PE\r\n^next\r\n"));
  fromLegacy.LoadFile();
  fromUtf8.LoadFile();
  ASSERT_EQ(fromLegacy.LineCount(), 5);
  EXPECT_EQ(fromLegacy.LineText(3), "слово \\PE");
  EXPECT_EQ(fromLegacy.GetPageCount(), fromUtf8.GetPageCount());
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(fromLegacy.LineText(i), fromUtf8.LineText(i)) << i;
    EXPECT_EQ(fromLegacy.Lines(i).Height, fromUtf8.Lines(i).Height) << i;
    EXPECT_EQ(fromLegacy.Lines(i).Flags, fromUtf8.Lines(i).Flags) << i;
    EXPECT_EQ(fromLegacy.Lines(i).FontCode, fromUtf8.Lines(i).FontCode) << i;
  }
}

}  // namespace
}  // namespace bexlo
