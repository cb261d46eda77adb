// Amounts of money in words, as they are written out on payment documents:
//   1234.56 -> "One thousand two hundred thirty four dollars fifty six cents".
// Groups of three digits are spelled with their scale word, the integer part is followed by the
// currency word and the cents by the cent word, and each unit word takes the grammatical-number
// form (one / few / many) of the component spelled last before it. The words come from
// MoneyWords() (money_words.h); a derived class may supply another language by overriding the
// three word methods. Amounts above 1e16 are written as 1e16 - 1 and reported as too large.
#pragma once

#include <string>

namespace bexlo {

class TNumLetter {
 public:
  // Positions of a group in the amount; each has its own word forms.
  enum TPosition { npCents, npUnits, npThousands, npMillions, npE9, npE12, npE15 };

  explicit TNumLetter(bool centsAsDigits);
  virtual ~TNumLetter() = default;

  // Builds the words for value (see the file comment).
  void PrepLetters(double value);
  // Leaves the cents out, from now on for this object, and builds the words for value.
  void PrepLettersIntegerOnly(double value);
  // Makes text the result, to be read back by GetLine.
  void PrepString(const std::string& text);

  // Hands out the whole unread result, trimmed, and marks it read. False when nothing is left
  // (text is then untouched) or when the amount was too large (text still gets the words).
  bool GetLine(std::string& text);
  bool GetOneLine(std::string& text) { return GetLine(text); }

  // Group speller: prepends the words of `group` (0..999) at `position`; true when any were added.
  bool AddLettersForTriada(TPosition position, int group);
  // Prepends the words of the table row `key` (1..20, tens, hundreds); false when there is none.
  bool AddLettersForNumber(TPosition position, int key);

  // Suppresses the currency and cent words (set by the caller before PrepLetters).
  bool NoCurrency = false;
  bool TooLarge() const { return too_large_; }
  bool Negative() const { return negative_; }

 protected:
  // kind 1: "00 cents", 2: "zero cents", 3: "zero" (without currency: "00", "zero", "zero").
  virtual std::string GiveSpecialWords(int kind);
  virtual std::string GiveDigit(int code);
  virtual std::string GiveCurrency(int code);

 private:
  static constexpr double kLimit = 1e16;

  bool too_large_ = false;
  bool negative_ = false;
  bool integer_only_ = false;
  bool cents_as_digits_;
  bool digit_mode_ = false;
  bool first_word_ = false;
  std::string result_;
  std::size_t read_pos_ = 0;  // 0-based index of the first unread byte of result_
};

// Character case routines of amounts in words (Unicode-aware).
char32_t WinUpCase(char32_t ch);
char32_t WinLoCase(char32_t ch);
// The text lower-cased with its first character upper-cased.
std::string WinFirstCharUpCase(const std::string& text);
// The text lower-cased with the first character of every word upper-cased: a character that
// starts the text or follows a blank or one of ! " # $ ' ( ) * + , - . / : ; < = > ? [ ] ^ { } ~.
void WinEachWordFirstCharUpCaseSt(std::string& text);

// Writes value in words into text. value is rounded to two decimals in place; withCents spells
// the cents, centsAsDigits writes them as two digits, onlyValue suppresses the currency words.
// Returns false when the amount is too large (the words of 1e16 - 1 are still written) or could
// not be written at all.
bool DoubleToWords(double& value, std::string& text, bool withCents, bool centsAsDigits,
                   bool onlyValue);

}  // namespace bexlo
