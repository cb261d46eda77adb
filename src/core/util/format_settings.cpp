#include "util/format_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstring>
#include <string_view>

#include "util/text.h"

namespace bexlo {
namespace {

bool IsPlainLocale(const char* name) {
  return !name || !*name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
         std::strncmp(name, "C.", 2) == 0;
}

// Reads locale texts and turns them into UTF-8 when the locale uses another code set.
class LocaleReader {
 public:
  explicit LocaleReader(locale_t locale) : locale_(locale) {
    const char* codeset = nl_langinfo_l(CODESET, locale);
    codeset_ = codeset ? codeset : "";
  }

  bool IsPlain(int category) const {
    return IsPlainLocale(nl_langinfo_l(_NL_LOCALE_NAME(category), locale_));
  }

  std::string Text(nl_item item) const { return ToUtf8(nl_langinfo_l(item, locale_)); }

  std::string ToUtf8(const char* text) const {
    if (!text) return {};
    if (codeset_.empty() || codeset_ == "UTF-8" || codeset_ == "ANSI_X3.4-1968") {
      return RepairUtf8(text);
    }
    try {
      return ConvertToUtf8(text, codeset_);
    } catch (const std::exception&) {
      return RepairUtf8(text);
    }
  }

 private:
  locale_t locale_;
  std::string codeset_;
};

// Puts a literal in quotes when it holds characters that FormatDateTime would read as specifiers.
std::string QuotedLiteral(const std::string& text) {
  if (text.find_first_of("\"'dmyhnsztacDMYHNSZTAC/:") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"'\"'\"") : std::string(1, c);
  return out + '"';
}

// Translates a strftime date or time format into the classic letters. The first separator met
// between two date fields becomes DateSeparator and is written as "/" (":" likewise for times).
std::string TranslateStrftime(std::string_view in, std::string& dateSeparator,
                              std::string& timeSeparator) {
  enum Kind { kNone, kDate, kTime };
  std::string out;
  std::string pendingLiteral;  // text since the last field
  Kind lastField = kNone;
  auto flushLiteral = [&](Kind nextField) {
    if (pendingLiteral.empty()) return;
    if (lastField == kDate && nextField == kDate) {
      if (dateSeparator.empty()) dateSeparator = pendingLiteral;
      out += pendingLiteral == dateSeparator ? std::string("/") : QuotedLiteral(pendingLiteral);
    } else if (lastField == kTime && nextField == kTime) {
      if (timeSeparator.empty()) timeSeparator = pendingLiteral;
      out += pendingLiteral == timeSeparator ? std::string(":") : QuotedLiteral(pendingLiteral);
    } else {
      out += QuotedLiteral(pendingLiteral);
    }
    pendingLiteral.clear();
  };
  auto field = [&](Kind kind, std::string_view letters) {
    flushLiteral(kind);
    out += letters;
    lastField = kind;
  };
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%' || i + 1 >= in.size()) {
      pendingLiteral += in[i];
      continue;
    }
    char c = in[++i];
    while ((c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0' || c == '^' || c == '#') &&
           i + 1 < in.size()) {
      c = in[++i];  // flags and modifiers: the plain field is what counts here
    }
    switch (c) {
      case 'd': field(kDate, "dd"); break;
      case 'e': field(kDate, "d"); break;
      case 'm': field(kDate, "mm"); break;
      case 'b': case 'h': field(kDate, "mmm"); break;
      case 'B': field(kDate, "mmmm"); break;
      case 'y': field(kDate, "yy"); break;
      case 'Y': case 'G': field(kDate, "yyyy"); break;
      case 'a': field(kDate, "ddd"); break;
      case 'A': field(kDate, "dddd"); break;
      case 'D':
        field(kDate, "mm/dd/yy");
        if (dateSeparator.empty()) dateSeparator = "/";
        break;
      case 'F':
        field(kDate, "yyyy/mm/dd");
        if (dateSeparator.empty()) dateSeparator = "-";
        break;
      case 'H': field(kTime, "hh"); break;
      case 'k': field(kTime, "h"); break;
      case 'I': field(kTime, "hh"); break;
      case 'l': field(kTime, "h"); break;
      case 'M': field(kTime, "nn"); break;
      case 'S': field(kTime, "ss"); break;
      case 'p': case 'P': field(kNone, "ampm"); break;
      case 'T': case 'R': case 'r':
        field(kTime, c == 'R' ? "hh:nn" : "hh:nn:ss");
        if (timeSeparator.empty()) timeSeparator = ":";
        if (c == 'r') {
          pendingLiteral = " ";
          field(kNone, "ampm");
         
        }
        break;
      case 'n': case 't': pendingLiteral += ' '; break;
      case '%': pendingLiteral += '%'; break;
      default: break;  // time zones, week numbers and the like have no classic letter
    }
  }
  flushLiteral(kNone);
  return out;
}

// Removes the seconds field (and the separator before it) from a long time format.
std::string WithoutSeconds(const std::string& longTime) {
  const std::size_t s = longTime.find("ss");
  if (s == std::string::npos) return longTime;
  std::size_t cut = s;
  if (cut > 0 && longTime[cut - 1] == ':') --cut;
  return longTime.substr(0, cut) + longTime.substr(s + 2);
}

// The long date follows the short one's order of day, month and year, with the month's name.
std::string LongDateFromShort(const std::string& shortDate) {
  const std::size_t d = shortDate.find('d'), m = shortDate.find('m'), y = shortDate.find('y');
  if (m != std::string::npos && d != std::string::npos && m < d) return "mmmm d, yyyy";
  if (y != std::string::npos && (d == std::string::npos || y < d)) return "yyyy mmmm d";
  return "d mmmm yyyy";
}

// Classic NegCurrFormat code (0..15) from the locale's placement rules for negative amounts.
int NegCurrFormatFrom(bool symbolFirst, bool space, int signPosition) {
  if (signPosition == 0) return symbolFirst ? (space ? 14 : 0) : (space ? 15 : 4);
  if (symbolFirst) {
    switch (signPosition) {
      case 2: return space ? 11 : 3;   // $ 1-
      case 4: return space ? 12 : 2;   // $ -1
      default: return space ? 9 : 1;   // -$ 1 (sign before all, or before the symbol)
    }
  }
  switch (signPosition) {
    case 2: case 4: return space ? 10 : 7;  // 1 $-
    case 3: return space ? 13 : 6;          // 1- $
    default: return space ? 8 : 5;          // -1 $
  }
}

void LoadNumeric(const LocaleReader& reader, TFormatSettings& s) {
  s.DecimalSeparator = reader.Text(RADIXCHAR);
  if (s.DecimalSeparator.empty()) s.DecimalSeparator = ".";
  s.ThousandSeparator = reader.Text(THOUSEP);
}

void LoadMonetary(const LocaleReader& reader, locale_t locale, TFormatSettings& s) {
  s.CurrencyString = reader.Text(CURRENCY_SYMBOL);
  auto number = [&](nl_item item) { return static_cast<int>(*nl_langinfo_l(item, locale)); };
  const int precedes = number(P_CS_PRECEDES), space = number(P_SEP_BY_SPACE);
  if (precedes != CHAR_MAX && space != CHAR_MAX) s.CurrencyFormat = (precedes ? 0 : 1) + (space ? 2 : 0);
  const int negPrecedes = number(N_CS_PRECEDES), negSpace = number(N_SEP_BY_SPACE);
  const int signPosition = number(N_SIGN_POSN);
  if (negPrecedes != CHAR_MAX && negSpace != CHAR_MAX && signPosition != CHAR_MAX) {
    s.NegCurrFormat = NegCurrFormatFrom(negPrecedes != 0, negSpace != 0, signPosition);
  }
  const int decimals = number(FRAC_DIGITS);
  if (decimals != CHAR_MAX && decimals >= 0 && decimals <= 18) s.CurrencyDecimals = decimals;
}

void LoadTime(const LocaleReader& reader, TFormatSettings& s) {
  for (int i = 0; i < 12; ++i) {
    s.LongMonthNames[i] = reader.Text(static_cast<nl_item>(MON_1 + i));
    s.ShortMonthNames[i] = reader.Text(static_cast<nl_item>(ABMON_1 + i));
  }
  for (int i = 0; i < 7; ++i) {
    s.LongDayNames[i] = reader.Text(static_cast<nl_item>(DAY_1 + i));
    s.ShortDayNames[i] = reader.Text(static_cast<nl_item>(ABDAY_1 + i));
  }
  s.TimeAMString = reader.Text(AM_STR);
  s.TimePMString = reader.Text(PM_STR);

  std::string dateSeparator, timeSeparator;
  const std::string shortDate = TranslateStrftime(reader.Text(D_FMT), dateSeparator, timeSeparator);
  if (shortDate.find('d') != std::string::npos && shortDate.find('m') != std::string::npos) {
    s.ShortDateFormat = shortDate;
    s.LongDateFormat = LongDateFromShort(shortDate);
    if (!dateSeparator.empty()) s.DateSeparator = dateSeparator;
  }
  std::string ignored;
  const std::string longTime = TranslateStrftime(reader.Text(T_FMT), ignored, timeSeparator);
  if (longTime.find('h') != std::string::npos) {
    s.LongTimeFormat = longTime;
    s.ShortTimeFormat = WithoutSeconds(longTime);
    if (!timeSeparator.empty()) s.TimeSeparator = timeSeparator;
  }
}

}  // namespace

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

const TFormatSettings& DefaultFormatSettings() {
  static const TFormatSettings settings;
  return settings;
}

bool FormatSettingsFromLocale(const std::string& localeName, TFormatSettings& result) {
  result = DefaultFormatSettings();
  locale_t locale = newlocale(LC_ALL_MASK, localeName.c_str(), static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  const LocaleReader reader(locale);
  // Each group comes from its own category; a category left at C keeps the default.
  if (!reader.IsPlain(LC_NUMERIC)) LoadNumeric(reader, result);
  if (!reader.IsPlain(LC_MONETARY)) LoadMonetary(reader, locale, result);
  if (!reader.IsPlain(LC_TIME)) LoadTime(reader, result);
  freelocale(locale);
  return true;
}

bool LoadFormatSettingsFromSystem() {
  TFormatSettings loaded;
  if (!FormatSettingsFromLocale("", loaded)) return false;
  FormatSettings() = std::move(loaded);
  return true;
}

ScopedFormatSettings::ScopedFormatSettings() : saved_(FormatSettings()) {}

ScopedFormatSettings::ScopedFormatSettings(const TFormatSettings& settings)
    : saved_(FormatSettings()) {
  FormatSettings() = settings;
}

ScopedFormatSettings::~ScopedFormatSettings() { FormatSettings() = std::move(saved_); }

}  // namespace bexlo
