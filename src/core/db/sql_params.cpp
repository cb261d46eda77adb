#include "db/sql_params.h"

#include "util/text.h"

namespace bexlo {

namespace {

bool IsNameStart(unsigned char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

bool IsNameChar(unsigned char c) noexcept { return IsNameStart(c) || c == '$' || c == '#'; }

bool IsIdentChar(unsigned char c) noexcept { return IsNameChar(c); }

// Position just past a quoted run that starts at `pos` (the opening quote) and ends at `close`;
// a doubled closing quote stands for itself. With backslashes, "\x" escapes x.
std::size_t SkipQuoted(std::string_view s, std::size_t pos, char close, bool backslashes) {
  std::size_t i = pos + 1;
  while (i < s.size()) {
    const char c = s[i];
    if (backslashes && c == '\\') {
      i += 2;
      continue;
    }
    if (c == close) {
      if (i + 1 < s.size() && s[i + 1] == close && close != ']') {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return s.size();
}

// A PostgreSQL dollar quote starting at pos: "$$" or "$tag$". Returns the tag length including
// both dollars, or 0 when pos does not start one.
std::size_t DollarTagLength(std::string_view s, std::size_t pos) {
  std::size_t i = pos + 1;
  if (i < s.size() && s[i] != '$') {
    const auto c = static_cast<unsigned char>(s[i]);
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80)) return 0;
    while (i < s.size() && s[i] != '$') {
      const auto d = static_cast<unsigned char>(s[i]);
      if (!((d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z') || (d >= '0' && d <= '9') ||
            d == '_' || d >= 0x80)) {
        return 0;
      }
      ++i;
    }
  }
  if (i >= s.size()) return 0;
  return i - pos + 1;
}

}  // namespace

std::vector<TSqlParamRef> ScanSqlParams(std::string_view s) {
  std::vector<TSqlParamRef> refs;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const char c = s[i];
    const bool afterIdent = i > 0 && IsIdentChar(static_cast<unsigned char>(s[i - 1]));
    switch (c) {
      case '\'': {
        // E'...' (not part of a longer identifier) allows backslash escapes.
        const bool escapes = i > 0 && (s[i - 1] == 'E' || s[i - 1] == 'e') &&
                             !(i > 1 && IsIdentChar(static_cast<unsigned char>(s[i - 2])));
        i = SkipQuoted(s, i, '\'', escapes);
        continue;
      }
      case '"':
        i = SkipQuoted(s, i, '"', false);
        continue;
      case '`':
        i = SkipQuoted(s, i, '`', false);
        continue;
      case '[':
        i = SkipQuoted(s, i, ']', false);
        continue;
      case '-':
        if (i + 1 < n && s[i + 1] == '-') {
          const std::size_t eol = s.find('\n', i);
          i = eol == std::string_view::npos ? n : eol + 1;
          continue;
        }
        break;
      case '/':
        if (i + 1 < n && s[i + 1] == '*') {
          const std::size_t end = s.find("*/", i + 2);
          i = end == std::string_view::npos ? n : end + 2;
          continue;
        }
        break;
      case '$':
        if (!afterIdent) {
          if (const std::size_t tag = DollarTagLength(s, i)) {
            const std::string_view delimiter = s.substr(i, tag);
            const std::size_t end = s.find(delimiter, i + tag);
            i = end == std::string_view::npos ? n : end + tag;
            continue;
          }
        }
        break;
      case ':': {
        if (i + 1 < n && s[i + 1] == ':') {  // a cast
          i += 2;
          while (i < n && s[i] == ':') ++i;
          continue;
        }
        if (i + 1 < n && s[i + 1] == '"') {
          const std::size_t close = s.find('"', i + 2);
          if (close != std::string_view::npos && close > i + 2) {
            refs.push_back({std::string(s.substr(i + 2, close - i - 2)), i, close - i + 1});
            i = close + 1;
            continue;
          }
          break;
        }
        if (i + 1 < n && IsNameStart(static_cast<unsigned char>(s[i + 1]))) {
          std::size_t j = i + 1;
          while (j < n && IsNameChar(static_cast<unsigned char>(s[j]))) ++j;
          refs.push_back({std::string(s.substr(i + 1, j - i - 1)), i, j - i});
          i = j;
          continue;
        }
        break;
      }
      default:
        break;
    }
    ++i;
  }
  return refs;
}

bool SameParamName(std::string_view a, std::string_view b) noexcept {
  if (a.size() == b.size()) {
    bool same = true;
    for (std::size_t i = 0; i < a.size() && same; ++i) {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
      same = x == y;
    }
    if (same) return true;
  }
  return SameText(a, b);
}

TParsedSql ParseSqlParams(std::string_view sql, TParamMarker marker) {
  TParsedSql result;
  const std::vector<TSqlParamRef> refs = ScanSqlParams(sql);
  result.text.reserve(sql.size() + refs.size() * 2);
  std::size_t copied = 0;
  for (const TSqlParamRef& ref : refs) {
    std::size_t index = 0;
    while (index < result.names.size() && !SameParamName(result.names[index], ref.name)) ++index;
    if (index == result.names.size()) result.names.push_back(ref.name);
    result.text.append(sql.substr(copied, ref.offset - copied));
    const std::size_t start = result.text.size();
    // "$1" right after a name character or a "$" would read as part of a name or a "$$" quote.
    if (marker == TParamMarker::DollarNumber && !result.text.empty() &&
        IsNameChar(static_cast<unsigned char>(result.text.back()))) {
      result.text += ' ';
    }
    result.text += marker == TParamMarker::QuestionNumber ? '?' : '$';
    result.text += std::to_string(index + 1);
    result.spans.push_back({ref.offset, ref.length, start, result.text.size() - start});
    copied = ref.offset + ref.length;
  }
  result.text.append(sql.substr(copied));
  return result;
}

std::size_t TParsedSql::SourceOffset(std::size_t parsedOffset) const noexcept {
  // Text between markers keeps its length: the offset moves by what the markers before it
  // changed.
  std::ptrdiff_t shift = 0;
  for (const TSpan& span : spans) {
    if (parsedOffset < span.parsed) break;
    if (parsedOffset < span.parsed + span.parsedLength) return span.source;
    shift += static_cast<std::ptrdiff_t>(span.sourceLength) - static_cast<std::ptrdiff_t>(span.parsedLength);
  }
  return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(parsedOffset) + shift);
}

}  // namespace bexlo
