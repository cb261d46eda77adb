#include "util/num_letter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/money_words.h"

namespace bexlo {
namespace {

struct Words {
  bool ok;
  std::string text;
};

Words Spell(double value, bool withCents = true, bool centsAsDigits = false, bool onlyValue = false) {
  Words w{false, "<untouched>"};
  w.ok = DoubleToWords(value, w.text, withCents, centsAsDigits, onlyValue);
  return w;
}

TEST(NumLetter, SpellsGroupsCentsAndUnitWords) {
  EXPECT_EQ(Spell(1234.56).text, "One thousand two hundred thirty four dollars fifty six cents");
  EXPECT_EQ(Spell(1234.56, true, true).text,
            "One thousand two hundred thirty four dollars 56 cents");
  EXPECT_EQ(Spell(1000).text, "One thousand dollars zero cents");
  EXPECT_EQ(Spell(110).text, "Hundred ten dollars zero cents");
  EXPECT_EQ(Spell(15).text, "Fifteen dollars zero cents");
  EXPECT_EQ(Spell(0.01, true, true).text, "Zero dollars 01 cent");
  EXPECT_TRUE(Spell(1234.56).ok);
}

TEST(NumLetter, UnitWordTakesTheFormOfTheLastComponent) {
  EXPECT_EQ(Spell(21, false).text, "Twenty one dollar");
  EXPECT_EQ(Spell(22, false).text, "Twenty two dollars");
  EXPECT_EQ(Spell(25, false).text, "Twenty five dollars");
  EXPECT_EQ(Spell(12, false).text, "Twelve dollars");
  EXPECT_EQ(Spell(2000, false).text, "Two thousands dollars");
  EXPECT_EQ(Spell(2000000, false).text, "Two millions dollars");
  EXPECT_EQ(Spell(1000000000, false).text, "One milliard dollars");
  EXPECT_EQ(Spell(3e12, false).text, "Three trillions dollars");
  EXPECT_EQ(Spell(0.21).text, "Zero dollars twenty one cent");
}

TEST(NumLetter, ZeroAmounts) {
  EXPECT_EQ(Spell(0).text, "Zero dollars zero cents");
  EXPECT_EQ(Spell(0, true, true).text, "Zero dollars 00 cents");
  EXPECT_EQ(Spell(0, false).text, "Zero dollars");
}

TEST(NumLetter, NegativeKeepsInnerDoubleBlank) {
  EXPECT_EQ(Spell(-5).text, "Minus  five dollars zero cents");
}

TEST(NumLetter, WithoutCurrencyWordsTheirBlanksRemain) {
  EXPECT_EQ(Spell(21, true, false, true).text, "Twenty one  zero");
  EXPECT_EQ(Spell(21.5, true, true, true).text, "Twenty one  50");
  EXPECT_EQ(Spell(0, true, true, true).text, "Zero  00");
}

TEST(NumLetter, RoundsTheValueInPlace) {
  double value = 2.675;
  std::string text;
  ASSERT_TRUE(DoubleToWords(value, text, true, false, false));
  EXPECT_DOUBLE_EQ(value, 2.68);
  EXPECT_EQ(text, "Two dollars sixty eight cents");
}

TEST(NumLetter, TooLargeWritesTheLimitAndReportsFailure) {
  const Words w = Spell(1e17);
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.text,
            "Nine billions nine hundred ninety nine trillions nine hundred ninety nine milliards "
            "nine hundred ninety nine millions nine hundred ninety nine thousands nine hundred "
            "ninety nine dollars zero cents");
  EXPECT_FALSE(Spell(std::numeric_limits<double>::infinity()).ok);
}

TEST(NumLetter, UnwritableAmountsReportFailureAndLeaveTheTextAlone) {
  for (double v : {-1e17, -std::numeric_limits<double>::infinity(), std::nan("")}) {
    const Words w = Spell(v);
    EXPECT_FALSE(w.ok) << v;
    EXPECT_EQ(w.text, "<untouched>") << v;
  }
}

TEST(NumLetter, GetLineHandsOutTheResultOnce) {
  TNumLetter letters(false);
  letters.PrepString("  some text  ");
  std::string text;
  ASSERT_TRUE(letters.GetLine(text));
  EXPECT_EQ(text, "some text");
  text = "kept";
  EXPECT_FALSE(letters.GetOneLine(text));
  EXPECT_EQ(text, "kept");
}

TEST(NumLetter, ObjectCanBeReused) {
  TNumLetter letters(true);
  std::string text;
  letters.PrepLetters(1e17);
  EXPECT_FALSE(letters.GetLine(text));
  letters.PrepLetters(-3);
  ASSERT_TRUE(letters.GetLine(text));
  EXPECT_EQ(text, "Minus  three dollars 00 cents");
  letters.PrepLettersIntegerOnly(7.5);
  ASSERT_TRUE(letters.GetLine(text));
  EXPECT_EQ(text, "Seven dollars");
}

class ShoutingLetters : public TNumLetter {
 public:
  ShoutingLetters() : TNumLetter(false) {}

 protected:
  std::string GiveDigit(int code) override { return "<" + TNumLetter::GiveDigit(code) + ">"; }
};

TEST(NumLetter, WordsCanBeReplaced) {
  ShoutingLetters letters;
  letters.PrepLettersIntegerOnly(3);
  std::string text;
  ASSERT_TRUE(letters.GetLine(text));
  EXPECT_EQ(text, "<three> dollars");

  TMoneyWords words = EnglishMoneyWords();
  words.Units[5] = "euros";
  words.Digits[5] = "Drei";
  SetMoneyWords(words);
  EXPECT_EQ(Spell(3, false).text, "Drei euros");
  SetMoneyWords(EnglishMoneyWords());
  EXPECT_EQ(Spell(3, false).text, "Three dollars");
}

TEST(NumLetter, CaseRoutines) {
  EXPECT_EQ(WinFirstCharUpCase("hELLO wORLD"), "Hello world");
  EXPECT_EQ(WinFirstCharUpCase(""), "");
  EXPECT_EQ(WinFirstCharUpCase("éCOLE"), "École");
  EXPECT_EQ(WinUpCase(U'ж'), U'Ж');
  EXPECT_EQ(WinLoCase(U'Q'), U'q');

  std::string s = "hELLO-wORLD (abc)x 5th,then  two|x";
  WinEachWordFirstCharUpCaseSt(s);
  EXPECT_EQ(s, "Hello-World (Abc)X 5th,Then  Two|x");
  s = "привет мир";
  WinEachWordFirstCharUpCaseSt(s);
  EXPECT_EQ(s, "Привет Мир");
}

}  // namespace
}  // namespace bexlo
