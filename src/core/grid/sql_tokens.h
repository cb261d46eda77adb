// A small SQL tokenizer for the grid's text splicing.
//
// It splits a query text into tokens so that keyword and marker searches see only SQL code: a
// word inside a string literal ('O''Brien', E'..', $$..$$), a quoted identifier ("order by",
// `x`, [x]) or a comment (-- .. and /* .. */) is never taken for a keyword, and every token
// carries its parenthesis depth so that a WHERE or GROUP BY inside a sub-query is not taken for
// the main query's. The grid's marker comments are tokens of their own: "/*RW*/" (any letter
// case) and the block markers "/*Begin for NAME*/" and "/*End for NAME*/" (exact case).
//
// Every byte of the text belongs to exactly one token (blanks and line breaks are Space tokens),
// so offsets and lengths can be used to cut and splice the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bexlo {

enum class TSqlTokenKind {
  Space,         // blanks, tabs, line breaks
  Word,          // identifier or keyword: letters, digits, "_", "$", "#", non-ASCII bytes
  QuotedName,    // "..." `...` [...]
  String,        // '...' (with '' inside), E'...' (backslash escapes), X'..', N'..', $tag$...$tag$
  Number,        // 12  1.5  .5  1e-3
  Parameter,     // :name, :"name", ?, ?1, $1, @name
  Symbol,        // one character of punctuation or an operator
  LineComment,   // -- to the end of the line (the line break is not part of it)
  BlockComment,  // /* ... */ other than the markers below
  RWMarker,      // /*RW*/
  BeginMarker,   // /*Begin for NAME*/
  EndMarker,     // /*End for NAME*/
};

struct TSqlToken {
  TSqlTokenKind Kind = TSqlTokenKind::Space;
  std::size_t Offset = 0;  // byte offset in the text
  std::size_t Length = 0;  // bytes
  int Depth = 0;           // parentheses open before the token ("(" itself counts outside)
  bool Unterminated = false;  // a literal, quoted name or block comment that runs to the end

  std::size_t End() const noexcept { return Offset + Length; }
  std::string_view Text(std::string_view sql) const { return sql.substr(Offset, Length); }
  // True for tokens that are SQL code (not Space and not a comment of any kind).
  bool IsCode() const noexcept;
  bool IsComment() const noexcept;
};

// Every token of the text, in order; their lengths add up to the text's length.
std::vector<TSqlToken> TokenizeSql(std::string_view sql);

// True when the text has an unterminated literal, quoted name or block comment, or a block
// comment that holds another "/*" (engines disagree whether such comments nest), or a closing
// parenthesis without its opening one: text that cannot be spliced safely.
bool IsSqlTextDamaged(std::string_view sql, const std::vector<TSqlToken>& tokens);

// The block name of a BeginMarker or EndMarker token ("NAME" of "/*Begin for NAME*/").
std::string_view MarkerBlockName(std::string_view sql, const TSqlToken& token);

// Whether a Word token is `keyword` (ASCII letters, any case).
bool IsKeyword(std::string_view sql, const TSqlToken& token, std::string_view keyword);

// The index of the next code token after `index` (tokens.size() when there is none).
std::size_t NextCodeToken(const std::vector<TSqlToken>& tokens, std::size_t index);
// The index of the previous code token before `index` (tokens.size() when there is none).
std::size_t PrevCodeToken(const std::vector<TSqlToken>& tokens, std::size_t index);

// The index of the first code token at depth `depth` from `from` on that begins the keyword
// phrase `phrase` ("WHERE", "GROUP BY", "ORDER BY": words separated by blanks, matched token by
// token with only blanks and comments between them). The search stops at the first token whose
// depth is below `depth` (the end of the enclosing parentheses). tokens.size() when not found.
std::size_t FindKeyword(std::string_view sql, const std::vector<TSqlToken>& tokens,
                        std::string_view phrase, int depth = 0, std::size_t from = 0);

// The string literal for a value: single quotes, inner single quotes doubled.
std::string QuoteSqlString(std::string_view value);

// The decoded content of a String token written by QuoteSqlString ('' read as one quote); for
// other literal forms the text between the outer quotes.
std::string UnquoteSqlString(std::string_view tokenText);

}  // namespace bexlo
