#include "grid/search_sql.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>

#include "db/database.h"
#include "db/dataset.h"
#include "db/db_dataset.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "grid/sql_tokens.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/format_settings.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/ui_services.h"

namespace bexlo {
namespace {

char AsciiUpper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool StartsWithIgnoreCase(std::string_view s, std::size_t pos, std::string_view prefix) {
  if (pos > s.size() || s.size() - pos < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiUpper(s[pos + i]) != AsciiUpper(prefix[i])) return false;
  }
  return true;
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsPlainIdentifier(std::string_view s) {
  if (s.empty() || IsDigit(s[0])) return false;
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (!(IsDigit(c) || c == '_' || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80)) {
      return false;
    }
  }
  return true;
}

// Words that cannot stand unquoted as a column name in a condition.
bool IsReservedWord(std::string_view s) {
  static constexpr std::array<std::string_view, 32> kWords = {
      "ALL",   "AND",  "AS",     "ASC",    "BETWEEN", "BY",     "CASE",   "DESC",
      "DISTINCT", "ELSE", "END", "EXCEPT", "FROM",    "GROUP",  "HAVING", "IN",
      "INTERSECT", "IS", "JOIN", "LIKE",   "LIMIT",   "NOT",    "NULL",   "OFFSET",
      "ON",    "OR",   "ORDER",  "SELECT", "THEN",    "UNION",  "WHEN",   "WHERE"};
  for (std::string_view w : kWords) {
    if (s.size() == w.size() && StartsWithIgnoreCase(s, 0, w)) return true;
  }
  return false;
}

// A part of a dotted name: a plain identifier or a complete double-quoted one.
bool IsNamePart(std::string_view part) {
  if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
    const std::string_view inner = part.substr(1, part.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i) {
      if (inner[i] != '"') continue;
      if (i + 1 >= inner.size() || inner[i + 1] != '"') return false;
      ++i;
    }
    return true;
  }
  return IsPlainIdentifier(part) && !IsReservedWord(part);
}

std::vector<std::string_view> SplitDotted(std::string_view name) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '"') quoted = !quoted;
    if (name[i] == '.' && !quoted) {
      parts.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(name.substr(start));
  return parts;
}

std::string DoubleQuoted(std::string_view name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

bool HasWildcard(std::string_view v) { return v.find_first_of("%_") != std::string_view::npos; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A complete date: three non-negative numbers separated by the date separator that StrToDate
// reads.
bool ParseSearchDate(std::string_view value, const TFormatSettings& settings, TDateTime& date) {
  const std::string_view v = Trim(value);
  const std::string& sep = settings.DateSeparator;
  if (v.empty() || sep.empty()) return false;
  int numbers = 0;
  std::size_t i = 0;
  while (true) {
    const std::size_t start = i;
    while (i < v.size() && IsDigit(v[i])) ++i;
    if (i == start) return false;
    ++numbers;
    if (i == v.size()) break;
    if (v.substr(i, sep.size()) != sep) return false;
    i += sep.size();
  }
  return numbers == 3 && TryStrToDate(v, date, settings);
}

std::string IsoDate(TDateTime date) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  return fmt::format("{:04}-{:02}-{:02}", year, month, day);
}

// "-12", "1.5": what %F writes as it stands.
bool IsSqlNumber(std::string_view v) {
  if (!v.empty() && v.front() == '-') v.remove_prefix(1);
  const std::size_t point = v.find('.');
  const std::string_view whole = v.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : v.substr(point + 1);
  const auto digits = [](std::string_view d) {
    return std::all_of(d.begin(), d.end(), [](char c) { return IsDigit(c); });
  };
  return !whole.empty() && digits(whole) && digits(fraction) &&
         (point == std::string_view::npos || !fraction.empty());
}

// ---- SearchPrim's parts ---------------------------------------------------------------------------

constexpr std::string_view kCrLf = "\r\n";

bool HasCrLfAt(std::string_view s, std::size_t pos) { return s.substr(pos, 2) == kCrLf; }

struct BlockPlace {
  std::size_t begin;  // token index of the Begin marker (tokens.size(): none)
  std::size_t end;    // token index of the End marker (tokens.size(): none)
};

BlockPlace FindBlock(std::string_view sql, const std::vector<TSqlToken>& tokens,
                     std::string_view name) {
  BlockPlace place{tokens.size(), tokens.size()};
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const TSqlToken& t = tokens[i];
    if (place.begin == tokens.size()) {
      if (t.Kind == TSqlTokenKind::BeginMarker && MarkerBlockName(sql, t) == name) place.begin = i;
    } else if (t.Kind == TSqlTokenKind::EndMarker && MarkerBlockName(sql, t) == name) {
      place.end = i;
      break;
    }
  }
  return place;
}

bool IsClauseKeyword(std::string_view sql, const TSqlToken& t) {
  return IsKeyword(sql, t, "WHERE") || IsKeyword(sql, t, "HAVING");
}

bool IsTokenBoundary(std::string_view sql, std::size_t pos) {
  if (pos == 0 || pos >= sql.size()) return true;
  for (const TSqlToken& t : TokenizeSql(sql)) {
    if (t.Offset >= pos) return true;
    // pos inside a token: the two sides ran together, unless they are both white space
    if (pos < t.End()) return t.Kind == TSqlTokenKind::Space;
  }
  return true;
}

// Cuts a block out with what joins it to its neighbours: the "AND " after it, else the "AND "
// before it, else the clause keyword before it (with the line break written before that).
std::string RemoveBlock(std::string_view sql, const std::vector<TSqlToken>& tokens,
                        const BlockPlace& place) {
  std::size_t start = tokens[place.begin].Offset;
  if (start >= 2 && HasCrLfAt(sql, start - 2)) start -= 2;
  std::size_t end = tokens[place.end].End();
  if (HasCrLfAt(sql, end)) end += 2;
  if (StartsWithIgnoreCase(sql, end, "AND ")) {
    end += 4;
  } else if (start >= 4 && StartsWithIgnoreCase(sql, start - 4, "AND ")) {
    start -= 4;
  } else {
    const std::size_t k = PrevCodeToken(tokens, place.begin);
    if (k < tokens.size() && IsClauseKeyword(sql, tokens[k])) {
      start = tokens[k].Offset;
      if (start >= 2 && HasCrLfAt(sql, start - 2)) start -= 2;
    }
  }
  std::string out(sql.substr(0, start));
  out.append(sql.substr(end));
  // What stood on both sides of a block it did not write must not run together ("a" and "b" into
  // "ab", "-" and "-" into a comment).
  if (!IsTokenBoundary(out, start)) out.insert(start, " ");
  return out;
}

// Index of the first top-level token of `words` (each a keyword phrase, or ";") at or after
// `from` and before `limit`; limit when none.
std::size_t FindFirstOf(std::string_view sql, const std::vector<TSqlToken>& tokens,
                        std::initializer_list<std::string_view> words, std::size_t from,
                        std::size_t limit) {
  std::size_t best = limit;
  for (std::string_view w : words) {
    std::size_t i;
    if (w == ";") {
      for (i = from; i < limit; ++i) {
        if (tokens[i].Depth == 0 && tokens[i].Kind == TSqlTokenKind::Symbol && sql[tokens[i].Offset] == ';') break;
      }
    } else {
      i = FindKeyword(sql, tokens, w, 0, from);
    }
    if (i < best) best = i;
  }
  return best;
}

std::string InsertAfterKeyword(std::string_view sql, const TSqlToken& keyword,
                               std::string_view block) {
  std::string out(sql.substr(0, keyword.End()));
  out.append(block);
  out.append("AND ");
  out.append(sql.substr(keyword.End()));
  return out;
}

// Puts the block into sql; empty when there is no place for it.
std::string InsertBlock(std::string_view sql, std::string_view block) {
  const std::vector<TSqlToken> tokens = TokenizeSql(sql);
  const std::size_t n = tokens.size();
  std::size_t rw = n;
  for (std::size_t i = 0; i < n && rw == n; ++i) {
    if (tokens[i].Kind == TSqlTokenKind::RWMarker) rw = i;
  }
  if (rw < n) {
    const std::size_t k = FindKeyword(sql, tokens, "WHERE", tokens[rw].Depth, rw + 1);
    if (k >= n) return {};
    return InsertAfterKeyword(sql, tokens[k], block);
  }
  // The part before a set operator gets the block; the rest follows unchanged.
  const std::size_t part = FindFirstOf(sql, tokens, {"UNION", "INTERSECT", "EXCEPT"}, 0, n);
  const bool grouped = FindKeyword(sql, tokens, "GROUP BY") < part;
  const std::string_view clause = grouped ? "HAVING" : "WHERE";
  const std::size_t k = FindKeyword(sql, tokens, clause);
  if (k < part) return InsertAfterKeyword(sql, tokens[k], block);

  std::size_t from = FindKeyword(sql, tokens, "FROM");
  if (from >= part) from = 0;
  std::size_t at = grouped ? FindFirstOf(sql, tokens, {"ORDER BY", "LIMIT", "OFFSET", "FETCH", "FOR", "WINDOW", ";"}, from, part)
                           : FindFirstOf(sql, tokens, {"ORDER BY", "LIMIT", "OFFSET", "FETCH", "FOR", "WINDOW", "HAVING", ";"}, from, part);
  const std::size_t pos = at < n ? tokens[at].Offset : sql.size();
  std::string out(sql.substr(0, pos));
  out.append(kCrLf);
  out.append(clause);
  out.append(block);
  out.append(sql.substr(pos));
  return out;
}

// ---- values ---------------------------------------------------------------------------------------

struct SearchCondition {
  std::string_view tpl;
  std::string value;         // as SearchPrim writes it
  std::string_view rwc;      // right wildcard
  TFieldType paramType = ftString;
  double number = 0;         // the value of an "=" on a number
  TDateTime date = 0;        // the value of an "=" on a date
  bool dateText = false;     // a partial date: compared with the date in the user's format
};

SearchCondition LikeCondition(std::string_view v, std::string_view rwc,
                              std::string_view tpl = kTplLikeText) {
  return {tpl, std::string(v), rwc, ftString};
}

// A date cell: a complete date is compared as a date, on live queries too (the engine's date,
// never its text); anything else is the start of a date as the user writes it, compared with the
// stored date rendered in the user's format (DateCondition), as a prefix unless the user typed
// wildcards of his own.
SearchCondition DateConditionFor(std::string_view v, const TFormatSettings& settings) {
  SearchCondition cond;
  if (HasWildcard(v) || !ParseSearchDate(v, settings, cond.date)) {
    SearchCondition partial = LikeCondition(v, HasWildcard(v) ? "" : "%");
    partial.dateText = true;
    return partial;
  }
  cond.value = IsoDate(cond.date);
  cond.tpl = kTplDateEq;
  cond.paramType = ftDateTime;
  return cond;
}

// The condition for a non-empty value of a field of kind "S", "N" or "D".
SearchCondition ConditionFor(char kind, std::string_view v, bool /*live*/,
                             const TFormatSettings& settings) {
  if (kind == fkSearchString) return LikeCondition(v, "%", kTplLike);
  if (kind == fkSearchDate) return DateConditionFor(v, settings);
  if (HasWildcard(v)) return LikeCondition(v, "");
  SearchCondition cond;
  if (kind == fkSearchNumber) {
    cond.value = SqlNumber(v, settings);
    if (cond.value.empty() || !TryStrToFloat(cond.value, cond.number, DefaultFormatSettings())) {
      return LikeCondition(v, "");
    }
    cond.tpl = kTplNumberEq;
    cond.paramType = ftFloat;
    return cond;
  }
  return LikeCondition(v, "");
}

// The condition of a partial date: the engine renders the field in the user's short date format
// and compares that text; empty when it cannot (no dialect, names in the format).
std::string DateCondition(std::string_view field, const SearchCondition& cond, const TDialect* dialect,
                          bool asParam, const TFormatSettings& settings) {
  std::vector<TDatePart> parts;
  if (dialect == nullptr || !ShortDateParts(settings, parts)) return {};
  return dialect->DateText(SqlFieldName(field, dialect), parts) + " like " +
         (asParam ? SearchParamRef(field) : QuoteSqlString(cond.value + std::string(cond.rwc)));
}

// The parameter of a search block in parameter mode; cond null clears it.
void SetSearchParam(TParams& params, std::string_view field, const SearchCondition* cond) {
  const std::string name = SearchParamName(field);
  const TFieldType type = cond != nullptr ? cond->paramType : ftString;
  TParam* p = params.FindParam(name);
  if (p == nullptr) p = params.CreateParam(type, name, ptInput);
  if (cond == nullptr) {
    p->Clear();
  } else if (type == ftFloat) {
    p->SetAsFloat(cond->number);
  } else if (type == ftDateTime) {
    p->SetAsDateTime(cond->date);
  } else {
    p->SetAsString(cond->value + std::string(cond->rwc));
  }
  p->SetDataType(type);
}

}  // namespace

// ---- field kinds --------------------------------------------------------------------------------

TField* GridFindField(const TDataSet* dataSet, std::string_view name) {
  if (dataSet == nullptr) return nullptr;
  const std::size_t dot = name.find('.');
  if (dot != std::string_view::npos) name.remove_prefix(dot + 1);
  for (TField* f : dataSet->Fields()) {
    if (f->FieldName() == name) return f;
  }
  return nullptr;
}

char GetFieldType(const TDataSet* dataSet, std::string_view fieldName) {
  const TField* f = GridFindField(dataSet, fieldName);
  if (f == nullptr || f->FieldKind() != fkData) return fkSearchUnknown;
  const TFieldType t = f->DataType();
  if (t == ftString) return fkSearchString;
  if (IsNumericType(t) || t == ftBoolean) return fkSearchNumber;
  if (IsDateTimeType(t)) return fkSearchDate;
  return fkSearchUnknown;
}

// ---- templates ------------------------------------------------------------------------------------

std::string BeginMarker(std::string_view blockName) {
  return fmt::format("\r\n/*Begin for {}*/\r\n", blockName);
}

std::string EndMarker(std::string_view blockName) {
  return fmt::format("\r\n/*End for {}*/\r\n", blockName);
}

bool IsValidBlockName(std::string_view blockName) {
  return !blockName.empty() && blockName.find("*/") == std::string_view::npos &&
         blockName.find("/*") == std::string_view::npos && blockName.back() != '/' &&
         blockName.find_first_of("\r\n") == std::string_view::npos;
}

std::string SqlFieldName(std::string_view fieldName, const TDialect* dialect) {
  const std::vector<std::string_view> parts = SplitDotted(fieldName);
  for (std::string_view part : parts) {
    if (!IsNamePart(part)) return DoubleQuoted(fieldName);
  }
  if (dialect == nullptr || !dialect->FoldsNamesToLowerCase()) return std::string(fieldName);
  // The engine would read "OrderDate" as orderdate: a part in mixed case names a column created
  // in quotes and goes in quotes. A part all in capitals stays as it is: that is how queries of
  // this library name lower-case columns (select name as "NAME"), and the engine folds it back.
  std::string out;
  for (std::string_view part : parts) {
    if (!out.empty()) out += '.';
    const auto has = [part](char from, char to) {
      return part.front() != '"' && std::any_of(part.begin(), part.end(), [=](char c) { return c >= from && c <= to; });
    };
    out += has('A', 'Z') && has('a', 'z') ? DoubleQuoted(part) : std::string(part);
  }
  return out;
}

const TDialect* SearchDialect(const TDataSet* dataSet) {
  const auto* db = dynamic_cast<const TDBDataSet*>(dataSet);
  if (db == nullptr || db->Database() == nullptr || !db->Database()->Connected()) return nullptr;
  return &db->Database()->Dialect();
}

bool ShortDateParts(const TFormatSettings& settings, std::vector<TDatePart>& parts) {
  parts.clear();
  const std::string& f = settings.ShortDateFormat;
  const auto text = [&parts](std::string_view t) {
    if (t.empty()) return;
    if (!parts.empty() && parts.back().kind == TDatePart::dpText) parts.back().text += t;
    else parts.push_back({TDatePart::dpText, std::string(t)});
  };
  std::size_t i = 0;
  while (i < f.size()) {
    const char c = AsciiUpper(f[i]);
    if (c == 'D' || c == 'M' || c == 'Y') {
      std::size_t n = 1;
      while (i + n < f.size() && AsciiUpper(f[i + n]) == c) ++n;
      i += n;
      if (c == 'D' && n <= 2) parts.push_back({n == 1 ? TDatePart::dpDay : TDatePart::dpDay2, {}});
      else if (c == 'M' && n <= 2) parts.push_back({n == 1 ? TDatePart::dpMonth : TDatePart::dpMonth2, {}});
      else if (c == 'Y') parts.push_back({n <= 2 ? TDatePart::dpYear2 : TDatePart::dpYear4, {}});
      else return false;  // day or month names
    } else if (f[i] == '/') {
      text(settings.DateSeparator);
      ++i;
    } else if (f[i] == '\'' || f[i] == '"') {
      const std::size_t close = f.find(f[i], i + 1);
      if (close == std::string::npos) return false;
      text(std::string_view(f).substr(i + 1, close - i - 1));
      i = close + 1;
    } else if ((c >= 'A' && c <= 'Z')) {
      return false;  // a time or era part: not a plain date format
    } else {
      text(std::string_view(f).substr(i, 1));
      ++i;
    }
  }
  return std::any_of(parts.begin(), parts.end(), [](const TDatePart& p) { return p.kind != TDatePart::dpText; });
}

std::string SearchParamName(std::string_view blockName) {
  std::string name = "_";
  for (const char c : blockName) name += c == '"' ? '_' : c;
  return name;
}

std::string SearchParamRef(std::string_view blockName) {
  const std::string name = SearchParamName(blockName);
  if (IsPlainIdentifier(name)) return ":" + name;
  return ":\"" + name + "\"";
}

std::string ReplaceMacros(std::string_view tpl, std::string_view value, std::string_view name,
                          std::string_view leftWildcard, std::string_view rightWildcard,
                          bool asParam, const TDialect* dialect) {
  const std::string param = asParam ? SearchParamRef(name) : std::string();
  std::string out;
  out.reserve(tpl.size() + value.size() + name.size() + 8);
  std::size_t i = 0;
  while (i < tpl.size()) {
    if (tpl[i] != '%') {
      out += tpl[i++];
      continue;
    }
    if (StartsWithIgnoreCase(tpl, i, "%FLD")) {
      out += SqlFieldName(name, dialect);
      i += 4;
    } else if (StartsWithIgnoreCase(tpl, i, "%NOTE")) {
      out += asParam ? param : std::string(value);
      i += 5;
    } else if (StartsWithIgnoreCase(tpl, i, "%F")) {
      out += asParam ? param : IsSqlNumber(value) ? std::string(value) : QuoteSqlString(value);
      i += 2;
    } else if (StartsWithIgnoreCase(tpl, i, "%D")) {
      out += asParam ? param : QuoteSqlString(value);
      i += 2;
    } else if (StartsWithIgnoreCase(tpl, i, "%S")) {
      out += asParam ? param : QuoteSqlString(fmt::format("{}{}{}", leftWildcard, value, rightWildcard));
      i += 2;
    } else {
      out += tpl[i++];
    }
  }
  return out;
}

// ---- splicing -------------------------------------------------------------------------------------

std::string SearchPrim(std::string_view sql, std::string_view tpl, std::string_view value,
                       std::string_view name, std::string_view leftWildcard,
                       std::string_view rightWildcard, bool asParam, const TDialect* dialect) {
  if (!IsValidBlockName(name)) return {};
  const std::vector<TSqlToken> tokens = TokenizeSql(sql);
  if (IsSqlTextDamaged(sql, tokens)) return {};
  const BlockPlace place = FindBlock(sql, tokens, name);
  const bool hasBlock = place.begin < tokens.size();
  if (hasBlock && place.end >= tokens.size()) return {};  // a Begin marker without its End
  std::string text = hasBlock ? RemoveBlock(sql, tokens, place) : std::string(sql);
  if (value.empty()) return hasBlock ? text : std::string();
  const std::string condition =
      ReplaceMacros(tpl, value, name, leftWildcard, rightWildcard, asParam, dialect);
  return InsertBlock(text, BeginMarker(name) + condition + EndMarker(name));
}

std::size_t ReadSqlNumber(std::string_view v, const TFormatSettings& settings, std::string& out) {
  std::size_t i = 0;
  if (i < v.size() && v[i] == '-') out += v[i++];
  const std::string& sep = settings.DecimalSeparator;
  bool point = false;
  bool digits = false;
  while (i < v.size()) {
    if (IsDigit(v[i])) {
      out += v[i++];
      digits = true;
    } else if (!point && !sep.empty() && v.substr(i, sep.size()) == sep) {
      out += '.';
      point = true;
      i += sep.size();
    } else {
      break;
    }
  }
  if (!digits) return 0;
  if (out.back() == '.') out.pop_back();
  return i;
}

std::string SqlNumber(std::string_view value, const TFormatSettings& settings) {
  const std::string_view v = Trim(value);
  std::string out;
  if (v.empty() || ReadSqlNumber(v, settings, out) != v.size()) return {};
  return out;
}

std::string SqlDate(std::string_view value, const TFormatSettings& settings) {
  TDateTime date = 0;
  if (!ParseSearchDate(value, settings, date)) return {};
  return IsoDate(date);
}

std::string GetSearchSQL(const TQuery& query, std::string_view sql, const TStrings& searchList,
                         TParams* params, bool asParams) {
  const TFormatSettings& settings = FormatSettings();
  const TDialect* dialect = SearchDialect(&query);
  std::string text(sql);
  for (int i = 0; i < searchList.Count(); ++i) {
    const std::string& line = searchList.Strings(i);
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view field = std::string_view(line).substr(0, eq);
    std::string_view v = std::string_view(line).substr(eq + 1);
    if (v == "^") v = {};
    const char kind = GetFieldType(&query, field);
    if (kind == fkSearchUnknown) continue;
    std::string r;
    if (v.empty()) {
      r = SearchPrim(text, kTplLike, {}, field, {}, {}, asParams, dialect);
      if (asParams && params != nullptr) SetSearchParam(*params, field, nullptr);
    } else {
      const SearchCondition cond = ConditionFor(kind, v, query.RequestLive(), settings);
      // A time of day has no date to render: it is compared as the engine's text.
      const TField* f = GridFindField(&query, field);
      const bool renderable = cond.dateText && f != nullptr && f->DataType() != ftTime;
      const std::string dated =
          renderable ? DateCondition(field, cond, dialect, asParams, settings) : std::string();
      if (!dated.empty()) {
        // A whole condition of ours: the value is already a literal (or the parameter) in it.
        r = SearchPrim(text, kTplNote, dated, field, {}, {}, false, dialect);
      } else {
        r = SearchPrim(text, cond.tpl, cond.value, field, {}, cond.rwc, asParams, dialect);
      }
      if (asParams && params != nullptr) SetSearchParam(*params, field, &cond);
    }
    if (!r.empty()) text = std::move(r);
  }
  return text;
}

std::string GetSearchSQL(const TQuery& query, std::string_view sql, const TStrings& searchList,
                         TParams* params) {
  return GetSearchSQL(query, sql, searchList, params, UseParamInSearch);
}

namespace {

// The SQL value of a choice key by its field kind; empty when the key cannot be written.
std::string ChoiceValue(char kind, std::string_view text, const TFormatSettings& settings) {
  if (kind == fkSearchString) return QuoteSqlString(text);
  if (kind == fkSearchDate) {
    const std::string date = SqlDate(text, settings);
    return date.empty() ? std::string() : QuoteSqlString(date);
  }
  if (kind != fkSearchNumber) return {};
  const std::string& sep = settings.DecimalSeparator;
  std::string kept;
  for (std::size_t i = 0; i < text.size();) {
    if (!sep.empty() && text.substr(i, sep.size()) == sep) {
      kept += sep;
      i += sep.size();
    } else {
      if (IsDigit(text[i]) || text[i] == '-') kept += text[i];
      ++i;
    }
  }
  return SqlNumber(kept, settings);
}

}  // namespace

void SetChoiceWhereList(const TStrings& choiceLines, const TDataSet* dataSet, bool invert,
                        TStrings& result) {
  const TFormatSettings& settings = FormatSettings();
  const TDialect* dialect = SearchDialect(dataSet);
  std::vector<std::string> conditions;
  for (const std::string& line : choiceLines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view field = std::string_view(line).substr(0, eq);
    const std::string value =
        ChoiceValue(GetFieldType(dataSet, field), std::string_view(line).substr(eq + 1), settings);
    if (!value.empty()) conditions.push_back(SqlFieldName(field, dialect) + " = " + value);
  }
  result.BeginUpdate();
  result.Clear();
  for (std::size_t i = 0; i < conditions.size(); ++i) {
    std::string line = i > 0 ? std::string() : invert ? "NOT (" : "(";
    line += conditions[i];
    line += i + 1 < conditions.size() ? " OR" : ")";
    result.Add(std::move(line));
  }
  result.EndUpdate();
}

// ---- reopening ------------------------------------------------------------------------------------

void ReloadQuery(TQuery& query, std::string_view text, bool onlyIfOpen, bool force,
                 const TParams* params) {
  if (text.empty() || (onlyIfOpen && !query.Active())) return;
  query.DisableControls();
  try {
    TParams own;
    if (params == nullptr) {
      own.Assign(&query.Params());
      params = &own;
    }
    TStringList lines;
    lines.SetText(text);
    if (force || !lines.Equals(query.SQL())) {
      query.SetSQLText(text);
      query.Close();
      query.Params().AssignValues(*params);
    }
    if (force) query.Open();
  } catch (...) {
    query.EnableControls();
    throw;
  }
  query.EnableControls();
}

void ApplySearch(TQuery& query, const TStrings& searchList, bool onlyIfOpen, bool force) {
  TParams params;
  params.Assign(&query.Params());
  const std::string text = GetSearchSQL(query, query.SQLText(), searchList, &params);
  ReloadQuery(query, text, onlyIfOpen, force, &params);
}

bool BuildChoice(TQuery& query, const TStrings& choiceList, bool invert, TStrings& choiceFilter) {
  if (!query.Active()) return false;
  std::string text = query.SQLText();
  TStringList previousFilter;
  previousFilter.Assign(&choiceFilter);
  if (choiceFilter.Count() > 0) {
    text = SearchPrim(text, kTplNote, {}, kChoiceBlockName, {}, {}, false);
    choiceFilter.Clear();
  } else {
    if (choiceList.Count() == 0) return false;
    TStringList lines;
    SetChoiceWhereList(choiceList, &query, invert, lines);
    choiceFilter.Assign(&lines);
    std::string condition;
    for (const std::string& line : lines) {
      if (!condition.empty()) condition += kCrLf;
      condition += line;
    }
    const std::string r = SearchPrim(text, kTplNote, condition, kChoiceBlockName, {}, {}, false);
    if (!r.empty()) text = r;
  }
  const std::string previousText = query.SQLText();
  try {
    ReloadQuery(query, text, true, true, nullptr);
  } catch (...) {
    MessageDlg(msg::SDsQueryMistake, TMsgDlgType::mtError, mbOK);
    choiceFilter.Assign(&previousFilter);
    ReloadQuery(query, previousText, false, true, nullptr);
    throw;
  }
  return true;
}

}  // namespace bexlo
