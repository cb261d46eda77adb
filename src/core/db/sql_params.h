// Finding ":name" parameter references in SQL text.
//
// The scanner skips everything that is not SQL code: string literals ('...' with '' inside, and
// E'...' with backslash escapes), quoted identifiers ("...", `...`, [...]), comments (-- to the end
// of the line, /* ... */) and PostgreSQL dollar-quoted bodies ($$...$$, $tag$...$tag$). A "::" is a
// cast and ":=" an assignment, never a parameter. A name starts with a letter, a digit, "_" or any
// non-ASCII character and goes on with those and "$" and "#"; a quoted name (:"my name") may
// hold anything but a double quote. Names are compared ignoring case: one parameter per name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bexlo {

struct TSqlParamRef {
  std::string name;
  std::size_t offset = 0;  // byte offset of the ':'
  std::size_t length = 0;  // bytes of the reference, the ':' and any quotes included
};

// Every parameter reference of the text, in order.
std::vector<TSqlParamRef> ScanSqlParams(std::string_view sql);

// How a driver writes positional parameters: "?1" (SQLite) or "$1" (PostgreSQL).
enum class TParamMarker { QuestionNumber, DollarNumber };

struct TParsedSql {
  std::string text;                // the SQL with every reference replaced by its marker
  std::vector<std::string> names;  // distinct names in order of first use; marker n is names[n-1]
  // Where each reference went: its byte offset in the source and the offset and length of the
  // marker (with any blank put before it) in text.
  struct TSpan {
    std::size_t source = 0;
    std::size_t sourceLength = 0;
    std::size_t parsed = 0;
    std::size_t parsedLength = 0;
  };
  std::vector<TSpan> spans;

  // The byte offset in the source SQL of a byte offset in text (an engine's error position):
  // a place inside a marker is the start of its reference.
  std::size_t SourceOffset(std::size_t parsedOffset) const noexcept;
};

// Replaces the references by positional markers; references to the same name share one marker.
TParsedSql ParseSqlParams(std::string_view sql, TParamMarker marker);

// True when the parameter names are the same ignoring ASCII and Unicode case.
bool SameParamName(std::string_view a, std::string_view b) noexcept;

}  // namespace bexlo
