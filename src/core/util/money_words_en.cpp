// The English words of amounts in words. A translation is a copy of this table with its own texts.
#include "util/money_words.h"

namespace bexlo {

const TMoneyWords& EnglishMoneyWords() {
  static const TMoneyWords words{
      .Digits = {"",                                                              //
                 "One", "One", "Two", "Two", "Three", "Four", "Five", "Six",      // 1..8
                 "Seven", "Eight", "Nine", "Ten", "Eleven", "Twelve",             // 9..14
                 "Thirteen", "Fourteen", "Fifteen", "Sixteen", "Seventeen",       // 15..19
                 "Eighteen", "Nineteen",                                          // 20..21
                 "Twenty", "Thirty", "Forty", "Fifty", "Sixty", "Seventy",        // 22..27
                 "Eighty", "Ninety",                                              // 28..29
                 "Hundred", "Two Hundred", "Three Hundred", "Four Hundred",       // 30..33
                 "Five Hundred", "Six Hundred", "Seven Hundred", "Eight Hundred",  // 34..37
                 "Nine Hundred"},                                                 // 38
      .Units = {"",                                        //
                "cent", "cents", "cents",                  // 1..3
                "dollar", "dollars", "dollars",            // 4..6
                "thousand", "thousands", "thousands",      // 7..9
                "million", "millions", "millions",         // 10..12
                "milliard", "milliards", "milliards",      // 13..15
                "trillion", "trillions", "trillions",      // 16..18
                "billion", "billions", "billions"},        // 19..21
      .NoUnitsCurrency = "dollars",
      .ZeroCents = "cents",
      .Zero = "zero",
      .Minus = "Minus",
  };
  return words;
}

}  // namespace bexlo
