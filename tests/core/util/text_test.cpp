#include "util/text.h"

#include <gtest/gtest.h>

#include "util/exceptions.h"

namespace bexlo {
namespace {

TEST(Utf8, DecodeEncodeRoundTripAtEveryLengthBoundary) {
  for (char32_t cp : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu,
                      0x10000u, 0x10FFFFu}) {
    const std::string encoded = Utf8Encode(cp);
    std::size_t pos = 0;
    EXPECT_EQ(Utf8Decode(encoded, pos), cp);
    EXPECT_EQ(pos, encoded.size());
    EXPECT_TRUE(IsValidUtf8(encoded));
  }
  EXPECT_EQ(Utf8Encode(0xD800), Utf8Encode(kReplacementChar));
  EXPECT_EQ(Utf8Encode(0x110000), Utf8Encode(kReplacementChar));
}

TEST(Utf8, MalformedBytesCountAsOneCharacterEach) {
  // Overlong NUL, a surrogate, a stray continuation, a truncated sequence, F5 lead.
  for (const std::string bad : {"\xC0\x80", "\xED\xA0\x80", "\x80", "\xE2\x82", "\xF5\x80\x80\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad.size();
    EXPECT_EQ(Utf8Length(bad), bad.size());
    std::size_t pos = 0;
    EXPECT_EQ(Utf8Decode(bad, pos), kReplacementChar);
    EXPECT_EQ(pos, 1u);
    EXPECT_TRUE(IsValidUtf8(RepairUtf8(bad)));
  }
  EXPECT_EQ(RepairUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(RepairUtf8("ok тест"), "ok тест");
}

TEST(Utf8, LengthAndOffsetsCountCodePoints) {
  const std::string s = "aЖ€😀b";  // 1 + 2 + 3 + 4 + 1 bytes
  EXPECT_EQ(Utf8Length(s), 5u);
  EXPECT_EQ(Utf8Offset(s, 0), 0u);
  EXPECT_EQ(Utf8Offset(s, 2), 3u);
  EXPECT_EQ(Utf8Offset(s, 4), 10u);
  EXPECT_EQ(Utf8Offset(s, 9), s.size());
  EXPECT_EQ(Utf8ToUtf32(s), U"aЖ€😀b");
  EXPECT_EQ(Utf32ToUtf8(U"aЖ€😀b"), s);
}

TEST(Utf8, FloorBoundaryNeverSplitsASequence) {
  const std::string s = "aЖ€😀";  // boundaries 0, 1, 3, 6, 10
  const std::size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 10};
  for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(Utf8FloorBoundary(s, i), expected[i]) << i;
  // A stray continuation byte is a character of its own.
  EXPECT_EQ(Utf8FloorBoundary("ab\x80\x80", 3), 3u);
  EXPECT_EQ(Utf8FloorBoundary("\xD0\x96\x80", 2), 2u);
}

TEST(Utf8, CopyFollowsClassicClamping) {
  EXPECT_EQ(Utf8Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Utf8Copy("abcdef", -5, 2), "ab");
  EXPECT_EQ(Utf8Copy("abc", 5, 1), "");
  EXPECT_EQ(Utf8Copy("abc", 4, 1), "");
  EXPECT_EQ(Utf8Copy("abc", 2, 100), "bc");
  EXPECT_EQ(Utf8Copy("abc", 2, 0), "");
  EXPECT_EQ(Utf8Copy("abc", 2, -1), "");
  EXPECT_EQ(Utf8Copy("привет", 2, 3), "рив");
  EXPECT_EQ(Utf8Copy("привет", 6, INT64_MAX), "т");
}

TEST(Utf8, PosIsOneBasedInCodePoints) {
  EXPECT_EQ(Utf8Pos("b", "abc"), 2u);
  EXPECT_EQ(Utf8Pos("ет", "привет"), 5u);
  EXPECT_EQ(Utf8Pos("x", "abc"), 0u);
  EXPECT_EQ(Utf8Pos("", "abc"), 0u);
  // A byte match in the middle of a character is no match.
  EXPECT_EQ(Utf8Pos("\x96", "Ж"), 0u);
  EXPECT_EQ(Utf8Pos("\x96", "Ж\x96"), 2u);
}

TEST(Utf8, DeleteAndInsertFollowClassicRules) {
  std::string s = "привет";
  Utf8Delete(s, 2, 3);
  EXPECT_EQ(s, "пет");
  s = "abc";
  Utf8Delete(s, 0, 2);  // index below 1: nothing
  EXPECT_EQ(s, "abc");
  Utf8Delete(s, 4, 1);  // past the end: nothing
  EXPECT_EQ(s, "abc");
  Utf8Delete(s, 2, 100);
  EXPECT_EQ(s, "a");

  s = "пет";
  Utf8Insert("рив", s, 2);
  EXPECT_EQ(s, "привет");
  Utf8Insert("<", s, -3);
  Utf8Insert(">", s, 100);
  EXPECT_EQ(s, "<привет>");
}

TEST(Text, CaseMappingIsUnicode) {
  EXPECT_EQ(UpperCase("привет, ёжик! abc"), "ПРИВЕТ, ЁЖИК! ABC");
  EXPECT_EQ(LowerCase("ПРИВЕТ, ЁЖИК! ABC"), "привет, ёжик! abc");
  EXPECT_EQ(UpperCase("αβγ"), "ΑΒΓ");
  EXPECT_EQ(UpperCase("straße"), "STRAßE");
  EXPECT_EQ(UpperCase("a\xFF" "b"), "A\xFF" "B");  // malformed bytes survive
  EXPECT_EQ(UpperCaseChar(U'я'), U'Я');
  EXPECT_EQ(LowerCaseChar(U'Я'), U'я');
  EXPECT_EQ(AsciiUpperCase("abc я"), "ABC я");
  EXPECT_EQ(AsciiLowerCase("ABC Я"), "abc Я");
}

TEST(Text, TrimRemovesCodesUpTo32Only) {
  EXPECT_EQ(Trim("\t\n\x01 a b \r\x1f"), "a b");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("\xC2\xA0" "a"), "\xC2\xA0" "a");  // a no-break space is no control code
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(TrimView(" x "), "x");
}

TEST(Text, ComparisonsIgnoreCaseInUnicode) {
  EXPECT_TRUE(SameText("Ёлка", "ёЛКА"));
  EXPECT_TRUE(SameText("abc", "ABC"));
  EXPECT_TRUE(SameText("ϴ", "θ"));  // two capitals of one small letter
  EXPECT_FALSE(SameText("abc", "abd"));
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("abc", "AB"), 0);
  EXPECT_FALSE(SameText("\xFE", "\xFF"));  // distinct malformed bytes stay distinct
  EXPECT_LT(CompareStr("B", "a"), 0);      // byte-wise
  EXPECT_EQ(CompareStr("a", "a"), 0);
}

TEST(Text, IsLetterKnowsUnicodeLetters) {
  for (char32_t c : {U'A', U'z', U'я', U'Ё', U'中', U'ß'}) EXPECT_TRUE(IsLetter(c));
  for (char32_t c : {U'1', U'_', U' ', U'€', char32_t(0x110000)}) EXPECT_FALSE(IsLetter(c));
}

TEST(CodePage, Cp866RoundTripWithSubstitutes) {
  const std::string cp866 = ConvertFromUtf8("Привет!", "CP866");
  EXPECT_EQ(cp866, "\x8F\xE0\xA8\xA2\xA5\xE2!");
  EXPECT_EQ(ConvertToUtf8(cp866, "CP866"), "Привет!");
  EXPECT_EQ(ConvertFromUtf8("a€b", "CP866"), "a?b");           // not in the code page
  EXPECT_EQ(ConvertFromUtf8("a\xFF" "b", "CP866"), "a?b");     // malformed input
  EXPECT_EQ(ConvertFromUtf8("Ёж", "CP1251"), "\xA8\xE6");
  EXPECT_EQ(ConvertToUtf8("a\x98", "CP1251"), "a\xEF\xBF\xBD");  // 0x98 is unassigned
}

TEST(CodePage, LongTextsCrossTheBufferSize) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "Жa";
  EXPECT_EQ(ConvertToUtf8(ConvertFromUtf8(text, "CP866"), "CP866"), text);
}

TEST(CodePage, UnknownCodePageIsAConvertError) {
  try {
    ConvertFromUtf8("x", "NO-SUCH-PAGE");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Unknown code page 'NO-SUCH-PAGE'");
  }
  EXPECT_THROW(ConvertToUtf8("x", "NO-SUCH-PAGE"), EConvertError);
}

}  // namespace
}  // namespace bexlo
