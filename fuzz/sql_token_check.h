// The check of the SQL splicing fuzz targets: text that the grid wrote into a query may add
// string literals, numbers, block markers and the words and symbols of its condition templates,
// and nothing else. Every token of the result outside string literals must be one of the
// original query's, one of the templates', or a number; a damaged result (open literal, comment
// or parenthesis) fails too.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "grid/sql_tokens.h"
#include "util/text.h"

class SqlTokenCheck {
 public:
  // The query the grid starts from, the field names it may write, the block names it may mark.
  SqlTokenCheck(std::string_view query, const std::vector<std::string>& fields,
                const std::vector<std::string>& blockNames)
      : blocks_(blockNames.begin(), blockNames.end()) {
    // The templates' words; a wildcard on a number or date compares "cast(F as varchar(64))".
    // A partial date compares the date as the engine renders it in the user's format.
    for (const char* w : {"WHERE", "HAVING", "AND", "OR", "NOT", "LIKE", "IN", "IS", "NULL", "ORDER",
                          "BY", "DESC", "ASC", "CAST", "AS", "VARCHAR", "STRFTIME", "LTRIM", "SUBSTR",
                          "TO_CHAR"}) {
      words_.insert(w);
    }
    for (const char* s : {"=", "<", ">", "(", ")", ",", "-", ".", "|"}) symbols_.insert(s);
    for (const std::string& f : fields) words_.insert(bexlo::UpperCase(f));
    for (const bexlo::TSqlToken& t : bexlo::TokenizeSql(query)) Allow(query, t);
  }

  // Empty when sql passes; otherwise what was found.
  std::string Check(std::string_view sql) const {
    const std::vector<bexlo::TSqlToken> tokens = bexlo::TokenizeSql(sql);
    if (bexlo::IsSqlTextDamaged(sql, tokens)) return "damaged text";
    for (const bexlo::TSqlToken& t : tokens) {
      const std::string_view text = t.Text(sql);
      switch (t.Kind) {
        case bexlo::TSqlTokenKind::Space:
        case bexlo::TSqlTokenKind::Number:
          break;
        case bexlo::TSqlTokenKind::String:
          if (text.front() != '\'') return "a literal of another form: " + std::string(text);
          break;
        case bexlo::TSqlTokenKind::BeginMarker:
        case bexlo::TSqlTokenKind::EndMarker:
          if (!blocks_.count(std::string(bexlo::MarkerBlockName(sql, t)))) {
            return "a marker of an unknown block: " + std::string(text);
          }
          break;
        case bexlo::TSqlTokenKind::Word:
          if (!words_.count(bexlo::UpperCase(text))) return "the word " + std::string(text);
          break;
        case bexlo::TSqlTokenKind::Symbol:
          if (!symbols_.count(std::string(text))) return "the symbol " + std::string(text);
          break;
        default:
          if (!others_.count(std::string(text))) return "the token " + std::string(text);
          break;
      }
    }
    return {};
  }

 private:
  void Allow(std::string_view query, const bexlo::TSqlToken& t) {
    const std::string text(t.Text(query));
    if (t.Kind == bexlo::TSqlTokenKind::Word) {
      words_.insert(bexlo::UpperCase(text));
    } else if (t.Kind == bexlo::TSqlTokenKind::Symbol) {
      symbols_.insert(text);
    } else if (t.Kind != bexlo::TSqlTokenKind::Space) {
      others_.insert(text);
    }
  }

  std::set<std::string> words_;
  std::set<std::string> symbols_;
  std::set<std::string> others_;
  std::set<std::string> blocks_;
};
