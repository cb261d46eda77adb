// What a keystroke does to a search cell of the search row: which characters a cell of each
// field kind accepts and how its value changes. The grid stores the result in its search list
// ("FIELD=VALUE", "^" for a cleared cell), repaints and starts its search timer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bexlo {

struct TFormatSettings;

// The value shown and edited for a search-list value: "^" (cleared) reads as empty.
std::string SearchCellText(std::string_view listValue);

// One typed character (a UTF-8 sequence of code 32 or above) into a cell holding `value` (as
// SearchCellText gives it) of field kind `kind` ("S", "N", "D", "U"). Returns the new value, or
// nothing when the character is refused (the cell is unchanged and no search starts).
//   "U": every character is refused.
//   "S": every character is accepted, a single quote too (it is written into SQL quoted).
//   "D": "%", "_", digits and the date separator.
//   "N": "%", "_", "-", digits, the decimal and the thousands separator. Without a wildcard a
//        typed thousands separator is a decimal separator, a lone decimal separator becomes "0"
//        and the separator, and a lone "-" becomes "-0"; with a wildcard the
//        decimal separator is written as the thousands separator. A separator that the value
//        already holds is refused, and so is a decimal separator after one: the cell never holds
//        two decimal separators.
std::optional<std::string> SearchCellTypeChar(char kind, std::string_view value,
                                              std::string_view ch,
                                              const TFormatSettings& settings);
std::optional<std::string> SearchCellTypeChar(char kind, std::string_view value,
                                              std::string_view ch);  // FormatSettings()

// Backspace in a cell: the last character is removed; in an "N" cell a remaining lone "-" goes
// too. Returns the value to store: "^" when nothing is left. A "U" cell is unchanged (nothing).
std::optional<std::string> SearchCellBackspace(char kind, std::string_view value);

}  // namespace bexlo
