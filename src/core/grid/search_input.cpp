#include "grid/search_input.h"

#include "grid/search_sql.h"
#include "util/format_settings.h"

namespace bexlo {
namespace {

bool IsDigitText(std::string_view ch) { return ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9'; }
bool IsWildcardText(std::string_view ch) { return ch == "%" || ch == "_"; }
bool Contains(std::string_view s, std::string_view part) {
  return !part.empty() && s.find(part) != std::string_view::npos;
}

// Replaces the first `from` in s by `to`.
void ReplaceFirst(std::string& s, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  const std::size_t at = s.find(from);
  if (at != std::string::npos) s.replace(at, from.size(), to);
}

std::optional<std::string> NumberCellTypeChar(std::string_view value, std::string_view ch,
                                              const TFormatSettings& settings) {
  const std::string& dec = settings.DecimalSeparator;
  const std::string& thou = settings.ThousandSeparator;
  const bool isDec = ch == dec;
  const bool isThou = !isDec && ch == thou;
  if (!(IsDigitText(ch) || IsWildcardText(ch) || ch == "-" || isDec || isThou)) return std::nullopt;
  if ((isDec || isThou) && Contains(value, ch)) return std::nullopt;
  std::string v(value);
  v += ch;
  if (v.find_first_of("%_") != std::string::npos) {
    ReplaceFirst(v, dec, thou);
    return v;
  }
  ReplaceFirst(v, thou, dec);
  // A number holds one decimal separator: a second one (typed either way) is refused.
  if (Contains(value, dec) && (isDec || isThou)) return std::nullopt;
  if (v == dec) v = "0" + dec;
  if (v == "-") v = "-0";
  return v;
}

}  // namespace

std::string SearchCellText(std::string_view listValue) {
  return listValue == "^" ? std::string() : std::string(listValue);
}

std::optional<std::string> SearchCellTypeChar(char kind, std::string_view value,
                                              std::string_view ch,
                                              const TFormatSettings& settings) {
  if (ch.empty() || static_cast<unsigned char>(ch[0]) < 32 || ch == "\x7f") return std::nullopt;
  switch (kind) {
    case fkSearchString:
      return std::string(value) + std::string(ch);
    case fkSearchDate:
      if (IsDigitText(ch) || IsWildcardText(ch) || ch == settings.DateSeparator) {
        return std::string(value) + std::string(ch);
      }
      return std::nullopt;
    case fkSearchNumber:
      return NumberCellTypeChar(value, ch, settings);
    default:
      return std::nullopt;
  }
}

std::optional<std::string> SearchCellTypeChar(char kind, std::string_view value,
                                              std::string_view ch) {
  return SearchCellTypeChar(kind, value, ch, FormatSettings());
}

std::optional<std::string> SearchCellBackspace(char kind, std::string_view value) {
  if (kind != fkSearchString && kind != fkSearchNumber && kind != fkSearchDate) return std::nullopt;
  std::string v = SearchCellText(value);
  // Drop the last UTF-8 sequence whole.
  std::size_t cut = v.size();
  while (cut > 0 && (static_cast<unsigned char>(v[cut - 1]) & 0xC0) == 0x80) --cut;
  if (cut > 0) --cut;
  v.resize(cut);
  if (kind == fkSearchNumber && v == "-") v.clear();
  return v.empty() ? std::string("^") : v;
}

}  // namespace bexlo
