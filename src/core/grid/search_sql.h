// The search grid's SQL: what the user types into the search row, the chosen records and the
// query builder's conditions become conditions written into the query's text as marked blocks.
//
//   <query text> WHERE
//   /*Begin for NAME*/
//   <condition>
//   /*End for NAME*/
//   AND <the query's own conditions>
//
// SearchPrim inserts, replaces and removes one such block. It finds the query's keywords as SQL
// tokens (sql_tokens.h): words inside literals, quoted names, comments, identifiers such as
// ORDER_BYTES and sub-queries never count. Inserting a block and removing it again gives the
// original text back byte for byte.
//
// Values never change the structure of the SQL: "%S" and "%D" write the value as a string
// literal with its quotes doubled (or as a parameter reference), GetSearchSQL and
// SetChoiceWhereList check every value by its field's kind before it is written, and a field or
// block name that is not a plain identifier is quoted (or refused where it cannot be).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/dialect.h"

namespace bexlo {

class TDataSet;
class TDialect;
class TField;
class TParams;
class TQuery;
class TStrings;
struct TFormatSettings;

// ---- field kinds ------------------------------------------------------------------------------

// The field kind letters GetFieldType returns.
inline constexpr char fkSearchString = 'S';   // string fields
inline constexpr char fkSearchNumber = 'N';   // integer, Boolean, float, currency, BCD fields
inline constexpr char fkSearchDate = 'D';     // date, time and date-time fields
inline constexpr char fkSearchUnknown = 'U';  // anything else, missing, calculated and lookup

// The data set's field of that name as the grid finds it: a prefix up to and including the first
// "." is ignored ("T.NAME" finds NAME); the name must match exactly, letter case included.
TField* GridFindField(const TDataSet* dataSet, std::string_view name);

// "S", "N", "D" or "U" for the field of that name (GridFindField) of dataSet (null: "U").
char GetFieldType(const TDataSet* dataSet, std::string_view fieldName);

// ---- condition templates ------------------------------------------------------------------------

inline constexpr std::string_view kTplLike = "%fld like %s";      // strings, wildcards
// Numbers and dates matched as text (a wildcard typed): PostgreSQL has no LIKE on them.
inline constexpr std::string_view kTplLikeText = "cast(%fld as varchar(64)) like %s";
inline constexpr std::string_view kTplDateEq = "%fld = %d";       // a complete date
inline constexpr std::string_view kTplNumberEq = "%fld = %f";     // a number
inline constexpr std::string_view kTplSearchEdit = "%fld LIKE %s";  // TSearchEdit's default
inline constexpr std::string_view kTplNote = "%Note";             // a whole condition, as given

// Block names of the choice filter and the query builder.
inline constexpr std::string_view kChoiceBlockName = "SEARCHDBGRID_CHOICE";
inline constexpr std::string_view kBuilderBlockName = "SEARCHDBGRID_BUILDER";

// The marker lines: CR LF "/*Begin for NAME*/" CR LF and CR LF "/*End for NAME*/" CR LF.
std::string BeginMarker(std::string_view blockName);
std::string EndMarker(std::string_view blockName);
inline constexpr std::string_view kRWMarker = "/*RW*/";

// Whether a block name can stand in a marker comment: not empty, no "*/", no "/*", no line break,
// not ending in "/" (which would open a comment inside the marker).
bool IsValidBlockName(std::string_view blockName);

// The field name as SQL: kept when it is a plain identifier or dotted plain identifiers
// ("T.NAME"), or parts already in double quotes; otherwise in double quotes (quotes doubled).
// With a dialect that folds unquoted names to lower case (PostgreSQL), a part in mixed case
// ("OrderDate", a column created in quotes) is quoted too, so that the engine reads the column
// the data set reported; a part all in capitals is kept (an upper-case alias of a lower-case
// column, as "select name as \"NAME\"" reports it, is found again through folding).
std::string SqlFieldName(std::string_view fieldName, const TDialect* dialect = nullptr);

// The dialect of the data set's open database; null for any other data set.
const TDialect* SearchDialect(const TDataSet* dataSet);

// The parameter reference of a block in parameter mode: ":_NAME", or :"_NAME" when NAME is not a
// plain identifier. SearchParamName gives the parameter's name ("_NAME").
std::string SearchParamRef(std::string_view blockName);
std::string SearchParamName(std::string_view blockName);

// Replaces the macros of a condition template, case-insensitively, in one pass ("%FLD", "%F",
// "%D", "%NOTE", "%S"; a longer macro wins over a shorter one at the same place), so that text
// coming in with a value is never searched again:
//   %FLD  SqlFieldName(name)
//   %F    a number ("-12", "1.5") as it stands, anything else as a literal like %D
//   %NOTE value unchanged
//   %D    'value'                          %S    'lw value rw'       (quotes doubled inside)
// With asParam every macro but %FLD becomes SearchParamRef(name), without quotes or wildcards.
// %NOTE writes the value as SQL code: callers pass only SQL they built (choice filter, builder).
// The dialect (may be null) decides how %FLD quotes the name (SqlFieldName).
std::string ReplaceMacros(std::string_view tpl, std::string_view value, std::string_view name,
                          std::string_view leftWildcard, std::string_view rightWildcard,
                          bool asParam, const TDialect* dialect = nullptr);

// ---- splicing ---------------------------------------------------------------------------------

// Inserts, replaces or removes the block `name` in sql. A non-empty value puts the block in
// (replacing one of that name); an empty value removes it. Returns the new text, or the empty
// string when the text is not changed: nothing to remove, no place for the block (a "/*RW*/"
// marker with no WHERE after it), an invalid block name, or a damaged text (IsSqlTextDamaged, or
// a Begin marker without its End).
//
// Where the block goes: with a "/*RW*/" marker, after the first WHERE that follows the marker at
// the marker's parenthesis depth. Without it: the query up to its first top-level UNION,
// INTERSECT or EXCEPT is the part that gets the block (the rest comes back unchanged); the
// keyword is HAVING when that part has a top-level GROUP BY, WHERE otherwise. An existing keyword
// gets the block right after it, joined to its conditions by "AND "; a missing one is written on
// a line of its own before the top-level ORDER BY, LIMIT, OFFSET, FETCH, FOR, WINDOW or a
// trailing ";", or at the end.
std::string SearchPrim(std::string_view sql, std::string_view tpl, std::string_view value,
                       std::string_view name, std::string_view leftWildcard,
                       std::string_view rightWildcard, bool asParam,
                       const TDialect* dialect = nullptr);

// The number in a value as SQL writes it ("-12", "1.5"): blanks trimmed, the locale's decimal
// separator read as the decimal point, one trailing decimal point dropped; empty when the value
// is not a plain decimal number (signs, digits and one separator only).
std::string SqlNumber(std::string_view value, const TFormatSettings& settings);
// The number at the start of v as SqlNumber writes it, appended to out; returns the bytes it
// read, 0 when they hold no digit (SqlNumber and the builder's numbers, which may go on with an
// exponent, share it).
std::size_t ReadSqlNumber(std::string_view v, const TFormatSettings& settings, std::string& out);
// A complete date (three non-negative numbers separated by the locale's date separator that
// StrToDate reads) as the SQL literal text "yyyy-mm-dd"; empty when the value is not one.
std::string SqlDate(std::string_view value, const TFormatSettings& settings);

// The parts of the locale's short date format (day, month, year, text; "/" is the date
// separator, quoted text literal); false for a format with parts SQL cannot render the same on
// every engine (day and month names).
bool ShortDateParts(const TFormatSettings& settings, std::vector<TDatePart>& parts);

// Applies every "FIELD=VALUE" line of the search list to sql and returns the final text (sql
// itself when nothing applies). For each line: VALUE "^" means cleared (the block is removed);
// the condition follows the field's kind:
//   "S": FIELD like 'VALUE%'                       "U": the line is skipped
//   "N": FIELD = <number> (SqlNumber); anything else, or a value with "%" or "_", is compared as
//        text: cast(FIELD as varchar(64)) like 'VALUE'
//   "D": FIELD = 'yyyy-mm-dd' for a complete date (live queries too). Anything else is read as
//        the start of a date in the user's short date format: the engine renders the stored
//        date in that format (TDialect::DateText) and compares it with like 'VALUE%' (with the
//        user's own wildcards, 'VALUE'), so "12/03" finds 12 March of every year on SQLite's ISO
//        text and PostgreSQL's dates alike. Without a dialect, or with a format that has day or
//        month names, the value is compared as text like a number.
// Field names are written for the query's engine (SqlFieldName with its dialect).
// With asParams (UseParamInSearch) the block compares FIELD with the parameter :_FIELD instead,
// and params (when given) gets that parameter (created as an input parameter when absent) with
// the value typed by kind (float, date-time or string), or cleared for an empty value.
std::string GetSearchSQL(const TQuery& query, std::string_view sql, const TStrings& searchList,
                         TParams* params, bool asParams);
std::string GetSearchSQL(const TQuery& query, std::string_view sql, const TStrings& searchList,
                         TParams* params);  // asParams = UseParamInSearch

// Turns choice lines ("FIELD=display text") into the SQL lines of the choice filter, written into
// result (cleared first): "(" FIELD " = " V " OR" ... FIELD " = " V ")", the first line starting
// with "NOT (" instead of "(" when invert is set. V by the field's kind: "S" quoted; "N" the
// display text stripped of everything but digits, "-" and the decimal separator, then SqlNumber
// (not a number: the line is skipped); "D" a complete date as 'yyyy-mm-dd' (else skipped); "U"
// and unknown fields skipped. No line is written when every line is skipped. Field names are
// written for the data set's engine (SqlFieldName).
void SetChoiceWhereList(const TStrings& choiceLines, const TDataSet* dataSet, bool invert,
                        TStrings& result);

// ---- reopening ----------------------------------------------------------------------------------

// Gives the query a new text and reopens it, keeping parameter values:
// - nothing happens when text is empty, or when the query is closed and onlyIfOpen is set;
// - when the text differs from the query's (compared line by line) or force is set: the text is
//   set, the query closed, and the values of params (or of a copy of the query's own parameters
//   when params is null) assigned to the query's parameters by name;
// - with force the query is opened.
// Controls are disabled meanwhile and enabled again also when a step fails (the error passes on).
void ReloadQuery(TQuery& query, std::string_view text, bool onlyIfOpen, bool force,
                 const TParams* params);

// Applying the search (the search timer's tick, ReLoad): GetSearchSQL on the query's text with a
// copy of its parameters, then ReloadQuery with the result.
void ApplySearch(TQuery& query, const TStrings& searchList, bool onlyIfOpen, bool force);

// Toggles the choice filter on an open query (Alt+F9). choiceFilter holds the SQL lines of the
// applied filter (empty: none applied). Applied: its block is removed and choiceFilter cleared.
// Not applied: with choiceList empty nothing happens; otherwise SetChoiceWhereList writes the
// filter into choiceFilter and its block is put into the text. Then the query is reopened. When
// that fails: "Mistake of performance of query." is shown as an error, the previous text is
// restored and reopened, and the error passed on. Returns false when nothing was done.
bool BuildChoice(TQuery& query, const TStrings& choiceList, bool invert, TStrings& choiceFilter);

}  // namespace bexlo
