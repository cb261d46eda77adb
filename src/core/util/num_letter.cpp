#include "util/num_letter.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "util/money_words.h"
#include "util/rounding.h"
#include "util/text.h"

namespace bexlo {

namespace {

// Grammatical number of a table key: the unit word after it takes this form.
enum class TNumberCategory { one, few, many };

TNumberCategory CategoryOf(int key) {
  if (key == 1) return TNumberCategory::one;
  if (key >= 2 && key <= 4) return TNumberCategory::few;
  return TNumberCategory::many;
}

// The keys of the word table: 1..20, the tens 30..90 and the hundreds 100..900.
bool IsTableKey(int key) {
  return (key >= 1 && key <= 20) || (key >= 30 && key <= 90 && key % 10 == 0) ||
         (key >= 100 && key <= 900 && key % 100 == 0);
}

// Digit-word code of a key at a position. One and two have a second form for the cents and the
// thousands.
int DigitCode(TNumLetter::TPosition position, int key) {
  const bool secondForm = position == TNumLetter::npCents || position == TNumLetter::npThousands;
  if (key == 1) return secondForm ? 2 : 1;
  if (key == 2) return secondForm ? 4 : 3;
  if (key <= 19) return key + 2;
  if (key == 20) return 22;
  if (key < 100) return 23 + (key / 10 - 3);
  return 30 + (key / 100 - 1);
}

// Unit-word code of a key at a position (one / few / many forms of the position's word).
int UnitCode(TNumLetter::TPosition position, int key) {
  // Per position: the codes of the one, few and many forms.
  static constexpr int kCodes[7][3] = {
      {1, 2, 3},     // cents
      {4, 5, 6},     // units (currency)
      {7, 8, 9},     // thousands
      {10, 12, 11},  // millions
      {13, 15, 14},  // 10^9
      {16, 18, 17},  // 10^12
      {19, 21, 20},  // 10^15
  };
  return kCodes[position][static_cast<int>(CategoryOf(key))];
}

// The ordinary string-to-integer conversion of a group's digits: leading blanks are skipped,
// anything that is not all digits after them gives 0.
int GroupValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size()) return 0;
  int value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::string TableWord(const auto& table, int code) {
  if (code < 1 || code >= static_cast<int>(table.size())) return {};
  return table[code];
}

TMoneyWords& CurrentWords() {
  static TMoneyWords words = EnglishMoneyWords();
  return words;
}

}  // namespace

const TMoneyWords& MoneyWords() { return CurrentWords(); }
void SetMoneyWords(const TMoneyWords& words) { CurrentWords() = words; }

TNumLetter::TNumLetter(bool centsAsDigits) : cents_as_digits_(centsAsDigits) {}

std::string TNumLetter::GiveSpecialWords(int kind) {
  const TMoneyWords& words = MoneyWords();
  if (NoCurrency) {
    if (kind == 1) return "00";
    if (kind == 2 || kind == 3) return words.Zero;
    return {};
  }
  switch (kind) {
    case 1: return "00 " + words.ZeroCents;
    case 2: return words.Zero + " " + words.ZeroCents;
    case 3: return words.Zero;
    default: return {};
  }
}

std::string TNumLetter::GiveDigit(int code) { return TableWord(MoneyWords().Digits, code); }

std::string TNumLetter::GiveCurrency(int code) {
  if (NoCurrency && code >= 1 && code <= 6) return {};
  return TableWord(MoneyWords().Units, code);
}

bool TNumLetter::AddLettersForNumber(TPosition position, int key) {
  if (!IsTableKey(key)) return false;
  if (first_word_) result_ = " " + GiveCurrency(UnitCode(position, key)) + result_;
  if (!(digit_mode_ && position == npCents))
    result_ = " " + GiveDigit(DigitCode(position, key)) + result_;
  return true;
}

bool TNumLetter::AddLettersForTriada(TPosition position, int group) {
  first_word_ = true;
  if (AddLettersForNumber(position, group)) return true;

  const int hundreds = group / 100 * 100;
  const int rest = group % 100;
  const int tens = rest / 10 * 10;
  const int units = rest % 10;
  bool added = false;
  auto spell = [&](int key) {
    if (AddLettersForNumber(position, key)) {
      first_word_ = false;
      added = true;
    }
  };
  if (rest >= 11 && rest <= 19) {
    spell(rest);
  } else {
    spell(units);
    spell(tens);
  }
  spell(hundreds);
  return added;
}

void TNumLetter::PrepLetters(double value) {
  result_.clear();
  read_pos_ = 0;
  too_large_ = false;
  negative_ = false;
  if (std::isnan(value)) return;  // no amount: nothing to read, GetLine reports failure
  if (value > kLimit) {
    value = kLimit - 1;
    too_large_ = true;
  }
  if (value < 0) {
    value = -value;
    negative_ = true;
    if (value > kLimit) {
      too_large_ = true;
      return;
    }
  }
  digit_mode_ = cents_as_digits_;

  // Right-aligned in 21 characters with 2 decimals: six groups of three digits, the point, cents.
  char text[64];
  if (too_large_)
    std::snprintf(text, sizeof text, "%21s", "9999999999999999.00");  // 1e16 - 1, exactly
  else
    std::snprintf(text, sizeof text, "%21.2f", value);
  const std::string_view formatted(text);
  auto group = [&](std::size_t from, std::size_t count) { return GroupValue(formatted.substr(from, count)); };

  bool allZero = true;
  if (!integer_only_) {
    const int cents = group(19, 2);
    if (AddLettersForTriada(npCents, cents)) {
      if (digit_mode_) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02d", cents);
        result_ = " " + std::string(digits) + result_;
      }
    } else {
      result_ = " " + GiveSpecialWords(digit_mode_ ? 1 : 2) + result_;
    }
  }

  if (AddLettersForTriada(npUnits, group(15, 3)))
    allZero = false;
  else
    result_ = (NoCurrency ? " " : " " + MoneyWords().NoUnitsCurrency) + result_;

  static constexpr TPosition kHigher[] = {npThousands, npMillions, npE9, npE12, npE15};
  for (int i = 0; i < 5; ++i) {
    if (AddLettersForTriada(kHigher[i], group(12 - 3 * i, 3))) allZero = false;
  }

  if (allZero) result_ = GiveSpecialWords(3) + result_;
  if (negative_) result_ = MoneyWords().Minus + " " + result_;
  result_ = WinFirstCharUpCase(Trim(result_));
}

void TNumLetter::PrepLettersIntegerOnly(double value) {
  integer_only_ = true;
  PrepLetters(value);
}

void TNumLetter::PrepString(const std::string& text) {
  result_ = text;
  read_pos_ = 0;
  digit_mode_ = false;
}

bool TNumLetter::GetLine(std::string& text) {
  if (read_pos_ >= result_.size()) return false;
  text = Trim(result_.substr(read_pos_));
  read_pos_ = result_.size();
  return !too_large_;
}

// ---- case routines -----------------------------------------------------------------------------

char32_t WinUpCase(char32_t ch) { return UpperCaseChar(ch); }
char32_t WinLoCase(char32_t ch) { return LowerCaseChar(ch); }

std::string WinFirstCharUpCase(const std::string& text) {
  std::string lower = LowerCase(text);
  if (lower.empty()) return lower;
  std::size_t firstEnd = 0;
  const char32_t first = Utf8Decode(lower, firstEnd);
  if (first == kReplacementChar) return lower;  // a malformed byte is kept as it is
  std::string out = Utf8Encode(UpperCaseChar(first));
  out.append(lower, firstEnd);
  return out;
}

void WinEachWordFirstCharUpCaseSt(std::string& text) {
  static constexpr std::u32string_view kDelimiters = U" !\"#$'()*+,-./:;<=>?[]^{}~";
  const std::string lower = LowerCase(text);
  std::string out;
  out.reserve(lower.size());
  bool wordStart = true;
  for (std::size_t i = 0; i < lower.size();) {
    const std::size_t start = i;
    const char32_t ch = Utf8Decode(lower, i);
    const bool delimiter = kDelimiters.find(ch) != std::u32string_view::npos;
    if (wordStart && !delimiter && ch != kReplacementChar)
      Utf8Append(out, UpperCaseChar(ch));
    else
      out.append(lower, start, i - start);  // malformed bytes are kept as they were
    wordStart = delimiter;
  }
  text = std::move(out);
}

bool DoubleToWords(double& value, std::string& text, bool withCents, bool centsAsDigits,
                   bool onlyValue) {
  TNumLetter letters(centsAsDigits);
  letters.NoCurrency = onlyValue;
  value = Rd2(value);
  if (withCents)
    letters.PrepLetters(value);
  else
    letters.PrepLettersIntegerOnly(value);
  return letters.GetLine(text);
}

}  // namespace bexlo
