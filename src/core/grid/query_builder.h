// The query builder's logic: condition lines composed from field labels, operators and values,
// turned into one parenthesised SQL condition for the builder block of a search grid's query,
// and an ordering list written after the query's ORDER BY.
//
// A condition line reads  LABEL OPERATOR VALUE  where LABEL is a field's label made one word
// (DeleteDelim), OPERATOR one of the twelve shown operators (each begins and ends with a blank)
// and VALUE one of:
//   'text'            string and date fields: a string literal, inner quotes doubled
//   12.5  -3E2        numeric fields: a number
//   OTHER_LABEL       another field (a field-to-field comparison)
//   @expression       raw SQL, written without the "@" (the user writes SQL there by design)
//   ('a','b')  (1,2)  in-list operators: the items, quoted for string and date fields
//   (nothing)         the null and not-null operators
// A line starting with "-" is an OR separator. When the first line starts with "#", all lines
// are raw SQL (the "#" dropped) and nothing is composed.
//
// Values never change the SQL's structure: SetWhereList writes strings and dates as literals it
// quotes itself, numbers only when they read as numbers, fields by their names, and refuses
// (EBuilderError, naming the condition) any value that does not fit its field. Raw "@" values and
// "#" lines are SQL by design; the whole condition must still be closed SQL (no open literal,
// comment or parenthesis, no marker comment) so that the block it goes into stays removable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/exceptions.h"
#include "util/strings.h"

namespace bexlo {

class TDataSet;
class TDialect;
class TQuery;
struct TFormatSettings;

// A builder value that does not fit its field, or conditions that are not closed SQL.
BEXLO_DECLARE_EXCEPTION(EBuilderError, EConvertError);

// ---- operators ----------------------------------------------------------------------------------

enum TBuilderOperator : int {
  boNone = -1,
  boEqual = 0,
  boGreater,
  boGreaterEqual,
  boLess,
  boLessEqual,
  boNotEqual,
  boNotLike,
  boLike,
  boNotInList,
  boInList,
  boNotNull,
  boNull,
};
inline constexpr int kBuilderOperatorCount = 12;

// The operator as the list shows it (" = ", " like to ", ...) and as SQL writes it (" = ",
// " LIKE ", ...); empty for an index out of range.
std::string_view BuilderOperatorShown(int op) noexcept;
std::string_view BuilderOperatorSql(int op) noexcept;
inline bool IsListOperator(int op) noexcept { return op == boInList || op == boNotInList; }
inline bool IsNullOperator(int op) noexcept { return op == boNull || op == boNotNull; }
// " > ", " >= ", " < ", " <= ": refused for string fields.
inline bool IsRangeOperator(int op) noexcept { return op >= boGreater && op <= boLessEqual; }

// An OR separator line (any line starting with "-").
bool IsBuilderSeparator(std::string_view line) noexcept;
// Raw mode: the first line starts with "#".
bool IsBuilderRaw(const TStrings& lines);

// ---- lines --------------------------------------------------------------------------------------

// A condition line cut into its parts. The label ends at the first blank; the operator must
// follow it directly (so a value holding " = " never moves the split); the value is the rest.
// Operator is boNone when the line has no operator after its label (a line being composed).
struct TBuilderLine {
  bool Separator = false;
  std::string Label;
  int Operator = boNone;
  std::string Value;
};
TBuilderLine ParseBuilderLine(std::string_view line);

// A field offered by the builder: its one-word label, its name in the data set and its kind
// ("S", "N", "D"; fields of kind "U" are listed but not offered for conditions or ordering).
struct TBuilderField {
  std::string Label;
  std::string Name;
  char Kind = 'U';
};

// The number a numeric builder value stands for, as SQL writes it ("-12", "1.5", "3E-2"): an
// optional "-", digits with at most one decimal separator, and an optional exponent ("E" or
// "e", an optional sign, digits); blanks around it are ignored. Empty when the value does not
// read so ("12EEE--", "-", "1.2.3").
std::string BuilderNumber(std::string_view value, const TFormatSettings& settings);

// The ordering state a search grid keeps between builder runs: whether the builder set the
// query's ordering, and the query's own ordering saved while it did. Saved tells a saved empty
// ordering (the query had none) apart from nothing saved yet.
struct TBuilderOrderState {
  bool OrderSet = false;
  bool Saved = false;
  std::string SavedOrder;
  // The builder put a line break before the ORDER BY it added (taken away with it).
  bool BreakAdded = false;
};

class TQueryBuilder {
 public:
  TQueryBuilder() = default;

  // ---- fields -----------------------------------------------------------------------------------
  // Lists the data set's non-calculated fields, in field order, by their cleaned display labels.
  void SetQuery(const TDataSet& dataSet);
  void SetFields(std::vector<TBuilderField> fields) { fields_ = std::move(fields); }
  // The SQL dialect of the query's database (SetQuery), or null: decides how field names are
  // written (a mixed-case PostgreSQL column in double quotes, see SqlFieldName).
  const TDialect* Dialect() const noexcept { return dialect_; }
  const std::vector<TBuilderField>& Fields() const noexcept { return fields_; }
  // The field of a label (exact comparison), or null.
  const TBuilderField* FindLabel(std::string_view label) const;
  // The field name of a label; empty when no field has it.
  std::string GetField(std::string_view label) const;
  // The label of a field name (names compared ignoring case); empty when absent.
  std::string GetFieldDesc(std::string_view fieldName) const;
  bool SearchField(std::string_view text) const { return FindLabel(text) != nullptr; }
  // "S", "N", "D" or "U" (also for an unknown label).
  char GetFieldType(std::string_view label) const;

  // ---- the condition list ----------------------------------------------------------------------
  TStringList& Conditions() noexcept { return conditions_; }
  const TStringList& Conditions() const noexcept { return conditions_; }
  // Loads the condition list (the grid's builder list).
  void SetListBox(const TStrings& lines);
  bool RawMode() const { return IsBuilderRaw(conditions_); }

  // "+": appends the field's label as a new line; -1 (nothing added) for an unknown label or a
  // field of kind "U". Returns the new line's index.
  int AddCondition(std::string_view label);
  // "<": appends the operator to line `index` when it is a condition without an operator; the
  // range operators are refused for string fields. False when nothing changed.
  bool AddOperator(int index, int op);
  // ">": makes field `label` the value of line `index` when that line has an operator other
  // than the in-list and null ones, no value yet, and both fields are of the same kind.
  bool SetFieldValue(int index, std::string_view label);
  // Typing in the value box: the value of line `index` becomes the typed text, prepared by
  // the field's kind unless it starts with "@" or is a label: numeric fields keep "-", digits,
  // "E", "e" and the decimal separator; string and date fields are quoted (inner quotes
  // doubled). In-list operators take the text as it stands. An empty text empties the value.
  void SetEdit(int index, std::string_view typed);
  // The value box's text for line `index`: the value, unquoted for a quoted string or date
  // value (never for labels, "@" values and in-lists).
  std::string GetEdit(int index) const;
  // "OR": appends a separator unless the list is empty or ends with one. False when refused.
  bool AddOr();
  // The items of an in-list value (unquoted for string and date fields) and back: SetValueList
  // writes "(" the items, quoted for string and date fields, joined by "," ")"; an empty item
  // list leaves the value unchanged.
  std::vector<std::string> GetValueList(int index) const;
  void SetValueList(int index, const std::vector<std::string>& items);
  void DeleteCondition(int index);

  // Which controls the selected line enables: the value box (an operator other than the in-list
  // and null ones) and "List of values" (an in-list operator). Both false in raw mode.
  bool ValueEditable(int index) const;
  bool ListEditable(int index) const;

  // The SQL condition lines of the condition list, written into w (cleared first): "(" the AND
  // groups joined by OR ")", each condition in parentheses. Lines without an operator, without
  // a needed value, or naming an unknown field or one of kind "U" are deleted from the condition
  // list and skipped; a trailing separator is deleted. Raises EBuilderError for a value that does
  // not fit its field and for conditions that are not closed SQL; w is then left empty.
  void SetWhereList(TStrings& w);

  // ---- the order list --------------------------------------------------------------------------
  TStringList& OrderLines() noexcept { return order_; }
  const TStringList& OrderLines() const noexcept { return order_; }
  // "+": appends LABEL ", on increase"; -1 for an unknown label or a field of kind "U".
  int AddOrder(std::string_view label);
  // The direction box: rewrites line `index` as the text up to its comma and the direction.
  void SetOrderDirection(int index, bool descending);
  // Fills the order list from a query text's ordering: nothing when the ordering holds "(";
  // terms split at ",", a term's field name before its first blank (blanks, CR and LF between
  // words count as blanks), "DESC" in any case descending; terms of unknown fields skipped.
  void SetOrderBox(std::string_view queryText);
  // The ORDER BY list of the order lines: field names, " DESC" for descending, joined by ", ".
  std::string SetOrderText() const;

 private:
  const TBuilderField* LineField(const TBuilderLine& line) const;

  std::vector<TBuilderField> fields_;
  const TDialect* dialect_ = nullptr;
  TStringList conditions_;
  TStringList order_;
};

// ---- applying -------------------------------------------------------------------------------------

// The ordering list of a query text: the text after its top-level ORDER BY up to a top-level
// LIMIT, OFFSET, FETCH, FOR, ";" or the end, trimmed; empty without ORDER BY. Words inside
// literals, comments and sub-queries never count.
std::string BuilderOrderOf(std::string_view sql);

// Applies the order text to sql and returns the new text (the saved-ordering rule):
// - order not empty: the query's own ordering is saved (upper-cased) unless one is saved
//   already; order replaces the ordering list, or "ORDER BY order" is added on a new line; the
//   order flag is set.
// - order empty while the flag is set: the builder's ordering is removed and the saved one put
//   back (none when the query had none); flag and saved ordering are cleared. Without the flag
//   only the saved ordering is forgotten.
std::string ApplyBuilderOrder(std::string_view sql, std::string_view order,
                              TBuilderOrderState& state);

// Checks an order text that comes from outside the builder (a stored state): a comma-separated
// list of the builder's fields, each optionally followed by ASC or DESC. Returns it in the form
// SetOrderText writes; raises EBuilderError when it is anything else.
std::string CheckBuilderOrder(const TQueryBuilder& builder, std::string_view order);

// Runs the builder without its window on a query (what state loading and clearing do): the
// builder lines become the "SEARCHDBGRID_BUILDER" block of queryText (the query's own text when
// empty), orderText is applied by ApplyBuilderOrder, and the query is reloaded (ReloadQuery,
// force as given). A failing reload gives the query its previous text back and passes the error
// on. The order text is checked with CheckBuilderOrder first.
void RunQueryBuilder(TQuery& query, const TStrings& builderLines, TBuilderOrderState& orderState,
                     std::string_view orderText, std::string_view queryText, bool force);

// The query text the builder makes of sql, without touching a query: the condition block from
// builder (SetWhereList) and the ordering (ApplyBuilderOrder).
std::string BuilderQueryText(TQueryBuilder& builder, std::string_view sql,
                             std::string_view orderText, TBuilderOrderState& orderState);

}  // namespace bexlo
