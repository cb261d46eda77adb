// Padding, centring, blank and delimiter clean-up, Roman numerals. Lengths and widths count
// characters (Unicode code points of the UTF-8 text), so a Cyrillic letter is one character and
// no multi-byte sequence is ever split. Every routine returns a new string except DeleteDelim,
// which rewrites its argument.
#pragma once

#include <string>
#include <string_view>

namespace bexlo {

// Len copies of ch; empty for len <= 0. The string forms use the first character of ch, or a
// blank when ch is empty. An invalid code point is written as U+FFFD.
std::string CharStr(char32_t ch, int len);
std::string CharStr(std::string_view ch, int len);

// s followed by ch up to len characters; s unchanged when it already has len or more.
std::string PadCh(std::string_view s, char32_t ch, int len);
std::string PadCh(std::string_view s, std::string_view ch, int len);
std::string Pad(std::string_view s, int len);
// ch before s up to len characters; s unchanged when it already has len or more.
std::string LeftPadCh(std::string_view s, char32_t ch, int len);
std::string LeftPadCh(std::string_view s, std::string_view ch, int len);
std::string LeftPad(std::string_view s, int len);
// s placed at offset (len - length(s)) div 2 of len characters ch (the extra fill goes right);
// s unchanged when it already has len or more.
std::string CenterCh(std::string_view s, char32_t ch, int len);
std::string CenterCh(std::string_view s, std::string_view ch, int len);
std::string Center(std::string_view s, int len);

// s without blanks (all = true) or with each run of blanks made one blank (all = false); the
// result is trimmed of blanks at both ends.
std::string DeleteSpace(std::string_view s, bool all);

// Makes a multi-line field label one word: a blank or "|" becomes "_", a "-" directly before a
// "|" (a soft hyphen at a line end) is dropped; a "-" at the very end is kept.
void DeleteDelim(std::string& s);

// Roman numeral of n for 1 <= n <= 8999 (thousands as repeated "M"); "?" for 0, negative
// values and values of 9000 and more.
std::string ArabicToRoman(int n);

}  // namespace bexlo
