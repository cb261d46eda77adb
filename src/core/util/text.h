// UTF-8 text routines. Strings hold UTF-8; where text is counted or cut, the unit is the Unicode
// code point and no routine ever splits a multi-byte sequence. A byte that does not belong to a
// well-formed sequence counts as one character of its own (and decodes as U+FFFD), so malformed
// input is measured and cut consistently instead of failing.
//
// Positions follow the classic 1-based string routines (Copy, Pos, Delete, Insert) with their
// clamping rules. Case mapping is Unicode (simple one-to-one mappings, so the number of code
// points never changes); the ASCII variants touch only 'a'-'z' / 'A'-'Z'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bexlo {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// ---- code points ---------------------------------------------------------------------------------

// Decodes the code point starting at byte `pos` and moves `pos` past it. A malformed or truncated
// sequence, an overlong form or a surrogate yields kReplacementChar and advances by one byte.
// `pos` must be < s.size().
char32_t Utf8Decode(std::string_view s, std::size_t& pos) noexcept;

// Appends the UTF-8 form of `cp` (values above U+10FFFF and surrogates append U+FFFD).
void Utf8Append(std::string& out, char32_t cp);
std::string Utf8Encode(char32_t cp);

// Whole-string conversions between UTF-8 and UTF-32 (malformed bytes become U+FFFD).
std::u32string Utf8ToUtf32(std::string_view s);
std::string Utf32ToUtf8(std::u32string_view s);

// ---- counting and positions ----------------------------------------------------------------------

// Number of code points (each malformed byte counts as one).
std::size_t Utf8Length(std::string_view s) noexcept;

// Byte offset at which the code point with 0-based index `index` starts; s.size() when the text
// has no more than `index` code points.
std::size_t Utf8Offset(std::string_view s, std::size_t index) noexcept;

// The largest character boundary <= byteIndex (s.size() when byteIndex is past the end). Use it to
// cap a text at a byte budget without splitting a sequence.
std::size_t Utf8FloorBoundary(std::string_view s, std::size_t byteIndex) noexcept;

// Classic Copy in code points: `index` is 1-based; index < 1 counts as 1, a count reaching past the
// end stops there, index past the end or count <= 0 gives "".
std::string Utf8Copy(std::string_view s, std::int64_t index, std::int64_t count);

// 1-based code-point position of the first occurrence of `sub` in `s` (byte-exact match); 0 when
// absent or when `sub` is empty.
std::size_t Utf8Pos(std::string_view sub, std::string_view s) noexcept;

// Classic Delete in code points: removes `count` characters starting at 1-based `index`. Nothing
// happens when index < 1, index is past the end or count <= 0.
void Utf8Delete(std::string& s, std::int64_t index, std::int64_t count);

// Classic Insert in code points: inserts `sub` before 1-based `index`; index < 1 counts as 1 and an
// index past the end appends.
void Utf8Insert(std::string_view sub, std::string& s, std::int64_t index);

// ---- validity ------------------------------------------------------------------------------------

// True when every byte belongs to a well-formed sequence (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view s) noexcept;

// The text with every malformed byte replaced by U+FFFD. Readers of outside text use it.
std::string RepairUtf8(std::string_view s);

// ---- case ----------------------------------------------------------------------------------------

// Unicode upper / lower case (Latin, Cyrillic, Greek, ... all fold). Malformed bytes are kept.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
char32_t UpperCaseChar(char32_t cp) noexcept;
char32_t LowerCaseChar(char32_t cp) noexcept;

// ASCII-only case mapping: other bytes are copied unchanged.
std::string AsciiUpperCase(std::string_view s);
std::string AsciiLowerCase(std::string_view s);

// ---- trimming and comparison ---------------------------------------------------------------------

// Remove leading and/or trailing bytes with codes 0 to 32.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// The same without a copy: a view into `s`.
std::string_view TrimView(std::string_view s) noexcept;

// Byte-wise comparison: < 0, 0 or > 0.
int CompareStr(std::string_view a, std::string_view b) noexcept;
// Case-insensitive comparison of code points (each compared as the upper case of its lower
// case): < 0, 0 or > 0.
int CompareText(std::string_view a, std::string_view b) noexcept;
bool SameText(std::string_view a, std::string_view b) noexcept;

// ---- character classes ---------------------------------------------------------------------------

// True for Unicode letters (general categories Lu, Ll, Lt, Lm, Lo).
bool IsLetter(char32_t cp) noexcept;

// ---- code pages ----------------------------------------------------------------------------------

// Converts UTF-8 text to the single- or multi-byte code page named `codepage` (an iconv name such
// as "CP866", "CP1251", "KOI8-R"). Characters the code page lacks, and malformed input bytes,
// become "?". An unknown code page raises EConvertError.
std::string ConvertFromUtf8(std::string_view s, std::string_view codepage);

// Converts text in code page `codepage` to UTF-8. Bytes that are invalid in that code page become
// U+FFFD. An unknown code page raises EConvertError.
std::string ConvertToUtf8(std::string_view s, std::string_view codepage);

}  // namespace bexlo
