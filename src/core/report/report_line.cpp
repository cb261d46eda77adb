#include "report/report_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "report/blob.h"
#include "reportlang/custom_report.h"
#include "reportlang/group_var.h"
#include "reportlang/report_var.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/format_settings.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

namespace {

// Widths beyond this are taken as this (a template must not make one field allocate gigabytes).
constexpr int kMaxFieldWidth = 65535;
// Digits after the point a number prints at most.
constexpr int kMaxNumberDecimals = 100;

bool IsAsciiNameChar(unsigned char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '(' || c == ')' || c == '|';
}

// Length in bytes of the name character at text[pos], 0 when there is none.
std::size_t NameCharAt(std::string_view text, std::size_t pos) noexcept {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c < 0x80) return IsAsciiNameChar(c) ? 1 : 0;
  std::size_t next = pos;
  const char32_t cp = Utf8Decode(text, next);
  return IsLetter(cp) ? next - pos : 0;
}

// A run of decimal digits as a number; empty or too large is malformed and gives 0.
int DigitsValue(std::string_view digits) noexcept {
  if (digits.empty()) return 0;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    if (value > (INT_MAX - (c - '0')) / 10) return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::size_t CountCodePoints(std::string_view s) noexcept {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// Nothing but blanks, control characters and field marks.
bool IsBlankWithoutMarks(std::string_view s) noexcept {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return c == '@' || static_cast<unsigned char>(c) <= ' '; });
}

bool EndsWithLineJoin(std::string_view s) noexcept {
  return s.size() >= 2 && s[s.size() - 2] == '\\' && (s.back() == 'N' || s.back() == 'n');
}

// Break characters of string wrapping.
bool IsBreakChar(char32_t c) noexcept {
  switch (c) {
    case ' ': case '!': case '*': case '+': case ',': case '-': case '.': case '/':
    case ':': case ';': case '?': case '\\': case '|':
      return true;
    default:
      return false;
  }
}

bool IsDigit(char32_t c) noexcept { return c >= '0' && c <= '9'; }

// The fraction of a number text: DecimalSeparator followed by `decimals` zeros at the end of
// the digits (before any trailing currency text). Returns its position or npos.
std::size_t ZeroFractionPos(std::string_view text, std::string_view separator, int decimals) {
  if (decimals <= 0 || separator.empty()) return std::string_view::npos;
  std::string fraction(separator);
  fraction.append(static_cast<std::size_t>(decimals), '0');
  std::size_t pos = text.find(fraction);
  while (pos != std::string_view::npos) {
    const std::size_t after = pos + fraction.size();
    if (after >= text.size() || !IsDigit(static_cast<unsigned char>(text[after]))) return pos;
    pos = text.find(fraction, pos + 1);
  }
  return pos;
}

// Fixed point with `decimals` digits for values whose digits fit in 15 significant ones (every
// money amount): to_chars rounds the exact binary value, and an exact tie, which it would break
// to even, is moved one step away from zero first. A result that rounds to zero has no sign.
bool AppendFixedFast(std::string& out, double value, int decimals) {
  static constexpr double kLimit[16] = {1e15, 1e14, 1e13, 1e12, 1e11, 1e10, 1e9, 1e8,
                                        1e7,  1e6,  1e5,  1e4,  1e3,  1e2,  1e1, 1e0};
  if (decimals < 0 || decimals > 15 || !(std::fabs(value) < kLimit[decimals])) return false;
  char buffer[40];
  char* end;
  if (value == std::trunc(value)) {
    // A whole number (counts, keys, totals of them): its digits and the zeros.
    end = std::to_chars(buffer, buffer + 20, static_cast<std::int64_t>(value)).ptr;
    if (decimals > 0) {
      *end++ = '.';
      end = std::fill_n(end, decimals, '0');
    }
    out.append(buffer, end);
    return true;
  }
  // An exact tie at `decimals` digits is a value whose double times 2^(decimals+1) is an odd
  // whole number (exact: a power of two); such a number is below 2^53.
  const double scaled = std::ldexp(value, decimals + 1);
  if (std::fabs(scaled) < 9007199254740992.0 && scaled == std::trunc(scaled) &&
      (static_cast<std::int64_t>(scaled) & 1) != 0)
    value = std::nextafter(value, value > 0 ? HUGE_VAL : -HUGE_VAL);
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return false;
  const char* begin = buffer;
  end = result.ptr;
  if (*begin == '-' && std::all_of(begin + 1, static_cast<const char*>(end), [](char c) { return c == '0' || c == '.'; }))
    ++begin;
  out.append(begin, static_cast<std::size_t>(end - begin));
  return true;
}

}  // namespace

// ---- texts ----------------------------------------------------------------------------------------

void AppendPadded(std::string& out, std::string_view text, int width, int flags) {
  const std::size_t length = CountCodePoints(text);
  const std::size_t target = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (length >= target) {
    out.append(text);
    return;
  }
  const char fill = (flags & rfZero) ? '0' : ' ';
  const std::size_t padding = target - length;
  if (flags & rfRight) {
    out.append(padding, fill);
    out.append(text);
  } else if (flags & rfCenter) {
    out.append(padding / 2, fill);
    out.append(text);
    out.append(padding - padding / 2, fill);
  } else {
    out.append(text);
    out.append(padding, fill);
  }
}

void AppendFieldNumber(std::string& out, double value, int width, int decimals, int flags) {
  decimals = std::clamp(decimals, 0, kMaxNumberDecimals);
  const std::size_t start = out.size();
  if ((flags & rfBareZero) && value == 0) {
    out.push_back('0');
  } else if (flags & (rfCurrency | rfDash | rfGeneral)) {
    const TFormatSettings* settings = &FormatSettings();
    TFormatSettings dashed;
    if (flags & rfDash) {
      dashed = *settings;
      dashed.DecimalSeparator = "-";
      settings = &dashed;
    }
    const std::string& separator = settings->DecimalSeparator;
    std::string text;
    if (flags & rfCurrency) {
      text = FloatToStrF(value, ffCurrency, width, decimals, *settings);
      if (flags & rfGeneral) {
        const std::size_t pos = ZeroFractionPos(text, separator, decimals);
        if (pos != std::string::npos) text.erase(pos, separator.size() + static_cast<std::size_t>(decimals));
      }
    } else if (flags & rfDash) {
      text = FloatToStrF(value, ffFixed, width, decimals, *settings);
      const std::size_t pos = ZeroFractionPos(text, separator, decimals);
      if (pos != std::string::npos) text.replace(pos, separator.size() + static_cast<std::size_t>(decimals), "=");
    } else {
      text = FloatToStrF(value, ffGeneral, width, decimals, *settings);
    }
    out.append(text);
  } else {
    // The classic Str(value:0:decimals): fixed point with "." whatever the locale, exact ties
    // rounded away from zero.
    if (!AppendFixedFast(out, value, decimals)) {
      if (decimals <= 18 && std::fabs(value) < 1e18) {
        AppendFloatToStrF(out, value, ffFixed, 18, decimals, DefaultFormatSettings());
      } else {
        char buffer[512];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        if (result.ec == std::errc())
          out.append(buffer, result.ptr);
        else
          out.append(FloatToStrF(value, ffGeneral, 15, 0, DefaultFormatSettings()));
      }
    }
  }
  // Trim blanks of the appended text.
  std::size_t begin = start;
  while (begin < out.size() && out[begin] == ' ') ++begin;
  std::size_t end = out.size();
  while (end > begin && out[end - 1] == ' ') --end;
  out.resize(end);
  out.erase(start, begin - start);
}

namespace {

void AppendDateUncached(std::string& out, double value) {
  if (std::trunc(value) != 0)
    out.append(DateTimeToStr(value));
  else
    out.append(TimeToStr(value));
}

// Whether a date or time format writes digits and separators only (no names, no AM/PM), so
// that its text depends on nothing else of the settings.
bool IsNumericFormat(std::string_view format) {
  char previous = 0;
  int run = 0;
  for (char c : format) {
    const char lower = static_cast<char>(c | 0x20);
    run = lower == previous ? run + 1 : 1;
    previous = lower;
    switch (lower) {
      case 'd': case 'm':
        if (run > 2) return false;  // ddd, mmm: names
        break;
      case 'y': case 'h': case 'n': case 's': case 'z':
        break;
      default:
        if (c != '/' && c != ':' && c != '.' && c != '-' && c != ' ' && c != ',') return false;
    }
  }
  return true;
}

// Dates repeat from record to record: their texts are kept in a small direct-mapped cache,
// used while the date and time formats are numeric and unchanged.
class TDateTexts {
 public:
  void Append(std::string& out, double value) {
    if (!Usable(FormatSettings())) return AppendDateUncached(out, value);
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15u) >> (64 - kBits)];
    if (!entry.used || entry.bits != bits) {
      entry.used = false;  // a value that is no date raises below and leaves the slot empty
      entry.text.clear();
      AppendDateUncached(entry.text, value);
      entry.bits = bits;
      entry.used = true;
    }
    out.append(entry.text);
  }

 private:
  static constexpr int kBits = 12;
  static constexpr std::size_t kSize = std::size_t{1} << kBits;
  struct Entry {
    std::uint64_t bits = 0;
    bool used = false;
    std::string text;
  };

  bool Usable(const TFormatSettings& fs) {
    if (fs.ShortDateFormat == short_date_ && fs.LongTimeFormat == long_time_ && fs.DateSeparator == date_separator_ &&
        fs.TimeSeparator == time_separator_)
      return numeric_;
    short_date_ = fs.ShortDateFormat;
    long_time_ = fs.LongTimeFormat;
    date_separator_ = fs.DateSeparator;
    time_separator_ = fs.TimeSeparator;
    numeric_ = IsNumericFormat(short_date_) && IsNumericFormat(long_time_);
    for (Entry& entry : entries_) entry.used = false;
    return numeric_;
  }

  std::array<Entry, kSize> entries_;
  std::string short_date_, long_time_, date_separator_, time_separator_;
  bool numeric_ = false;
};

}  // namespace

void AppendFieldDate(std::string& out, double value) {
  if (value == 0) return;
  thread_local TDateTexts texts;
  texts.Append(out, value);
}

std::vector<std::string> WrapFieldText(std::string_view text, int width) {
  std::vector<std::string> lines;
  if (width <= 0) {
    if (!text.empty()) lines.emplace_back(text);
    return lines;
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Scan the first `width` characters of the rest for the last break.
    std::size_t scan = pos;
    std::size_t cut = std::string_view::npos;
    char32_t before = 0;  // the character before the current one
    int count = 0;
    while (count < width && scan < text.size()) {
      std::size_t next = scan;
      const char32_t c = Utf8Decode(text, next);
      if (IsBreakChar(c)) {
        bool between = false;
        if (c != ' ' && IsDigit(before) && next < text.size()) {
          between = IsDigit(static_cast<unsigned char>(text[next]));
        }
        if (!between) cut = next;
      }
      before = c;
      scan = next;
      ++count;
    }
    if (cut == std::string_view::npos || scan >= text.size()) cut = scan;
    lines.emplace_back(text.substr(pos, cut - pos));
    pos = cut;
  }
  return lines;
}

// ---- TReportField ---------------------------------------------------------------------------------

bool TReportField::UsesFooterValue(const TFieldContext& context) const noexcept {
  return context.InFooter && !context.Ending && !(Flags & rfPrevious);
}

int TReportField::LineCount(const TFieldContext& context) {
  LinesLeft = 1;
  LineIndex = 0;
  switch (Var->VarType()) {
    case vtObject: {
      TObject* object = Var->GetObject();
      if (auto* blob = dynamic_cast<TBlob*>(object))
        LinesLeft = blob->Run();
      else if (auto* group = dynamic_cast<TGroupVar*>(object))
        LinesLeft = group->GetValueCount();
      else
        LinesLeft = 0;
      break;
    }
    case vtString:
      if (Decimals != 0) {
        const std::string& text = UsesFooterValue(context) ? Var->OldText() : Var->GetString();
        wrapped_ = WrapFieldText(text, Width);
        LinesLeft = static_cast<int>(wrapped_.size());
      }
      break;
    case vtMemo: {
      TStringList* list = UsesFooterValue(context) ? Var->GetOldList() : Var->GetList();
      LinesLeft = list->Count();
      break;
    }
    default:
      break;
  }
  return LinesLeft;
}

void TReportField::AppendLineOf(std::string& out, const TReportVar* cell, bool old) const {
  auto* var = const_cast<TReportVar*>(cell);
  TStringList* list = old ? var->GetOldList() : var->GetList();
  if (LineIndex >= 0 && LineIndex < list->Count()) out.append(list->Get(LineIndex));
}

void TReportField::AppendNumber(std::string& out, double value) const {
  AppendFieldNumber(out, value, Width, Decimals, Flags);
}

void TReportField::AppendValue(std::string& out, const TFieldContext& context) {
  const bool footerValue = UsesFooterValue(context);
  switch (Var->VarType()) {
    case vtUnDefined:
      if (Var == context.Invalid) out.append(static_cast<std::size_t>(std::max(Width, 0)), '!');
      break;
    case vtString:
      if (Decimals != 0) {
        if (LineIndex >= 0 && LineIndex < static_cast<int>(wrapped_.size())) out.append(wrapped_[LineIndex]);
      } else {
        out.append(footerValue ? Var->OldText() : Var->GetString());
      }
      break;
    case vtFloat: {
      double value;
      if (Var == context.LineNum || !context.InFooter || (Flags & rfCurrent)) {
        value = Var->GetNumber();
      } else if (Flags & rfPrevious) {
        value = context.Ending ? Var->GetNumber() : Var->OldNumber();
      } else {
        value = Total;
        Total = 0;
      }
      AppendNumber(out, value);
      break;
    }
    case vtDate:
      AppendFieldDate(out, footerValue ? Var->GetOldDate() : Var->GetDate());
      break;
    case vtMemo:
      AppendLineOf(out, Var, footerValue);
      break;
    case vtObject: {
      TObject* object = Var->GetObject();
      if (auto* blob = dynamic_cast<TBlob*>(object)) {
        if (LineIndex >= 0 && LineIndex < blob->Lines().Count()) out.append(blob->Lines().Get(LineIndex));
      } else if (auto* group = dynamic_cast<TGroupVar*>(object)) {
        if (TReportVar* value = group->GetValue(LineIndex)) {
          switch (value->VarType()) {
            case vtFloat: AppendNumber(out, value->GetNumber()); break;
            case vtString: out.append(value->GetString()); break;
            case vtDate: AppendFieldDate(out, value->GetDate()); break;
            default: break;
          }
          // Each value prints once: its row cell goes (the row itself stays).
          group->SetValue(LineIndex, nullptr);
        }
      }
      break;
    }
    default:  // BOOLEAN, DISPATCH: padding only
      break;
  }
}

void TReportField::FormatTo(std::string& out, const TFieldContext& context) {
  // The value is built at the end of `out` and then padded in place.
  const std::size_t start = out.size();
  if (LinesLeft >= 1) AppendValue(out, context);
  if (LinesLeft > 0) {
    ++LineIndex;
    --LinesLeft;
  }
  const std::size_t length = CountCodePoints(std::string_view(out).substr(start));
  if (Width <= 0 || length >= static_cast<std::size_t>(Width)) return;
  const char fill = (Flags & rfZero) ? '0' : ' ';
  const std::size_t padding = static_cast<std::size_t>(Width) - length;
  if (Flags & rfRight) {
    out.insert(start, padding, fill);
  } else if (Flags & rfCenter) {
    out.insert(start, padding / 2, fill);
    out.append(padding - padding / 2, fill);
  } else {
    out.append(padding, fill);
  }
}

std::string TReportField::Format(const TFieldContext& context) {
  std::string out;
  FormatTo(out, context);
  return out;
}

void TReportField::Accumulate() {
  if (Var->VarType() != vtFloat) return;
  if (Flags & rfCount)
    Total += 1;
  else if (!(Flags & rfPrevious))
    Total += Var->GetNumber();
}

// ---- TReportLine ----------------------------------------------------------------------------------

TReportLine::TReportLine(std::string_view templateText, TCustomReport& report, TReportVar* invalid) {
  std::string piece;
  std::size_t pos = 0;
  const std::size_t size = templateText.size();
  while (pos < size) {
    const char c = templateText[pos];
    if (c != '@') {
      piece.push_back(c);
      ++pos;
      continue;
    }
    ++pos;  // the "@"
    std::size_t nameEnd = pos;
    while (nameEnd < size) {
      const std::size_t n = NameCharAt(templateText, nameEnd);
      if (n == 0) break;
      nameEnd += n;
    }
    if (nameEnd == pos) continue;  // "@" without a name prints nothing
    const std::string_view name = templateText.substr(pos, nameEnd - pos);
    pos = nameEnd;
    TReportVar* var = report.GetVarByName(name);
    auto field = std::make_unique<TReportField>(var ? var : invalid);
    field->FormFeed = var && var->Name() == "FORMFEED";
    if (pos < size && templateText[pos] == ':') {
      ++pos;
      static constexpr struct {
        char mark;
        int flags;
      } kMarks[] = {{'-', rfRight}, {'+', rfCenter}, {'#', rfBareZero}, {'=', rfDash},
                    {'G', rfGeneral}, {'$', rfCurrency | rfRight}, {'0', rfZero}};
      for (const auto& mark : kMarks) {
        if (pos >= size) break;
        const char m = templateText[pos];
        if (m == mark.mark || (mark.mark == 'G' && m == 'g')) {
          field->Flags |= mark.flags;
          ++pos;
        }
      }
      std::size_t runEnd = pos;
      while (runEnd < size && (IsDigit(static_cast<unsigned char>(templateText[runEnd])) || templateText[runEnd] == '.'))
        ++runEnd;
      const std::string_view run = templateText.substr(pos, runEnd - pos);
      pos = runEnd;
      const std::size_t point = run.find('.');
      field->Width = std::min(DigitsValue(run.substr(0, point)), kMaxFieldWidth);
      int decimals = point == std::string_view::npos ? 0 : DigitsValue(run.substr(point + 1));
      if (decimals >= 300) {
        decimals -= 300;
        field->Flags |= rfCurrent;
      }
      if (decimals >= 200) {
        decimals -= 200;
        field->Flags |= rfCount;
      }
      if (decimals >= 100) {
        decimals -= 100;
        field->Flags |= rfPrevious;
      }
      field->Decimals = std::min(decimals, kMaxFieldWidth);
    }
    Text += piece;
    Text.push_back('@');
    Pieces.push_back(std::move(piece));
    piece.clear();
    if (!Fields) Fields = std::make_unique<TListPool>();
    Fields->Add(field.release());
  }
  if (Fields && EndsWithLineJoin(piece)) {
    piece.resize(piece.size() - 2);
    JoinNext = true;
  }
  Text += piece;
  BlankWithoutFields = IsBlankWithoutMarks(Text);
  Pieces.push_back(std::move(piece));
}

}  // namespace bexlo
