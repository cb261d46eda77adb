// One decoder for every reader of text from outside the library: template files and stored
// templates, grid states and template files, report output files shown by the viewer.
//
// The promise: bytes that are valid UTF-8 are returned as they are, unchanged. Anything else is
// text written by the earlier system in its legacy single-byte code page and is converted from
// that code page to UTF-8 as a whole: Windows-1251 unless SetLegacyCodePage chose another. The
// decoder never fails and never drops a byte: a byte the code page leaves undefined becomes
// U+FFFD. The choice is made for the whole input, so a legacy text never has some lines read
// one way and some another.
#pragma once

#include <string>
#include <string_view>

namespace bexlo {

// The text as UTF-8 (see above).
std::string DecodeLegacyText(std::string_view bytes);

// True when DecodeLegacyText would convert the bytes (they are not valid UTF-8).
bool IsLegacyText(std::string_view bytes) noexcept;

// The legacy code page: an iconv name such as "CP1251" (the default), "CP1252" or "KOI8-R".
// Set it once at start-up; SetLegacyCodePage raises EConvertError for a code page iconv does
// not know and then keeps the previous one.
const std::string& LegacyCodePage() noexcept;
void SetLegacyCodePage(std::string_view codepage);

}  // namespace bexlo
