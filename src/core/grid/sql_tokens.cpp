#include "grid/sql_tokens.h"

namespace bexlo {
namespace {

constexpr std::string_view kBeginPrefix = "/*Begin for ";
constexpr std::string_view kEndPrefix = "/*End for ";

bool IsSpaceByte(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) noexcept {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '_' || u >= 0x80;
}
bool IsWordByte(char c) noexcept { return IsWordStart(c) || IsDigit(c) || c == '$' || c == '#'; }
char AsciiUpper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// Scans one token starting at pos; returns its kind and sets `end` (and `unterminated`).
class Scanner {
 public:
  explicit Scanner(std::string_view sql) : s_(sql) {}

  TSqlTokenKind Scan(std::size_t pos, std::size_t& end, bool& unterminated) {
    unterminated = false;
    const char c = s_[pos];
    if (IsSpaceByte(c)) return Run(pos, end, IsSpaceByte, TSqlTokenKind::Space);
    if (c == '-' && At(pos + 1) == '-') {
      end = s_.find('\n', pos);
      if (end == std::string_view::npos) end = s_.size();
      while (end > pos + 2 && s_[end - 1] == '\r') --end;  // the line break is not the comment's
      return TSqlTokenKind::LineComment;
    }
    if (c == '/' && At(pos + 1) == '*') return BlockComment(pos, end, unterminated);
    if (c == '\'') return Quoted(pos + 1, '\'', end, unterminated, TSqlTokenKind::String);
    if (c == '"' || c == '`') return Quoted(pos + 1, c, end, unterminated, TSqlTokenKind::QuotedName);
    if (c == '[') {
      const std::size_t close = s_.find(']', pos + 1);
      if (close != std::string_view::npos) {
        end = close + 1;
        return TSqlTokenKind::QuotedName;
      }
      end = s_.size();  // "[" opens a name that never closes
      unterminated = true;
      return TSqlTokenKind::QuotedName;
    }
    if ((c == 'E' || c == 'e') && At(pos + 1) == '\'') return EscapeString(pos, end, unterminated);
    if ((c == 'X' || c == 'x' || c == 'N' || c == 'n' || c == 'B' || c == 'b') && At(pos + 1) == '\'') {
      return Quoted(pos + 2, '\'', end, unterminated, TSqlTokenKind::String);
    }
    if (c == '$') return Dollar(pos, end, unterminated);
    if (IsDigit(c) || (c == '.' && IsDigit(At(pos + 1)))) return Number(pos, end);
    if (IsWordStart(c)) return Run(pos, end, IsWordByte, TSqlTokenKind::Word);
    if (c == ':' || c == '?' || c == '@') return ParameterOrSymbol(pos, end);
    end = pos + 1;
    return TSqlTokenKind::Symbol;
  }

 private:
  char At(std::size_t i) const noexcept { return i < s_.size() ? s_[i] : '\0'; }

  template <typename Pred>
  TSqlTokenKind Run(std::size_t pos, std::size_t& end, Pred pred, TSqlTokenKind kind) const {
    end = pos + 1;
    while (end < s_.size() && pred(s_[end])) ++end;
    return kind;
  }

  TSqlTokenKind BlockComment(std::size_t pos, std::size_t& end, bool& unterminated) const {
    const std::size_t close = s_.find("*/", pos + 2);
    if (close == std::string_view::npos) {
      end = s_.size();
      unterminated = true;
      return TSqlTokenKind::BlockComment;
    }
    end = close + 2;
    const std::string_view text = s_.substr(pos, end - pos);
    if (EqualsIgnoreCase(text, "/*RW*/")) return TSqlTokenKind::RWMarker;
    if (text.starts_with(kBeginPrefix) && text.size() > kBeginPrefix.size() + 2) {
      return TSqlTokenKind::BeginMarker;
    }
    if (text.starts_with(kEndPrefix) && text.size() > kEndPrefix.size() + 2) {
      return TSqlTokenKind::EndMarker;
    }
    return TSqlTokenKind::BlockComment;
  }

  // A literal closed by `quote`, where two quotes stand for one.
  TSqlTokenKind Quoted(std::size_t from, char quote, std::size_t& end,
                       bool& unterminated, TSqlTokenKind kind) const {
    std::size_t i = from;
    while (true) {
      const std::size_t q = s_.find(quote, i);
      if (q == std::string_view::npos) {
        end = s_.size();
        unterminated = true;
        return kind;
      }
      if (At(q + 1) == quote) {
        i = q + 2;
        continue;
      }
      end = q + 1;
      return kind;
    }
  }

  // E'...': backslash escapes as well as doubled quotes.
  TSqlTokenKind EscapeString(std::size_t pos, std::size_t& end, bool& unterminated) const {
    std::size_t i = pos + 2;
    while (i < s_.size()) {
      if (s_[i] == '\\') {
        i += 2;
        continue;
      }
      if (s_[i] == '\'') {
        if (At(i + 1) == '\'') {
          i += 2;
          continue;
        }
        end = i + 1;
        return TSqlTokenKind::String;
      }
      ++i;
    }
    end = s_.size();
    unterminated = true;
    return TSqlTokenKind::String;
  }

  // $tag$ ... $tag$ (tag empty or a word not starting with a digit), $1, or a lone "$".
  TSqlTokenKind Dollar(std::size_t pos, std::size_t& end, bool& unterminated) const {
    std::size_t i = pos + 1;
    if (IsDigit(At(i))) {
      while (IsDigit(At(i))) ++i;
      end = i;
      return TSqlTokenKind::Parameter;
    }
    while (i < s_.size() && IsWordStart(s_[i])) {
      ++i;
      while (i < s_.size() && (IsWordStart(s_[i]) || IsDigit(s_[i]))) ++i;
      break;
    }
    if (At(i) != '$') {
      if (i > pos + 1) {  // $name: a parameter (SQLite)
        end = i;
        return TSqlTokenKind::Parameter;
      }
      end = pos + 1;
      return TSqlTokenKind::Symbol;
    }
    const std::string_view tag = s_.substr(pos, i + 1 - pos);
    const std::size_t close = s_.find(tag, i + 1);
    if (close == std::string_view::npos) {
      end = s_.size();
      unterminated = true;
    } else {
      end = close + tag.size();
    }
    return TSqlTokenKind::String;
  }

  TSqlTokenKind Number(std::size_t pos, std::size_t& end) const {
    std::size_t i = pos;
    while (IsDigit(At(i))) ++i;
    if (At(i) == '.') {
      ++i;
      while (IsDigit(At(i))) ++i;
    }
    if ((At(i) == 'e' || At(i) == 'E')) {
      std::size_t j = i + 1;
      if (At(j) == '+' || At(j) == '-') ++j;
      if (IsDigit(At(j))) {
        while (IsDigit(At(j))) ++j;
        i = j;
      }
    }
    end = i;
    return TSqlTokenKind::Number;
  }

  TSqlTokenKind ParameterOrSymbol(std::size_t pos, std::size_t& end) const {
    const char c = s_[pos];
    const char next = At(pos + 1);
    if (c == ':' && (next == ':' || next == '=')) {  // a cast or an assignment
      end = pos + 2;
      return TSqlTokenKind::Symbol;
    }
    if (c == ':' && next == '"') {
      bool unterminated = false;
      Quoted(pos + 2, '"', end, unterminated, TSqlTokenKind::Parameter);
      if (!unterminated) return TSqlTokenKind::Parameter;
      end = pos + 1;
      return TSqlTokenKind::Symbol;
    }
    std::size_t i = pos + 1;
    while (i < s_.size() && (IsWordByte(s_[i]))) ++i;
    if (c == '?' || i > pos + 1) {
      end = i;
      return TSqlTokenKind::Parameter;
    }
    end = pos + 1;
    return TSqlTokenKind::Symbol;
  }

  std::string_view s_;
};

}  // namespace

bool TSqlToken::IsComment() const noexcept {
  switch (Kind) {
    case TSqlTokenKind::LineComment:
    case TSqlTokenKind::BlockComment:
    case TSqlTokenKind::RWMarker:
    case TSqlTokenKind::BeginMarker:
    case TSqlTokenKind::EndMarker:
      return true;
    default:
      return false;
  }
}

bool TSqlToken::IsCode() const noexcept { return Kind != TSqlTokenKind::Space && !IsComment(); }

std::vector<TSqlToken> TokenizeSql(std::string_view sql) {
  std::vector<TSqlToken> tokens;
  Scanner scanner(sql);
  int depth = 0;
  std::size_t pos = 0;
  while (pos < sql.size()) {
    TSqlToken t;
    std::size_t end = pos + 1;
    t.Kind = scanner.Scan(pos, end, t.Unterminated);
    t.Offset = pos;
    t.Length = end - pos;
    if (t.Kind == TSqlTokenKind::Symbol && sql[pos] == ')') --depth;
    t.Depth = depth;
    if (t.Kind == TSqlTokenKind::Symbol && sql[pos] == '(') ++depth;
    tokens.push_back(t);
    pos = end;
  }
  return tokens;
}

bool IsSqlTextDamaged(std::string_view sql, const std::vector<TSqlToken>& tokens) {
  for (const TSqlToken& t : tokens) {
    if (t.Unterminated || t.Depth < 0) return true;
    if (t.IsComment() && t.Kind != TSqlTokenKind::LineComment &&
        t.Text(sql).substr(2).find("/*") != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::string_view MarkerBlockName(std::string_view sql, const TSqlToken& token) {
  const std::string_view text = token.Text(sql);
  std::size_t prefix = 0;
  if (token.Kind == TSqlTokenKind::BeginMarker) prefix = kBeginPrefix.size();
  if (token.Kind == TSqlTokenKind::EndMarker) prefix = kEndPrefix.size();
  if (prefix == 0 || text.size() < prefix + 2) return {};
  return text.substr(prefix, text.size() - prefix - 2);
}

bool IsKeyword(std::string_view sql, const TSqlToken& token, std::string_view keyword) {
  return token.Kind == TSqlTokenKind::Word && EqualsIgnoreCase(token.Text(sql), keyword);
}

std::size_t NextCodeToken(const std::vector<TSqlToken>& tokens, std::size_t index) {
  for (std::size_t i = index + 1; i < tokens.size(); ++i) {
    if (tokens[i].IsCode()) return i;
  }
  return tokens.size();
}

std::size_t PrevCodeToken(const std::vector<TSqlToken>& tokens, std::size_t index) {
  for (std::size_t i = index; i-- > 0;) {
    if (tokens[i].IsCode()) return i;
  }
  return tokens.size();
}

namespace {

std::vector<std::string_view> SplitWords(std::string_view phrase) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < phrase.size()) {
    while (i < phrase.size() && phrase[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < phrase.size() && phrase[i] != ' ') ++i;
    if (i > start) words.push_back(phrase.substr(start, i - start));
  }
  return words;
}

bool PhraseAt(std::string_view sql, const std::vector<TSqlToken>& tokens, std::size_t index,
              const std::vector<std::string_view>& words) {
  std::size_t i = index;
  for (std::size_t w = 0; w < words.size(); ++w) {
    if (w > 0) i = NextCodeToken(tokens, i);
    if (i >= tokens.size() || !IsKeyword(sql, tokens[i], words[w])) return false;
  }
  return true;
}

}  // namespace

std::size_t FindKeyword(std::string_view sql, const std::vector<TSqlToken>& tokens,
                        std::string_view phrase, int depth, std::size_t from) {
  const std::vector<std::string_view> words = SplitWords(phrase);
  if (words.empty()) return tokens.size();
  for (std::size_t i = from; i < tokens.size(); ++i) {
    const TSqlToken& t = tokens[i];
    if (t.Depth < depth) break;
    if (t.Depth == depth && PhraseAt(sql, tokens, i, words)) return i;
  }
  return tokens.size();
}

std::string QuoteSqlString(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '\'';
  for (const char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string UnquoteSqlString(std::string_view tokenText) {
  const std::size_t open = tokenText.find('\'');
  if (open == std::string_view::npos || tokenText.size() < open + 2) return {};
  const std::string_view body = tokenText.substr(open + 1, tokenText.size() - open - 2);
  std::string out;
  out.reserve(body.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    out += body[i];
    if (body[i] == '\'' && i + 1 < body.size() && body[i + 1] == '\'') ++i;
  }
  return out;
}

}  // namespace bexlo
