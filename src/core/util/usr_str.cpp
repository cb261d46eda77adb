#include "util/usr_str.h"

#include "util/text.h"

namespace bexlo {

namespace {

char32_t FirstChar(std::string_view ch) {
  if (ch.empty()) return U' ';
  std::size_t pos = 0;
  return Utf8Decode(ch, pos);
}

int LengthOf(std::string_view s) { return static_cast<int>(Utf8Length(s)); }

}  // namespace

std::string CharStr(char32_t ch, int len) {
  std::string result;
  if (len <= 0) return result;
  const std::string one = Utf8Encode(ch);
  result.reserve(one.size() * static_cast<std::size_t>(len));
  for (int i = 0; i < len; ++i) result += one;
  return result;
}

std::string CharStr(std::string_view ch, int len) { return CharStr(FirstChar(ch), len); }

std::string PadCh(std::string_view s, char32_t ch, int len) {
  const int n = LengthOf(s);
  std::string result(s);
  if (n < len) result += CharStr(ch, len - n);
  return result;
}

std::string PadCh(std::string_view s, std::string_view ch, int len) { return PadCh(s, FirstChar(ch), len); }
std::string Pad(std::string_view s, int len) { return PadCh(s, U' ', len); }

std::string LeftPadCh(std::string_view s, char32_t ch, int len) {
  const int n = LengthOf(s);
  if (n >= len) return std::string(s);
  std::string result = CharStr(ch, len - n);
  result += s;
  return result;
}

std::string LeftPadCh(std::string_view s, std::string_view ch, int len) { return LeftPadCh(s, FirstChar(ch), len); }
std::string LeftPad(std::string_view s, int len) { return LeftPadCh(s, U' ', len); }

std::string CenterCh(std::string_view s, char32_t ch, int len) {
  const int n = LengthOf(s);
  if (n >= len) return std::string(s);
  const int left = (len - n) / 2;
  std::string result = CharStr(ch, left);
  result += s;
  result += CharStr(ch, len - n - left);
  return result;
}

std::string CenterCh(std::string_view s, std::string_view ch, int len) { return CenterCh(s, FirstChar(ch), len); }
std::string Center(std::string_view s, int len) { return CenterCh(s, U' ', len); }

std::string DeleteSpace(std::string_view s, bool all) {
  std::string result;
  result.reserve(s.size());
  bool inBlanks = false;
  for (char c : s) {
    if (c == ' ') {
      if (!all && !inBlanks) result += ' ';
      inBlanks = true;
    } else {
      result += c;
      inBlanks = false;
    }
  }
  return std::string(TrimView(result));
}

void DeleteDelim(std::string& s) {
  // Every character involved is ASCII, so working on bytes never touches a multi-byte sequence.
  std::string result;
  result.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ' ' || c == '|') {
      result += '_';
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '|') {
      // a soft hyphen at the end of a label line: dropped
    } else {
      result += c;
    }
  }
  s = std::move(result);
}

std::string ArabicToRoman(int n) {
  struct Row {
    int threshold;
    int value;  // subtracted from the remainder; a negative value adds
    char letter;
  };
  static constexpr Row kRows[] = {{1000, 1000, 'M'}, {900, -100, 'C'}, {500, 500, 'D'}, {400, -100, 'C'},
                                  {100, 100, 'C'},   {90, -10, 'X'},   {50, 50, 'L'},   {40, -10, 'X'},
                                  {10, 10, 'X'},     {9, -1, 'I'},     {5, 5, 'V'},     {4, -1, 'I'},
                                  {1, 1, 'I'}};
  if (n < 1 || n > 8999) return "?";
  std::string result;
  int rest = n;
  while (rest > 0) {
    for (const Row& row : kRows) {
      if (row.threshold <= rest) {
        result += row.letter;
        rest -= row.value;
        break;
      }
    }
  }
  return result;
}

}  // namespace bexlo
