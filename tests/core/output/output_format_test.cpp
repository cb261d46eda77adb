#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "output/output_format.h"
#include "output/output_writer.h"
#include "output/recording_canvas.h"
#include "output_test_support.h"

namespace bexlo {
namespace {

using test::OutputTest;

// Consumed length and values of one sequence.
struct Parsed {
  int consumed;
  TSpecKind kind;
};

Parsed Parse(std::string_view text) {
  TSpecChar spec = ParseSpecChar(text);
  return {spec.Consumed, spec.Kind};
}

TEST(SpecCharTest, FontSequenceLengthsAndValues) {
  TSpecChar spec = ParseSpecChar("\\F17:14 Courier");
  EXPECT_EQ(spec.Kind, TSpecKind::skFont);
  EXPECT_EQ(spec.Consumed, 7);
  EXPECT_EQ(spec.Values[0], 17);
  EXPECT_EQ(spec.Values[1], 14);

  EXPECT_EQ(ParseSpecChar("\\F17:").Consumed, 5);
  EXPECT_EQ(ParseSpecChar("\\F17:").Values[1], 0);  // keep the size
  spec = ParseSpecChar("\\F17:145");                 // two digits at most
  EXPECT_EQ(spec.Consumed, 7);
  EXPECT_EQ(spec.Values[1], 14);
  EXPECT_EQ(ParseSpecChar("\\F 17 :14").Consumed, 9);  // blanks around the integer
  EXPECT_EQ(ParseSpecChar("\\F+17:1").Consumed, 7);
  EXPECT_EQ(ParseSpecChar("\\F-1:10").Values[0], -1);

  for (std::string_view bad : {"\\Fx:10", "\\F:10", "\\F17", "\\F1 7:10", "\\F- 1:1",
                               "\\F99999999999:10", "\\f17:14", "\\F$11:10", "\\", "\\X1:1"}) {
    EXPECT_EQ(Parse(bad).consumed, 0) << bad;
  }
}

TEST(SpecCharTest, LineFrameAndParagraphLengths) {
  EXPECT_EQ(Parse("\\L10:10:50:10:2").consumed, 15);
  EXPECT_EQ(Parse("\\L10:10:50:10:2").kind, TSpecKind::skLine);
  EXPECT_EQ(Parse("\\R1:2:3:4:12345").consumed, 14);  // the fifth digit stays text
  EXPECT_EQ(Parse("\\R1:2:3:4:12345").kind, TSpecKind::skFrame);
  EXPECT_EQ(Parse("\\L10:10:50:10:").consumed, 0);    // no width digits
  EXPECT_EQ(Parse("\\L10:10:50:x:1").consumed, 0);

  TSpecChar pb = ParseSpecChar("\\PB10:20text");
  EXPECT_EQ(pb.Consumed, 8);
  EXPECT_TRUE(pb.HasIndents);
  EXPECT_EQ(pb.Values[0], 10);
  EXPECT_EQ(pb.Values[1], 20);
  EXPECT_EQ(Parse("\\PB10:").consumed, 6);             // right indent 0
  EXPECT_EQ(Parse("\\PB 5 :12345678").consumed, 13);   // six digits at most
  pb = ParseSpecChar("\\PBx");                           // keeps the indents in force
  EXPECT_EQ(pb.Consumed, 3);
  EXPECT_FALSE(pb.HasIndents);
  EXPECT_EQ(Parse("\\PE").consumed, 3);
  EXPECT_EQ(Parse("\\PE").kind, TSpecKind::skParagraphEnd);
  EXPECT_EQ(Parse("\\P").consumed, 0);
  EXPECT_EQ(Parse("\\Pb").consumed, 0);
}

TEST_F(OutputTest, CalcSpecCharActsOnFontsCanvasAndIndents) {
  TRecordingCanvas canvas;
  int code = 255, size = 10, left = 7, right = 8;
  EXPECT_EQ(CalcSpecChar(Printer(), "\\F17:14", true, &canvas, 1.0, code, size, left, right), 7);
  EXPECT_EQ(code, 17);
  EXPECT_EQ(size, 14);
  EXPECT_EQ(Printer().Font().Name(), "Courier New");
  EXPECT_EQ(Printer().Font().Style(), fsBold);
  EXPECT_EQ(canvas.Font().Size(), 14);
  EXPECT_EQ(canvas.Font().Style(), fsBold);

  // Code 255 is Courier New 10 pt whatever the size; the size variable still follows the text.
  CalcSpecChar(Printer(), "\\F255:20", true, &canvas, 1.0, code, size, left, right);
  EXPECT_EQ(size, 20);
  EXPECT_EQ(Printer().Font().Size(), 10);
  EXPECT_EQ(Printer().Font().Style(), 0);
  // Codes are taken modulo 256; family 3 keeps the face in force.
  CalcSpecChar(Printer(), "\\F258:12", true, &canvas, 1.0, code, size, left, right);
  EXPECT_EQ(code, 2);
  EXPECT_EQ(Printer().Font().Name(), "Arial");
  EXPECT_EQ(Printer().Font().Style(), fsItalic);
  CalcSpecChar(Printer(), "\\F49:", true, &canvas, 1.0, code, size, left, right);
  EXPECT_EQ(Printer().Font().Name(), "Arial");
  EXPECT_EQ(Printer().Font().Size(), 12);
  EXPECT_EQ(Printer().Font().Style(), fsBold);

  // Without drawing only the variables change.
  CalcSpecChar(Printer(), "\\F32:8", false, &canvas, 1.0, code, size, left, right);
  EXPECT_EQ(code, 32);
  EXPECT_EQ(Printer().Font().Name(), "Arial");

  EXPECT_EQ(CalcSpecChar(Printer(), "\\PB10:20", false, nullptr, 3.0, code, size, left, right), 8);
  EXPECT_EQ(left, 118);   // printer pixels, never scaled
  EXPECT_EQ(right, 236);
  CalcSpecChar(Printer(), "\\PB", false, nullptr, 1.0, code, size, left, right);
  EXPECT_EQ(left, 118);

  ASSERT_TRUE(canvas.Ops.empty());
  CalcSpecChar(Printer(), "\\L10:20:50:20:3", true, &canvas, 2.0, code, size, left, right);
  CalcSpecChar(Printer(), "\\R0:0:10:20:1", true, &canvas, 1.0, code, size, left, right);
  CalcSpecChar(Printer(), "\\L0:0:10:10:1", true, nullptr, 1.0, code, size, left, right);
  CalcSpecChar(Printer(), "\\L0:0:10:10:1", false, &canvas, 1.0, code, size, left, right);
  ASSERT_EQ(canvas.Ops.size(), 2u);
  EXPECT_EQ(canvas.Ops[0].Kind, TCanvasOp::okLine);
  EXPECT_EQ(canvas.Ops[0].Points, (std::vector<TPoint>{{59, 118}, {296, 118}}));  // 591 / 2 to even
  EXPECT_EQ(canvas.Ops[0].PenWidth, 3);
  EXPECT_EQ(canvas.Ops[0].Color, clBlack);
  EXPECT_EQ(canvas.Ops[1].Points,
            (std::vector<TPoint>{{0, 0}, {118, 0}, {118, 236}, {0, 236}, {0, 0}}));
}

TEST_F(OutputTest, LineHeightFollowsTheFontsOfVisibleText) {
  int code = 255, size = 0;
  auto height = [&](std::string_view text) {
    return CalcFontMetrics(Printer(), text, code, size, 2362, false).Height;
  };
  EXPECT_EQ(height("plain"), 48);  // Courier New 10 pt
  EXPECT_EQ(height("\\F16:12"), 0);  // only a sequence: no height, but the font changed
  EXPECT_EQ(code, 16);
  EXPECT_EQ(size, 12);
  EXPECT_EQ(height("next line"), 57);
  EXPECT_EQ(height("ab\\F16:14cd"), 66);  // the larger font counts
  EXPECT_EQ(height("ab\\F16:10"), 66);    // "ab" was set in 14 pt
  EXPECT_EQ(height("\\Fx:10"), 48);      // not a sequence: text
  EXPECT_EQ(height("\\F16:14 "), 66);    // a trailing blank is text without the wrap flag
  EXPECT_EQ(height(""), 0);
}

TEST_F(OutputTest, WrappedMeasureCutsAfterTheLastBlank) {
  int code = 255, size = 10;
  // Courier New 10 pt: 25 px a character.
  TLineMetrics m = CalcFontMetrics(Printer(), "\\PB1:1aaa bbb  ", code, size, 1000, true);
  EXPECT_EQ(m.Width, 7 * 25);  // sequence and trailing blanks not counted
  EXPECT_EQ(m.Height, 48);
  EXPECT_TRUE(m.Remainder.empty());

  m = CalcFontMetrics(Printer(), "aaa bbb ccc", code, size, 200, true);  // 8 characters fit
  EXPECT_EQ(m.Width, 200);
  EXPECT_EQ(m.Remainder, "ccc");
  m = CalcFontMetrics(Printer(), "aaaaaaaaaaaa", code, size, 200, true);
  EXPECT_EQ(m.Remainder, "aaaa");
  m = CalcFontMetrics(Printer(), "aaaaaaaaaaaa", code, size, 150, true);
  EXPECT_EQ(m.Width, 150);
  EXPECT_EQ(m.Remainder, "aaaaaa");
  m = CalcFontMetrics(Printer(), "aaaaaaaa bb", code, size, 200, true);  // the blank overflows
  EXPECT_EQ(m.Remainder, "bb");
  // Nothing fits: the first character stays, so a writer carrying the rest always progresses.
  m = CalcFontMetrics(Printer(), "abc", code, size, 10, true);
  EXPECT_EQ(m.Width, 0);
  EXPECT_EQ(m.Remainder, "bc");
  m = CalcFontMetrics(Printer(), "\\F1:20abc", code, size, 10, true);
  EXPECT_EQ(m.Remainder, "abc");
  // Multi-byte characters are measured and cut whole.
  m = CalcFontMetrics(Printer(), "\\F16:10\xD0\x96\xD0\x96\xD0\x96", code, size, 60, true);
  EXPECT_EQ(m.Remainder, "\xD0\x96");
}

TEST(OutputLinesTest, SplitsOnCarriageReturns) {
  auto split = [](std::string_view data) {
    std::vector<std::string> lines;
    SplitOutputLines(data, [&](std::size_t start, std::size_t length) {
      lines.emplace_back(data.substr(start, length));
    });
    return lines;
  };
  using L = std::vector<std::string>;
  EXPECT_EQ(split("a\r\nb\r\n"), (L{"a", "b"}));    // no empty line after the last CR LF
  EXPECT_EQ(split("a\r\nb"), (L{"a", "b"}));        // a last line without CR
  EXPECT_EQ(split("a\rb\nc\r\r\n\nd\r"), (L{"a", "b\nc", "", "\nd"}));
  EXPECT_EQ(split("\r"), (L{""}));
  EXPECT_EQ(split("\n"), (L{"\n"}));
  EXPECT_EQ(split(""), (L{}));
}

TEST(OutputLinesTest, DisplayCapKeepsCharactersWhole) {
  std::string ascii(2500, 'a');
  EXPECT_EQ(DisplayLength(ascii), 2000u);
  EXPECT_EQ(DisplayLength("short"), 5u);
  std::string cyrillic = "a";
  for (int i = 0; i < 1200; ++i) cyrillic += "\xD0\x96";  // byte 2000 is inside a letter
  EXPECT_EQ(DisplayLength(cyrillic), 1999u);
  EXPECT_EQ(DisplayLength(cyrillic.substr(1)), 2000u);
}

TEST(JustificationTest, GapsAndTheirWidening) {
  EXPECT_EQ(CountGaps("one two"), 1);
  EXPECT_EQ(CountGaps("  one   two three   "), 2);  // leading and trailing blanks are no gaps
  EXPECT_EQ(CountGaps("one \\F1:12 two\\PE three"), 2);
  EXPECT_EQ(CountGaps("one \\x two"), 2);  // a lone backslash is text

  TJustification two = CalcJustification("one two", 100);
  EXPECT_EQ(two.GapWidth, 0);  // two words are not widened
  TJustification three = CalcJustification("one two three", 101);
  EXPECT_EQ(three.GapWidth, 50);
  EXPECT_EQ(three.Remainder, 1);
  EXPECT_EQ(CalcJustification("a b c", -40).GapWidth, 0);  // never narrowed
}

TEST(OutputWriterTest, SequencesParseBackToTheirValues) {
  EXPECT_EQ(FontSequence(17, 14), "\\F17:14");
  EXPECT_EQ(FontSequence(1, 0), "\\F1:");
  EXPECT_EQ(FontSequence(1, 145), "\\F1:99");
  TSpecChar line = ParseSpecChar(LineSequence(-5, 10, 200, 10, 2));
  EXPECT_EQ(line.Kind, TSpecKind::skLine);
  EXPECT_EQ(line.Values[0], -5);
  EXPECT_EQ(line.Values[4], 2);
  EXPECT_EQ(ParseSpecChar(FrameSequence(1, 2, 3, 4, 12345)).Values[4], 9999);
  TSpecChar pb = ParseSpecChar(ParagraphBeginSequence(12, 30));
  EXPECT_EQ(pb.Values[0], 12);
  EXPECT_EQ(pb.Values[1], 30);
  EXPECT_EQ(pb.Consumed, static_cast<int>(ParagraphBeginSequence(12, 30).size()));

  std::string out;
  AppendOutputLine(out, "");
  AppendOutputLine(out, "x");
  EXPECT_EQ(out, " \r\nx\r\n");
}

}  // namespace
}  // namespace bexlo
