#include "util/usr_str.h"

#include <gtest/gtest.h>

namespace bexlo {
namespace {

TEST(UsrStr, PaddingCountsCharactersNotBytes) {
  EXPECT_EQ(CharStr(U'ж', 3), "жжж");
  EXPECT_EQ(CharStr("-", 0), "");
  EXPECT_EQ(CharStr("", 2), "  ");
  EXPECT_EQ(CharStr("xyz", 2), "xx");
  EXPECT_EQ(Pad("жук", 5), "жук  ");
  EXPECT_EQ(LeftPad("жук", 5), "  жук");
  EXPECT_EQ(LeftPadCh("7", "0", 3), "007");
  EXPECT_EQ(PadCh("ab", U'·', 4), "ab··");
  EXPECT_EQ(Pad("toolong", 3), "toolong");  // never cut
  EXPECT_EQ(LeftPad("abc", 3), "abc");
  EXPECT_EQ(Pad("x", -4), "x");
}

TEST(UsrStr, CenterPutsTheExtraFillOnTheRight) {
  EXPECT_EQ(CenterCh("ab", '*', 5), "*ab**");
  EXPECT_EQ(CenterCh("ab", '*', 6), "**ab**");
  EXPECT_EQ(Center("Итог", 7), " Итог  ");
  EXPECT_EQ(Center("wide", 2), "wide");
}

TEST(UsrStr, DeleteSpace) {
  EXPECT_EQ(DeleteSpace("  a   b  ", false), "a b");
  EXPECT_EQ(DeleteSpace("  a   b  ", true), "ab");
  EXPECT_EQ(DeleteSpace("", false), "");
  EXPECT_EQ(DeleteSpace("   ", true), "");
  EXPECT_EQ(DeleteSpace("\tx  y\n", false), "x y");  // ends are trimmed of control characters too
}

TEST(UsrStr, DeleteDelimMakesALabelOneWord) {
  std::string s = "List of|search";
  DeleteDelim(s);
  EXPECT_EQ(s, "List_of_search");
  s = "Сум-|ма долга";  // the hyphen before a bar goes, the bar still becomes "_"
  DeleteDelim(s);
  EXPECT_EQ(s, "Сум_ма_долга");
  s = "semi-final-";  // an inner hyphen and a final one are kept
  DeleteDelim(s);
  EXPECT_EQ(s, "semi-final-");
  s = "--|";
  DeleteDelim(s);
  EXPECT_EQ(s, "-_");
}

// The usual subtractive notation, built independently of the routine under test.
std::string ReferenceRoman(int n) {
  static const std::pair<int, const char*> kTable[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"},
                                                       {100, "C"},  {90, "XC"},  {50, "L"},  {40, "XL"},
                                                       {10, "X"},   {9, "IX"},   {5, "V"},   {4, "IV"},
                                                       {1, "I"}};
  std::string out;
  for (const auto& [value, letters] : kTable) {
    while (n >= value) {
      out += letters;
      n -= value;
    }
  }
  return out;
}

TEST(UsrStr, ArabicToRoman) {
  for (int n = 1; n <= 8999; ++n) ASSERT_EQ(ArabicToRoman(n), ReferenceRoman(n)) << n;
  EXPECT_EQ(ArabicToRoman(8999), "MMMMMMMMCMXCIX");
  EXPECT_EQ(ArabicToRoman(8888), "MMMMMMMMDCCCLXXXVIII");  // the longest: 20 letters, none cut
  EXPECT_EQ(ArabicToRoman(0), "?");
  EXPECT_EQ(ArabicToRoman(9000), "?");
  EXPECT_EQ(ArabicToRoman(-3), "?");  // must not loop forever
}

}  // namespace
}  // namespace bexlo
