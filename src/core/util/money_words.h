// The words that amounts of money are written in (see num_letter.h). They are texts, not code:
// money_words_en.cpp holds the English set, and a host that writes amounts in another language
// hands its own set to SetMoneyWords() (or links its own file in place of the English one).
//
// Three forms of every unit word exist for languages that inflect by number: the form for one,
// for two to four, and for five and more (in English several forms are the same word).
#pragma once

#include <array>
#include <string>

namespace bexlo {

struct TMoneyWords {
  // Digit words by code 1..38 (entry 0 unused): 1 and 2 "One" (the second form is used for cents
  // and thousands), 3 and 4 "Two" (likewise), 5..21 "Three".."Nineteen", 22..29 "Twenty".."Ninety",
  // 30..38 "Hundred".."Nine Hundred".
  std::array<std::string, 39> Digits;
  // Unit words by code 1..21 (entry 0 unused), three forms each (one / few / many):
  // 1..3 cents, 4..6 currency, 7..9 thousands, 10..12 millions (10 one, 11 many, 12 few),
  // 13..15 10^9 (13 one, 14 many, 15 few), 16..18 10^12, 19..21 10^15, each ordered as 10..12.
  std::array<std::string, 22> Units;
  std::string NoUnitsCurrency;  // currency word written when the units group is zero
  std::string ZeroCents;        // cent word after "00" or "zero" when there are no cents
  std::string Zero;             // the word for a zero amount or zero cents
  std::string Minus;            // the word before a negative amount
};

// The English words.
const TMoneyWords& EnglishMoneyWords();

// The words in use (English until SetMoneyWords is called).
const TMoneyWords& MoneyWords();
void SetMoneyWords(const TMoneyWords& words);

}  // namespace bexlo
