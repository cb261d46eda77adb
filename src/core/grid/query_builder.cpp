#include "grid/query_builder.h"

#include <array>

#include "db/dataset.h"
#include "db/field.h"
#include "db/query.h"
#include "grid/search_sql.h"
#include "grid/sql_tokens.h"
#include "util/datetime.h"
#include "util/format.h"
#include "util/format_settings.h"
#include "util/messages.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "util/usr_str.h"

namespace bexlo {

namespace {

struct OperatorText {
  std::string_view shown;
  std::string_view sql;
};

constexpr std::array<OperatorText, kBuilderOperatorCount> kOperators = {{
    {" = ", " = "},
    {" > ", " > "},
    {" >= ", " >= "},
    {" < ", " < "},
    {" <= ", " <= "},
    {" <> ", " <> "},
    {msg::SQoNotLikeStr, " NOT LIKE "},
    {msg::SQoLikeStr, " LIKE "},
    {msg::SQoNotListIn, " NOT IN "},
    {msg::SQoListIn, " IN "},
    {msg::SQoNotIsEmpty, " IS NOT NULL "},
    {msg::SQoIsEmpty, " IS NULL "},
}};

constexpr std::string_view kCrLf = "\r\n";

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

std::string_view TrimRightBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The content of a value written as one string literal ('..' with '' inside). A value in
// quotes that is not well formed (an older line with a lone quote inside, 'O'Brien') gives the
// text between its outer quotes. False when the value is not in single quotes.
bool QuotedContent(std::string_view value, std::string& content) {
  if (value.size() < 2 || value.front() != '\'' || value.back() != '\'') return false;
  const std::vector<TSqlToken> tokens = TokenizeSql(value);
  if (tokens.size() == 1 && tokens[0].Kind == TSqlTokenKind::String && !tokens[0].Unterminated) {
    content = UnquoteSqlString(value);
  } else {
    content = std::string(value.substr(1, value.size() - 2));
  }
  return true;
}

// The items of an in-list value of a string or date field: string literals separated by ",".
bool QuotedItems(std::string_view inner, std::vector<std::string>& items) {
  const std::vector<TSqlToken> tokens = TokenizeSql(inner);
  bool wantItem = true;
  for (const TSqlToken& t : tokens) {
    if (t.Kind == TSqlTokenKind::Space) continue;
    const std::string_view text = t.Text(inner);
    if (wantItem) {
      if (t.Kind != TSqlTokenKind::String || t.Unterminated || text.front() != '\'') return false;
      items.push_back(UnquoteSqlString(text));
      wantItem = false;
    } else {
      if (text != ",") return false;
      wantItem = true;
    }
  }
  return !items.empty() && !wantItem;
}

std::vector<std::string> SplitAtComma(std::string_view s) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = s.find(',', start);
    parts.emplace_back(TrimView(s.substr(start, comma == std::string_view::npos ? comma : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

// The inside of "( ... )"; false without the parentheses.
bool ListInner(std::string_view value, std::string_view& inner) {
  value = TrimView(value);
  if (value.size() < 2 || value.front() != '(' || value.back() != ')') return false;
  inner = value.substr(1, value.size() - 2);
  return true;
}

// A date (or date and time) value as a quoted SQL literal; empty when it is not one.
std::string DateLiteral(std::string_view text, const TFormatSettings& settings) {
  std::string date = SqlDate(text, settings);
  if (date.empty()) {
    TDateTime value = 0;
    if (!TryStrToDateTime(TrimView(text), value, settings)) return {};
    date = FormatDateTime("yyyy-mm-dd hh:nn:ss", value);
  }
  if (date.front() == '\'') return date;
  return QuoteSqlString(date);
}

// Upper-cases the words of an ordering list, keeping quoted names and literals as written.
std::string UpperWords(std::string_view order) {
  std::string out;
  for (const TSqlToken& t : TokenizeSql(order)) {
    const std::string_view text = t.Text(order);
    if (t.Kind == TSqlTokenKind::Word) {
      out += UpperCase(text);
    } else {
      out += text;
    }
  }
  return out;
}

struct OrderSpan {
  std::size_t keyword = std::string::npos;  // offset of ORDER
  std::size_t begin = 0;                    // just after BY
  std::size_t end = 0;                      // the end of the ordering list
};

bool IsOrderEnd(std::string_view sql, const TSqlToken& t) {
  if (t.Kind == TSqlTokenKind::Symbol) return t.Text(sql) == ";";
  if (t.Kind != TSqlTokenKind::Word) return false;
  for (std::string_view k : {"LIMIT", "OFFSET", "FETCH", "FOR"}) {
    if (IsKeyword(sql, t, k)) return true;
  }
  return false;
}

// Where the top-level ordering list is; keyword npos without ORDER BY. Without it, end is where
// an ORDER BY would go (before a top-level LIMIT, ..., ";", or the end).
OrderSpan FindOrder(std::string_view sql) {
  const std::vector<TSqlToken> tokens = TokenizeSql(sql);
  const std::size_t n = tokens.size();
  OrderSpan span;
  std::size_t from = 0;
  const std::size_t k = FindKeyword(sql, tokens, "ORDER BY");
  if (k < n) {
    const std::size_t by = NextCodeToken(tokens, k);
    span.keyword = tokens[k].Offset;
    span.begin = tokens[by].End();
    from = by + 1;
  }
  span.end = sql.size();
  for (std::size_t i = from; i < n; ++i) {
    if (tokens[i].Depth == 0 && tokens[i].IsCode() && IsOrderEnd(sql, tokens[i])) {
      span.end = tokens[i].Offset;
      break;
    }
  }
  return span;
}

}  // namespace

// ---- operators and lines ----------------------------------------------------------------------

std::string_view BuilderOperatorShown(int op) noexcept {
  return op >= 0 && op < kBuilderOperatorCount ? kOperators[static_cast<std::size_t>(op)].shown
                                               : std::string_view();
}

std::string_view BuilderOperatorSql(int op) noexcept {
  return op >= 0 && op < kBuilderOperatorCount ? kOperators[static_cast<std::size_t>(op)].sql
                                               : std::string_view();
}

bool IsBuilderSeparator(std::string_view line) noexcept {
  return !line.empty() && line.front() == '-';
}

bool IsBuilderRaw(const TStrings& lines) {
  return lines.Count() > 0 && !lines.Strings(0).empty() && lines.Strings(0).front() == '#';
}

TBuilderLine ParseBuilderLine(std::string_view line) {
  TBuilderLine out;
  if (IsBuilderSeparator(line)) {
    out.Separator = true;
    return out;
  }
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos) {
    out.Label = std::string(line);
    return out;
  }
  out.Label = std::string(line.substr(0, blank));
  const std::string_view rest = line.substr(blank);
  for (int op = 0; op < kBuilderOperatorCount; ++op) {
    const std::string_view shown = BuilderOperatorShown(op);
    if (rest.starts_with(shown)) {
      out.Operator = op;
      out.Value = std::string(rest.substr(shown.size()));
      return out;
    }
    // An operator at the line's end whose last blank was trimmed away.
    if (TrimRightBlanks(rest) == TrimRightBlanks(shown)) {
      out.Operator = op;
      return out;
    }
  }
  return out;
}

std::string BuilderNumber(std::string_view value, const TFormatSettings& settings) {
  std::string_view v = TrimView(value);
  std::string out;
  std::size_t i = ReadSqlNumber(v, settings, out);
  if (i == 0) return {};
  if (i < v.size() && (v[i] == 'E' || v[i] == 'e')) {
    out += 'E';
    ++i;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) out += v[i++];
    bool expDigits = false;
    while (i < v.size() && IsDigit(v[i])) {
      out += v[i++];
      expDigits = true;
    }
    if (!expDigits) return {};
  }
  if (i != v.size()) return {};
  return out;
}

// ---- fields ---------------------------------------------------------------------------------------

void TQueryBuilder::SetQuery(const TDataSet& dataSet) {
  fields_.clear();
  dialect_ = SearchDialect(&dataSet);
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    const TField* field = dataSet.Fields(i);
    if (field->FieldKind() != fkData) continue;
    std::string label = field->DisplayLabel();
    DeleteDelim(label);
    fields_.push_back({std::move(label), field->FieldName(), bexlo::GetFieldType(&dataSet, field->FieldName())});
  }
}

const TBuilderField* TQueryBuilder::FindLabel(std::string_view label) const {
  for (const TBuilderField& f : fields_) {
    if (f.Label == label) return &f;
  }
  return nullptr;
}

std::string TQueryBuilder::GetField(std::string_view label) const {
  const TBuilderField* f = FindLabel(label);
  return f ? f->Name : std::string();
}

std::string TQueryBuilder::GetFieldDesc(std::string_view fieldName) const {
  for (const TBuilderField& f : fields_) {
    if (SameText(f.Name, fieldName)) return f.Label;
  }
  return {};
}

char TQueryBuilder::GetFieldType(std::string_view label) const {
  const TBuilderField* f = FindLabel(label);
  return f ? f->Kind : fkSearchUnknown;
}

const TBuilderField* TQueryBuilder::LineField(const TBuilderLine& line) const {
  return line.Separator ? nullptr : FindLabel(line.Label);
}

// ---- composing ------------------------------------------------------------------------------------

void TQueryBuilder::SetListBox(const TStrings& lines) { conditions_.Assign(&lines); }

int TQueryBuilder::AddCondition(std::string_view label) {
  const TBuilderField* f = FindLabel(label);
  if (f == nullptr || f->Kind == fkSearchUnknown || RawMode()) return -1;
  return conditions_.Add(std::string(label));
}

bool TQueryBuilder::AddOperator(int index, int op) {
  if (index < 0 || index >= conditions_.Count() || RawMode()) return false;
  if (BuilderOperatorShown(op).empty()) return false;
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  if (line.Separator || line.Operator != boNone) return false;
  const TBuilderField* f = LineField(line);
  if (f == nullptr) return false;
  if (f->Kind == fkSearchString && IsRangeOperator(op)) return false;
  conditions_.SetStrings(index, line.Label + std::string(BuilderOperatorShown(op)));
  return true;
}

bool TQueryBuilder::SetFieldValue(int index, std::string_view label) {
  if (index < 0 || index >= conditions_.Count() || RawMode()) return false;
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  if (line.Separator || line.Operator == boNone || IsListOperator(line.Operator) ||
      IsNullOperator(line.Operator) || !line.Value.empty()) {
    return false;
  }
  const TBuilderField* f = LineField(line);
  const TBuilderField* other = FindLabel(label);
  if (f == nullptr || other == nullptr || f->Kind != other->Kind) return false;
  conditions_.SetStrings(index, conditions_.Strings(index) + std::string(label));
  return true;
}

void TQueryBuilder::SetEdit(int index, std::string_view typed) {
  if (index < 0 || index >= conditions_.Count() || RawMode()) return;
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  if (line.Separator || line.Operator == boNone) return;
  const char kind = GetFieldType(line.Label);
  std::string value;
  if (typed.empty() || typed.front() == '@' || SearchField(typed) || IsListOperator(line.Operator)) {
    value = std::string(typed);
  } else if (kind == fkSearchNumber) {
    const std::string& sep = FormatSettings().DecimalSeparator;
    for (std::size_t i = 0; i < typed.size();) {
      const char c = typed[i];
      if (IsDigit(c) || c == '-' || c == 'E' || c == 'e') {
        value += c;
        ++i;
      } else if (!sep.empty() && typed.substr(i, sep.size()) == sep) {
        value += sep;
        i += sep.size();
      } else {
        ++i;
      }
    }
  } else if (kind == fkSearchString || kind == fkSearchDate) {
    value = QuoteSqlString(typed);
  } else {
    value = std::string(typed);
  }
  conditions_.SetStrings(index, line.Label + std::string(BuilderOperatorShown(line.Operator)) + value);
}

std::string TQueryBuilder::GetEdit(int index) const {
  if (index < 0 || index >= conditions_.Count()) return {};
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  if (line.Separator || line.Operator == boNone) return {};
  const char kind = GetFieldType(line.Label);
  const std::string& v = line.Value;
  if ((kind == fkSearchString || kind == fkSearchDate) && !IsListOperator(line.Operator) &&
      !v.empty() && v.front() != '@' && !SearchField(v)) {
    std::string content;
    if (QuotedContent(v, content)) return content;
  }
  return v;
}

bool TQueryBuilder::AddOr() {
  if (RawMode() || conditions_.Count() == 0) return false;
  if (IsBuilderSeparator(conditions_.Strings(conditions_.Count() - 1))) return false;
  conditions_.Add(msg::SQoORDelimiter);
  return true;
}

std::vector<std::string> TQueryBuilder::GetValueList(int index) const {
  if (index < 0 || index >= conditions_.Count()) return {};
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  std::string_view inner = TrimView(line.Value);
  if (inner.empty()) return {};
  std::string_view unwrapped;
  if (ListInner(inner, unwrapped)) inner = unwrapped;
  const char kind = GetFieldType(line.Label);
  std::vector<std::string> items;
  if ((kind == fkSearchString || kind == fkSearchDate) && !QuotedItems(inner, items)) {
    items.clear();
    for (const std::string& part : SplitAtComma(inner)) {
      std::string content;
      items.push_back(QuotedContent(part, content) ? content : part);
    }
  } else if (kind != fkSearchString && kind != fkSearchDate) {
    items = SplitAtComma(inner);
  }
  return items;
}

void TQueryBuilder::SetValueList(int index, const std::vector<std::string>& items) {
  if (index < 0 || index >= conditions_.Count() || items.empty() || RawMode()) return;
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  if (line.Separator || line.Operator == boNone) return;
  const char kind = GetFieldType(line.Label);
  const bool quoted = kind == fkSearchString || kind == fkSearchDate;
  std::string value = "(";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) value += ',';
    value += quoted ? QuoteSqlString(items[i]) : items[i];
  }
  value += ')';
  conditions_.SetStrings(index, line.Label + std::string(BuilderOperatorShown(line.Operator)) + value);
}

void TQueryBuilder::DeleteCondition(int index) {
  if (index >= 0 && index < conditions_.Count()) conditions_.Delete(index);
}

bool TQueryBuilder::ValueEditable(int index) const {
  if (index < 0 || index >= conditions_.Count() || RawMode()) return false;
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  return !line.Separator && line.Operator != boNone && !IsListOperator(line.Operator) &&
         !IsNullOperator(line.Operator);
}

bool TQueryBuilder::ListEditable(int index) const {
  if (index < 0 || index >= conditions_.Count() || RawMode()) return false;
  const TBuilderLine line = ParseBuilderLine(conditions_.Strings(index));
  return !line.Separator && IsListOperator(line.Operator);
}

// ---- SQL ---------------------------------------------------------------------------------------------

namespace {

[[noreturn]] void Refuse(const char* pattern, std::string_view line) {
  throw EBuilderError(Format(pattern, std::string(line)));
}
[[noreturn]] void Refuse(const char* pattern, std::string_view line, std::string_view value) {
  throw EBuilderError(Format(pattern, std::string(line), std::string(value)));
}

// The SQL of one condition's value (fields, numbers, literals; "@" values raw).
std::string ValueSql(const TQueryBuilder& builder, const TBuilderField& field, int op,
                     std::string_view value, std::string_view lineText) {
  const TFormatSettings& settings = FormatSettings();
  if (IsNullOperator(op)) {
    if (!value.empty()) Refuse(msg::SQoBuilderNoValue, lineText);
    return {};
  }
  if (const TBuilderField* other = builder.FindLabel(value)) return SqlFieldName(other->Name, builder.Dialect());
  if (value.front() == '@') return std::string(value.substr(1));

  if (IsListOperator(op)) {
    std::string_view inner;
    if (!ListInner(value, inner)) Refuse(msg::SQoBuilderBadList, lineText);
    std::vector<std::string> items;
    std::string out = "(";
    if (field.Kind == fkSearchNumber) {
      items = SplitAtComma(inner);
      for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string number = BuilderNumber(items[i], settings);
        if (number.empty()) {
          if (items.size() == 1 && TrimView(items[i]).empty()) Refuse(msg::SQoBuilderBadList, lineText);
          Refuse(msg::SQoBuilderNotNumber, lineText, items[i]);
        }
        if (i > 0) out += ',';
        out += number;
      }
    } else {
      if (!QuotedItems(inner, items)) Refuse(msg::SQoBuilderBadList, lineText);
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        if (field.Kind == fkSearchDate) {
          const std::string date = DateLiteral(items[i], settings);
          if (date.empty()) Refuse(msg::SQoBuilderNotDate, lineText, items[i]);
          out += date;
        } else {
          out += QuoteSqlString(items[i]);
        }
      }
    }
    return out + ")";
  }

  if (field.Kind == fkSearchNumber) {
    std::string number = BuilderNumber(value, settings);
    if (number.empty()) Refuse(msg::SQoBuilderNotNumber, lineText, value);
    return number;
  }
  std::string content;
  if (!QuotedContent(value, content)) {
    if (field.Kind == fkSearchDate) Refuse(msg::SQoBuilderNotDate, lineText, value);
    Refuse(msg::SQoBuilderNotQuoted, lineText);
  }
  if (field.Kind == fkSearchDate) {
    std::string date = DateLiteral(content, settings);
    if (date.empty()) Refuse(msg::SQoBuilderNotDate, lineText, content);
    return date;
  }
  return QuoteSqlString(content);
}

// Raises when the condition text is not closed SQL that a block can hold.
void CheckClosed(std::string_view text) {
  const std::vector<TSqlToken> tokens = TokenizeSql(text);
  if (IsSqlTextDamaged(text, tokens)) {
    throw EBuilderError(Format(msg::SQoBuilderNotClosed, "an open literal, quoted name, comment or parenthesis"));
  }
  int depth = 0;
  for (const TSqlToken& t : tokens) {
    if (t.Kind == TSqlTokenKind::RWMarker || t.Kind == TSqlTokenKind::BeginMarker ||
        t.Kind == TSqlTokenKind::EndMarker) {
      throw EBuilderError(Format(msg::SQoBuilderNotClosed, "a marker comment"));
    }
    if (t.Kind == TSqlTokenKind::Symbol) {
      const std::string_view s = t.Text(text);
      if (s == "(") ++depth;
      if (s == ")") --depth;
    }
  }
  if (depth != 0) throw EBuilderError(Format(msg::SQoBuilderNotClosed, "an open parenthesis"));
}

std::string JoinLines(const TStrings& lines) {
  std::string out;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) out += kCrLf;
    out += lines.Strings(i);
  }
  return out;
}

}  // namespace

void TQueryBuilder::SetWhereList(TStrings& w) {
  w.Clear();
  if (conditions_.Count() == 0) return;
  TStringList out;
  if (RawMode()) {
    out.Assign(&conditions_);
    out.SetStrings(0, out.Strings(0).substr(1));
    CheckClosed(JoinLines(out));
    w.Assign(&out);
    return;
  }
  while (conditions_.Count() > 0 && IsBuilderSeparator(conditions_.Strings(conditions_.Count() - 1))) {
    conditions_.Delete(conditions_.Count() - 1);
  }
  std::vector<std::vector<std::string>> groups(1);
  for (int i = 0; i < conditions_.Count();) {
    const std::string& text = conditions_.Strings(i);
    const TBuilderLine line = ParseBuilderLine(text);
    if (line.Separator) {
      if (!groups.back().empty()) groups.emplace_back();
      ++i;
      continue;
    }
    const TBuilderField* field = LineField(line);
    const std::string_view value = TrimView(line.Value);
    if (line.Operator == boNone || field == nullptr || field->Kind == fkSearchUnknown ||
        (value.empty() && !IsNullOperator(line.Operator))) {
      conditions_.Delete(i);
      continue;
    }
    groups.back().push_back(SqlFieldName(field->Name, dialect_) + std::string(BuilderOperatorSql(line.Operator)) +
                            ValueSql(*this, *field, line.Operator, value, text));
    ++i;
  }
  if (groups.back().empty()) groups.pop_back();
  if (groups.empty()) return;

  out.Add("(");
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::vector<std::string>& group = groups[g];
    for (std::size_t j = 0; j < group.size(); ++j) {
      std::string s = j == 0 ? "((" : "(";
      s += group[j];
      s += ')';
      if (j + 1 < group.size()) {
        s += " AND";
      } else {
        s += g + 1 < groups.size() ? ") OR" : ")";
      }
      out.Add(std::move(s));
    }
  }
  out.Add(")");
  CheckClosed(JoinLines(out));
  w.Assign(&out);
}

// ---- ordering --------------------------------------------------------------------------------------

int TQueryBuilder::AddOrder(std::string_view label) {
  const TBuilderField* f = FindLabel(label);
  if (f == nullptr || f->Kind == fkSearchUnknown) return -1;
  return order_.Add(std::string(label) + ", " + msg::SQoOnIncrease);
}

void TQueryBuilder::SetOrderDirection(int index, bool descending) {
  if (index < 0 || index >= order_.Count()) return;
  const std::string& line = order_.Strings(index);
  const std::size_t comma = line.find(',');
  if (comma == std::string::npos) return;
  order_.SetStrings(index, line.substr(0, comma + 1) + (descending ? msg::SQoOnDecrease : msg::SQoOnIncrease));
}

void TQueryBuilder::SetOrderBox(std::string_view queryText) {
  order_.Clear();
  std::string order = BuilderOrderOf(queryText);
  // A line break between two words counts as a blank: "NAME\r\nDESC" is NAME descending.
  for (char& c : order) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  order = Trim(order);
  if (order.empty() || order.find('(') != std::string::npos) return;
  for (const std::string& term : SplitAtComma(order)) {
    const std::size_t blank = term.find(' ');
    std::string name = term.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : Trim(term.substr(blank));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
      name = name.substr(1, name.size() - 2);
    }
    std::string label = GetFieldDesc(name);
    if (label.empty()) {
      const std::size_t dot = name.find('.');
      if (dot != std::string::npos) label = GetFieldDesc(name.substr(dot + 1));
    }
    if (label.empty()) continue;
    order_.Add(label + ", " + (SameText(rest, "DESC") ? msg::SQoOnDecrease : msg::SQoOnIncrease));
  }
}

std::string TQueryBuilder::SetOrderText() const {
  std::string out;
  for (int i = 0; i < order_.Count(); ++i) {
    const std::string& line = order_.Strings(i);
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    const TBuilderField* f = FindLabel(TrimView(std::string_view(line).substr(0, comma)));
    if (f == nullptr || f->Kind == fkSearchUnknown) continue;
    if (!out.empty()) out += ", ";
    out += SqlFieldName(f->Name, dialect_);
    if (TrimView(std::string_view(line).substr(comma + 1)) == msg::SQoOnDecrease) out += " DESC";
  }
  return out;
}

std::string BuilderOrderOf(std::string_view sql) {
  const OrderSpan span = FindOrder(sql);
  if (span.keyword == std::string::npos) return {};
  return Trim(sql.substr(span.begin, span.end - span.begin));
}

std::string ApplyBuilderOrder(std::string_view sql, std::string_view order,
                              TBuilderOrderState& state) {
  const OrderSpan span = FindOrder(sql);
  const bool hasOrder = span.keyword != std::string::npos;
  const std::string_view tail = TrimView(sql.substr(span.end));
  if (!order.empty()) {
    if (!state.Saved) {
      state.SavedOrder = hasOrder ? UpperWords(Trim(sql.substr(span.begin, span.end - span.begin))) : "";
      state.Saved = true;
    }
    const std::string o = order.front() == ' ' ? std::string(order) : " " + std::string(order);
    std::string out;
    if (hasOrder) {
      out = std::string(sql.substr(0, span.begin)) + o;
    } else {
      // A line of its own, also after a block's end marker, so that removing the block later
      // never glues the ORDER BY to the text before it.
      out = std::string(sql.substr(0, span.end));
      out += kCrLf;
      out += "ORDER BY" + o;
      state.BreakAdded = true;
    }
    if (!tail.empty()) out += " " + std::string(tail);
    state.OrderSet = true;
    return out;
  }
  if (state.OrderSet && !hasOrder) return std::string(sql);
  std::string out(sql);
  if (state.OrderSet) {
    out = std::string(sql.substr(0, span.keyword));
    if (state.Saved && !state.SavedOrder.empty()) {
      out += "ORDER BY " + state.SavedOrder;
    } else if (state.BreakAdded && out.ends_with(kCrLf)) {
      out.resize(out.size() - kCrLf.size());
    }
    if (!tail.empty()) out += (out.empty() || static_cast<unsigned char>(out.back()) <= ' ' ? "" : " ") + std::string(tail);
  }
  state.OrderSet = false;
  state.BreakAdded = false;
  state.Saved = false;
  state.SavedOrder.clear();
  return out;
}

std::string CheckBuilderOrder(const TQueryBuilder& builder, std::string_view order) {
  std::string text(order);
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  if (TrimView(text).empty()) return {};
  std::string out;
  for (const std::string& term : SplitAtComma(text)) {
    std::string_view name = term;
    bool descending = false;
    const std::size_t blank = name.rfind(' ');
    if (blank != std::string_view::npos) {
      const std::string_view word = name.substr(blank + 1);
      if (SameText(word, "DESC") || SameText(word, "ASC")) {
        descending = SameText(word, "DESC");
        name = TrimView(name.substr(0, blank));
      }
    }
    const TBuilderField* found = nullptr;
    for (const TBuilderField& f : builder.Fields()) {
      if (f.Kind == fkSearchUnknown) continue;
      if (SameText(name, f.Name) || name == SqlFieldName(f.Name) ||
          name == SqlFieldName(f.Name, builder.Dialect())) {
        found = &f;
        break;
      }
    }
    if (found == nullptr) throw EBuilderError(Format(msg::SQoBuilderBadOrder, text));
    if (!out.empty()) out += ", ";
    out += SqlFieldName(found->Name, builder.Dialect());
    if (descending) out += " DESC";
  }
  return out;
}

std::string BuilderQueryText(TQueryBuilder& builder, std::string_view sql,
                             std::string_view orderText, TBuilderOrderState& orderState) {
  TStringList w;
  builder.SetWhereList(w);
  const std::string r = SearchPrim(sql, kTplNote, JoinLines(w), kBuilderBlockName, {}, {}, false);
  const std::string text = r.empty() ? std::string(sql) : r;
  return ApplyBuilderOrder(text, orderText, orderState);
}

void RunQueryBuilder(TQuery& query, const TStrings& builderLines, TBuilderOrderState& orderState,
                     std::string_view orderText, std::string_view queryText, bool force) {
  TQueryBuilder builder;
  builder.SetQuery(query);
  builder.SetListBox(builderLines);
  const std::string order = CheckBuilderOrder(builder, orderText);
  const std::string before = query.SQLText();
  TBuilderOrderState state = orderState;
  const std::string text =
      BuilderQueryText(builder, queryText.empty() ? std::string_view(before) : queryText, order, state);
  try {
    ReloadQuery(query, text, false, force, nullptr);
  } catch (...) {
    MessageDlg(msg::SDsQueryMistake, TMsgDlgType::mtError, mbOK);
    try {
      ReloadQuery(query, before, false, force, nullptr);
    } catch (...) {
      // The error of the new text is the one the caller hears of.
    }
    throw;
  }
  orderState = state;
}

}  // namespace bexlo
