// The toolkit-free side of the dictionary button: field maps that dress a choice query's columns,
// the code parameter of the description query, the choice window's size limits, the result value
// of a dictionary choice, and when the description of a linked code is read again.
//
// A field map is a list of lines "NAME = title" or "NAME = title, width". When the map has lines,
// every field of the data set is hidden first and the named fields are shown with their titles.
// The width may start with a marker: "$" right-aligns (and shows a floating-point field as
// currency), "+" centres, "-" right-aligns. Lines without "=" and names the data set lacks are
// ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/field_types.h"
#include "util/variant.h"

namespace bexlo {

class TDataSet;
class TField;
class TQuery;
class TStrings;

// The choice window's default size and the smallest size it takes.
inline constexpr int kDicFormWidth = 560;
inline constexpr int kDicFormHeight = 370;
inline constexpr int kDicFormMinSize = 240;
// A window size as the button keeps it: 16 bits unsigned, at least kDicFormMinSize.
int ClampDicFormSize(int value) noexcept;

// One line of a field map.
struct TFieldMapLine {
  std::string Name;   // the field name, trimmed
  std::string Title;  // the display label, trimmed
  int Width = 0;      // 0: the field's own width
  char Marker = 0;    // '$', '+', '-' or 0
};
// The line read; nothing for a line without "=" or with an empty name.
std::optional<TFieldMapLine> ParseFieldMapLine(std::string_view line);
// Applies a field map to the fields of a data set (open or with its fields created). An empty map
// changes nothing.
void DataSetFieldMap(TDataSet* dataSet, const TStrings& map);
void DataSetFieldMap(TDataSet* dataSet, std::string_view mapText);

// Gives the first parameter of the description query the type `type` and the code `text`:
// integers for the integer types, floating numbers for the floating types, dates and times read
// with the short date and time formats, text otherwise; an empty text clears it. A query without
// parameters raises EDatabaseError "Parameter in query is necessary: %s" with the query's text;
// a text that does not read as the type raises EConvertError.
void SetDicQueryParam(TQuery& query, std::string_view text, TFieldType type);

// The value a dictionary choice returns for the chosen row's field: text for string and memo
// fields, a floating number for numeric fields, a Boolean, or a date-time for date and time
// fields; the field's text for anything else.
Variant DicResultValue(const TField& field);

// What the linked edit box did.
enum class TDicEditEvent { deEnter, deChange, deExit };

// The code whose description the label shows, and whether the description query found it.
// Typing does not read the description at every key stroke: it is read when the edit box is
// entered or left with a code other than the last one read, and at once when the code changes
// other than by typing or choosing.
class TDicLabelState {
 public:
  const std::string& LastCode() const noexcept { return last_code_; }
  bool Found() const noexcept { return found_; }

  // Whether the description must be read now for `code` (already passed through GetLast).
  bool NeedsRefresh(TDicEditEvent event, std::string_view code, bool typedOrChosen) const;
  // Whether leaving the edit box must be refused: a required code that the last reading did not
  // find. A code refused once stays refused until it changes and is found (leaving twice with
  // the same unknown code does not let it through).
  bool RefuseExit(bool required) const noexcept { return required && !found_; }

  // The description was read for `code`; found: the query returned a row.
  void Read(std::string code, bool found) {
    last_code_ = std::move(code);
    found_ = found;
  }
  // The code was written by the button itself (SetText): it becomes the last code, so that the
  // change it causes reads nothing; whether it was found stays as it was.
  void SetLastCode(std::string code) { last_code_ = std::move(code); }

 private:
  std::string last_code_;
  bool found_ = true;
};

}  // namespace bexlo
